#pragma once
// The drawing's named section markers as commands: add, rename, move and
// delete, each one step of the drawing's history, and where the next or the
// previous marker lies. The loops made from markers and line marks, and
// the keys that nudge the loop's ends, are plain arithmetic beside them.
// UI thread only.

#include "control/practice_controls.h"
#include "drawing/draw_history.h"
#include "midi/channel_settings.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace pitkad {

struct LineCount;

// The name a new marker gets: `pattern` with its "%1" replaced by the lowest
// number from 1 that makes a name no marker has ("区間 1", "区間 2", …).
std::string new_marker_name(const DrawAnnotations& a, std::string_view pattern);
// The last marker at or before `frame`, or -1.
int marker_at_or_before(const DrawAnnotations& a, int frame);
// The frame of the first marker after `frame`, or of the last one before
// `frame - grace` (while playing, a marker just passed is skipped, so that
// pressing the key again goes on back); none when there is no such marker.
std::optional<int> next_marker_frame(const DrawAnnotations& a, int frame);
std::optional<int> previous_marker_frame(const DrawAnnotations& a, int frame, int grace = 0);

class SectionMarkers {
  public:
    // Changes are steps of `history` (none: not recorded); `channels` are
    // what the history compares with the drawing. Frames are kept within
    // 0 … frame_count - 1 as `frame_count` returns it at the time.
    SectionMarkers(DrawData& draw, const MidiChannelSettings& channels, DrawHistory* history)
        : draw_(draw), channels_(channels), history_(history) {}

    // A marker at `frame` named `name`; its index, or -1 when the recording
    // is empty or the drawing holds as many markers as it can.
    int add(int frame, std::string name, int frame_count);
    // False when the index is out of range or nothing changes.
    bool rename(int index, std::string name);
    // Moves a marker; its new index (markers stay in frame order), or -1
    // when the index is out of range or it stays where it is.
    int move(int index, int frame, int frame_count);
    bool remove(int index);

    std::span<const SectionMarker> markers() const { return draw_.annotations.markers; }

  private:
    template <typename Fn> void edit(Fn fn) { record_step(history_, draw_, channels_, fn); }

    DrawData& draw_;
    const MidiChannelSettings& channels_;
    DrawHistory* history_;
};

// The loop from the last marker at or before `frame` to the next marker
// after it, or to the recording's end; before the first marker, from the
// recording's start to it. None without markers.
std::optional<LoopMs> section_loop(const DrawAnnotations& a, int frame, int frame_count);
// The bar around `frame` as the lines count it (LineCount::beat 1 starts a
// bar): from the bar's first line to the next bar's (or the recording's
// end); before the first line, from the recording's start to the first
// bar line. None without lines.
std::optional<LoopMs> bar_loop(std::span<const LineCount> lines, int frame, int frame_count);
// `beats` line intervals from the last line mark at or before `frame` (or
// the recording's start before the first), ending at the recording's end
// when fewer lines follow. None without lines or for beats < 1.
std::optional<LoopMs> beats_loop(const DrawData& draw, int frame, int frame_count, int beats);

// Which end of the loop a nudge moves, which way, and how far.
struct LoopNudge {
    bool end = false;     // the loop's end, else its start
    int direction = 1;    // -1 earlier, +1 later
    bool by_line = false; // to the neighbouring line mark, else one frame
    friend bool operator==(const LoopNudge&, const LoopNudge&) = default;
};
// The loop with one end nudged, kept within 0 … frame_count and at least a
// frame long; none when nothing moves (no loop, no line mark that way, or
// the ends would meet).
std::optional<LoopMs> nudge_loop(LoopMs loop, LoopNudge nudge, const DrawData& draw,
                                 int frame_count);

// What the section keys do.
enum class SectionCommand { add_marker, next_marker, previous_marker };
struct SectionKey {
    std::optional<SectionCommand> command;
    std::optional<LoopNudge> nudge;
};
// The section key of a Qt::Key code with its modifiers: M adds a marker,
// Ctrl+Right / Ctrl+Left go to the next / previous marker, Ctrl+, and Ctrl+.
// nudge the loop's start earlier / later, Ctrl+Shift+, and Ctrl+Shift+. its
// end, and with Alt as well by a line interval. Empty for any other key.
SectionKey section_key(int key, bool alt, bool ctrl, bool shift);

} // namespace pitkad
