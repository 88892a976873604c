#pragma once
// The drawing as a Standard MIDI File and back.
//
// Export writes format 1 at 480 ticks per quarter note: track 0 holds the
// time signatures, the key signature and a tempo map built from the line
// marks and meter marks, then one track per colour that has notes, named
// by the drawing's track name or "色 N", on the channel the drawing player
// uses for that colour. Import reads formats 0 and 1 with either kind of
// division into pen marks (and optionally line marks).
//
// Channels: the drawing player sounds colour c on channel drawing_channel(c)
// (status nibble 1 … 8; colours N and N + 8 share one). Import gives each
// channel a colour that shows on the graph and sounds on that channel where
// it can (see channel_colour in the import); channel 10 holds drums and is
// skipped unless asked for. A track named "色 N" or carrying colour_tag
// whose notes are on colour N's channel gives colour N, so files this
// program wrote come back in their colours. Track names other than "色 N"
// and the first key signature are kept in the drawing's annotations.

#include "drawing/draw_data.h"
#include "midi/channel_settings.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

namespace pitkad {

inline constexpr int midi_file_ticks_per_quarter = 480;
// Tempo limits of the export, as microseconds per quarter note (20 … 400 BPM).
inline constexpr std::int64_t midi_slowest_quarter_us = 3'000'000;
inline constexpr std::int64_t midi_fastest_quarter_us = 150'000;
// Import refuses files with more events than this (all tracks together).
inline constexpr std::int64_t midi_file_event_cap = 4'000'000;
// A file larger than this is not read at all (far more than the event cap).
inline constexpr std::uintmax_t midi_file_max_bytes = 64u << 20;
// The exported tracks' names: this, then the colour number. File data that
// the import reads back, the same in every language.
inline constexpr std::string_view midi_track_name = "色 "; // not translated
// A track the user named carries its colour N in a sequencer-specific event
// (FF 7F): this, then the byte N. 0x7D is the identifier set aside for
// non-commercial use.
inline constexpr std::string_view colour_tag = "\x7dPKc";

// Tempo events: one at each line, or one per bar (the median of its
// lines' tempos), which score editors show as one marking per bar.
enum class MidiTempoMarks { per_line, per_bar };

struct MidiExportOptions {
    bool lines_are_bars = false; // each line interval is a bar, not a beat
    int beats_per_bar = 4;       // 2 … 7: the meter n/4 where no meter mark says otherwise
    int quantize_division = 0;   // > 1: note ends snap to 1/n of their line interval
    // Only notes for which this returns true (given the cell's draw value);
    // empty: every note. selected_notes_only() picks the selection.
    std::function<bool(std::uint8_t)> include_note;
    MidiTempoMarks tempo = MidiTempoMarks::per_line;
};

// A filter for MidiExportOptions::include_note: the selected notes.
inline bool selected_notes_only(std::uint8_t draw_value) {
    return (draw_value & draw_selected_bit) != 0;
}

// The tempo map the export writes, in ticks from the start of the file.
struct MidiTempoMap {
    struct Tempo {
        std::int64_t tick;
        std::int64_t quarter_us; // microseconds per quarter note
    };
    struct TimeSignature {
        std::int64_t tick;
        int numerator;
        int denominator_power; // denominator 2^power
    };
    std::vector<Tempo> tempos;                  // ascending, the first at tick 0
    std::vector<TimeSignature> time_signatures; // ascending, the first at tick 0
    std::vector<std::int64_t> line_ticks;       // tick of each line mark, in order
    std::vector<std::int64_t> line_us;          // time of each line mark
    // One tempo per bar: the lines keep their ticks, so times between two
    // lines are placed in proportion between them rather than by the tempos.
    bool steady_bars = false;
    // Where each tempo starts, in microseconds × ticks per quarter; filled by
    // plan_midi_tempo_map so that tick_at finds a tempo by binary search.
    std::vector<std::int64_t> tempo_starts;

    // Tick of a point of the recording, in microseconds from its start, under
    // this map (rounded to the nearest tick).
    std::int64_t tick_at(std::int64_t us) const;
};

// The tempo map for line marks at the given frames (ascending, distinct).
// Each line interval is one beat (or one bar) of the meter in force at its
// first line: beats_per_bar/4 until the first line at or after a meter
// mark, that mark's meter from there on. A beat is the meter's note, a
// dotted quarter in 6/8, 9/8 and 12/8. A tempo event at each line puts
// every line on a beat (bar) boundary. To stay within 20 … 400 BPM, an
// interval too slow becomes the smallest whole number of beats (bars) that
// is fast enough, and a run of intervals too fast is merged, several
// intervals to one beat (bar), the lines inside it sharing the beat in
// proportion to their lengths (a short remainder joins the group before
// it; only lines that all lie within one beat at 400 BPM leave the grid).
// Before the first line the first interval's tempo runs as a pickup of
// whole beats (sixteenths … 128ths only when one beat would pass 400 BPM),
// its tempo adjusted to fit, in a bar of its own length, so that the first
// line starts a bar. A meter whose last bar is cut short by the next meter
// mark gets a bar of that length. After the last line the last interval's
// tempo runs on. Without lines (or with one) the tempo is 120 BPM.
MidiTempoMap plan_midi_tempo_map(const std::vector<int>& line_frames,
                                 const MidiExportOptions& options,
                                 const std::vector<MeterMark>& meter_marks = {});

// The file for records 0 … frame_count - 1 of the drawing. Velocity is the
// channel's volume setting (at least 1: a note-on of velocity 0 is a
// note-off); controller 7 is 127, as the MIDI port sets every channel, so the
// file sounds as the player plays it.
// The frames of the drawing's line marks, in order.
std::vector<int> line_mark_frames(const DrawData& draw, int frame_count);

// Where a line mark falls in the exported file, counted as a score editor
// counts it: bars from 1 (a pickup that is not whole bars is bar 1 of its
// own), beats of the bar's meter from 1 within the bar.
struct LineCount {
    int frame = 0;
    int bar = 1;
    int beat = 1;
};
std::vector<LineCount> count_lines(const DrawData& draw, int frame_count,
                                   const MidiExportOptions& options);

std::vector<std::uint8_t> build_midi_file(const DrawData& draw, int frame_count,
                                          const MidiChannelSettings& settings,
                                          const MidiExportOptions& options);

enum class MidiImportLines { none, beats, bars };

struct MidiImportOptions {
    bool replace = true; // clear the drawing first; otherwise notes are drawn over it
    MidiImportLines lines = MidiImportLines::none;
    int line_colour = 16; // draw value of imported line marks
    // Notes on channel 10 (drums, not pitches) are skipped, or drawn in this
    // colour (1 … 16).
    int drums_colour = 0;
};

// Why an import was refused: the first fault found in the file.
enum class MidiRefusal {
    none,
    not_smf,        // no "MThd" header
    bad_chunk,      // a chunk header cut off, or a length past the end of the file
    bad_format,     // format 2
    bad_division,   // a time division of 0 or an unknown frame rate
    missing_tracks, // fewer track chunks than the header counts
    bad_event,      // an event cut off or with bytes out of range
    no_status,      // running status before any status byte
    unterminated,   // a track without its end-of-track event
    too_long,       // delta times adding up past the longest track
    too_many,       // more events than midi_file_event_cap
};

struct MidiImportResult {
    bool ok = false;
    MidiRefusal refusal = MidiRefusal::none; // why not, when !ok
    int notes = 0;         // notes the drawing holds afterwards from the import
    int placed = 0;        // notes of the file drawn (notes + merged)
    int merged = 0;        // notes that joined another of their key and colour
    bool lines_asked = false; // line marks were asked for (lines counts them)
    int lines = 0;            // line marks laid
    int out_of_range = 0;     // notes outside B1 … C8, skipped
    int past_end = 0;         // notes starting after the recording's end, skipped
    int drums = 0;            // notes on channel 10, skipped
};

// Reads a whole file and, only when all of it is sound, draws it into
// records 0 … frame_count - 1: each note from frame round(start / 20 ms) to
// the frame before round(end / 20 ms), at least one frame, cut at the
// recording's end. The first program change and the first note's volume
// (velocity × controller 7 / 127) of each drawing channel set its settings.
// On refusal nothing changes. Sets DrawData::modified on success.
MidiImportResult import_midi_file(std::span<const std::uint8_t> bytes, DrawData& draw,
                                  int frame_count, MidiChannelSettings& settings,
                                  const MidiImportOptions& options);

} // namespace pitkad
