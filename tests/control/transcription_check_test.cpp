#include "control/transcription_check.h"

#include <gtest/gtest.h>

#include <memory>

namespace pitkad {
namespace {

// A note at band 30 sounds over frames 20 … 69; the user drew it a
// semitone high in colour 2, and another note where nothing sounds.
struct Fixture {
    Fixture() {
        store->frame_count = 100;
        for (int t = 0; t < 100; ++t)
            for (int b = first_band; b <= last_band; ++b)
                store->at(t, b) = -80;
        for (int t = 20; t < 70; ++t)
            store->at(t, 30) = -10;
        for (int f = 20; f < 70; ++f)
            (*draw)[f].note_cell(31) = 2 | draw_selected_bit;
        for (int f = 75; f < 80; ++f)
            (*draw)[f].note_cell(50) = 16;
    }
    std::unique_ptr<SpectrogramStore> store = std::make_unique<SpectrogramStore>();
    std::unique_ptr<DrawData> draw = std::make_unique<DrawData>();
};

TEST(TranscriptionCheck, WritesAVerdictPerDrawnNote) {
    Fixture f;
    const TranscriptionCheck check = check_transcription(NoteChecker(*f.store), *f.draw, 100);
    EXPECT_EQ(check_csv(check), "start,end,pitch,name,colour,verdict,confidence\n"
                                "0.40,1.40,64,E4,2,neighbour,1.00\n"
                                "1.50,1.60,83,B5,16,weak,1.00\n");
    const std::vector<CheckFlag> flags = check_flags(check);
    ASSERT_EQ(flags.size(), 2u);
    EXPECT_EQ(flags[0], (CheckFlag{20, 70, 31, false, 0}));
    // Stepping wraps round at either end.
    EXPECT_EQ(next_flag(flags, 20, 31), flags[1]);
    EXPECT_EQ(next_flag(flags, 75, 50), flags[0]);
    EXPECT_EQ(previous_flag(flags, 20, 31), flags[1]);
    EXPECT_EQ(previous_flag(flags, 75, 50), flags[0]);
    EXPECT_FALSE(next_flag({}, 0, 0));
}

// Fixing the flags: the note moved where its sound is keeps its colour and
// selection, and the check of the fixed drawing has nothing to say.
TEST(TranscriptionCheck, FixesMakeTheCheckClean) {
    Fixture f;
    CheckSession session(*f.store);
    EXPECT_TRUE(session.update(*f.draw, 100));
    EXPECT_FALSE(session.update(*f.draw, 100)); // nothing drawn changed
    const CheckedNote high = session.check().notes[0];
    EXPECT_FALSE(move_drawn_note(*f.draw, high.note, last_band + 1));
    (*f.draw)[69].note_cell(32) = 5; // a cell in the way refuses the move
    EXPECT_FALSE(move_drawn_note(*f.draw, high.note, 32));
    EXPECT_EQ((*f.draw)[69].note_cell(31), 2 | draw_selected_bit);
    (*f.draw)[69].note_cell(32) = 0;
    ASSERT_TRUE(move_drawn_note(*f.draw, high.note, high.finding.sounding_band));
    EXPECT_EQ((*f.draw)[40].note_cell(30), 2 | draw_selected_bit);
    EXPECT_EQ((*f.draw)[40].note_cell(31), 0);
    erase_drawn_note(*f.draw, session.check().notes[1].note);
    EXPECT_TRUE(session.update(*f.draw, 100));
    EXPECT_TRUE(session.flags().empty());
}

} // namespace
} // namespace pitkad
