#include "midi/fluidsynth_backend.h"
#include "midi/midi_log.h"
#include "tests/common/temp_dir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <thread>
#include <unistd.h>

using namespace pitkad;

namespace {

// Stands in for the audio engine: the test renders as the callback would.
struct FakeSynthOutput final : SynthOutput {
    SynthSource* source = nullptr;
    int attaches = 0;
    int sample_rate() const override { return 44100; }
    void attach_synth(SynthSource* s) override {
        source = s;
        ++attaches;
    }
    double energy(int frames) {
        std::vector<float> l(std::size_t(frames), 0.0f), r(std::size_t(frames), 0.0f);
        source->render_add(l.data(), r.data(), frames);
        double e = 0;
        for (int i = 0; i < frames; ++i)
            e += double(l[i]) * l[i] + double(r[i]) * r[i];
        return e;
    }
};

} // namespace

TEST(MidiMessageQueue, KeepsOrderAcrossThreadsAndRefusesWhenFull) {
    MidiMessageQueue q;
    for (std::uint32_t i = 0; i < MidiMessageQueue::capacity; ++i)
        ASSERT_TRUE(q.push(i));
    EXPECT_FALSE(q.push(99));
    std::uint32_t m = 0;
    for (std::uint32_t i = 0; i < MidiMessageQueue::capacity; ++i) {
        ASSERT_TRUE(q.pop(m));
        ASSERT_EQ(m, i);
    }
    EXPECT_FALSE(q.pop(m));
    // One producer, one consumer, 200000 messages: every one arrives, in order.
    constexpr std::uint32_t n = 200000;
    std::thread consumer([&] {
        std::uint32_t expected = 0, got = 0;
        while (expected < n) {
            if (q.pop(got)) {
                ASSERT_EQ(got, expected++);
            }
        }
    });
    for (std::uint32_t i = 0; i < n;)
        if (q.push(i)) ++i;
    consumer.join();
}

TEST(SoundFont, FoundByPreferenceInTheUsualFolders) {
    namespace fs = std::filesystem;
    const test::TempDir dir;
    const fs::path a = dir / "sfa", b = dir / "sfb";
    fs::create_directories(a);
    fs::create_directories(b);
    std::ofstream(a / "zz.sf2") << "x";
    EXPECT_EQ(find_soundfont({(a / "none").string(), a.string()}), (a / "zz.sf2").string());
    std::ofstream(b / "default-GM.sf2") << "x";
    EXPECT_EQ(find_soundfont({a.string(), b.string()}), (b / "default-GM.sf2").string());
    EXPECT_EQ(find_soundfont({(a / "none").string()}), "");
}

TEST(FluidSynthBackend, WithoutSoundFontTheBackendDoesNotOpen) {
    FakeSynthOutput out;
    std::string error;
    EXPECT_EQ(FluidSynthBackend::open("", &out, &error), nullptr);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(FluidSynthBackend::open("/nonexistent/x.sf2", &out, &error), nullptr);
    EXPECT_EQ(out.source, nullptr);
    const MidiChannelSettings channels;
    MidiPort port{channels};
    EXPECT_FALSE(port.open(FluidSynthBackend::open("", &out, nullptr)));
    EXPECT_FALSE(port.midi_ok());
}

TEST(FluidSynthBackend, NotesSoundInTheCallbackAndDetachOnClose) {
    const std::string sf = find_soundfont();
    if (sf.empty()) GTEST_SKIP() << "no SoundFont installed";
    FakeSynthOutput out;
    {
        auto synth = FluidSynthBackend::open(sf, &out, nullptr);
        ASSERT_NE(synth, nullptr);
        ASSERT_EQ(out.source, synth.get());
        const MidiChannelSettings channels;
        MidiPort port{channels};
        FluidSynthBackend* raw = synth.get();
        ASSERT_TRUE(port.open(std::move(synth)));
        EXPECT_LT(out.energy(4096), 1e-9); // silence until a note
        port.note_on(0, 40);               // sent, but applied only by the callback
        EXPECT_GT(out.energy(4096), 1e-3);
        port.note_off(0, 40);
        out.energy(44100); // release tail
        EXPECT_LT(out.energy(4096), 1e-4);
        EXPECT_EQ(raw->dropped(), 0);
    }
    EXPECT_EQ(out.source, nullptr); // closing the port detached the synthesizer
}

// Samples are read from the SoundFont as programs are selected, on the
// sending thread: a note sounds in the first block after it, on a start-up
// program, on one selected a block before it, and on one selected with it.
TEST(FluidSynthBackend, EveryProgramSoundsInTheFirstBlock) {
    const std::string sf = find_soundfont();
    if (sf.empty()) GTEST_SKIP() << "no SoundFont installed";
    FakeSynthOutput out;
    MidiChannelSettings channels;
    MidiPort port{channels};
    ASSERT_TRUE(port.open(FluidSynthBackend::open(sf, &out, nullptr)));
    struct Case {
        int channel, program;
        bool note_in_a_later_block;
    };
    for (const Case c :
         {Case{1, 0, true}, Case{2, 48, true}, Case{3, 73, false}, Case{8, 0, false}}) {
        SCOPED_TRACE(c.program);
        channels.program[std::size_t(c.channel)] = c.program;
        port.set_midi_program(); // applied here, the synthesizer back in the callback after
        ASSERT_NE(out.source, nullptr);
        if (c.note_in_a_later_block) out.energy(256);
        port.note_on(c.channel, 40);
        EXPECT_GT(out.energy(256), 1e-6);
    }
}

TEST(FluidSynthBackend, RenderAddsToTheBuffers) {
    const std::string sf = find_soundfont();
    if (sf.empty()) GTEST_SKIP() << "no SoundFont installed";
    FakeSynthOutput out;
    auto synth = FluidSynthBackend::open(sf, &out, nullptr);
    ASSERT_NE(synth, nullptr);
    std::vector<float> l(512, 0.5f), r(512, -0.5f);
    synth->render_add(l.data(), r.data(), 512);
    EXPECT_FLOAT_EQ(l[100], 0.5f);
    EXPECT_FLOAT_EQ(r[511], -0.5f);
}

TEST(MidiLog, OneUpperCaseHexLinePerMessageAndForwards) {
    const test::TempDir dir;
    const auto path = dir / "log.txt";
    std::ofstream(path) << "earlier line\n"; // appended to, not replaced
    auto inner = std::make_unique<RecordingMidiBackend>();
    RecordingMidiBackend* rec = inner.get();
    std::int64_t now = 12345;
    {
        MidiLogBackend log(std::move(inner), path.string(), [&] { return now; });
        ASSERT_TRUE(log.logging());
        log.send(short_message(0x93, 0x49, 0x7F));
        now = 12400;
        log.send(short_message(0xC0, 5, 0));
        log.send(short_message(0xB8, 0x27, 0x7F));
        EXPECT_EQ(rec->messages.size(), 3u); // forwarded too
    }
    std::ifstream in(path);
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(all, "earlier line\n12345 93 49 7F\n12400 C0 05 00\n12400 B8 27 7F\n");
    EXPECT_EQ(midi_log_line(0, 0x00FF0A8F), "0 8F 0A FF");
}

TEST(MidiLog, FactoryWrapsTheSynthesizerWhenTheVariableIsSet) {
    if (find_soundfont().empty()) GTEST_SKIP() << "no SoundFont installed";
    const test::TempDir dir;
    const auto path = dir / "factory.txt";
    ::setenv("PITKAD_MIDI_LOG", path.c_str(), 1);
    FakeSynthOutput out;
    const MidiChannelSettings channels;
    MidiPort port{channels};
    ASSERT_TRUE(port.open(open_midi_backend(&out, std::chrono::steady_clock::now())));
    ::unsetenv("PITKAD_MIDI_LOG");
    port.note_on(0, 40);
    port.close();
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);)
        lines.push_back(l);
    ASSERT_EQ(lines.size(), 19u); // 18 controller messages of the open, then the note
    EXPECT_NE(lines[0].find(" B0 07 7F"), std::string::npos);
    EXPECT_NE(lines[18].find(" 90 49 7F"), std::string::npos);
    EXPECT_EQ(out.source, nullptr);
}
