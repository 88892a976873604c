#pragma once
// The MIDI output port: the device's state (open or not, the notes sounding,
// the transposition) and the short messages the program sends. Channel 0
// sounds graph clicks, channels 1 … 8 the drawing colours; their programs and
// velocities are the document's channel settings, which the port reads.
// All of it runs on the UI thread.

#include "analysis/spectrogram_store.h"
#include "midi/channel_settings.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace pitkad {

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

class MidiPort {
  public:
    // The port reads `channels` whenever it sends programs or note-ons; they
    // must outlive it (the Document declares them before its port).
    explicit MidiPort(const MidiChannelSettings& channels) : channels_(channels) {}
    MidiPort(const MidiChannelSettings&&) = delete;
    MidiPort(const MidiPort&) = delete;
    MidiPort& operator=(const MidiPort&) = delete;

    // Band index (2 … 75) of each note the program turned on; 0 = free.
    std::array<std::array<int, note_slots>, midi_channels> active_notes{};

    // Opens the port on a backend (null: no device, midi_ok stays false).
    // On success controllers 7 and 39 of channels 0 … 8 are set to 127.
    bool open(std::unique_ptr<MidiBackend> backend);
    void close();
    bool midi_ok() const { return midi_ok_; }
    MidiBackend* midi_out() const { return backend_.get(); }
    const MidiChannelSettings& channels() const { return channels_; }

    // Sends one short message when the port is open.
    void send(int status, int data1, int data2);
    // Note-on with the channel's velocity.
    void note_on(int channel, int band) {
        send(0x90 + channel, note_of(band), channels_.volume[std::size_t(channel)]);
    }
    void note_off(int channel, int band) { send(0x80 + channel, note_of(band), 0); }
    // Semitones every note is moved by, so that drawn notes and clicks stay
    // in tune with a transposed recording. A change first ends every note
    // sounding (their note-offs must match their note-ons).
    void set_transpose(int semitones);
    int transpose() const { return transpose_; }
    // Cents every channel is tuned by (a fine tuning, RPN 1, on each), so
    // that drawn notes and clicks sound in tune with a recording that is
    // not at A4 = 440 Hz or is played shifted. Sent only when it changes,
    // and again on a port opened while it is not 0.
    void set_fine_tune(double cents);
    // Program change for channels 0 … 8, from the channel settings.
    void set_midi_program();
    // Releases every note in active_notes and frees the slots.
    void midi_off();

  private:
    int note_of(int band) const { return std::clamp(band + band_note_offset + transpose_, 0, 127); }

    const MidiChannelSettings& channels_;
    std::unique_ptr<MidiBackend> backend_;
    bool midi_ok_ = false;
    int transpose_ = 0;
    int fine_tune_ = fine_tune_centre; // the RPN's 14-bit value
    static constexpr int fine_tune_centre = 8192;
    void send_fine_tune();
};

} // namespace pitkad
