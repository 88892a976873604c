#include "midi/fluidsynth_backend.h"

#include "midi/midi_log.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace pitkad {

bool MidiMessageQueue::push(std::uint32_t message) noexcept {
    const std::size_t tail = tail_.load(std::memory_order_relaxed);
    if (tail - head_.load(std::memory_order_acquire) >= capacity) return false;
    ring_[tail & (capacity - 1)] = message;
    tail_.store(tail + 1, std::memory_order_release);
    return true;
}

bool MidiMessageQueue::pop(std::uint32_t& message) noexcept {
    const std::size_t head = head_.load(std::memory_order_relaxed);
    if (head == tail_.load(std::memory_order_acquire)) return false;
    message = ring_[head & (capacity - 1)];
    head_.store(head + 1, std::memory_order_release);
    return true;
}

std::unique_ptr<FluidSynthBackend>
FluidSynthBackend::open(const std::string& soundfont, SynthOutput* output, std::string* error) {
    auto fail = [&](const char* text) {
        if (error) *error = text;
        return std::unique_ptr<FluidSynthBackend>();
    };
    if (soundfont.empty()) return fail("no SoundFont found");
    // FluidSynth reports to stderr by default; the program has no console log.
    for (int level = FLUID_PANIC; level < LAST_LOG_LEVEL; ++level)
        if (level != FLUID_PANIC) fluid_set_log_function(level, nullptr, nullptr);

    std::unique_ptr<FluidSynthBackend> b(new FluidSynthBackend);
    b->settings_ = new_fluid_settings();
    if (!b->settings_) return fail("cannot create synthesizer settings");
    fluid_settings_setnum(b->settings_, "synth.sample-rate",
                          output ? double(output->sample_rate()) : 44100.0);
    // Every synthesizer call happens on the audio thread: no API lock needed.
    fluid_settings_setint(b->settings_, "synth.threadsafe-api", 0);
    fluid_settings_setint(b->settings_, "synth.cpu-cores", 1);
    fluid_settings_setnum(b->settings_, "synth.gain", 0.5);
    // A program's samples are read from the SoundFont when a channel first
    // selects it (and let go when no channel has it any more), not the whole
    // font at once: the General MIDI font is 145 MB, a program a few MB.
    // Program changes are applied on the sending thread (see send).
    fluid_settings_setint(b->settings_, "synth.dynamic-sample-loading", 1);
    b->synth_ = new_fluid_synth(b->settings_);
    if (!b->synth_) return fail("cannot create the synthesizer");
    // Loading selects program 0 on every channel and the drum kit on channel
    // 9, here on the calling thread: the program's start-up programs sound
    // at once. Channels the program never plays let theirs go.
    if (fluid_synth_sfload(b->synth_, soundfont.c_str(), 1) == FLUID_FAILED)
        return fail("cannot load the SoundFont");
    for (int ch = midi_channels; ch < fluid_synth_count_midi_channels(b->synth_); ++ch)
        fluid_synth_unset_program(b->synth_, ch);
    b->output_ = output;
    if (output) output->attach_synth(b.get());
    return b;
}

FluidSynthBackend::~FluidSynthBackend() {
    if (output_) output_->attach_synth(nullptr);
    if (synth_) delete_fluid_synth(synth_);
    if (settings_) delete_fluid_settings(settings_);
}

void FluidSynthBackend::send(std::uint32_t message) {
    if (!output_) {
        ++dropped_;
        return;
    }
    // A program change may read the program's samples from the SoundFont:
    // that happens here, never in the callback. The synthesizer leaves the
    // callback meanwhile (it falls silent for as long), and the messages
    // queued before the change are applied first, in order.
    if ((message & 0xf0) == 0xC0) {
        output_->attach_synth(nullptr);
        std::uint32_t queued;
        while (queue_.pop(queued))
            apply(queued);
        apply(message);
        output_->attach_synth(this);
        return;
    }
    if (!queue_.push(message)) ++dropped_;
}

void FluidSynthBackend::apply(std::uint32_t message) noexcept {
    const int status = int(message & 0xff);
    const int d1 = int(message >> 8 & 0x7f);
    const int d2 = int(message >> 16 & 0x7f);
    const int ch = status & 0x0f;
    switch (status & 0xf0) {
    case 0x80:
        fluid_synth_noteoff(synth_, ch, d1);
        break;
    case 0x90:
        if (d2 == 0)
            fluid_synth_noteoff(synth_, ch, d1);
        else
            fluid_synth_noteon(synth_, ch, d1, d2);
        break;
    case 0xB0:
        fluid_synth_cc(synth_, ch, d1, d2);
        break;
    case 0xC0:
        fluid_synth_program_change(synth_, ch, d1);
        break;
    case 0xE0:
        fluid_synth_pitch_bend(synth_, ch, d1 | d2 << 7);
        break;
    default:
        break;
    }
}

void FluidSynthBackend::render_add(float* left, float* right, int frames) noexcept {
    std::uint32_t m;
    while (queue_.pop(m))
        apply(m);
    float* out[2] = {left, right};
    // Mixes (adds) into the buffers.
    fluid_synth_process(synth_, frames, 0, nullptr, 2, out);
}

std::vector<std::string> soundfont_folders() {
    std::vector<std::string> dirs;
    if (const char* home = std::getenv("HOME"))
        dirs.push_back(std::string(home) + "/.local/share/soundfonts");
    dirs.insert(dirs.end(), {"/usr/share/sounds/sf2", "/usr/share/soundfonts",
                             "/usr/local/share/soundfonts", "/usr/share/sounds/sf3"});
    return dirs;
}

std::string find_soundfont(const std::vector<std::string>& folders) {
    namespace fs = std::filesystem;
    std::error_code ec;
    for (const auto& d : folders) {
        const fs::path p = fs::path(d) / "default-GM.sf2";
        if (fs::is_regular_file(p, ec)) return p.string();
    }
    for (const auto& d : folders) {
        std::vector<std::string> found;
        for (fs::directory_iterator it(d, ec), end; !ec && it != end; it.increment(ec)) {
            const auto ext = it->path().extension().string();
            if ((ext == ".sf2" || ext == ".sf3") && it->is_regular_file(ec))
                found.push_back(it->path().string());
        }
        if (!found.empty()) return *std::min_element(found.begin(), found.end());
    }
    return {};
}

std::unique_ptr<MidiBackend>
open_midi_backend(SynthOutput* output, std::chrono::steady_clock::time_point program_start) {
    std::unique_ptr<MidiBackend> backend =
        FluidSynthBackend::open(find_soundfont(), output, nullptr);
    if (!backend) return nullptr;
    const char* log = std::getenv("PITKAD_MIDI_LOG");
    if (log && *log) return wrap_in_midi_log(std::move(backend), log, program_start);
    return backend;
}

} // namespace pitkad
