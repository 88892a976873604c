#include "drawing/recovery_copy.h"

#include "base/atomic_file.h"
#include "base/paths.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <string_view>
#include <system_error>

#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pitkad {

namespace fs = std::filesystem;

namespace {

// Creates `folder` (and what is missing above it) for its owner alone; one
// that is there already loses other users' rights.
void make_private_folder(const fs::path& folder) {
    std::error_code ec;
    if (folder.has_parent_path()) fs::create_directories(folder.parent_path(), ec);
    if (::mkdir(folder.c_str(), 0700) == 0) return;
    struct stat st {};
    if (::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & 077) != 0)
        ::chmod(folder.c_str(), st.st_mode & 07700);
}

constexpr std::size_t id_size = 16;
constexpr std::string_view copy_suffix = ".pkc", lock_suffix = ".lock";

std::string new_session_id() {
    std::uint64_t n = 0;
    if (::getrandom(&n, sizeof n, 0) != ssize_t(sizeof n))
        n = std::uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()) *
                0x9e3779b97f4a7c15u ^
            std::uint64_t(::getpid());
    static constexpr char hex[] = "0123456789abcdef";
    std::string id(id_size, '0');
    for (char& c : id) {
        c = hex[n & 15];
        n >>= 4;
    }
    return id;
}

// The session of a copy named "<digest>-<session>.pkc"; empty for any other name.
std::string_view session_of_copy(std::string_view name) {
    if (name.size() != id_size * 2 + 1 + copy_suffix.size() || name[id_size] != '-' ||
        !name.ends_with(copy_suffix))
        return {};
    return name.substr(id_size + 1, id_size);
}

} // namespace

fs::path recovery_file_for(const std::string& recording) {
    return user_cache_dir() / "recovery" / (path_digest(recording) + ".pkc");
}

RecoverySession::RecoverySession(fs::path cache_dir)
    : folder_(cache_dir / "recovery"), open_folder_(cache_dir / "open") {
    make_private_folder(folder_);
    // Another window may be looking at a lock file of that name just now.
    for (int attempt = 0; attempt < 4; ++attempt) {
        id_ = new_session_id();
        lock_ = FileLock(folder_ / (id_ + std::string(lock_suffix)));
        if (lock_.status() != LockStatus::busy) break;
    }
    // Sessions that ended with no copy left: their lock files only.
    std::map<std::string, bool, std::less<>> has_copy;
    std::error_code ec;
    for (fs::directory_iterator it(folder_, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (const std::string_view session = session_of_copy(name); !session.empty())
            has_copy[std::string(session)] = true;
        else if (name.size() == id_size + lock_suffix.size() && name.ends_with(lock_suffix))
            has_copy.try_emplace(name.substr(0, id_size), false);
    }
    for (const auto& [session, copy] : has_copy)
        if (!copy && session != id_)
            remove_unused_lock(folder_ / (session + std::string(lock_suffix)));
    // Open marks of windows that ended without letting them go.
    for (fs::directory_iterator it(open_folder_, ec), end; !ec && it != end; it.increment(ec))
        if (it->path().filename().string().ends_with(lock_suffix)) remove_unused_lock(it->path());
}

fs::path RecoverySession::copy_for(const std::string& recording) const {
    return folder_ / (path_digest(recording) + "-" + id_ + std::string(copy_suffix));
}

fs::path RecoverySession::left_copy(const std::string& recording) const {
    const std::string digest = path_digest(recording);
    fs::path newest;
    fs::file_time_type newest_time{};
    std::error_code ec;
    for (fs::directory_iterator it(folder_, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!name.starts_with(digest)) continue;
        const std::string_view session = session_of_copy(name);
        if (session.empty() ? name != digest + std::string(copy_suffix)
                            : session == id_ || lock_in_use(folder_ / (std::string(session) +
                                                                        std::string(lock_suffix))))
            continue;
        std::error_code file_ec;
        if (!it->is_regular_file(file_ec) || it->is_symlink(file_ec)) continue;
        const fs::file_time_type time = it->last_write_time(file_ec);
        if (!file_ec && (newest.empty() || time > newest_time)) {
            newest = it->path();
            newest_time = time;
        }
    }
    return newest;
}

void RecoverySession::remove_left_lock(const fs::path& copy) const {
    const std::string name = copy.filename().string();
    if (const std::string_view session = session_of_copy(name); !session.empty() && session != id_)
        remove_unused_lock(folder_ / (std::string(session) + std::string(lock_suffix)));
}

RecoverySession::OpenMark RecoverySession::mark_open(const std::string& recording) const {
    make_private_folder(open_folder_);
    // Every window holds a lock of its own, taken before looking at the
    // others' so that two windows opening at once both see each other.
    const std::string digest = path_digest(recording) + "-";
    OpenMark mark{FileLock(open_folder_ / (digest + id_ + std::string(lock_suffix)))};
    std::error_code ec;
    for (fs::directory_iterator it(open_folder_, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!name.starts_with(digest) || !name.ends_with(lock_suffix) ||
            name == digest + id_ + std::string(lock_suffix))
            continue;
        if (lock_in_use(it->path()))
            mark.elsewhere = true;
        else
            remove_unused_lock(it->path());
    }
    return mark;
}

bool recovery_is_newer(const fs::path& recovery, const fs::path& drawing_file) {
    std::error_code ec;
    const auto copy_time = fs::last_write_time(recovery, ec);
    if (ec) return false;
    const auto file_time = fs::last_write_time(drawing_file, ec);
    return ec || copy_time > file_time;
}

RecoveryWriter::RecoveryWriter() : worker_([this] { run(); }) {}

RecoveryWriter::~RecoveryWriter() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    worker_.join();
}

void RecoveryWriter::write(const fs::path& file, std::vector<std::uint8_t> bytes) {
    {
        std::lock_guard lock(mutex_);
        if (!jobs_.empty() && !jobs_.back().remove && jobs_.back().file == file)
            jobs_.back().bytes = std::move(bytes);
        else
            jobs_.push_back({file, std::move(bytes), false});
    }
    wake_.notify_one();
}

void RecoveryWriter::remove(const fs::path& file) {
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back({file, {}, true});
    }
    wake_.notify_one();
}

void RecoveryWriter::flush() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return jobs_.empty() && !busy_; });
}

// Worker thread.
void RecoveryWriter::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
        if (jobs_.empty()) return; // stopping, and everything done
        Job job = std::move(jobs_.front());
        jobs_.pop_front();
        busy_ = true;
        lock.unlock();
        std::error_code ec;
        if (job.remove) {
            fs::remove(job.file, ec);
        } else {
            // The user's drawings, kept where only the user may read them.
            make_private_folder(job.file.parent_path());
            last_write_failed_ = !write_file_atomically(job.file, job.bytes, 0600);
        }
        lock.lock();
        busy_ = false;
        if (jobs_.empty()) idle_.notify_all();
    }
}

} // namespace pitkad
