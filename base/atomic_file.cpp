#include "base/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
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

} // namespace

bool write_file_atomically(const fs::path& given_path, std::span<const std::uint8_t> bytes) {
    const fs::path resolved = resolve_links(given_path);
    if (resolved.empty()) return false;
    const std::string path = resolved.string();
    struct stat old {};
    const bool exists = ::stat(path.c_str(), &old) == 0;
    if (exists && ::access(path.c_str(), W_OK) != 0) return false;

    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = path + ".tmp" + (attempt ? std::to_string(attempt) : std::string());
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return false;
    }
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
    return true;
}

} // namespace pitkad
