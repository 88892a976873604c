#pragma once
// A lock file that says "in use" for as long as its holder lives: an
// exclusive flock on a regular file of mode 0600. The system lets it go when
// the process ends, also by a crash, so a lock that nobody holds marks what
// it guards as left behind. Locks belong to an open of the file, so two
// FileLocks on one name exclude each other also within one process.

#include <filesystem>

namespace pitkad {

enum class LockStatus {
    held,
    busy,   // another open of the file holds it
    failed, // the file cannot be made or opened, or is no regular file
};

class FileLock {
  public:
    FileLock() = default;
    // Takes the lock on `file`, made when missing; never waits. A link or
    // anything but a regular file at the name is refused.
    explicit FileLock(const std::filesystem::path& file);
    ~FileLock() { release(); }
    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    LockStatus status() const { return status_; }
    bool held() const { return status_ == LockStatus::held; }
    // Removes the file, while still holding it, and lets the lock go.
    void release();

  private:
    int fd_ = -1;
    LockStatus status_ = LockStatus::failed;
    std::filesystem::path file_;
};

// Whether some open of `file` holds its lock now. False when there is no
// such file; true when it cannot be told (a link, a file we may not open),
// so that what it guards is left alone.
bool lock_in_use(const std::filesystem::path& file);

// Removes `file` when nobody holds its lock, taking the lock meanwhile so
// that a holder arriving in between never holds a removed file. False when
// it is in use or could not be removed.
bool remove_unused_lock(const std::filesystem::path& file);

} // namespace pitkad
