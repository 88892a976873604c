#pragma once
// The practice tools as plain operations: each takes the current settings
// (and what it needs of the document or the transport) and returns the new
// PracticeSettings for the window to store and hand to the player. The loop
// is set in the recording's milliseconds (LoopMs) and turned into the
// player's sample frames once the recording's rate is known. UI thread only.

#include "audio/practice.h"
#include "view/view_state.h"

#include <array>
#include <cstdint>
#include <optional>

namespace pitkad {

struct DrawData;

// The loop as the user set it, in the recording's milliseconds. No loop
// unless end > start; a start alone (end 0) waits for its end.
struct LoopMs {
    int start = 0;
    int end = 0;
    bool active() const { return end > start; }
    bool operator==(const LoopMs&) const = default;
};

inline constexpr int speed_step_percent = 5;
inline constexpr int min_speed_percent = 25, max_speed_percent = 200;
inline constexpr std::array<int, 10> speed_presets{25, 50, 60, 70, 75, 80, 90, 100, 125, 150};
// Pauses before each repeat of the loop, in milliseconds.
inline constexpr std::array<int, 5> loop_pause_presets{0, 500, 1000, 2000, 3000};
// C3 (MIDI 48) is band 15: the focus presets split there.
inline constexpr int c3_band = 15;
enum class FocusPreset { off, bass, above_bass };

// The speed as a whole percentage (0.5 → 50).
int speed_percent(const PracticeSettings& s);
PracticeSettings with_speed_percent(PracticeSettings s, int percent);
// One step slower (-1) or faster (+1): to the next multiple of 5 %, kept
// within 25 … 200 %.
PracticeSettings step_speed(PracticeSettings s, int direction);
PracticeSettings with_semitones(PracticeSettings s, int semitones);
PracticeSettings with_cents(PracticeSettings s, int cents);
// No transposition and no fine tuning.
PracticeSettings reset_pitch(PracticeSettings s);
PracticeSettings with_loop_pause_ms(PracticeSettings s, int ms);
PracticeSettings with_focus(PracticeSettings s, FocusPreset preset);
// Which preset the focus is, if any.
std::optional<FocusPreset> focus_preset(const PracticeSettings& s);

// A new start at `ms`: an end at or before it is dropped, to be set again.
LoopMs set_loop_start(LoopMs loop, int ms);
// A new end at `ms`; one before the start makes the two swap places, so the
// loop runs between the two marks either way. An end on the start is ignored.
LoopMs set_loop_end(LoopMs loop, int ms);
// The interval between the drawing's line marks around `frame` (a mark on
// the frame itself starts it): from the last mark at or before it (or the
// recording's start) to the next mark after it (or the end, frame_count).
// None when the drawing has no line mark on either side.
std::optional<LoopMs> line_interval_loop(const DrawData& draw, int frame, int frame_count);

// The player's settings: `s` with the loop in sample frames at `rate`
// (none while the rate is unknown, rate <= 0).
PracticeSettings with_loop(PracticeSettings s, LoopMs loop, int rate);
// A loop in sample frames as milliseconds (rounded), for the window's loop.
LoopMs loop_ms(const LoopRange& loop, int rate);
// What an opened recording starts with: no loop and no focus.
PracticeSettings for_new_recording(PracticeSettings s);

// The last press on the graph while stopped: its frame and the view's first
// frame then, so that browsing since (which moves the view) is noticed.
struct GraphClick {
    int frame = -1; // none
    int first_frame = 0;
};
// Where "play from here" starts while stopped, as a frame: the clicked column
// when the view has not moved since, else the frame the view was browsed to.
int browse_start_frame(const ViewState& view, const GraphClick& click, int frame_count);

// What the practice keys do.
enum class PracticeCommand {
    play_here_or_pause,
    slower,
    faster,
    normal_speed,
    loop_start,
    loop_end,
    loop_line_interval,
    clear_loop,
    transpose_down,
    transpose_up,
};
// The practice key of a Qt::Key code, if it is one. The map ignores Shift
// and Ctrl, as the window's key map does, so both characters of a key count.
std::optional<PracticeCommand> practice_key_command(int key);

} // namespace pitkad
