#pragma once
// The MIDI channels' settings that belong to the document: the instrument and
// note-on velocity of every channel (channels 1 … 8 travel in the drawing
// file, channel 0 in the settings file) and how far the drawing is read
// ahead. Plain data: no port, no device.

#include <array>

namespace pitkad {

inline constexpr int click_channel = 0;
inline constexpr int midi_channels = 9; // channels 0 … 8 are used

struct MidiChannelSettings {
    static constexpr std::array<int, 16> full_volume() {
        std::array<int, 16> v{};
        v.fill(127);
        return v;
    }
    std::array<int, 16> program{};              // per MIDI channel, 0 … 127
    std::array<int, 16> volume = full_volume(); // note-on velocity per channel, 0 … 127
    int delay = 0;                              // frames the drawing is read ahead, 0 … 30
};

} // namespace pitkad
