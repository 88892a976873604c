#include "control/edit_commands.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace pitkad {
namespace {

TEST(EditCommands, PasteGoesToThePlayPositionStartMarkOrTimeDisplay) {
    struct Case {
        PlayState state;
        int start_mark, want;
    };
    const Case cases[] = {
        {PlayState::playing, 40, 70}, {PlayState::paused, -1, 70},
        {PlayState::stopped, 40, 40}, {PlayState::stopped, -1, 90},
    };
    for (const Case& c : cases)
        EXPECT_EQ(paste_frame(c.state, 70, c.start_mark, 90), c.want) << int(c.state);
}

// Each command is one step of the history; undoing it gives the content
// back.
TEST(EditCommands, EachCommandIsOneStep) {
    const int sel = draw_selected_bit;
    struct Case {
        const char* name;
        std::function<bool(EditCommands&)> command;
        int band, first; // where the note (frames 10 … 14 of band 40) is afterwards; -1: gone
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
        (*draw)[5].line_mark() = 1;
        (*draw)[35].line_mark() = 1;
        for (int f = 10; f <= 14; ++f)
            (*draw)[f].note_cell(40) = std::uint8_t(3 | sel);
        const auto before = draw->draw_data;
        EditCommands edits(*draw, store, channels, &history);
        EXPECT_TRUE(c.command(edits));
        EXPECT_EQ(history.undo_count(), 1u);
        if (c.band > 0) {
            EXPECT_EQ((*draw)[c.first].note_cell(c.band), 3 | sel);
            EXPECT_EQ((*draw)[c.first + 4].note_cell(c.band), 3 | sel);
        }
        history.undo(*draw, channels);
        for (int f = 0; f < 100; ++f)
            for (int s = 0; s < draw_record_size; ++s)
                ASSERT_EQ((*draw)[f].slot[std::size_t(s)] & ~sel,
                          before[std::size_t(f)].slot[std::size_t(s)] & ~sel);
    }
}

TEST(EditCommands, NothingSelectedKeepsTheClipAndMakesNoStep) {
    auto draw = std::make_unique<DrawData>();
    SpectrogramStore store;
    store.frame_count = 100;
    MidiChannelSettings channels;
    DrawHistory history;
    EditCommands edits(*draw, store, channels, &history);
    (*draw)[10].note_cell(40) = 3 | draw_selected_bit;
    ASSERT_TRUE(edits.copy(DrawMode::pen_select));
    (*draw)[10].note_cell(40) = 3;
    EXPECT_FALSE(edits.cut(DrawMode::pen_select));
    EXPECT_FALSE(edits.nudge(DrawMode::pen_select, 1, 0, false));
    EXPECT_EQ(edits.clip().cells.size(), 1u);
    EXPECT_EQ(history.undo_count(), 0u);
}

} // namespace
} // namespace pitkad
