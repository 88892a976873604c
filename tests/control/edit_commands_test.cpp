#include "control/edit_commands.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace pitkad {
namespace {

TEST(EditCommands, PasteGoesToThePlayPositionStartMarkOrTimeDisplay) {
    EXPECT_EQ(paste_frame(PlayState::playing, 70, 40, 90), 70);
    EXPECT_EQ(paste_frame(PlayState::paused, 70, -1, 90), 70);
    EXPECT_EQ(paste_frame(PlayState::stopped, 70, 40, 90), 40);
    EXPECT_EQ(paste_frame(PlayState::stopped, 70, -1, 90), 90);
}

// Each command is one step of the history; undoing it gives the content
// back. The note is on frames 10 … 14 of band 40, lines at 5 and 35.
TEST(EditCommands, EachCommandIsOneStep) {
    struct Case {
        const char* name;
        std::function<bool(EditCommands&)> command;
        int band, first; // where the note is afterwards; -1: gone
    };
    const Case cases[] = {
        {"Alt+Right", [](EditCommands& e) { return e.nudge(DrawMode::pen_select, 1, 0, false); },
         40, 11},
        {"Alt+Shift+Right: the lines' interval",
         [](EditCommands& e) { return e.nudge(DrawMode::pen_select, 1, 0, true); }, 40, 40},
        {"Alt+Shift+Down: an octave",
         [](EditCommands& e) { return e.nudge(DrawMode::pen_select, 0, -1, true); }, 28, 10},
        {"cut", [](EditCommands& e) { return e.cut(DrawMode::pen_select); }, -1, 0},
        {"copy and paste",
         [](EditCommands& e) { return e.copy(DrawMode::pen_select) && e.paste(50); }, 40, 50},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto draw = std::make_unique<DrawData>();
        SpectrogramStore store;
        store.frame_count = 100;
        MidiChannelSettings channels;
        DrawHistory history;
        (*draw)[5].line_mark() = (*draw)[35].line_mark() = 1;
        for (int f = 10; f <= 14; ++f)
            (*draw)[f].note_cell(40) = 3 | draw_selected_bit;
        EditCommands edits(*draw, store, channels, &history);
        EXPECT_TRUE(c.command(edits));
        EXPECT_EQ(history.undo_count(), 1u);
        if (c.band > 0) {
            EXPECT_EQ((*draw)[c.first + 4].note_cell(c.band), 3 | draw_selected_bit);
        }
        history.undo(*draw, channels);
        for (int f = 0; f < 100; ++f)
            for (int b = 2; b <= 75; ++b)
                ASSERT_EQ((*draw)[f].note_cell(b) & 0x1f, b == 40 && f >= 10 && f <= 14 ? 3 : 0);
    }
}

} // namespace
} // namespace pitkad
