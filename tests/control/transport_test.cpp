#include "transport_rig.h"

#include "control/playback_units.h"

#include <gtest/gtest.h>

using namespace pitkad;
using namespace pitkad::test;
using Mode = MediaPlayer::Mode;

namespace {

// Brings a fresh rig into state 0 … 3, the player 3 s into the recording.
void enter(TransportRig& r, int state) {
    switch (state) {
    case 0:
        r.t.reset_recording();
        break;
    case 1:
        break;
    case 2:
        r.play();
        r.advance(3000);
        break;
    case 3:
        r.play();
        r.advance(3000);
        r.t.toggle_pause();
        break;
    }
}

enum class Command { reset, stop, start, pause };

void run(TransportRig& r, Command command) {
    switch (command) {
    case Command::reset:
        r.t.reset_recording();
        break;
    case Command::stop:
        r.t.stop_playback();
        break;
    case Command::start:
        r.t.start_playback();
        break;
    case Command::pause:
        r.t.toggle_pause();
        break;
    }
}

struct StateCase {
    int from;
    Command command;
    int to;
    Mode mode;
    int position; // ms, when the player is open
};

} // namespace

TEST(Transport, StateTable) {
    const StateCase cases[] = {
        {0, Command::reset, 0, Mode::not_open, 0},  {1, Command::reset, 0, Mode::not_open, 0},
        {2, Command::reset, 0, Mode::not_open, 0},  {3, Command::reset, 0, Mode::not_open, 0},
        {0, Command::stop, 1, Mode::not_open, 0},   {1, Command::stop, 1, Mode::not_open, 0},
        {2, Command::stop, 1, Mode::not_open, 0},   {3, Command::stop, 1, Mode::not_open, 0},
        {0, Command::start, 0, Mode::not_open, 0},  {1, Command::start, 2, Mode::playing, 0},
        {2, Command::start, 2, Mode::playing, 0},   {3, Command::start, 2, Mode::playing, 0},
        {0, Command::pause, 0, Mode::not_open, 0},  {1, Command::pause, 1, Mode::not_open, 0},
        {2, Command::pause, 3, Mode::paused, 3000}, {3, Command::pause, 2, Mode::playing, 3000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "from " << c.from << " command " << int(c.command));
        TransportRig r;
        enter(r, c.from);
        r.view.first_frame = 77;
        run(r, c.command);
        EXPECT_EQ(r.t.state(), PlayState(c.to));
        EXPECT_EQ(r.player.mode(), c.mode);
        EXPECT_EQ(r.t.thread_running(), c.to >= 2);
        if (c.mode != Mode::not_open) {
            EXPECT_EQ(r.player.position(), c.position);
        }
        EXPECT_EQ(r.host.enabled, c.to != 0);
        const bool keeps_view =
            c.command == Command::pause || (c.command == Command::start && c.from == 0);
        EXPECT_EQ(r.view.first_frame, keeps_view ? 77 : 0);
        if (c.to == 0) {
            EXPECT_EQ(r.store->frame_count, 1);
            EXPECT_EQ(r.host.caption, program_caption);
            EXPECT_EQ(r.host.time, time_zero_text);
            EXPECT_EQ(r.host.slider, 0);
        }
    }
}

TEST(Transport, ResetClearsStoreAndDrawing) {
    TransportRig r;
    r.store->at(100, 40) = 3.0f;
    (*r.draw)[100].note_cell(40) = 5;
    (*r.draw)[60000].line_mark() = 1;
    r.t.reset_recording();
    EXPECT_EQ(r.store->at(100, 40), empty_level);
    EXPECT_EQ((*r.draw)[100].note_cell(40), 0);
    EXPECT_EQ((*r.draw)[60000].line_mark(), 0);
}

TEST(Transport, PlayingSeeksAndPausedSeeksStayPaused) {
    struct Case {
        bool paused;
        int ms;       // seek_relative amount, or
        int slider;   // slider position (-1: none) for change_time
        int line;     // frame of a line mark for replay_from_line (-1: none)
        int expected; // player position afterwards, ms
    };
    const Case cases[] = {
        {false, 5000, -1, -1, 15000}, {true, 5000, -1, -1, 15000},   {false, -500, -1, -1, 9500},
        {true, -20000, -1, -1, 0},    {false, 90000, -1, -1, 60000}, {true, 0, 100, -1, 30000},
        {false, 0, 200, -1, 60000},   {true, 0, -1, 100, 2000},      {false, 0, -1, 500, 10000},
        {false, 0, -1, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.ms << " " << c.slider << " " << c.line);
        TransportRig r;
        r.play();
        r.advance(10000);
        if (c.paused) r.t.toggle_pause();
        if (c.slider >= 0) {
            r.host.slider = c.slider;
            r.t.change_time();
        } else if (c.line >= 0) {
            (*r.draw)[c.line].line_mark() = 1;
            r.t.replay_from_line();
        } else {
            r.t.seek_relative(c.ms);
        }
        EXPECT_EQ(r.player.position(), c.expected);
        EXPECT_EQ(r.t.state(), c.paused ? PlayState::paused : PlayState::playing);
        r.advance(1000);
        const int moved = c.paused ? c.expected : std::min(c.expected + 1000, 60000);
        EXPECT_EQ(r.player.position(), moved);
        EXPECT_EQ(r.player.mode(), c.paused        ? Mode::paused
                                   : moved < 60000 ? Mode::playing
                                                   : Mode::stopped);
    }
}

TEST(Transport, ReplayWithoutLineBeforePositionDoesNothing) {
    TransportRig r;
    r.play();
    r.advance(4000);
    (*r.draw)[300].line_mark() = 1; // after the position
    r.t.replay_from_line();
    EXPECT_EQ(r.player.position(), 4000);
}

TEST(Transport, BrowseWhileStopped) {
    struct Case {
        int frame_count, first_frame, ms, slider; // slider -1: seek_relative(ms)
        int expected;
        const char* text;
    };
    const Case cases[] = {
        {3000, 0, 5000, -1, 250, "5.0 s"}, {3000, 100, -500, -1, 75, "1.5 s"},
        {3000, 10, -5000, -1, 0, "0.0 s"}, {3000, 2900, 5000, -1, 3000, "60.0 s"},
        {3000, 0, -510, -1, 0, "0.0 s"},   {3000, 100, -510, -1, 75, "1.5 s"},
        {3000, 0, 0, 200, 3000, "60.0 s"}, {1001, 0, 0, 100, 500, "10.0 s"},
        {1003, 0, 0, 100, 502, "10.0 s"},  {1001, 0, 0, 1, 5, "0.1 s"},
        {0, 0, 0, 200, 0, "0.0 s"},        {0, 0, 5000, -1, 0, "0.0 s"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.frame_count << " " << c.first_frame << " " << c.ms << " " << c.slider);
        TransportRig r;
        r.store->frame_count = c.frame_count;
        r.view.first_frame = c.first_frame;
        const int graphs = r.host.graphs;
        if (c.slider >= 0)
            r.user_slides(c.slider);
        else
            r.t.seek_relative(c.ms);
        EXPECT_EQ(r.view.first_frame, c.expected);
        EXPECT_EQ(r.host.time, c.text);
        EXPECT_EQ(r.host.graphs, graphs + 1);
    }
    // The next play still starts at 0.
    TransportRig r;
    r.t.seek_relative(5000);
    r.play();
    EXPECT_EQ(r.player.position(), 0);
    EXPECT_EQ(r.view.first_frame, 0);
}

TEST(Transport, StopWhileStoppedRedrawsAtFrameZero) {
    TransportRig r;
    r.user_slides(50);
    ASSERT_EQ(r.view.first_frame, 750);
    const int graphs = r.host.graphs;
    r.t.stop_playback();
    EXPECT_EQ(r.view.first_frame, 0);
    EXPECT_EQ(r.host.slider, 0);
    EXPECT_EQ(r.host.time, "0.0 s");
    EXPECT_GT(r.host.graphs, graphs);
    EXPECT_EQ(r.t.state(), PlayState::stopped);
}

// A click while stopped places the play start: the time display and the
// slider go there, the view stays. PLAY plays from it and STOP comes back
// to it with the view as it was.
TEST(Transport, PlayStartMark) {
    struct Case {
        int frame, first_frame;
        int mark, slider;
        const char* text;
    };
    const Case cases[] = {
        {250, 100, 250, 17, "5.0 s"},
        {-5, 0, 0, 0, "0.0 s"},
        {99999, 2000, 2999, 200, "59.9 s"},
        {1500, 1600, 1500, 100, "30.0 s"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.frame);
        TransportRig r; // 3000 frames
        r.view.first_frame = c.first_frame;
        const int graphs = r.host.graphs;
        ASSERT_TRUE(r.t.place_start_mark(c.frame));
        EXPECT_EQ(r.t.start_mark(), c.mark);
        EXPECT_EQ(r.host.slider, c.slider);
        EXPECT_EQ(r.host.time, c.text);
        EXPECT_EQ(r.view.first_frame, c.first_frame);
        EXPECT_EQ(r.host.graphs, graphs + 1);

        r.play();
        EXPECT_EQ(r.player.position(), c.mark * 20);
        r.advance(3000);
        EXPECT_FALSE(r.t.place_start_mark(10)); // only while stopped
        r.t.stop_playback();
        EXPECT_EQ(r.view.first_frame, std::min(c.first_frame, c.mark));
        EXPECT_EQ(r.host.slider, c.slider);
        EXPECT_EQ(r.host.time, c.text);
        r.play(); // again from the mark, as Space plays from it
        EXPECT_EQ(r.player.position(), c.mark * 20);
    }
}

TEST(Transport, TimeTextAndRounding) {
    const std::pair<int, const char*> texts[] = {
        {0, "0.0 s"},  {4, "0.0 s"},    {5, "0.1 s"},     {49, "0.9 s"},
        {50, "1.0 s"}, {617, "12.3 s"}, {3000, "60.0 s"}, {57999, "1159.9 s"},
    };
    for (auto [f, text] : texts)
        EXPECT_EQ(time_text(f), text) << f;
    // position / length as clocks, hours from an hour on; seconds alone on demand.
    const struct {
        int frame, length;
        bool seconds;
        const char* text;
    } displays[] = {
        {0, 0, false, "0:00.0 / 0:00.0"},
        {3265, 12600, false, "1:05.3 / 4:12.0"},
        {2999, 3000, false, "0:59.9 / 1:00.0"},
        {179999, 180000, false, "59:59.9 / 1:00:00.0"},
        {186004, 900000, false, "1:02:00.0 / 5:00:00.0"},
        {50095, 60000, true, "1001.9 s"},
        {-5, 10, false, "0:00.0 / 0:00.2"},
    };
    for (const auto& d : displays)
        EXPECT_EQ(time_display_text(d.frame, d.length, d.seconds), d.text) << d.frame;
    const std::pair<double, int> rounds[] = {
        {0.5, 0},   {1.5, 2},    {2.5, 2},    {3.5, 4},      {-0.5, 0},
        {-1.5, -2}, {2.4999, 2}, {2.5001, 3}, {-2.5001, -3}, {7.0, 7},
    };
    for (auto [x, n] : rounds)
        EXPECT_EQ(round_ties_even(x), n) << x;
}

TEST(Transport, OpenFailureShowsErrorAndStaysStopped) {
    TransportRig r;
    r.player.set_file_name(r.wav.path() + ".missing");
    r.play();
    EXPECT_EQ(r.t.state(), PlayState::stopped);
    EXPECT_FALSE(r.t.thread_running());
    ASSERT_EQ(r.host.errors.size(), 1u);
    EXPECT_EQ(r.host.errors[0].status, PlaybackStatus::file_not_found);
}

namespace {
// An output that opens but refuses to play.
class RefusingOutput final : public ClockOutput {
  public:
    bool play_from(std::int64_t) override { return false; }
    bool has_device() const override { return true; }

  protected:
    double now_seconds() const override { return 0; }
};
} // namespace

TEST(Transport, PlayFailureIsSilentAndLeavesPlayerOpen) {
    auto store = std::make_unique<SpectrogramStore>();
    auto draw = std::make_unique<DrawData>();
    ViewState view;
    const MidiChannelSettings channels;
    MidiPort midi{channels};
    RefusingOutput out;
    MediaPlayer player(out);
    FakeHost host;
    Transport t(*store, *draw, view, channels, midi, player, host);
    host.transport = &t;
    host.view = &view;
    TempWav wav(1000);
    player.set_file_name(wav.path());
    t.stop_playback();
    t.start_playback();
    EXPECT_EQ(t.state(), PlayState::stopped);
    EXPECT_TRUE(player.is_open());
    EXPECT_NE(player.error(), 0);
    EXPECT_TRUE(host.errors.empty());
    t.start_playback(); // opens again
    EXPECT_TRUE(player.is_open());
}

TEST(Transport, MidiOffOnPauseStopAndResetOnly) {
    struct Case {
        int from;
        Command command;
        bool releases;
    };
    const Case cases[] = {
        {2, Command::pause, true}, {3, Command::pause, false}, {2, Command::stop, true},
        {1, Command::stop, true},  {3, Command::reset, true},  {2, Command::start, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.from << " " << int(c.command));
        TransportRig r;
        enter(r, c.from);
        auto& notes = r.midi.active_notes;
        notes[0][0] = 40;
        notes[3][7] = 2;
        notes[8][2] = 75;
        r.rec->messages.clear();
        run(r, c.command);
        if (c.releases) {
            EXPECT_EQ(r.rec->messages,
                      (std::vector<std::uint32_t>{0x004980u, 0x002383u, 0x006C88u}));
            for (const auto& row : notes)
                for (int b : row)
                    EXPECT_EQ(b, 0);
        } else {
            EXPECT_TRUE(r.rec->messages.empty());
            EXPECT_EQ(notes[3][7], 2);
        }
    }
}

// Every jump of a playing drawing sounds the notes held where it lands (the
// frame read the channel settings' delay ahead); paused, switched off or
// without a port none.
TEST(Transport, JumpsSoundTheDrawingHeldWhereTheyLand) {
    using Jump = void (*)(TransportRig&);
    const Jump start = [](TransportRig& r) { r.play(); };
    const Jump skip = [](TransportRig& r) { r.t.seek_relative(-500); };
    struct Case {
        const char* name;
        int from; // a state of enter()
        Jump jump;
        std::vector<int> held;
        bool midi_ok = true, pen = true;
    };
    const Case cases[] = {
        {"start from stopped", 1, start, {3}},
        {"start again", 2, start, {3}},
        {"resume", 3, [](TransportRig& r) { r.t.toggle_pause(); }, {153}},
        {"skip", 2, skip, {128}},
        {"slider at 100", 2, [](TransportRig& r) { r.t.change_time(); }, {1503}},
        {"line mark at 40", 2, [](TransportRig& r) { r.t.replay_from_line(); }, {43}},
        {"round a loop of 1 … 4 s",
         2,
         [](TransportRig& r) {
             r.t.playback_tick(); // at 3 s
             PracticeSettings s;
             s.loop = {8000, 32000};
             r.player.set_practice(s);
             r.advance(1500);
             r.t.playback_tick(); // at 1.5 s again
         },
         {78}},
        {"paused skip", 3, skip, {}},
        {"drawing switched off", 2, skip, {}, true, false},
        {"no MIDI port", 2, skip, {}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TransportRig r(60000, c.midi_ok);
        r.channels.delay = 3;
        r.host.pen_midi = c.pen;
        enter(r, c.from);
        r.host.slider = 100; // read by change_time
        (*r.draw)[40].line_mark() = 1;
        r.host.midi_held.clear();
        c.jump(r);
        EXPECT_EQ(r.host.midi_held, c.held);
    }
}
