#include "drawing/recovery_copy.h"

#include "base/atomic_file.h"
#include "base/paths.h"

#include <system_error>

#include <sys/stat.h>

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

} // namespace

fs::path recovery_file_for(const std::string& recording) {
    return user_cache_dir() / "recovery" / (path_digest(recording) + ".pkc");
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
