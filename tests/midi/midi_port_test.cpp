#include "midi/midi_port.h"

#include <gtest/gtest.h>

using namespace pitkad;

namespace {

struct OpenPort {
    MidiChannelSettings channels;
    MidiPort port{channels};
    RecordingMidiBackend* rec = nullptr;
    OpenPort() {
        auto b = std::make_unique<RecordingMidiBackend>();
        rec = b.get();
        port.open(std::move(b));
        rec->messages.clear();
    }
};

} // namespace

// Opening sets the controllers and leaves the document's channel settings
// as they are: the port only reads them.
TEST(MidiPort, OpenSetsControllersAndReadsTheChannelSettings) {
    MidiChannelSettings channels;
    channels.volume[8] = 90;
    channels.delay = 7;
    MidiPort port{channels};
    auto b = std::make_unique<RecordingMidiBackend>();
    auto* rec = b.get();
    ASSERT_TRUE(port.open(std::move(b)));
    ASSERT_EQ(rec->messages.size(), 18u);
    EXPECT_EQ(rec->messages[0], 0x7F07B0u);
    EXPECT_EQ(rec->messages[1], 0x7F27B0u);
    EXPECT_EQ(rec->messages[17], 0x7F27B8u);
    EXPECT_EQ(channels.volume[8], 90);
    EXPECT_EQ(channels.delay, 7);
    channels.volume[8] = 80; // a later change is what the next note-on uses
    port.note_on(8, 40);
    EXPECT_EQ(rec->messages.back(), short_message(0x98, 73, 80));
}

TEST(MidiPort, WithoutDeviceEverythingIsSkipped) {
    const MidiChannelSettings channels;
    MidiPort port{channels};
    EXPECT_FALSE(port.open(nullptr));
    port.active_notes[0][0] = 50;
    port.midi_off();
    port.set_midi_program();
    EXPECT_EQ(port.active_notes[0][0], 50); // nothing happened, nothing failed
}

TEST(MidiPort, MidiOffReleasesEverySlotOnce) {
    OpenPort p;
    p.port.active_notes[0][0] = 50;
    p.port.active_notes[0][3] = 10;
    p.port.active_notes[8][7] = 75;
    p.port.midi_off();
    EXPECT_EQ(p.rec->messages, (std::vector<std::uint32_t>{0x005380u, 0x002B80u, 0x006C88u}));
    p.port.midi_off();
    EXPECT_EQ(p.rec->messages.size(), 3u);
}

TEST(MidiPort, NoteOnUsesChannelVolumeAndProgramChangesCoverNineChannels) {
    OpenPort p;
    p.channels.volume[3] = 100;
    p.channels.program[3] = 40;
    p.port.note_on(3, 40);
    p.port.set_midi_program();
    ASSERT_EQ(p.rec->messages.size(), 10u);
    EXPECT_EQ(p.rec->messages[0], 0x644993u);
    EXPECT_EQ(p.rec->messages[4], 0x28C3u);
}

// A transposition moves every note; changing it first ends the notes
// sounding with the numbers they were started with.
TEST(MidiPort, TransposeMovesNotesAndEndsWhatSounds) {
    OpenPort p;
    p.port.active_notes[1][0] = 40; // note 73
    p.port.set_transpose(12);
    ASSERT_EQ(p.rec->messages.size(), 10u);
    EXPECT_EQ(p.rec->messages[0], 0x004981u); // off 73 on channel 1
    EXPECT_EQ(p.rec->messages[1], 0x007BB0u); // all notes off, channel 0
    EXPECT_EQ(p.port.active_notes[1][0], 0);
    p.rec->messages.clear();
    p.port.note_on(0, 40);
    p.port.note_off(0, 75);
    EXPECT_EQ(p.rec->messages, (std::vector<std::uint32_t>{0x7F5590u, 0x007880u}));
    p.port.set_transpose(12);
    EXPECT_EQ(p.rec->messages.size(), 2u); // unchanged: nothing sent
}

// A fine tuning is RPN 1 on every channel the program uses, sent when it changes and again
// to a port opened later; none is ever sent while it stays at 0.
TEST(MidiPort, FineTuneIsTheChannelsRpn) {
    OpenPort p;
    p.port.set_fine_tune(0.0);
    EXPECT_TRUE(p.rec->messages.empty());
    p.port.set_fine_tune(-25.0); // 8192 − 2048 = 6144: MSB 48, LSB 0
    ASSERT_EQ(p.rec->messages.size(), std::size_t(midi_channels) * 6);
    EXPECT_EQ(std::vector(p.rec->messages.begin(), p.rec->messages.begin() + 6),
              (std::vector<std::uint32_t>{0x0065B0u, 0x0164B0u, 0x3006B0u, 0x0026B0u, 0x7F65B0u,
                                          0x7F64B0u}));
    p.port.set_fine_tune(-25.001);
    EXPECT_EQ(p.rec->messages.size(), std::size_t(midi_channels) * 6);
    auto again = std::make_unique<RecordingMidiBackend>();
    RecordingMidiBackend* rec = again.get();
    p.port.open(std::move(again));
    EXPECT_EQ(rec->messages.size(), std::size_t(midi_channels) * 2 + std::size_t(midi_channels) * 6);
}
