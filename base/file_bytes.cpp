#include "base/file_bytes.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pitkad {

namespace {

FileRead with_status(ReadStatus status, int error = 0) {
    FileRead r;
    r.status = status;
    if (error != 0) r.error = std::error_code(error, std::system_category());
    return r;
}

struct Fd {
    int fd;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};

// Opens a regular file for reading. Not blocking: opening a pipe without a
// writer would wait for one. The type is then asked of what was opened, so
// nothing can be put in its place between the question and the reading.
// The open file (fd -1 when refused, with `refused` saying why) and its stat.
Fd open_regular(const std::filesystem::path& path, Links links, struct stat& st,
                FileRead& refused) {
    const int flags =
        O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | (links == Links::refuse ? O_NOFOLLOW : 0);
    Fd in{::open(path.c_str(), flags)};
    if (in.fd < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            refused = with_status(ReadStatus::absent);
        else if (error == ELOOP && links == Links::refuse)
            refused = with_status(ReadStatus::not_a_regular_file);
        else
            refused = with_status(ReadStatus::unreadable, error);
        return in;
    }
    if (::fstat(in.fd, &st) != 0)
        refused = with_status(ReadStatus::unreadable, errno);
    else if (S_ISDIR(st.st_mode))
        refused = with_status(ReadStatus::unreadable, EISDIR);
    else if (!S_ISREG(st.st_mode))
        refused = with_status(ReadStatus::not_a_regular_file);
    else
        return in;
    ::close(in.fd);
    in.fd = -1;
    return in;
}

} // namespace

FileRead read_regular_file(const std::filesystem::path& path, std::uintmax_t max_size,
                           Links links) {
    struct stat st {};
    FileRead refused;
    const Fd in = open_regular(path, links, st, refused);
    if (in.fd < 0) return refused;
    if (std::uintmax_t(st.st_size) > max_size) return with_status(ReadStatus::too_large);

    // Read to the end, which may differ from the size asked above when the
    // file changes meanwhile; never more than one byte past the cap.
    FileRead r;
    const std::size_t limit = std::size_t(std::min<std::uintmax_t>(max_size, SIZE_MAX - 1)) + 1;
    r.bytes.resize(std::min(std::size_t(st.st_size) + 1, limit));
    std::size_t got = 0;
    for (;;) {
        if (got == r.bytes.size()) {
            if (got == limit) return with_status(ReadStatus::too_large);
            r.bytes.resize(std::min(got * 2 + 4096, limit));
        }
        const ssize_t n = ::read(in.fd, r.bytes.data() + got, r.bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return with_status(ReadStatus::unreadable, errno);
        if (n == 0) break;
        got += std::size_t(n);
    }
    r.bytes.resize(got);
    r.status = ReadStatus::ok;
    r.mode = unsigned(st.st_mode & 07777);
    return r;
}

std::FILE* open_regular_file(const std::filesystem::path& path, ReadStatus& status) {
    struct stat st {};
    FileRead refused;
    Fd in = open_regular(path, Links::follow, st, refused);
    if (in.fd < 0) {
        status = refused.status;
        return nullptr;
    }
    // Reads of a regular file block as usual.
    const int flags = ::fcntl(in.fd, F_GETFL);
    if (flags >= 0) ::fcntl(in.fd, F_SETFL, flags & ~O_NONBLOCK);
    std::FILE* f = ::fdopen(in.fd, "rb");
    if (!f) {
        status = ReadStatus::unreadable;
        return nullptr;
    }
    in.fd = -1; // the stream owns it now
    status = ReadStatus::ok;
    return f;
}

std::optional<std::vector<std::uint8_t>> read_file_bytes(const std::filesystem::path& path,
                                                         std::uintmax_t max_size) {
    FileRead r = read_regular_file(path, max_size);
    if (!r.ok()) return std::nullopt;
    return std::move(r.bytes);
}

} // namespace pitkad
