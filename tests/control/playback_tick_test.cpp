#include "transport_rig.h"

#include <gtest/gtest.h>

using namespace pitkad;
using namespace pitkad::test;

TEST(PlaybackTick, MovesCursorOncePerFrameAndUpdatesDisplayEveryTenth) {
    TransportRig r;
    r.play();
    r.host.lines.clear();
    for (int ms = 0; ms < 300; ms += 4) {
        r.t.playback_tick();
        r.advance(4);
    }
    // Frames 0 … 14, each drawn once (frame 0 is where the cursor stood).
    std::vector<int> expected;
    for (int f = 1; f < 15; ++f)
        expected.push_back(f);
    EXPECT_EQ(r.host.lines, expected);
    EXPECT_EQ(r.host.time, "0.2 s");
    EXPECT_EQ(r.t.shown_tenths, 2);
}

TEST(PlaybackTick, RepeatsTheFrameAfterAPageWithoutDoubleMidi) {
    TransportRig r;
    r.host.page_at = {5};
    r.channels.delay = 3;
    r.play();
    r.host.lines.clear();
    r.advance(100); // frame 5: the view pages, cursor_frame -1
    for (int i = 0; i < 3; ++i)
        r.t.playback_tick();
    r.host.page_at.clear();
    r.t.playback_tick(); // draws the cursor; the frame now matches
    r.t.playback_tick();
    EXPECT_EQ(r.host.lines, (std::vector<int>{5, 5, 5, 5}));
    // The drawing player gets the repeated frame (it sends nothing twice itself).
    EXPECT_EQ(r.host.midi_steps, (std::vector<int>{8, 8, 8, 8}));
}

TEST(PlaybackTick, DrawingMidiOnlyWhilePlayingWithPortAndSwitch) {
    struct Case {
        bool midi_ok, paused, pen;
        bool steps;
    };
    const Case cases[] = {
        {true, false, true, true},
        {false, false, true, false},
        {true, true, true, false},
        {true, false, false, false},
    };
    for (const auto& c : cases) {
        TransportRig r(60000, c.midi_ok);
        r.host.pen_midi = c.pen;
        r.play();
        if (c.paused) {
            r.t.toggle_pause();
            r.t.seek_relative(5000); // a paused seek moves the cursor …
        } else {
            r.advance(5000);
        }
        r.t.playback_tick();
        EXPECT_EQ(r.host.lines.back(), 250);
        EXPECT_EQ(r.host.time, "5.0 s");
        EXPECT_EQ(r.host.midi_steps.size(), c.steps ? 1u : 0u); // … but sounds nothing
    }
}

TEST(PlaybackTick, SliderFollowsWithTiesToEvenAndNeverDividesByZero) {
    struct Case {
        int frame_count, ms, slider;
    };
    const Case cases[] = {
        {400, 100, 2}, // frame 5: 2.5 → 2
        {400, 300, 8}, // frame 15: 7.5 → 8
        {3000, 30000, 100}, {3000, 59990, 200},
        {0, 100, 0}, // an empty recording leaves the slider at 0
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ms);
        TransportRig r(60000);
        r.store->frame_count = c.frame_count;
        r.play();
        r.advance(c.ms);
        r.t.playback_tick();
        EXPECT_EQ(r.host.slider, c.slider);
        EXPECT_FALSE(r.t.slider_dragged);
        EXPECT_FALSE(r.t.slider_set_by_tick);
    }
}

TEST(PlaybackTick, SliderDragSeeksOnlyAfterRelease) {
    TransportRig r;
    r.play();
    r.advance(1000);
    r.t.playback_tick();
    r.host.button = true;
    r.user_slides(100); // half of 60 s
    EXPECT_TRUE(r.t.slider_dragged);
    r.advance(1000);
    r.t.playback_tick(); // held: no seek, time moves, slider stays
    EXPECT_EQ(r.player.position(), 2000);
    EXPECT_EQ(r.host.time, "2.0 s");
    EXPECT_EQ(r.host.slider, 100);
    EXPECT_EQ(r.host.focus_time, 0);
    r.host.button = false;
    r.t.playback_tick(); // released: seek to 30 s
    EXPECT_EQ(r.player.position(), 30000);
    EXPECT_FALSE(r.t.slider_dragged);
    EXPECT_EQ(r.host.focus_time, 1);
    EXPECT_EQ(r.host.lines.back(), 1500);
    r.advance(6000);
    r.t.playback_tick(); // follows playback again
    EXPECT_EQ(r.host.slider, 120);
    EXPECT_FALSE(r.t.slider_dragged);
}

TEST(PlaybackTick, SliderClickAfterUnchangedTickPositionStillSeeks) {
    TransportRig r; // 60 s: the slider moves once per 300 ms, the time every 100 ms
    r.play();
    r.advance(900);
    r.t.playback_tick();
    ASSERT_EQ(r.host.slider, 3);
    r.advance(100);
    r.t.playback_tick(); // new tenth, same slider position
    ASSERT_EQ(r.host.slider, 3);
    r.user_slides(23); // one page click on the slider
    EXPECT_TRUE(r.t.slider_dragged);
    r.t.playback_tick();
    EXPECT_EQ(r.player.position(), 6900);
}

TEST(PlaybackTick, EndOfRecordingRestsTheCursor) {
    TransportRig r(1000);
    r.play();
    r.advance(5000);
    r.t.playback_tick();
    const auto drawn = r.host.lines.size();
    r.t.playback_tick();
    r.t.playback_tick();
    EXPECT_EQ(r.host.lines.size(), drawn);
    EXPECT_EQ(r.host.lines.back(), 50);
    EXPECT_EQ(r.t.state(), PlayState::playing);
}
