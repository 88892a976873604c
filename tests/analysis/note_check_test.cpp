#include "analysis/note_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace pitkad {
namespace {

constexpr int sounding = 30; // the band of the note that sounds (G3)
constexpr int first = 20, end = 70;

// A quiet floor with one note at `sounding` over [first, end): its
// harmonics as a plain instrument has them, all rising together.
std::unique_ptr<SpectrogramStore> one_note(float octave_db = -16) {
    auto s = std::make_unique<SpectrogramStore>();
    s->frame_count = 100;
    const struct {
        int step;
        float level;
    } partials[] = {{0, -10}, {12, octave_db}, {19, -22}, {24, -25}, {28, -28}};
    for (int t = 0; t < 100; ++t)
        for (int b = first_band; b <= last_band; ++b)
            s->at(t, b) = -80;
    for (int t = first; t < end; ++t)
        for (const auto& p : partials)
            s->at(t, sounding + p.step) = p.level - 0.1f * float(t - first);
    return s;
}

TEST(NoteCheck, JudgesANoteByWhereItsSoundIs) {
    const auto store = one_note();
    const struct {
        int band;
        NoteVerdict verdict;
        int sounding_band;
    } cases[] = {
        {sounding, NoteVerdict::ok, sounding},
        {sounding + 1, NoteVerdict::neighbour, sounding},
        {sounding - 1, NoteVerdict::neighbour, sounding},
        {sounding + 12, NoteVerdict::octave, sounding}, // over its second harmonic
        {sounding - 12, NoteVerdict::octave, sounding}, // an octave low
        {sounding + 5, NoteVerdict::weak, sounding + 5},
    };
    const NoteChecker checker(*store);
    for (const auto& c : cases) {
        const CheckNote n{first, end, c.band, 1};
        const NoteCheckResult r = checker.check(std::span(&n, 1));
        ASSERT_EQ(r.notes.size(), 1u);
        EXPECT_EQ(r.notes[0].verdict, c.verdict) << c.band;
        EXPECT_EQ(r.notes[0].sounding_band, c.sounding_band) << c.band;
        EXPECT_GE(r.notes[0].confidence, 0.0f);
        EXPECT_LE(r.notes[0].confidence, 1.0f);
    }
}

// A note well under a band a semitone away, which stands out too little
// from its own neighbour to pass for a note: the note belongs there, unless
// another note is drawn there already.
TEST(NoteCheck, UnderALouderNeighbourANoteIsMovedThereUnlessItIsDrawn) {
    auto store = one_note();
    for (int t = first; t < end; ++t) {
        store->at(t, sounding + 1) = store->at(t, sounding); // no peak at sounding
        store->at(t, sounding - 1) = -30;
    }
    const struct {
        std::vector<CheckNote> notes; // the first one judged
        NoteVerdict verdict;
        int sounding_band;
    } cases[] = {
        {{{first, end, sounding - 1, 1}}, NoteVerdict::neighbour, sounding},
        {{{first, end, sounding - 1, 1}, {first, end, sounding, 2}},
         NoteVerdict::weak,
         sounding - 1},
    };
    const NoteChecker checker(*store);
    for (const auto& c : cases) {
        const NoteCheckResult r = checker.check(c.notes);
        EXPECT_EQ(r.notes[0].verdict, c.verdict) << c.notes.size();
        EXPECT_EQ(r.notes[0].sounding_band, c.sounding_band) << c.notes.size();
    }
}

// Undrawn, the note is missing once (its harmonics are part of it); drawn,
// nothing is, and what is left of its sound is the floor.
TEST(NoteCheck, FindsTheNoteTheDrawingLacksButNotItsHarmonics) {
    const auto store = one_note();
    const NoteChecker checker(*store);
    const NoteCheckResult none = checker.check({});
    ASSERT_EQ(none.missing.size(), 1u);
    EXPECT_EQ(none.missing[0].band, sounding);
    EXPECT_NEAR(none.missing[0].first, first, 1);
    EXPECT_NEAR(none.missing[0].end, end, 1);

    const CheckNote drawn{first, end, sounding, 3};
    EXPECT_TRUE(checker.check(std::span(&drawn, 1)).missing.empty());
    std::vector<float> left;
    checker.check(std::span(&drawn, 1), &left);
    ASSERT_EQ(left.size(), std::size_t(100) * cells_per_frame);
    EXPECT_LT(left[std::size_t(40) * cells_per_frame + sounding], -79.0f);
    EXPECT_LT(left[std::size_t(40) * cells_per_frame + sounding + 12], -60.0f);
}

// A note drawn an octave over the sound is that sound misplaced, unless
// another part, silent there, has its line at the sound: then that part's
// note is missing too.
// What a drawn low note's band and window spread around it is not missing:
// its sound rising in its band before it starts (half its window ahead),
// and its attack in the band a semitone away. A note struck a semitone away
// as loud as it is.
TEST(NoteCheck, ALowNotesSpreadIsNotMissing) {
    constexpr int low = 10; // G2: its window reaches 10 frames either side
    struct Case {
        const char* what;
        int band, from, to;
        float db;
        bool missing;
    } cases[] = {
        {"its band before it starts", low, 11, 20, -14, false},
        {"its attack a semitone above", low + 1, 20, 30, -22, false},
        {"a note struck a semitone above", low + 1, 20, 60, -10, true},
    };
    for (const Case& c : cases) {
        auto s = std::make_unique<SpectrogramStore>();
        s->frame_count = 100;
        for (int t = 0; t < 100; ++t)
            for (int b = first_band; b <= last_band; ++b)
                s->at(t, b) = -80;
        for (int t = first; t < end; ++t)
            s->at(t, low) = -10.0f - 0.1f * float(t - first);
        for (int t = c.from; t < c.to; ++t)
            s->at(t, c.band) = std::max(s->at(t, c.band), c.db);
        const CheckNote drawn{first, end, low, 3};
        const NoteCheckResult r = NoteChecker(*s).check(std::span(&drawn, 1));
        EXPECT_EQ(r.missing.size(), c.missing ? 1u : 0u) << c.what;
    }
}

TEST(NoteCheck, ListsTheSoundUnderAnOctaveFlagWhenAnotherPartLacksIt) {
    const auto store = one_note();
    const NoteChecker checker(*store);
    const struct {
        int other_band;  // the other part's notes before and after
        int other_first; // when its second note starts
        bool listed;
    } cases[] = {
        {sounding + 1, 75, true},
        {sounding - 20, 75, false},   // its line is far from the sound
        {sounding + 1, first, false}, // it sounds as the flagged note starts
    };
    for (const auto& c : cases) {
        const std::vector<CheckNote> notes = {
            {0, 15, sounding + 11, 1},
            {first, end, sounding + 12, 1},
            {75, 90, sounding + 13, 1},
            {0, 15, c.other_band, 2},
            {c.other_first, 90, c.other_band, 2},
        };
        const NoteCheckResult r = checker.check(notes);
        EXPECT_EQ(r.notes[1].verdict, NoteVerdict::octave);
        const bool listed = std::any_of(r.missing.begin(), r.missing.end(),
                                        [](const MissingNote& m) { return m.band == sounding; });
        EXPECT_EQ(listed, c.listed) << c.other_band << " " << c.other_first;
    }
}

// An octave above the note 4 dB louder than it passes for its harmonic, unless
// the note's part has its line there on both sides: then the note left its
// line by an octave and came straight back.
TEST(NoteCheck, FlagsANoteThatLeavesItsLineByAnOctave) {
    const auto store = one_note(-6);
    const NoteChecker checker(*store);
    const struct {
        int before, after; // the part's notes around the note
        NoteVerdict verdict;
    } cases[] = {
        {sounding + 12, sounding + 13, NoteVerdict::octave},
        {sounding + 1, sounding + 2, NoteVerdict::ok},
        {sounding + 12, sounding + 2, NoteVerdict::ok}, // a leap down that the part keeps
    };
    for (const auto& c : cases) {
        const std::vector<CheckNote> notes = {
            {0, 15, c.before, 1}, {first, end, sounding, 1}, {75, 90, c.after, 1}};
        const NoteCheckResult r = checker.check(notes);
        EXPECT_EQ(r.notes[1].verdict, c.verdict) << c.before << " " << c.after;
    }
}

// One instrument in two registers, one note after another: low notes
// (bands 10 … 15) whose octave is 12 dB louder than their fundamental, high
// notes (bands 36 … 46) whose octave is 20 dB softer. `extra` adds sound at
// a band over a note's frames.
struct Registers {
    std::unique_ptr<SpectrogramStore> store = std::make_unique<SpectrogramStore>();
    std::vector<CheckNote> notes;
    explicit Registers(int extra_band = 0) {
        store->frame_count = 40 * 18;
        for (int t = 0; t < store->frame_count; ++t)
            for (int b = first_band; b <= last_band; ++b)
                store->at(t, b) = -80;
        auto add = [&](int band, float level, float octave) {
            const int first = 40 * int(notes.size()) + 5;
            notes.push_back({first, first + 30, band, 1});
            for (int t = first; t < first + 30; ++t) {
                store->at(t, band) = level;
                store->at(t, band + 12) = level + octave;
            }
        };
        for (int b = 10; b <= 15; ++b)
            add(b, -20, 12);
        for (int b = 36; b <= 46; ++b)
            add(b, -10, -20);
        if (extra_band != 0)
            for (int t = notes.back().first; t < notes.back().end; ++t)
                store->at(t, extra_band) = -14;
    }
};

// A note drawn over the octave of a low note is judged by how loud the low
// notes' octaves are; sound an octave under a high note by how soft the high
// notes' octaves are.
TEST(NoteCheck, JudgesAnOctaveByTheInstrumentsRegister) {
    const struct {
        int drawn_for; // the note whose band is drawn an octave higher, or -1
        int extra_band;
        NoteVerdict verdict;
    } cases[] = {
        {2, 0, NoteVerdict::octave}, // band 12 drawn at 24, over its loud octave
        {-1, 34, NoteVerdict::ok},   // sound 4 dB under band 46, an octave below
    };
    for (const auto& c : cases) {
        Registers r(c.extra_band);
        std::size_t judged = r.notes.size() - 1;
        if (c.drawn_for >= 0) {
            judged = std::size_t(c.drawn_for);
            r.notes[judged].band += 12;
        }
        const NoteCheckResult result = NoteChecker(*r.store).check(r.notes);
        EXPECT_EQ(result.notes[judged].verdict, c.verdict) << c.drawn_for << " " << c.extra_band;
    }
}

// Notes outside the recording or the bands are weak, never read outside.
TEST(NoteCheck, NotesOutOfRangeAreWeak) {
    const auto store = one_note();
    const std::vector<CheckNote> notes = {{-5, 3, sounding, 1},
                                          {95, 400, sounding, 1},
                                          {first, end, 0, 1},
                                          {first, end, 90, 1},
                                          {200, 300, 20, 1}};
    const NoteCheckResult r = check_notes(*store, notes);
    ASSERT_EQ(r.notes.size(), notes.size());
    for (std::size_t i = 2; i < notes.size(); ++i)
        EXPECT_EQ(r.notes[i].verdict, NoteVerdict::weak) << i;

    // Every band alike at the peak (a silent recording as earlier caches
    // hold it): a note drawn on it is weak, and nothing is missing.
    auto flat = std::make_unique<SpectrogramStore>();
    flat->frame_count = 100;
    for (int t = 0; t < 100; ++t)
        for (int b = first_band; b <= last_band; ++b)
            flat->at(t, b) = 0;
    const CheckNote drawn{first, end, sounding, 1};
    const NoteCheckResult silent = check_notes(*flat, std::span(&drawn, 1));
    EXPECT_EQ(silent.notes[0].verdict, NoteVerdict::weak);
    EXPECT_TRUE(silent.missing.empty());

    // A part whose notes have no harmonics at all, and one of its notes
    // drawn at the start, high up in digital silence: weak, not an octave
    // off towards silence (or past the top row).
    auto bare = std::make_unique<SpectrogramStore>();
    bare->frame_count = 100;
    for (int t = 0; t < 100; ++t)
        for (int b = first_band; b <= last_band; ++b)
            bare->at(t, b) = empty_level;
    std::vector<CheckNote> part;
    for (int i = 0; i < 6; ++i) {
        part.push_back({40 + i * 8, 48 + i * 8, 20 + 2 * i, 1});
        for (int t = 40 + i * 8; t < 48 + i * 8; ++t)
            bare->at(t, 20 + 2 * i) = 0;
    }
    for (int band : {last_band - 20, last_band}) {
        part.push_back({0, 30, band, 1});
        const NoteCheckResult high = check_notes(*bare, part);
        EXPECT_EQ(high.notes.back().verdict, NoteVerdict::weak) << band;
        EXPECT_EQ(high.notes.back().sounding_band, band);
        part.pop_back();
    }
}

} // namespace
} // namespace pitkad
