#include "control/mouse_editor.h"

#include "drawing/line_stepper.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace pitkad {
namespace {

struct Rect {
    int x, y, w, h;
    bool contains(int px, int py) const { return px >= x && px < x + w && py >= y && py < y + h; }
};

class FakeHost : public EditorHost {
  public:
    explicit FakeHost(bool open_midi = true) {
        channels.volume[0] = 100;
        if (!open_midi) return;
        auto backend = std::make_unique<RecordingMidiBackend>();
        log = backend.get();
        midi.open(std::move(backend));
        log->messages.clear();
    }
    ToolState tool_state() const override { return tool; }
    void write_graph() override { ++graphs; }
    void draw_note_labels_and_show() override { ++labels; }
    void write_line(int frame) override { lines.push_back(frame); }
    int player_position_ms() const override { return position_ms; }
    PlayState play_state() const override { return PlayState(state); }
    ViewState& view_state() override { return view; }
    int graph_width() const override { return width; }
    MidiPort& midi_port() override { return midi; }
    void set_screen_pixel(int x, int y, Rgb c) override { pixels[{x, y}] = c; }
    void restore_screen_rect(int x, int y, int w, int h) override {
        restored.push_back({x, y, w, h});
    }
    void update_screen_rect(int x, int y, int w, int h) override {
        updated.push_back({x, y, w, h});
    }
    void set_clipboard_text(const std::string& text) override { clipboard = text; }
    std::span<const int> suggested_beats() const override { return beats; }
    NoteSuggestions* suggested_notes() override { return &notes; }

    ToolState tool;
    ViewState view;
    MidiChannelSettings channels;
    MidiPort midi{channels};
    RecordingMidiBackend* log = nullptr;
    int graphs = 0, labels = 0, position_ms = 0, state = 1, width = 800;
    std::vector<int> lines;
    std::map<std::pair<int, int>, Rgb> pixels;
    std::vector<Rect> restored, updated;
    std::string clipboard = "untouched";
    std::vector<int> beats;
    NoteSuggestions notes;
};

class MouseEditorTest : public ::testing::Test {
  protected:
    MouseEditorTest() { store->frame_count = 3000; }
    // Pixel row of a band with the default line width of 4.
    static int row_y(int band) { return (75 - band) * 4 + 1; }
    void click(MouseButton b, MouseShift s, int x, int y) {
        editor.press(b, s, x, y);
        editor.release(b, s, x, y);
    }
    void drag(int x0, int y0, int x1, int y1) {
        const MouseShift held{false, true, false, false};
        editor.press(MouseButton::left, {}, x0, y0);
        editor.move(held, x1, y1);
        editor.release(MouseButton::left, {}, x1, y1);
    }
    std::vector<std::uint32_t> take_messages() { return std::exchange(host.log->messages, {}); }

    std::unique_ptr<DrawData> draw = std::make_unique<DrawData>();
    std::unique_ptr<SpectrogramStore> store = std::make_unique<SpectrogramStore>();
    FakeHost host;
    MouseEditor editor{*draw, *store, host};
};

constexpr MouseShift ctrl{true, false, false, false};

TEST_F(MouseEditorTest, PlainClickSoundsWhileHeld) {
    editor.press(MouseButton::left, {}, 10, row_y(50));
    EXPECT_EQ(take_messages(), (std::vector<std::uint32_t>{short_message(0x90, 83, 100)}));
    EXPECT_EQ(host.midi.active_notes[0][0], 50);
    editor.release(MouseButton::left, {}, 10, row_y(50));
    EXPECT_EQ(take_messages(), (std::vector<std::uint32_t>{short_message(0x80, 83, 0)}));
    EXPECT_EQ(host.midi.active_notes[0][0], 0);
    EXPECT_EQ(editor.sounding_notes[50], 0);
    EXPECT_EQ(host.labels, 2);

    // Line drawing switched on while the button is down: the release is not a
    // click release and the note stays held; the next click lets it go first.
    editor.press(MouseButton::left, {}, 10, row_y(50));
    host.tool.mode = DrawMode::line_draw;
    editor.release(MouseButton::left, {}, 10, row_y(50));
    host.tool.mode = DrawMode::none;
    EXPECT_EQ(take_messages(), (std::vector<std::uint32_t>{short_message(0x90, 83, 100)}));
    editor.press(MouseButton::left, {}, 10, row_y(40));
    EXPECT_EQ(take_messages(), (std::vector<std::uint32_t>{short_message(0x80, 83, 0),
                                                           short_message(0x90, 73, 100)}));
    EXPECT_EQ(host.midi.active_notes[0][0], 40);
    EXPECT_EQ(host.midi.active_notes[0][1], 0);
    editor.release(MouseButton::left, {}, 10, row_y(40));
    EXPECT_EQ(take_messages(), (std::vector<std::uint32_t>{short_message(0x80, 73, 0)}));
}

TEST_F(MouseEditorTest, CtrlClicksBuildAChordOfAtMostEightNotesLowestFirst) {
    for (int band : {10, 20, 30})
        click(MouseButton::left, ctrl, 10, row_y(band));
    take_messages();
    editor.press(MouseButton::left, ctrl, 10, row_y(40));
    EXPECT_EQ(take_messages(), (std::vector<std::uint32_t>{
                                   short_message(0x90, 43, 100), short_message(0x90, 53, 100),
                                   short_message(0x90, 63, 100), short_message(0x90, 73, 100)}));
    editor.release(MouseButton::left, ctrl, 10, row_y(40));
    EXPECT_EQ(take_messages().size(), 4u);

    for (int band : {75, 70, 65, 60, 55})
        click(MouseButton::left, ctrl, 10, row_y(band));
    take_messages();
    // Nine flagged notes: the press in the strip sounds them again, the highest dropped.
    editor.press(MouseButton::left, ctrl, 10, 74 * 4 + 3);
    std::vector<std::uint32_t> want;
    for (int band : {10, 20, 30, 40, 55, 60, 65, 70})
        want.push_back(short_message(0x90, band + 33, 100));
    EXPECT_EQ(take_messages(), want);
    editor.release(MouseButton::left, {}, 10,
                       74 * 4 + 3); // release in the strip keeps the flags
    EXPECT_EQ(editor.sounding_notes[75], 1);

    click(MouseButton::left, {}, 10, row_y(33)); // a plain click replaces them
    int flagged = 0;
    for (auto f : editor.sounding_notes)
        flagged += f;
    EXPECT_EQ(flagged, 0);
}

TEST_F(MouseEditorTest, RightClickClearsFlagsSilently) {
    for (int band : {10, 20})
        click(MouseButton::left, ctrl, 10, row_y(band));
    take_messages();
    click(MouseButton::right, {}, 10, row_y(10));
    EXPECT_EQ(editor.sounding_notes[10], 0);
    EXPECT_EQ(editor.sounding_notes[20], 1);
    click(MouseButton::right, {}, 10, 74 * 4);
    EXPECT_EQ(editor.sounding_notes[20], 0);
    EXPECT_TRUE(take_messages().empty());
}

TEST_F(MouseEditorTest, WhenAClickSounds) {
    struct Case {
        const char* name;
        DrawMode mode;
        bool midi_ok;
        int y;
        std::size_t messages;
    };
    const Case cases[] = {
        {"no mode", DrawMode::none, true, row_y(50), 2},
        {"pen drawing", DrawMode::pen_draw, true, row_y(50), 2},
        {"pen selection", DrawMode::pen_select, true, row_y(50), 2},
        {"line drawing", DrawMode::line_draw, true, row_y(50), 0},
        {"line selection", DrawMode::line_select, true, row_y(50), 0},
        {"clipboard", DrawMode::clipboard, true, row_y(50), 0},
        {"MIDI closed", DrawMode::none, false, row_y(50), 0},
        {"below the graph", DrawMode::none, true, 74 * 4 + 29, 0},
    };
    for (const auto& c : cases) {
        FakeHost h(c.midi_ok);
        h.tool.mode = c.mode;
        MouseEditor e(*draw, *store, h);
        e.press(MouseButton::left, {}, 10, c.y);
        e.release(MouseButton::left, {}, 10, c.y);
        EXPECT_EQ(h.log ? h.log->messages.size() : 0u, c.messages) << c.name;
    }
}

TEST_F(MouseEditorTest, PausedClickRedrawsTheCursor) {
    host.state = 3;
    host.position_ms = 2359;
    editor.press(MouseButton::middle, {}, 10, row_y(50));
    EXPECT_EQ(host.lines, std::vector<int>{117});
    EXPECT_TRUE(take_messages().empty());
}

TEST_F(MouseEditorTest, LineDrawingOnTheRows) {
    host.tool.mode = DrawMode::line_draw;
    host.tool.colour = 5;
    host.view.first_frame = 100;
    host.view.scroll_speed = 2;
    click(MouseButton::left, {}, 7, row_y(40));  // frame 103
    click(MouseButton::left, {}, 13, row_y(40)); // frame 106
    EXPECT_EQ((*draw)[103].line_mark(), 5);
    EXPECT_EQ((*draw)[106].line_mark(), 5);
    click(MouseButton::middle, {}, 9, row_y(40)); // frame 104: 103 is nearer
    EXPECT_EQ((*draw)[103].line_mark(), 0);
    EXPECT_EQ((*draw)[106].line_mark(), 5);
    click(MouseButton::right, {}, 5000, row_y(40)); // clamped to the last frame: 106 too far
    EXPECT_EQ((*draw)[106].line_mark(), 5);
    EXPECT_EQ(host.graphs, 4);
    EXPECT_TRUE(draw->modified);

    host.tool.line_show = false; // hidden lines cannot be edited
    click(MouseButton::left, {}, 21, row_y(40));
    EXPECT_EQ((*draw)[110].line_mark(), 0);
}

// A line drawn within three pixels (two frames at least) of a suggested
// beat goes on that beat, the nearer of two; farther away it stays where
// it was drawn.
TEST_F(MouseEditorTest, LinesDrawnNearSuggestedBeatsGoOnThem) {
    host.tool.mode = DrawMode::line_draw;
    host.tool.colour = 5;
    host.view.first_frame = 100;
    host.view.scroll_speed = 1;
    host.beats = {110, 114, 140};
    const struct {
        int x, want;
    } rows[] = {{8, 110}, {13, 114}, {11, 110}, {20, 120}, {43, 140}};
    for (const auto& row : rows) {
        click(MouseButton::left, {}, row.x, row_y(40));
        EXPECT_EQ((*draw)[row.want].line_mark(), 5) << row.x;
        (*draw)[row.want].line_mark() = 0;
    }
}

// A click with the pen on a suggested note takes the note whole; a stroke
// over one, or a click beside one, draws as ever.
TEST_F(MouseEditorTest, PenClickOnSuggestedNoteTakesIt) {
    host.tool.mode = DrawMode::pen_draw;
    host.tool.colour = 5;
    host.notes = make_note_suggestions({{10, 30, 40}, {40, 60, 40}});
    click(MouseButton::left, {}, 15, row_y(40));
    drag(45, row_y(40), 50, row_y(40));
    click(MouseButton::left, {}, 35, row_y(40));
    for (int f = 0; f < 70; ++f) {
        const bool drawn = (f >= 10 && f < 30) || (f >= 45 && f <= 50) || f == 35;
        EXPECT_EQ((*draw)[f].note_cell(40), drawn ? 5 : 0) << f;
    }
}

TEST_F(MouseEditorTest, BeatsAreTappedInTheStripWhilePlaying) {
    host.tool.mode = DrawMode::line_draw;
    host.tool.colour = 9;
    host.position_ms = 2359; // frame 117
    host.view.cursor_frame = 117;
    const int strip = 74 * 4 + 10;
    click(MouseButton::left, {}, 500, strip); // stopped: nothing
    EXPECT_EQ((*draw)[117].line_mark(), 0);
    host.state = 2;
    click(MouseButton::left, {}, 500, strip);
    EXPECT_EQ((*draw)[117].line_mark(), 9);
    EXPECT_EQ(host.view.cursor_frame, -1);
    host.state = 3;
    click(MouseButton::right, {}, 500, strip);
    EXPECT_EQ((*draw)[117].line_mark(), 0);
    host.position_ms = 5'000'000; // clamped to the last frame
    click(MouseButton::left, {}, 500, strip);
    EXPECT_EQ((*draw)[2999].line_mark(), 9);
}

// Each press or drag that edits is one step of the history, and undoing it
// gives back the drawing; presses and drags that only select make none.
TEST(MouseEditorHistory, EachEditingGestureIsOneStep) {
    const int strip = 74 * 4 + 10;
    struct Case {
        const char* name;
        DrawMode mode;
        int state; // play state: 1 stopped, 2 playing
        std::function<void(MouseEditor&)> gesture;
        std::size_t steps;
    };
    const MouseShift held{false, true, false, false};
    auto drag = [held](MouseEditor& e, int x0, int y0, int x1, int y1) {
        e.press(MouseButton::left, {}, x0, y0);
        e.move(held, x1, y1);
        e.release(MouseButton::left, {}, x1, y1);
    };
    auto click = [](MouseEditor& e, MouseButton b, int x, int y) {
        e.press(b, {}, x, y);
        e.release(b, {}, x, y);
    };
    const int row40 = (75 - 40) * 4 + 1; // band 40 at the default line width
    const Case cases[] = {
        {"pen stroke", DrawMode::pen_draw, 1,
         [&](MouseEditor& e) { drag(e, 10, row40, 90, row40); }, 1},
        {"run eraser", DrawMode::pen_draw, 1,
         [&](MouseEditor& e) { click(e, MouseButton::right, 12, row40); }, 1},
        {"line mark", DrawMode::line_draw, 1,
         [&](MouseEditor& e) { click(e, MouseButton::left, 7, row40); }, 1},
        {"line erased", DrawMode::line_draw, 1,
         [&](MouseEditor& e) { click(e, MouseButton::right, 50, row40); }, 1},
        {"two beat taps", DrawMode::line_draw, 2,
         [&](MouseEditor& e) {
             click(e, MouseButton::left, 500, strip);
             click(e, MouseButton::left, 600, strip);
         },
         1}, // the position did not move between them: the second changes nothing
        {"selection drag", DrawMode::pen_select, 1,
         [&](MouseEditor& e) { drag(e, 0, 0, 400, strip - 20); }, 0},
        {"sounding click", DrawMode::none, 1,
         [&](MouseEditor& e) { click(e, MouseButton::left, 7, row40); }, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto draw = std::make_unique<DrawData>();
        auto store = std::make_unique<SpectrogramStore>();
        store->frame_count = 3000;
        for (int f = 5; f <= 25; ++f)
            (*draw)[f].note_cell(40) = 3;
        (*draw)[52].line_mark() = 4;
        FakeHost host;
        host.tool.mode = c.mode;
        host.state = c.state;
        host.position_ms = 2000;
        DrawHistory history;
        MouseEditor editor{*draw, *store, host, &history};
        const std::vector<draw_frame> before = draw->draw_data;
        c.gesture(editor);
        EXPECT_EQ(history.undo_count(), c.steps);
        if (c.steps == 0) continue;
        EXPECT_NE(draw->draw_data, before);
        history.undo(*draw, host.channels);
        EXPECT_EQ(draw->draw_data, before);
    }
}

TEST_F(MouseEditorTest, RightClickErasesTheWholeRunInPenDrawing) {
    host.tool.mode = DrawMode::pen_draw;
    for (int f = 5; f <= 25; ++f)
        (*draw)[f].note_cell(40) = 3;
    editor.press(MouseButton::right, {}, 12, row_y(40));
    for (int f = 5; f <= 25; ++f)
        EXPECT_EQ((*draw)[f].note_cell(40), 0) << f;
    EXPECT_FALSE(editor.dragging);
}

TEST_F(MouseEditorTest, PenStrokesInEitherDirection) {
    host.tool.mode = DrawMode::pen_draw;
    host.tool.colour = 7;
    host.view.first_frame = 1000;
    host.view.scroll_speed = 2;
    drag(101, row_y(30), 41, row_y(60)); // right to left; the row is the pressed one
    for (int f = 1019; f <= 1051; ++f)
        EXPECT_EQ((*draw)[f].note_cell(30), f >= 1020 && f <= 1050 ? 7 : 0) << f;
    drag(41, row_y(31), 101, row_y(31));
    for (int f = 1019; f <= 1051; ++f)
        EXPECT_EQ((*draw)[f].note_cell(31), f >= 1020 && f <= 1050 ? 7 : 0) << f;
}

TEST_F(MouseEditorTest, QuantisedStrokeAndCancelledStroke) {
    host.tool.mode = DrawMode::pen_draw;
    host.tool.quantize = true;
    host.tool.quantize_division = 16;
    (*draw)[100].line_mark() = 1;
    (*draw)[150].line_mark() = 1;
    drag(117, row_y(30), 140, row_y(30));
    EXPECT_EQ((*draw)[115].note_cell(30), 0);
    EXPECT_EQ((*draw)[116].note_cell(30), 16);
    EXPECT_EQ((*draw)[140].note_cell(30), 16);
    EXPECT_EQ((*draw)[141].note_cell(30), 0);

    editor.press(MouseButton::left, {}, 200, row_y(50));
    editor.move({false, true, false, false}, 300, row_y(50));
    editor.press(MouseButton::right, {}, 300, row_y(50));
    EXPECT_FALSE(editor.dragging);
    editor.release(MouseButton::left, {}, 300, row_y(50));
    for (int f = 190; f <= 310; ++f)
        EXPECT_EQ((*draw)[f].note_cell(50), 0) << f;
}

TEST_F(MouseEditorTest, StrokesStartOnlyOnTheRowsAndStopAtTheRecordingsEnd) {
    host.tool.mode = DrawMode::pen_draw;
    drag(10, 74 * 4 + 2, 50, 74 * 4 + 2);
    EXPECT_FALSE(draw->modified);
    store->frame_count = 30;
    drag(10, row_y(20), 50, row_y(20));
    EXPECT_EQ((*draw)[29].note_cell(20), 16);
    EXPECT_EQ((*draw)[30].note_cell(20), 0);
    draw->modified = false;
    drag(31, row_y(20), 50, row_y(20));
    EXPECT_FALSE(draw->modified);
}

TEST_F(MouseEditorTest, PenSelectionDragSelectsWholeRuns) {
    host.tool.mode = DrawMode::pen_select;
    for (int f = 50; f <= 100; ++f)
        (*draw)[f].note_cell(40) = 3;
    for (int f = 40; f <= 59; ++f)
        (*draw)[f].note_cell(41) = 3;
    drag(60, row_y(41), 70, row_y(39));
    EXPECT_EQ((*draw)[50].note_cell(40), 3 | draw_selected_bit);
    EXPECT_EQ((*draw)[100].note_cell(40), 3 | draw_selected_bit);
    EXPECT_EQ((*draw)[59].note_cell(41), 3);
    // The next drag starts by clearing the selection.
    editor.press(MouseButton::left, {}, 500, row_y(70));
    EXPECT_EQ((*draw)[50].note_cell(40), 3);
}

// In pen selection mode a drag from a selected cell moves the selection,
// one from a note's last frame moves its end; each is
// one step, taken at the release.
TEST(MouseEditorHistory, MoveAndNoteEndDrags) {
    const MouseShift held{false, true, false, false};
    const int row40 = (75 - 40) * 4 + 1;
    struct Case {
        const char* name;
        int from_x, from_y, to_x, to_y;
        int band, first, last; // the note of frames 10 … 14 of band 40 afterwards
        bool selected;         // it was selected before the drag
    };
    const Case cases[] = {
        {"move", 11, row40, 31, row40 - 8, 42, 30, 34, true},
        {"move stops at the recording's start", 11, row40, 0, row40, 40, 0, 4, true},
        {"longer, up to the next note", 14, row40, 90, row40 - 8, 40, 10, 48, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto draw = std::make_unique<DrawData>();
        auto store = std::make_unique<SpectrogramStore>();
        store->frame_count = 100;
        const std::uint8_t v = c.selected ? 3 | draw_selected_bit : 3;
        for (int f = 10; f <= 14; ++f)
            (*draw)[f].note_cell(40) = v;
        for (int f = 50; f <= 60; ++f)
            (*draw)[f].note_cell(40) = 3;
        FakeHost host;
        host.tool.mode = DrawMode::pen_select;
        DrawHistory history;
        MouseEditor e{*draw, *store, host, &history};
        e.press(MouseButton::left, {}, c.from_x, c.from_y);
        e.move(held, c.to_x, c.to_y);
        EXPECT_EQ(e.drag_x0, c.first);
        EXPECT_EQ(e.drag_x1, c.last);
        EXPECT_EQ(draw->draw_data[12].note_cell(40), v); // nothing changes before the release
        e.release(MouseButton::left, {}, c.to_x, c.to_y);
        EXPECT_EQ(history.undo_count(), 1u);
        for (int f = 0; f < 50; ++f)
            EXPECT_EQ((*draw)[f].note_cell(c.band), f >= c.first && f <= c.last ? v : 0) << f;
        EXPECT_EQ((*draw)[55].note_cell(40), 3);
    }
}

TEST_F(MouseEditorTest, PointerShowsWhatAPressTakesHoldOf) {
    host.tool.mode = DrawMode::pen_select;
    for (int f = 10; f <= 14; ++f)
        (*draw)[f].note_cell(40) = 3 | draw_selected_bit;
    EXPECT_EQ(editor.pointer_hold(12, row_y(40)), PointerHold::selection);
    EXPECT_EQ(editor.pointer_hold(14, row_y(40)), PointerHold::note_end);
    EXPECT_EQ(editor.pointer_hold(16, row_y(40)), PointerHold::none);
    editor.press(MouseButton::left, {}, 12, row_y(40));
    EXPECT_EQ(editor.pointer_hold(100, row_y(60)), PointerHold::selection); // while moving
}

TEST_F(MouseEditorTest, ClipboardClickExportsOneCell) {
    host.tool.mode = DrawMode::clipboard;
    store->at(151, 27) = -42.125f;
    click(MouseButton::left, {}, 151, row_y(27));
    EXPECT_EQ(host.clipboard, "Time\t3.02\t3.02\r\nNote\t60\t60\r\n-42.13\t\r\n");
    host.clipboard = "untouched";
    store->frame_count = 100;
    click(MouseButton::left, {}, 151, row_y(27));
    EXPECT_EQ(host.clipboard, "untouched");
}

TEST_F(MouseEditorTest, RubberBandIsDashedForRectanglesAndErasedAsABand) {
    host.tool.mode = DrawMode::pen_select;
    const MouseShift held{false, true, false, false};
    editor.press(MouseButton::left, {}, 10, 10);
    editor.move(held, 30, 20);
    ASSERT_EQ(host.pixels.size(), 60u); // each outline point once
    for (const auto& [p, c] : host.pixels) {
        const auto [x, y] = p;
        EXPECT_TRUE(x == 10 || x == 30 || y == 10 || y == 20);
        const Rgb want = (x + y) & 4 ? Rgb{0, 0, 0} : Rgb{255, 255, 255};
        EXPECT_EQ(c, want) << x << "," << y;
    }
    editor.move(held, 40, 25);
    for (const auto& [p, c] : host.pixels) {
        if (!(p.first <= 30 && p.second <= 20)) continue; // the old outline
        bool covered = false;
        for (const auto& r : host.restored)
            covered |= r.contains(p.first, p.second);
        EXPECT_TRUE(covered) << p.first << "," << p.second;
    }
    for (int x = 12; x <= 27; ++x)
        for (int y = 12; y <= 17; ++y)
            for (const auto& r : host.restored)
                ASSERT_FALSE(r.contains(x, y)) << x << "," << y;
}

TEST_F(MouseEditorTest, PenStrokeBandIsSolidAndClamped) {
    host.tool.mode = DrawMode::pen_draw;
    host.width = 200;
    editor.press(MouseButton::left, {}, 100, row_y(70));
    editor.move({false, true, false, false}, 900, 0);
    EXPECT_EQ(editor.drag_x0, 195);
    EXPECT_EQ(editor.drag_x1, 100);
    EXPECT_EQ(editor.drag_y0, 20);
    EXPECT_EQ(editor.drag_y1, 23);
    for (const auto& [p, c] : host.pixels)
        EXPECT_EQ(c, (Rgb{255, 255, 255}));
    EXPECT_EQ(host.pixels.size(), 2u * (95 + 3));
}

TEST(LineStepper, ExcludesTheEndPoint) {
    struct Case {
        int x0, y0, x1, y1;
        std::vector<std::pair<int, int>> want;
    };
    const Case cases[] = {
        {0, 0, 3, 0, {{0, 0}, {1, 0}, {2, 0}}},
        {3, 5, 3, 2, {{3, 5}, {3, 4}, {3, 3}}},
        {0, 0, 3, 3, {{0, 0}, {1, 1}, {2, 2}}},
        {4, 4, 4, 4, {}},
    };
    for (const auto& c : cases) {
        std::vector<std::pair<int, int>> got;
        step_line(c.x0, c.y0, c.x1, c.y1, [&](int x, int y) { got.emplace_back(x, y); });
        EXPECT_EQ(got, c.want);
    }
}

} // namespace
} // namespace pitkad
