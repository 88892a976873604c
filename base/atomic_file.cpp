#include "base/atomic_file.h"

#include "base/paths.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pitkad {

namespace fs = std::filesystem;

namespace {

bool write_all(int fd, const std::uint8_t* p, std::size_t n) {
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += w;
        n -= std::size_t(w);
    }
    return true;
}

// Makes the rename itself durable. Best effort: the new file is already in
// place when this runs.
void sync_folder(const fs::path& file) {
    const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// Temporary files are "<name>.tmp-<pid>-XXXXXX": unique without a limit, and
// the process that made one can be told.
std::string temp_prefix(const std::string& path) {
    return path + ".tmp-" + std::to_string(::getpid()) + "-";
}

// Creates a new temporary file beside `path` and returns its descriptor,
// its name in `temp`; -1 when none can be made. The file is created with
// `mode` (0666 for a new file) so that the process's umask (and a folder's
// default ACL) give its permissions, as for any new file; the umask itself
// is never touched, since changing it, even to read it, races with other
// threads. A name that is taken is tried again with other random letters.
int create_temp(const std::string& path, mode_t mode, std::string& temp) {
    static constexpr char letters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    const std::string prefix = temp_prefix(path);
    for (int attempt = 0; attempt < 100; ++attempt) {
        // Random bits from the kernel, or the clock when it has none to give.
        std::uint64_t bits = 0;
        if (::getrandom(&bits, sizeof bits, GRND_NONBLOCK) != ssize_t(sizeof bits))
            bits = std::uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()) +
                   std::uint64_t(attempt) * 0x9e3779b97f4a7c15u;
        temp = prefix;
        for (int i = 0; i < 6; ++i, bits /= sizeof letters - 1)
            temp += letters[bits % (sizeof letters - 1)];
        const int fd =
            ::open(temp.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC | O_NOFOLLOW, mode);
        if (fd >= 0) return fd;
        if (errno != EEXIST && errno != EINTR) return -1;
    }
    return -1;
}

// Our temporaries of this process are never in use between saves.
bool other_process_alive(std::string_view digits) {
    return digits != std::to_string(::getpid()) && process_running(digits).value_or(false);
}

// Removes what interrupted saves of `file` left beside it: our temporaries
// of processes that are gone, and the names earlier versions used
// ("<name>.tmp", "<name>.tmpN", "<name>.part<pid>").
void remove_leftovers(const fs::path& file) {
    const std::string name = file.filename().string();
    std::error_code ec;
    fs::directory_iterator it(file.has_parent_path() ? file.parent_path() : fs::path("."), ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string other = it->path().filename().string();
        if (other.size() <= name.size() || other.compare(0, name.size(), name) != 0) continue;
        const std::string_view rest = std::string_view(other).substr(name.size());
        bool leftover = false;
        if (rest.starts_with(".tmp-")) {
            const std::string_view tail = rest.substr(5);
            leftover = !other_process_alive(tail.substr(0, tail.find('-')));
        } else if (rest.starts_with(".part")) {
            leftover = !other_process_alive(rest.substr(5));
        } else if (rest.starts_with(".tmp")) {
            leftover = rest.find_first_not_of("0123456789", 4) == std::string_view::npos;
        }
        std::error_code remove_ec;
        if (leftover && it->is_regular_file(remove_ec)) fs::remove(it->path(), remove_ec);
    }
}

FileWrite failure(int error) {
    return {WriteStatus::failed, std::error_code(error, std::system_category())};
}

} // namespace

FileWrite write_file_atomically(const fs::path& file, std::span<const std::uint8_t> bytes,
                                std::optional<unsigned> mode) {
    bool given = false;
    return write_file_atomically(
        file,
        [&]() -> std::span<const std::uint8_t> {
            if (given) return {};
            given = true;
            return bytes;
        },
        mode);
}

FileWrite write_file_atomically(const fs::path& file, const ByteChunks& chunks,
                                std::optional<unsigned> mode) {
    const std::string path = file.string();
    // What is at the name itself, not at the end of a link: the rename
    // below replaces the name, so a link found here is refused rather than
    // replaced by a file, and one put there later is replaced, never
    // followed.
    struct stat old {};
    const bool exists = ::lstat(path.c_str(), &old) == 0;
    if (!exists && errno != ENOENT) return failure(errno);
    if (exists && !S_ISREG(old.st_mode)) return {WriteStatus::not_a_regular_file, {}};
    // A file without write permission is kept even where our rights would
    // let us replace it (root): its mode says it is not to be changed.
    constexpr mode_t any_write = S_IWUSR | S_IWGRP | S_IWOTH;
    if (exists && (old.st_mode & any_write) == 0) return failure(EACCES);
    if (exists && ::access(path.c_str(), W_OK) != 0) return failure(errno);

    // A replaced file keeps its permissions, and its new bytes are never
    // open to more readers than its old ones were; a new file has the mode
    // the umask gave the temporary file. A mode given is set either way.
    const bool set_mode = mode || exists;
    const mode_t final_mode = mode ? mode_t(*mode & 07777) : old.st_mode & 07777;
    std::string temp;
    const int fd = create_temp(path, set_mode ? final_mode & 0666 : 0666, temp);
    if (fd < 0) return failure(errno);
    int error = 0;
    const auto step = [&error](bool ok) {
        if (!ok && error == 0) error = errno != 0 ? errno : EIO;
    };
    for (std::span<const std::uint8_t> piece = chunks(); error == 0 && !piece.empty();
         piece = chunks())
        step(write_all(fd, piece.data(), piece.size()));
    if (set_mode) step(::fchmod(fd, final_mode) == 0);
    step(::fsync(fd) == 0);
    step(::close(fd) == 0);
    if (error == 0) step(std::rename(temp.c_str(), path.c_str()) == 0);
    if (error != 0) {
        ::unlink(temp.c_str());
        return failure(error);
    }
    sync_folder(file);
    remove_leftovers(file);
    return {WriteStatus::written, {}};
}

} // namespace pitkad
