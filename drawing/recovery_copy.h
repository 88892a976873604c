#pragma once
// Crash recovery of the drawing: while it has unsaved changes, the window
// keeps a copy of what its drawing file would hold in the user's cache
// folder, "recovery/<path_digest of the recording's full path>-<session>.pkc",
// where the session names the window (RecoverySession). The copy is written
// atomically on a thread of its own, so that a large
// drawing never holds up the window; the window builds the bytes and hands
// over its own copy of them. The copies are the user's alone: mode 0600 in a
// folder of mode 0700.

#include "base/file_lock.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace pitkad {

// The recovery copy of the recording at `recording` (its full path) under
// the one name per recording that earlier versions wrote; such a copy is
// still offered at an open.
std::filesystem::path recovery_file_for(const std::string& recording);

// One window's claim on the user's cache folder: a session of 16 random
// hexadecimal digits whose lock, "recovery/<session>.lock", is held for the
// window's whole life. Two windows on one recording thus never write or
// remove each other's copies; a copy whose session lock nobody holds was
// left by a window that ended without removing it (a crash) and is offered
// at the next open. It also takes the locks that say which recordings are
// open in which window, "open/<path_digest>-<session>.lock". UI thread only.
class RecoverySession {
  public:
    // A new session in `cache_dir` (the user's cache folder, or a test's).
    // Lock files of ended sessions that left no copy are removed.
    explicit RecoverySession(std::filesystem::path cache_dir);

    const std::string& id() const { return id_; }
    bool held() const { return lock_.held(); }
    // This session's copy for the recording (its full path).
    std::filesystem::path copy_for(const std::string& recording) const;
    // The newest copy of the recording that no running window owns: one of
    // an ended session, or one under the earlier single name. Empty when
    // there is none.
    std::filesystem::path left_copy(const std::string& recording) const;
    // A left copy was restored or discarded: its session's lock file goes.
    void remove_left_lock(const std::filesystem::path& copy) const;
    // Marks the recording as open in this window, with a lock of the
    // window's own, and tells whether another running window has it open.
    // (Locks left by ended windows are removed on the way.)
    struct OpenMark {
        FileLock lock;
        bool elsewhere = false;
    };
    OpenMark mark_open(const std::string& recording) const;

  private:
    std::filesystem::path folder_;      // the recovery copies and session locks
    std::filesystem::path open_folder_; // the locks of open recordings
    std::string id_;
    FileLock lock_;
};

// A recovery copy exists and was written after the drawing file (or there
// is no drawing file): it holds work that was never saved.
bool recovery_is_newer(const std::filesystem::path& recovery,
                       const std::filesystem::path& drawing_file);

// Writes and removes recovery copies in order on its worker thread. A write
// still waiting when another for the same file arrives is replaced by it.
// UI thread only; the destructor finishes what was asked and joins.
class RecoveryWriter {
  public:
    RecoveryWriter();
    ~RecoveryWriter();
    RecoveryWriter(const RecoveryWriter&) = delete;
    RecoveryWriter& operator=(const RecoveryWriter&) = delete;

    void write(const std::filesystem::path& file, std::vector<std::uint8_t> bytes);
    void remove(const std::filesystem::path& file);
    // Waits until everything asked so far has been done.
    void flush();
    // The last write that was done failed (cleared by the next that works).
    bool last_write_failed() const { return last_write_failed_.load(); }

  private:
    struct Job {
        std::filesystem::path file;
        std::vector<std::uint8_t> bytes;
        bool remove = false;
    };
    void run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<Job> jobs_;
    bool busy_ = false;
    bool stopping_ = false;
    std::atomic<bool> last_write_failed_{false};
    std::thread worker_;
};

} // namespace pitkad
