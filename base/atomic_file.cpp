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

// The file a chain of links ends at, followed link by link so that a link
// whose file does not exist yet gives that file rather than the link itself.
// Empty for a loop of links or an unreadable link.
fs::path resolve_links(fs::path path) {
    std::error_code ec;
    for (int depth = 0; fs::is_symlink(path, ec); ++depth) {
        if (depth == 40) return {};
        const fs::path target = fs::read_symlink(path, ec);
        if (ec) return {};
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return path;
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
        const int fd = ::open(temp.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, mode);
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

} // namespace

bool write_file_atomically(const fs::path& given_path, std::span<const std::uint8_t> bytes) {
    const fs::path resolved = resolve_links(given_path);
    if (resolved.empty()) return false;
    const std::string path = resolved.string();
    struct stat old {};
    const bool exists = ::stat(path.c_str(), &old) == 0;
    // A file without write permission is kept even where our rights would
    // let us replace it (root): its mode says it is not to be changed.
    constexpr mode_t any_write = S_IWUSR | S_IWGRP | S_IWOTH;
    if (exists && (::access(path.c_str(), W_OK) != 0 || (old.st_mode & any_write) == 0))
        return false;

    // A replaced file keeps its permissions, and its new bytes are never
    // open to more readers than its old ones were; a new file has the mode
    // the umask gave the temporary file.
    std::string temp;
    const int fd = create_temp(path, exists ? old.st_mode & 0666 : 0666, temp);
    if (fd < 0) return false;
    bool ok = write_all(fd, bytes.data(), bytes.size());
    if (exists) ok = ::fchmod(fd, old.st_mode & 07777) == 0 && ok;
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    ok = ok && std::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    sync_folder(resolved);
    remove_leftovers(resolved);
    return true;
}

} // namespace pitkad
