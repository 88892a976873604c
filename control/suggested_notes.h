#pragma once
// Notes suggested from the sound, shown apart from the drawing until the
// user takes them into it: those of a part of the recording at once, or one
// at a time. Taking a note never changes a cell the user has drawn. A note
// taken stays known, so that it is shown again when its cells are all
// emptied (the taking undone, or the note erased).

#include "analysis/note_suggestions.h"
#include "drawing/draw_data.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace pitkad {

struct NoteSuggestions {
    std::vector<SuggestedNote> notes; // in order of start, then band
    std::vector<std::uint8_t> taken;  // per note: placed in the drawing
    // What the graph shows: the notes not taken, and those taken whose
    // cells are all empty. Kept by update_shown.
    std::vector<SuggestedNote> shown;
};

NoteSuggestions make_note_suggestions(std::vector<SuggestedNote> notes);

// Sets `shown` from the drawing as it is now.
void update_shown(NoteSuggestions& s, const DrawData& draw, int frame_count);

// Where notes are taken: a note is in it when its first frame lies in
// frames [first, end) and its band in low_band … high_band.
struct NoteArea {
    int first = 0, end = 0;
    int low_band = first_band, high_band = last_band;
};

// Where "accept the suggested notes" takes them: the frames and bands of
// the pen selection when there is one, else the loop's frames [loop_first,
// loop_end) when it is set, else the whole recording.
NoteArea suggested_notes_area(const DrawData& draw, int frame_count, int loop_first, int loop_end);

// Places suggested note `note` as a note of `colour` (1 … 16), cut at the
// recording's end. Refused (false, nothing changes) when any of its cells
// is drawn already: the user has written that note, or another one there.
// Next to a note of its band and colour it gives up the frame that touches
// it, so that the two read back as two notes; a note left without a frame
// is refused too.
bool place_suggested_note(DrawData& draw, int frame_count, const SuggestedNote& note, int colour);

// Places the shown notes in `area`; returns how many were placed. The
// others stay shown.
int accept_suggested_notes(DrawData& draw, NoteSuggestions& s, int frame_count,
                           const NoteArea& area, int colour);

// Places the first shown note of `band` that sounds in frames
// [first, end); false when there is none or it is refused.
bool accept_suggested_note_at(DrawData& draw, NoteSuggestions& s, int frame_count, int first,
                              int end, int band, int colour);

} // namespace pitkad
