#pragma once
// Crash recovery of the drawing: while it has unsaved changes, the window
// keeps a copy of what its drawing file would hold in the user's cache
// folder, "recovery/<path_digest of the recording's full path>.pkc". The
// copy is written atomically on a thread of its own, so that a large
// drawing never holds up the window; the window builds the bytes and hands
// over its own copy of them. The copies are the user's alone: mode 0600 in a
// folder of mode 0700.

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

// The recovery copy of the recording at `recording` (its full path).
std::filesystem::path recovery_file_for(const std::string& recording);

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
