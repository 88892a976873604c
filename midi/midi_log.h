#pragma once
// A backend decorator that appends every message to a text file, one line
// each: milliseconds since the program started, then the status and the two
// data bytes in upper-case hexadecimal ("12345 93 49 7F"). For users and
// testers diagnosing what the program sends.

#include "midi/midi_port.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

namespace pitkad {

class MidiLogBackend final : public MidiBackend {
  public:
    // `now_ms` gives the time stamp of each line. The file is opened for appending.
    MidiLogBackend(std::unique_ptr<MidiBackend> inner, const std::string& path,
                   std::function<std::int64_t()> now_ms);
    ~MidiLogBackend() override;
    MidiLogBackend(const MidiLogBackend&) = delete;
    MidiLogBackend& operator=(const MidiLogBackend&) = delete;

    void send(std::uint32_t message) override;
    bool logging() const { return file_ != nullptr; }

  private:
    std::unique_ptr<MidiBackend> inner_;
    std::FILE* file_ = nullptr;
    std::function<std::int64_t()> now_ms_;
};

// One log line, without the line end.
std::string midi_log_line(std::int64_t ms, std::uint32_t message);

// Wraps `inner` in a log to `path`, time-stamped from `program_start`.
std::unique_ptr<MidiBackend> wrap_in_midi_log(std::unique_ptr<MidiBackend> inner,
                                              const std::string& path,
                                              std::chrono::steady_clock::time_point program_start);

} // namespace pitkad
