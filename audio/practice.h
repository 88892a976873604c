#pragma once
// What the practice tools change about playback: speed without a change of
// pitch, transposition and fine tuning, an A–B loop, the channels heard and
// a focus on a range of bands. Plain values, set on the UI thread and handed
// to the output.

#include "audio/practice_filter.h"

#include <cmath>
#include <cstdint>

namespace pitkad {

enum class StretchEngine { finer, faster };

struct LoopRange {
    std::int64_t start = 0; // first file frame of the loop
    std::int64_t end = 0;   // frame after its last; no loop unless end > start
    bool active() const { return end > start; }
    std::int64_t length() const { return end - start; }
    bool operator==(const LoopRange&) const = default;
};

struct PracticeSettings {
    static constexpr double min_speed = 0.25, max_speed = 2.0;
    static constexpr int max_semitones = 12, max_cents = 50;
    static constexpr double max_loop_pause = 3.0;

    double speed = 1.0; // playback speed: 0.5 plays at half speed
    int semitones = 0;  // transposition, -12 … +12
    int cents = 0;      // fine tuning, -50 … +50
    StretchEngine engine = StretchEngine::finer;
    LoopRange loop;
    double loop_pause = 0; // seconds of silence before each repeat
    ChannelMode channels = ChannelMode::stereo;
    int focus_low = 0, focus_high = 0; // bands heard (2 … 75); 0: all

    double pitch_scale() const { return std::exp2((semitones + cents / 100.0) / 12.0); }
    bool focused() const { return focus_low != 0; }
    // Plays the recording as it is: no stretching, no loop, every channel, every band.
    bool plain() const {
        return speed == 1.0 && semitones == 0 && cents == 0 && !loop.active() &&
               channels == ChannelMode::stereo && !focused();
    }
    bool operator==(const PracticeSettings&) const = default;
};

// The settings brought into their ranges (speed 25 … 200 %, pitch ±12
// semitones, ±50 cents, pause 0 … 3 s, a loop with its end after its start,
// a focus of bands 2 … 75 with its low end first).
PracticeSettings clamped(PracticeSettings s);

} // namespace pitkad
