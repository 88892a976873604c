#pragma once
// The default MIDI backend: a FluidSynth General MIDI synthesizer whose
// sound is rendered inside the audio engine's callback and mixed with the
// recording. Messages sent on the UI thread reach the callback through a
// lock-free single-producer single-consumer queue, in order.

#include "audio/synth_source.h"
#include "midi/midi_port.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

typedef struct _fluid_synth_t fluid_synth_t;
typedef struct _fluid_hashtable_t fluid_settings_t;

namespace pitkad {

// Fixed-capacity ring of short messages: one producer thread, one consumer
// thread at a time, no locks (the UI thread consumes while the synthesizer
// is out of the callback).
class MidiMessageQueue {
  public:
    static constexpr std::size_t capacity = 4096; // a power of two
    // Producer side; false when full (the message is dropped).
    bool push(std::uint32_t message) noexcept;
    // Consumer side; false when empty.
    bool pop(std::uint32_t& message) noexcept;

  private:
    std::array<std::uint32_t, capacity> ring_{};
    std::atomic<std::size_t> head_{0}; // next to read, written by the consumer
    std::atomic<std::size_t> tail_{0}; // next to write, written by the producer
};

class FluidSynthBackend final : public MidiBackend, public SynthSource {
  public:
    // Creates the synthesizer with `soundfont` and attaches it to `output`
    // (may be null: without an audio device nothing is rendered and messages
    // are dropped). Null with `error` set when the synthesizer or the
    // SoundFont cannot be loaded.
    static std::unique_ptr<FluidSynthBackend> open(const std::string& soundfont,
                                                   SynthOutput* output, std::string* error);
    ~FluidSynthBackend() override;
    FluidSynthBackend(const FluidSynthBackend&) = delete;
    FluidSynthBackend& operator=(const FluidSynthBackend&) = delete;

    // UI thread. A program change is applied here, with the synthesizer
    // out of the callback, after the messages queued before it: it may read
    // samples from the SoundFont, which the callback must not.
    void send(std::uint32_t message) override;
    // Audio thread: applies the queued messages, then adds the synthesizer's sound.
    void render_add(float* left, float* right, int frames) noexcept override;

    // Messages dropped because the queue was full or no output exists.
    long dropped() const { return dropped_; }

  private:
    FluidSynthBackend() = default;
    void apply(std::uint32_t message) noexcept;

    fluid_settings_t* settings_ = nullptr;
    fluid_synth_t* synth_ = nullptr;
    SynthOutput* output_ = nullptr;
    MidiMessageQueue queue_;
    long dropped_ = 0;
};

// The folders searched for a General MIDI SoundFont, in order.
std::vector<std::string> soundfont_folders();
// The SoundFont to load: "default-GM.sf2" in the first folder that has it,
// else the first *.sf2 file found; empty when there is none.
std::string find_soundfont(const std::vector<std::string>& folders = soundfont_folders());

// Opens the program's MIDI backend at start-up: the synthesizer on `output`,
// wrapped in a log when PITKAD_MIDI_LOG names a file (times counted from
// `program_start`). Null when no synthesizer can be made: the port stays
// closed and MIDI is skipped.
std::unique_ptr<MidiBackend> open_midi_backend(SynthOutput* output,
                                               std::chrono::steady_clock::time_point program_start);

} // namespace pitkad
