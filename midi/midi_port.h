#pragma once
// The MIDI output port: channel tables and the short messages the program
// sends. Channel 0 sounds graph clicks, channels 1 … 8 the drawing colours.
// All of it runs on the UI thread.

#include "analysis/spectrogram_store.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace pitkad {

inline constexpr int click_channel = 0;
inline constexpr int midi_channels = 9; // channels 0 … 8 are used
inline constexpr int note_slots = 8;    // sounding notes remembered per channel

// Where short messages go: a synthesizer, a log, a test recorder.
// Messages are packed as status | data1 << 8 | data2 << 16 and must be
// delivered in the order sent.
class MidiBackend {
  public:
    virtual ~MidiBackend() = default;
    virtual void send(std::uint32_t message) = 0;
};

// Keeps every message, for tests.
class RecordingMidiBackend final : public MidiBackend {
  public:
    void send(std::uint32_t message) override { messages.push_back(message); }
    std::vector<std::uint32_t> messages;
};

constexpr std::uint32_t short_message(int status, int data1, int data2) {
    return std::uint32_t(status & 0xff) | std::uint32_t(data1 & 0xff) << 8 |
           std::uint32_t(data2 & 0xff) << 16;
}

struct MidiTables {
    static constexpr std::array<int, 16> full_volume() {
        std::array<int, 16> v{};
        v.fill(127);
        return v;
    }
    bool midi_ok = false;
    std::array<int, 16> midi_program{};              // per MIDI channel, 0 … 127
    std::array<int, 16> midi_volume = full_volume(); // note-on velocity per channel, 0 … 127
    // Band index (2 … 75) of each note the program turned on; 0 = free.
    std::array<std::array<int, note_slots>, midi_channels> active_notes{};
    int midi_delay = 0; // frames the drawing is read ahead, 0 … 30
};

class MidiPort {
  public:
    MidiTables tables;

    // Opens the port on a backend (null: no device, midi_ok stays false).
    // On success channels 0 … 8 get volume 127 and program 0, controllers
    // 7 and 39 are set to 127, midi_delay becomes 0.
    bool open(std::unique_ptr<MidiBackend> backend);
    void close();
    bool midi_ok() const { return tables.midi_ok; }
    MidiBackend* midi_out() const { return backend_.get(); }

    // Sends one short message when the port is open.
    void send(int status, int data1, int data2);
    void note_on(int channel, int band) {
        send(0x90 + channel, note_of(band), tables.midi_volume[std::size_t(channel)]);
    }
    void note_off(int channel, int band) { send(0x80 + channel, note_of(band), 0); }
    // Semitones every note is moved by, so that drawn notes and clicks stay
    // in tune with a transposed recording. A change first ends every note
    // sounding (their note-offs must match their note-ons).
    void set_transpose(int semitones);
    int transpose() const { return transpose_; }
    // Program change for channels 0 … 8.
    void set_midi_program();
    // Releases every note in active_notes and frees the slots.
    void midi_off();

  private:
    int note_of(int band) const { return std::clamp(band + band_note_offset + transpose_, 0, 127); }

    std::unique_ptr<MidiBackend> backend_;
    int transpose_ = 0;
};

} // namespace pitkad
