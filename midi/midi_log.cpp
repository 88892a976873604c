#include "midi/midi_log.h"

namespace pitkad {

MidiLogBackend::MidiLogBackend(std::unique_ptr<MidiBackend> inner, const std::string& path,
                               std::function<std::int64_t()> now_ms)
    : inner_(std::move(inner)), file_(std::fopen(path.c_str(), "a")), now_ms_(std::move(now_ms)) {}

MidiLogBackend::~MidiLogBackend() {
    if (file_) std::fclose(file_);
}

std::string midi_log_line(std::int64_t ms, std::uint32_t message) {
    char line[64];
    std::snprintf(line, sizeof line, "%lld %02X %02X %02X", static_cast<long long>(ms),
                  unsigned(message & 0xff), unsigned(message >> 8 & 0xff),
                  unsigned(message >> 16 & 0xff));
    return line;
}

void MidiLogBackend::send(std::uint32_t message) {
    if (file_) {
        const std::string line = midi_log_line(now_ms_(), message);
        std::fprintf(file_, "%s\n", line.c_str());
        std::fflush(file_); // readable while the program runs
    }
    if (inner_) inner_->send(message);
}

std::unique_ptr<MidiBackend> wrap_in_midi_log(std::unique_ptr<MidiBackend> inner,
                                              const std::string& path,
                                              std::chrono::steady_clock::time_point program_start) {
    return std::make_unique<MidiLogBackend>(std::move(inner), path, [program_start] {
        return std::int64_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                                std::chrono::steady_clock::now() - program_start)
                                .count());
    });
}

} // namespace pitkad
