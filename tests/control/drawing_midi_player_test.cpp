#include "control/drawing_midi_player.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

using namespace pitkad;

namespace {

using Sent = std::vector<std::pair<int, std::uint32_t>>; // (cursor, message)

std::uint32_t on(int ch, int band, int vel) {
    return short_message(0x90 + ch, band + 33, vel);
}
std::uint32_t off(int ch, int band) {
    return short_message(0x80 + ch, band + 33, 0);
}

std::vector<int> frames(int first, int last) {
    std::vector<int> v;
    for (int f = first; f <= last; ++f)
        v.push_back(f);
    return v;
}

// One drawing, one open port on a recorder; the volumes differ per channel so
// a wrong velocity source shows.
struct Rig {
    DrawData drawing;
    MidiChannelSettings channels;
    MidiPort port{channels};
    RecordingMidiBackend* rec = nullptr;
    Rig() {
        auto b = std::make_unique<RecordingMidiBackend>();
        rec = b.get();
        port.open(std::move(b));
        for (int n = 0; n < midi_channels; ++n)
            channels.volume[std::size_t(n)] = 100 + n;
        rec->messages.clear();
    }
    void draw(std::uint8_t value, int band, int first, int last) {
        for (int f = first; f <= last; ++f)
            drawing[f].note_cell(band) = value;
    }
    // Steps frame cursor + delay for every cursor, the way the tick does.
    Sent play(const std::vector<int>& cursors, int delay, int frame_count) {
        Sent sent;
        for (int c : cursors) {
            std::size_t before = rec->messages.size();
            drawing_midi_step(c + delay, drawing, frame_count, port);
            for (std::size_t i = before; i < rec->messages.size(); ++i)
                sent.emplace_back(c, rec->messages[i]);
        }
        return sent;
    }
};

struct Case {
    std::string name;
    std::function<void(Rig&)> draw;
    std::vector<int> cursors;
    Sent expected;
    int delay = 0;
    int frame_count = draw_frames;
};

const std::uint8_t sel = draw_selected_bit;

const std::vector<Case> cases = {
    {"note 100-149 colour 3 band 40",
     [](Rig& r) { r.draw(3, 40, 100, 149); },
     frames(0, 200),
     {{100, on(3, 40, 103)}, {150, off(3, 40)}}},
    {"same note read 5 frames ahead",
     [](Rig& r) { r.draw(3, 40, 100, 149); },
     frames(0, 200),
     {{95, on(3, 40, 103)}, {145, off(3, 40)}},
     5},
    {"selected run abutting unselected run of one colour: one note",
     [](Rig& r) {
         r.draw(3, 40, 100, 149);
         r.draw(3 | sel, 40, 150, 199);
     },
     frames(90, 210),
     {{100, on(3, 40, 103)}, {200, off(3, 40)}}},
    {"colours 3 and 11 abutting share channel 3: one note",
     [](Rig& r) {
         r.draw(3, 40, 100, 149);
         r.draw(11, 40, 150, 199);
     },
     frames(90, 210),
     {{100, on(3, 40, 103)}, {200, off(3, 40)}}},
    {"colours 3 and 4 abutting: release before the new start",
     [](Rig& r) {
         r.draw(3, 40, 100, 149);
         r.draw(4, 40, 150, 199);
     },
     frames(90, 210),
     {{100, on(3, 40, 103)}, {150, off(3, 40)}, {150, on(4, 40, 104)}, {200, off(4, 40)}}},
    {"stepping into a long note: silent until its next onset",
     [](Rig& r) {
         r.draw(3, 40, 100, 199);
         r.draw(4, 40, 200, 299);
     },
     frames(120, 300),
     {{200, on(4, 40, 104)}, {300, off(4, 40)}}},
    {"switched on just after a selection change: the selected bit counts",
     [](Rig& r) {
         r.draw(3, 40, 100, 149);
         r.draw(3 | sel, 40, 150, 199);
     },
     frames(151, 200),
     {{151, on(3, 40, 103)}, {200, off(3, 40)}}},
    {"frame 0 is an onset",
     [](Rig& r) { r.draw(1, 2, 0, 10); },
     frames(0, 12),
     {{0, on(1, 2, 101)}, {11, off(1, 2)}}},
    {"frame 2 is an onset for a note drawn from 0",
     [](Rig& r) { r.draw(1, 2, 0, 10); },
     frames(2, 12),
     {{2, on(1, 2, 101)}, {11, off(1, 2)}}},
    {"frame 3 of a note drawn from 0 is not",
     [](Rig& r) { r.draw(1, 2, 0, 10); },
     frames(3, 12),
     {}},
    {"colour 12 plays on channel 4 at channel 4's volume",
     [](Rig& r) { r.draw(12 | sel, 75, 10, 19); },
     frames(0, 30),
     {{10, on(4, 75, 104)}, {20, off(4, 75)}}},
    {"colour 16 plays on channel 8",
     [](Rig& r) { r.draw(16, 60, 10, 10); },
     frames(0, 30),
     {{10, on(8, 60, 108)}, {11, off(8, 60)}}},
    {"a ninth note on one channel is dropped, other channels still play",
     [](Rig& r) {
         for (int b = 10; b <= 18; ++b)
             r.draw(1, b, 10, 19);
         r.draw(2, 19, 10, 19);
     },
     frames(10, 10),
     {{10, on(1, 10, 101)},
      {10, on(1, 11, 101)},
      {10, on(1, 12, 101)},
      {10, on(1, 13, 101)},
      {10, on(1, 14, 101)},
      {10, on(1, 15, 101)},
      {10, on(1, 16, 101)},
      {10, on(1, 17, 101)},
      {10, on(2, 19, 102)}}},
    {"all releases go out before any start",
     [](Rig& r) {
         r.draw(1, 50, 0, 99);
         r.draw(1, 30, 100, 109);
     },
     frames(0, 100),
     {{0, on(1, 50, 101)}, {100, off(1, 50)}, {100, on(1, 30, 101)}}},
    {"starts go out in ascending band order",
     [](Rig& r) {
         r.draw(5, 70, 10, 12);
         r.draw(2, 20, 10, 12);
         r.draw(7, 45, 10, 12);
     },
     frames(10, 10),
     {{10, on(2, 20, 102)}, {10, on(7, 45, 107)}, {10, on(5, 70, 105)}}},
    {"skipped frames: a cell that appeared within three frames still starts",
     [](Rig& r) { r.draw(3, 40, 100, 149); },
     {98, 102, 150},
     {{102, on(3, 40, 103)}, {150, off(3, 40)}}},
    {"skipped frames: a note older than three frames does not start",
     [](Rig& r) { r.draw(3, 40, 100, 149); },
     {98, 103, 150},
     {}},
    {"skipped frames: a note wholly inside the gap is not played",
     [](Rig& r) { r.draw(3, 40, 100, 102); },
     {98, 104},
     {}},
    {"records at and past the recording's end read as empty",
     [](Rig& r) { r.draw(6, 33, 40, 60); },
     frames(39, 80),
     {{40, on(6, 33, 106)}, {50, off(6, 33)}},
     0,
     50},
    {"the last frame of the longest recording, and beyond the drawing",
     [](Rig& r) { r.draw(8, 33, draw_frames - 1, draw_frames - 1); },
     frames(draw_frames - 2, draw_frames + 40),
     {{draw_frames - 1, on(8, 33, 108)}, {draw_frames, off(8, 33)}}},
    {"bytes that are no draw value sound nothing",
     [](Rig& r) {
         r.draw(17, 40, 10, 20);
         r.draw(0x40 | 3, 41, 10, 20);
         r.draw(sel, 42, 10, 20);
     },
     frames(0, 30),
     {}},
};

} // namespace

TEST(DrawingMidiStep, Cases) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        c.draw(rig);
        Sent sent = rig.play(c.cursors, c.delay, c.frame_count);
        EXPECT_EQ(sent, c.expected);
    }
}

TEST(DrawingMidiStep, ReleasesFreeTheirSlotsAndStartsFillTheFirstFree) {
    Rig rig;
    rig.port.active_notes[3] = {0, 40, 41, 0, 0, 0, 0, 0};
    rig.draw(3, 41, 0, 20); // 41 keeps sounding, 40 ends
    rig.draw(3, 50, 20, 20);
    drawing_midi_step(20, rig.drawing, draw_frames, rig.port);
    std::array<int, note_slots> expected{50, 0, 41, 0, 0, 0, 0, 0};
    EXPECT_EQ(rig.port.active_notes[3], expected);
    EXPECT_EQ(rig.rec->messages, (std::vector<std::uint32_t>{off(3, 40), on(3, 50, 103)}));
}

TEST(DrawingMidiStep, ClickChannelIsNeverTouched) {
    Rig rig;
    rig.port.active_notes[0] = {40, 41, 0, 0, 0, 0, 0, 0};
    rig.draw(1, 40, 0, 5); // a drawn note on the same band as a held click note
    rig.play(frames(0, 10), 0, draw_frames);
    std::array<int, note_slots> expected{40, 41, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(rig.port.active_notes[0], expected);
    for (std::uint32_t m : rig.rec->messages)
        EXPECT_NE(m & 0x0f, 0u) << std::hex << m;
}

TEST(DrawingMidiSoundHeld, EndsWhatSoundedThenStartsWhatIsHeldAndStepsCarryOn) {
    Rig rig;
    rig.port.active_notes[0] = {40, 0, 0, 0, 0, 0, 0, 0}; // a click note stays
    rig.port.active_notes[3] = {0, 41, 0, 0, 0, 0, 0, 0}; // held: struck again
    rig.port.active_notes[5] = {60, 0, 0, 0, 0, 0, 0, 0}; // not held: ends
    rig.draw(3, 41, 0, 200);
    rig.draw(12 | sel, 20, 90, 110);
    rig.draw(2, 70, 100, 100);
    rig.draw(1, 30, 50, 99);
    rig.draw(17, 35, 90, 110);
    drawing_midi_sound_held(100, rig.drawing, draw_frames, rig.port);
    EXPECT_EQ(rig.rec->messages, (std::vector<std::uint32_t>{off(3, 41), off(5, 60), on(4, 20, 104),
                                                             on(3, 41, 103), on(2, 70, 102)}));
    EXPECT_EQ(rig.port.active_notes[0][0], 40);
    rig.rec->messages.clear();
    EXPECT_EQ(rig.play(frames(100, 201), 0, draw_frames),
              (Sent{{101, off(2, 70)}, {111, off(4, 20)}, {201, off(3, 41)}}));
}

TEST(DrawingMidiStep, ClosedPortDoesNothing) {
    Rig rig;
    rig.port.close(); // frees the recorder: step the player directly
    rig.rec = nullptr;
    rig.draw(3, 40, 0, 5);
    for (int g : frames(0, 10))
        drawing_midi_step(g, rig.drawing, draw_frames, rig.port);
    for (const auto& row : rig.port.active_notes)
        for (int b : row)
            EXPECT_EQ(b, 0);
}
