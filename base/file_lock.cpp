#include "base/file_lock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pitkad {

namespace fs = std::filesystem;

namespace {

// An open of an existing (flags without O_CREAT) or new regular file at
// `file`, links not followed; -1 for anything else.
int open_regular(const fs::path& file, int flags) {
    const int fd = ::open(file.c_str(), flags | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0600);
    if (fd < 0) return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = EINVAL; // there is something at the name
        return -1;
    }
    return fd;
}

// The name still leads to the file open at `fd` (its last holder did not
// remove it between our open and our lock).
bool still_named(int fd, const fs::path& file) {
    struct stat open_st {}, named_st {};
    return ::fstat(fd, &open_st) == 0 && ::lstat(file.c_str(), &named_st) == 0 &&
           open_st.st_dev == named_st.st_dev && open_st.st_ino == named_st.st_ino;
}

} // namespace

FileLock::FileLock(const fs::path& file) : file_(file) {
    // A holder that removed the file just as we opened it leaves us a lock
    // on a file no one else can find: then the name is opened again.
    for (int attempt = 0; attempt < 8; ++attempt) {
        const int fd = open_regular(file, O_RDWR | O_CREAT);
        if (fd < 0) return;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            status_ = errno == EWOULDBLOCK ? LockStatus::busy : LockStatus::failed;
            ::close(fd);
            return;
        }
        if (still_named(fd, file)) {
            fd_ = fd;
            status_ = LockStatus::held;
            return;
        }
        ::close(fd);
    }
}

FileLock::FileLock(FileLock&& other) noexcept
    : fd_(other.fd_), status_(other.status_), file_(std::move(other.file_)) {
    other.fd_ = -1;
    other.status_ = LockStatus::failed;
}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
    if (this != &other) {
        release();
        fd_ = other.fd_;
        status_ = other.status_;
        file_ = std::move(other.file_);
        other.fd_ = -1;
        other.status_ = LockStatus::failed;
    }
    return *this;
}

void FileLock::release() {
    if (fd_ >= 0) {
        if (still_named(fd_, file_)) ::unlink(file_.c_str());
        ::close(fd_);
        fd_ = -1;
    }
    status_ = LockStatus::failed;
}

bool lock_in_use(const fs::path& file) {
    const int fd = open_regular(file, O_RDONLY);
    if (fd < 0) return errno != ENOENT;
    const bool in_use = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd);
    return in_use;
}

bool remove_unused_lock(const fs::path& file) {
    const int fd = open_regular(file, O_RDONLY);
    if (fd < 0) return false;
    const bool removed = ::flock(fd, LOCK_EX | LOCK_NB) == 0 && still_named(fd, file) &&
                         ::unlink(file.c_str()) == 0;
    ::close(fd);
    return removed;
}

} // namespace pitkad
