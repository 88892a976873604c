#include "audio/audio_engine.h"
#include "audio/media_player.h"
#include "tests/common/test_wav.h"

#include <gtest/gtest.h>

using namespace pitkad;
using namespace pitkad::test;

namespace {

// A device without PortAudio: the test is the callback and moves the clock.
// Buffers of 80 frames (10 ms at 8000 Hz) reach the speaker 30 ms after
// they are rendered.
struct FakeDevice {
    static constexpr int rate = 8000, buffer = 80;
    static constexpr double latency = 0.030;
    Mixer mixer{rate};
    double now = 0;
    MixerOutput out{mixer, [this] { return now; }};
    std::vector<float> l = std::vector<float>(buffer), r = std::vector<float>(buffer);

    void load(int ms) {
        auto a = parse_wav_for_playback(
            wav_bytes(rate, 1, ms * rate / 1000, [](int f, int) { return f % 30000; }));
        out.load(a.audio);
    }
    // One callback, then the clock runs for the buffer's duration.
    void callback() {
        mixer.render(l.data(), r.data(), buffer, now + latency);
        now += double(buffer) / rate;
    }
    void run_ms(int ms) {
        for (int i = 0; i < ms / 10; ++i)
            callback();
    }
};

} // namespace

TEST(MixerOutput, PositionCountsWhatTheSpeakerHasPlayed) {
    FakeDevice d;
    d.load(2000);
    ASSERT_TRUE(d.out.play_from(800));
    EXPECT_EQ(d.out.position(), 800); // before the callback took the command
    d.callback();
    EXPECT_EQ(d.out.position(), 800); // handed over, not yet heard
    d.run_ms(20);                     // 30 ms after the first buffer: it sounds now
    EXPECT_NEAR(d.out.position(), 800, 1);
    d.run_ms(100);
    EXPECT_NEAR(d.out.position(), 800 + 0.100 * 8000, 1);
}

TEST(MixerOutput, PauseRightAfterPlayFromHoldsAtTheTarget) {
    FakeDevice d;
    d.load(2000);
    d.out.play_from(100);
    d.run_ms(200);
    // Play from, then pause only, with no callback in between: the seek must
    // not be lost in the command that replaces it.
    d.out.play_from(4000);
    d.out.pause();
    d.run_ms(100);
    EXPECT_EQ(d.out.position(), 4000);
    EXPECT_TRUE(d.out.paused());
    EXPECT_EQ(d.l[0], 0.0f); // paused: silent
    ASSERT_TRUE(d.out.resume());
    d.run_ms(100);
    EXPECT_GT(d.out.position(), 4000);
}

TEST(MixerOutput, NeverRunsBackwardWhilePlaying) {
    FakeDevice d;
    d.load(2000);
    d.out.play_from(0);
    d.run_ms(100);
    const double p = d.out.position();
    d.now -= 0.002; // the stream clock jitters back
    EXPECT_GE(d.out.position(), p);
}

TEST(MixerOutput, EndsAtTheLengthThroughThePlayer) {
    FakeDevice d;
    TempWav wav(500, FakeDevice::rate);
    MediaPlayer p(d.out);
    p.set_file_name(wav.path());
    ASSERT_TRUE(p.open().ok());
    EXPECT_EQ(p.play(250), MediaPlayer::ok);
    EXPECT_EQ(p.position(), 250);
    d.run_ms(400);
    EXPECT_EQ(p.position(), 500);
    EXPECT_EQ(p.mode(), MediaPlayer::Mode::stopped);
    p.play(500); // from the length: nothing sounds
    d.run_ms(50);
    EXPECT_EQ(p.position(), 500);
    p.close();
    d.callback(); // the callback no longer reads the released recording
    EXPECT_EQ(d.l[0], 0.0f);
}
