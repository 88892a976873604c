#include "control/transcription_check.h"

#include "analysis/band_tables.h"
#include "base/number_text.h"
#include "base/vector_state.h"

#include <algorithm>
#include <tuple>

namespace pitkad {

namespace {

constexpr const char* verdict_names[] = {"ok", "weak", "neighbour", "octave"};

bool in_range(const DrawData& draw, const DrawnNote& n) {
    return n.first_frame >= 0 && n.first_frame <= n.last_frame &&
           n.last_frame < int(draw.draw_data.size()) && n.band >= first_band && n.band <= last_band;
}

bool flag_before(const CheckFlag& a, const CheckFlag& b) {
    return std::tie(a.first, a.band) < std::tie(b.first, b.band);
}

TranscriptionCheck judged(const NoteChecker& checker, const std::vector<DrawnNote>& drawn,
                          std::vector<float>* residual = nullptr) {
    NoteCheckResult r = checker.check(check_notes_of(drawn), residual);
    TranscriptionCheck out;
    out.notes.reserve(drawn.size());
    for (std::size_t i = 0; i < drawn.size(); ++i)
        out.notes.push_back({drawn[i], r.notes[i]});
    out.missing = std::move(r.missing);
    return out;
}

} // namespace

std::vector<CheckNote> check_notes_of(const std::vector<DrawnNote>& notes) {
    std::vector<CheckNote> out;
    out.reserve(notes.size());
    for (const DrawnNote& n : notes)
        out.push_back({n.first_frame, n.last_frame + 1, n.band, n.colour});
    return out;
}

TranscriptionCheck check_transcription(const NoteChecker& checker, const DrawData& draw,
                                       int frame_count) {
    clear_upper_vector_state();
    return judged(checker, drawn_notes(draw, frame_count));
}

std::string check_csv(const TranscriptionCheck& check) {
    struct Row {
        int first, band;
        std::string text;
    };
    std::vector<Row> rows;
    auto row = [&](int first, int end, int band, const std::string& colour, const char* verdict,
                   float confidence) {
        rows.push_back({first, band,
                        seconds_text(first) + ',' + seconds_text(end) + ',' +
                            std::to_string(midi_note_of(band)) + ',' + note_name_of(band) + ',' +
                            colour + ',' + verdict + ',' +
                            format_number(confidence, std::chars_format::fixed, 2) + '\n'});
    };
    for (const CheckedNote& c : check.notes)
        row(c.note.first_frame, c.note.last_frame + 1, c.note.band, std::to_string(c.note.colour),
            verdict_names[int(c.finding.verdict)], c.finding.confidence);
    for (const MissingNote& m : check.missing)
        row(m.first, m.end, m.band, "", "missing", m.confidence);
    std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
        return std::tie(a.first, a.band) < std::tie(b.first, b.band);
    });
    std::string out = "start,end,pitch,name,colour,verdict,confidence\n";
    for (const Row& r : rows)
        out += r.text;
    return out;
}

std::vector<CheckFlag> check_flags(const TranscriptionCheck& check) {
    std::vector<CheckFlag> flags;
    for (std::size_t i = 0; i < check.notes.size(); ++i) {
        const CheckedNote& c = check.notes[i];
        if (c.finding.verdict != NoteVerdict::ok)
            flags.push_back({c.note.first_frame, c.note.last_frame + 1, c.note.band, false, i});
    }
    for (std::size_t i = 0; i < check.missing.size(); ++i) {
        const MissingNote& m = check.missing[i];
        flags.push_back({m.first, m.end, m.band, true, i});
    }
    std::stable_sort(flags.begin(), flags.end(), flag_before);
    return flags;
}

std::optional<CheckFlag> next_flag(const std::vector<CheckFlag>& flags, int frame, int band) {
    if (flags.empty()) return std::nullopt;
    const CheckFlag here{frame, frame, band};
    const auto it = std::upper_bound(flags.begin(), flags.end(), here, flag_before);
    return it == flags.end() ? flags.front() : *it;
}

std::optional<CheckFlag> previous_flag(const std::vector<CheckFlag>& flags, int frame, int band) {
    if (flags.empty()) return std::nullopt;
    const CheckFlag here{frame, frame, band};
    const auto it = std::lower_bound(flags.begin(), flags.end(), here, flag_before);
    return it == flags.begin() ? flags.back() : *std::prev(it);
}

bool move_drawn_note(DrawData& draw, const DrawnNote& note, int band) {
    if (!in_range(draw, note) || band < first_band || band > last_band) return false;
    if (band == note.band) return true;
    for (int f = note.first_frame; f <= note.last_frame; ++f)
        if (draw[f].note_cell(band) != 0) return false;
    for (int f = note.first_frame; f <= note.last_frame; ++f) {
        draw[f].note_cell(band) = draw[f].note_cell(note.band);
        draw[f].note_cell(note.band) = 0;
    }
    draw.modified = true;
    return true;
}

void erase_drawn_note(DrawData& draw, const DrawnNote& note) {
    if (!in_range(draw, note)) return;
    for (int f = note.first_frame; f <= note.last_frame; ++f)
        draw[f].note_cell(note.band) = 0;
    draw.modified = true;
}

CheckSession::CheckSession(const SpectrogramStore& store) : checker_(store) {}

bool CheckSession::update(const DrawData& draw, int frame_count, bool with_residual) {
    return update(drawn_notes(draw, frame_count), with_residual);
}

bool CheckSession::update(std::vector<DrawnNote> drawn, bool with_residual) {
    if (!with_residual) {
        residual_.clear();
        residual_.shrink_to_fit();
    }
    if (current(drawn, with_residual)) return false;
    drawn_ = std::move(drawn);
    check_ = judged(checker_, drawn_, with_residual ? &residual_ : nullptr);
    flags_ = check_flags(check_);
    checked_ = true;
    return true;
}

} // namespace pitkad
