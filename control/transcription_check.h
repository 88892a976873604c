#pragma once
// The drawing checked against the recording: a verdict for every drawn note
// and the notes the sound holds that the drawing lacks (the pen colours are
// the instruments whose harmonics are learned), the flags stepped through
// in the window, their fixes, and the CSV of the command line.

#include "analysis/note_check.h"
#include "drawing/csv_export.h"
#include "drawing/draw_data.h"

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace pitkad {

struct CheckedNote {
    DrawnNote note;
    NoteFinding finding;
};

struct TranscriptionCheck {
    std::vector<CheckedNote> notes;   // as drawn_notes orders them
    std::vector<MissingNote> missing; // by start, then band
};

TranscriptionCheck check_transcription(const NoteChecker& checker, const DrawData& draw,
                                       int frame_count);

// The drawn notes as the checker takes them: a group per colour.
std::vector<CheckNote> check_notes_of(const std::vector<DrawnNote>& notes);

// "start,end,pitch,name,colour,verdict,confidence", then a row per drawn
// note and per missing note, by start, then pitch: times in seconds,
// colour empty for a missing note, verdict ok, weak, neighbour, octave or
// missing, confidence 0 … 1.
std::string check_csv(const TranscriptionCheck& check);

// What the window steps through: the drawn notes judged other than ok and
// the missing notes, by start, then band.
struct CheckFlag {
    int first = 0, end = 0; // frames [first, end)
    int band = 0;
    bool missing = false;
    std::size_t index = 0; // into notes or missing
    friend bool operator==(const CheckFlag&, const CheckFlag&) = default;
};
std::vector<CheckFlag> check_flags(const TranscriptionCheck& check);

// The flag after (before) the one that starts at `frame` on `band`; the
// first (last) when none is; none when there are no flags.
std::optional<CheckFlag> next_flag(const std::vector<CheckFlag>& flags, int frame, int band);
std::optional<CheckFlag> previous_flag(const std::vector<CheckFlag>& flags, int frame, int band);

// Moves a drawn note's cells to `band`, keeping their colour and selection.
// Refused (false, nothing changes) when the band is out of range or any of
// the cells there is drawn.
bool move_drawn_note(DrawData& draw, const DrawnNote& note, int band);
// Empties a drawn note's cells.
void erase_drawn_note(DrawData& draw, const DrawnNote& note);

// The check of the open document, kept up to date with the drawing: it is
// worked out again only when the drawn notes differ from the last check.
class CheckSession {
  public:
    // Starts checking the analysis in `store` (the checker is built here,
    // from a copy: the store is not read again).
    explicit CheckSession(const SpectrogramStore& store);
    // True when the check was worked out again. With `with_residual` the
    // residual is worked out with it (also when only it was missing); without,
    // it is let go.
    bool update(const DrawData& draw, int frame_count, bool with_residual = false);
    // The same for the drawn notes of a drawing (as drawn_notes gives them),
    // for a session made and checked first off the UI thread.
    bool update(std::vector<DrawnNote> drawn, bool with_residual = false);
    // The last update checked these drawn notes (and worked out the
    // residual when `with_residual`): update would do nothing.
    bool current(const std::vector<DrawnNote>& drawn, bool with_residual) const {
        return checked_ && drawn == drawn_ && (!with_residual || !residual_.empty());
    }
    const TranscriptionCheck& check() const { return check_; }
    const std::vector<CheckFlag>& flags() const { return flags_; }
    // The levels the drawn notes leave unexplained, for the residual view;
    // empty unless the last update asked for them.
    const std::vector<float>& residual() const { return residual_; }
    // Takes the residual out (to be shown while the session is checked again
    // elsewhere, which works it out anew).
    std::vector<float> take_residual() { return std::exchange(residual_, {}); }

  private:
    NoteChecker checker_;
    std::vector<DrawnNote> drawn_;
    bool checked_ = false;
    TranscriptionCheck check_;
    std::vector<CheckFlag> flags_;
    std::vector<float> residual_;
};

} // namespace pitkad
