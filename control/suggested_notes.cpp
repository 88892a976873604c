#include "control/suggested_notes.h"

#include "drawing/draw_edit.h"

#include <algorithm>

namespace pitkad {

namespace {

int records(const DrawData& draw, int frame_count) {
    return std::max(0, std::min(frame_count, int(draw.draw_data.size())));
}

// No cell of the note's frames in the recording is drawn.
bool cells_empty(const DrawData& draw, int n, const SuggestedNote& note) {
    for (int f = std::max(note.first, 0); f < std::min(note.end, n); ++f)
        if (draw[f].note_cell(note.band) != 0) return false;
    return true;
}

bool shown(const NoteSuggestions& s, const DrawData& draw, int n, std::size_t i) {
    return !s.taken[i] || cells_empty(draw, n, s.notes[i]);
}

} // namespace

NoteSuggestions make_note_suggestions(std::vector<SuggestedNote> notes) {
    NoteSuggestions s;
    s.taken.assign(notes.size(), 0);
    s.shown = notes;
    s.notes = std::move(notes);
    return s;
}

void update_shown(NoteSuggestions& s, const DrawData& draw, int frame_count) {
    const int n = records(draw, frame_count);
    s.shown.clear();
    for (std::size_t i = 0; i < s.notes.size(); ++i)
        if (shown(s, draw, n, i)) s.shown.push_back(s.notes[i]);
}

NoteArea suggested_notes_area(const DrawData& draw, int frame_count, int loop_first, int loop_end) {
    // A selection is the user marking out where; the loop is where the
    // beats are taken too. Otherwise all, not only those in view: what the
    // view shows depends on the zoom and the scrolling, and a note just off
    // screen is no less suggested.
    if (const auto sel = selection_bounds(draw, frame_count, DrawMode::pen_select))
        return {sel->first_frame, sel->last_frame + 1, sel->low_band, sel->high_band};
    if (loop_end > loop_first) return {loop_first, loop_end};
    return {0, frame_count};
}

bool place_suggested_note(DrawData& draw, int frame_count, const SuggestedNote& note, int colour) {
    const int n = records(draw, frame_count);
    if (note.band < first_band || note.band > last_band) return false;
    int first = std::max(note.first, 0), end = std::min(note.end, n);
    if (first >= end || !cells_empty(draw, n, note)) return false;
    const auto c = std::uint8_t(std::clamp(colour, 1, 16));
    const auto same = [&](int f) {
        return f >= 0 && f < n && (draw[f].note_cell(note.band) & ~draw_selected_bit) == c;
    };
    if (same(first - 1)) ++first;
    if (same(end)) --end;
    if (first >= end) return false;
    for (int f = first; f < end; ++f)
        draw[f].note_cell(note.band) = c;
    draw.modified = true;
    return true;
}

int accept_suggested_notes(DrawData& draw, NoteSuggestions& s, int frame_count,
                           const NoteArea& area, int colour) {
    const int n = records(draw, frame_count);
    int placed = 0;
    // In order of start, so that a note placed next to the one before it
    // in its band sees that one.
    for (std::size_t i = 0; i < s.notes.size(); ++i) {
        const SuggestedNote& note = s.notes[i];
        if (note.first < area.first || note.first >= area.end || note.band < area.low_band ||
            note.band > area.high_band || !shown(s, draw, n, i))
            continue;
        if (!place_suggested_note(draw, frame_count, note, colour)) continue;
        s.taken[i] = 1;
        ++placed;
    }
    update_shown(s, draw, frame_count);
    return placed;
}

bool accept_suggested_note_at(DrawData& draw, NoteSuggestions& s, int frame_count, int first,
                              int end, int band, int colour) {
    const int n = records(draw, frame_count);
    for (std::size_t i = 0; i < s.notes.size() && s.notes[i].first < end; ++i) {
        const SuggestedNote& note = s.notes[i];
        if (note.band != band || note.end <= first || !shown(s, draw, n, i)) continue;
        if (!place_suggested_note(draw, frame_count, note, colour)) return false;
        s.taken[i] = 1;
        update_shown(s, draw, frame_count);
        return true;
    }
    return false;
}

} // namespace pitkad
