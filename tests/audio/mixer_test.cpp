#include "audio/mixer.h"
#include "audio/synth_source.h"
#include "tests/common/test_wav.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

using namespace pitkad;
using namespace pitkad::test;

namespace {

std::shared_ptr<const PcmAudio> audio(int rate, int channels, int frames,
                                      const std::function<int(int, int)>& sample) {
    auto r = parse_wav_for_playback(wav_bytes(rate, channels, frames, sample));
    EXPECT_TRUE(r.audio) << int(r.error.status);
    return r.audio;
}

struct Buffers {
    std::vector<float> left, right;
    explicit Buffers(int n) : left(std::size_t(n) + 1, 9.0f), right(std::size_t(n) + 1, 9.0f) {}
};

} // namespace

TEST(Mixer, EveryChannelLayoutReachesBothSpeakers) {
    struct Case {
        int channels;
        float left, right;
    };
    // Channel c of every frame holds (c + 1) × 1000.
    const Case cases[] = {{1, 1000, 1000}, {2, 1000, 2000}, {4, 1000, 2000}};
    for (const auto& c : cases) {
        Mixer m(8000);
        m.load(audio(8000, c.channels, 100, [](int, int ch) { return (ch + 1) * 1000; }));
        m.command(Mixer::Mode::playing, true, 0);
        Buffers b(64);
        m.render(b.left.data(), b.right.data(), 64, 1.0);
        EXPECT_FLOAT_EQ(b.left[10] * 32768, c.left) << c.channels;
        EXPECT_FLOAT_EQ(b.right[63] * 32768, c.right) << c.channels;
        EXPECT_EQ(b.left[64], 9.0f); // sentinel past the buffer untouched
    }
}

TEST(Mixer, SeekPauseAndEndAsPublished) {
    Mixer m(8000);
    m.load(audio(8000, 1, 1000, [](int f, int) { return f; }));
    Buffers b(256);
    m.command(Mixer::Mode::playing, true, 500);
    m.render(b.left.data(), b.right.data(), 256, 10.0);
    auto s = m.snapshot();
    EXPECT_EQ(s.start, 500);
    EXPECT_EQ(s.run_start, 500);
    EXPECT_EQ(s.advanced, 256);
    EXPECT_FLOAT_EQ(b.left[0] * 32768, 500);
    m.command(Mixer::Mode::paused, false, 0);
    m.render(b.left.data(), b.right.data(), 256, 10.032);
    s = m.snapshot();
    EXPECT_EQ(s.start, 756);
    EXPECT_EQ(s.advanced, 0);
    EXPECT_EQ(b.left[0], 0.0f); // silence while paused
    m.command(Mixer::Mode::playing, false, 0);
    m.render(b.left.data(), b.right.data(), 256, 10.064);
    EXPECT_FLOAT_EQ(b.left[0] * 32768, 756);
    m.render(b.left.data(), b.right.data(), 256, 10.096); // only 1000 − 1012 left
    s = m.snapshot();
    EXPECT_TRUE(s.ended);
    EXPECT_EQ(s.start + s.advanced, 1000);
    EXPECT_EQ(b.left[0], 0.0f);
}

TEST(Mixer, HeardPositionFollowsTheSpeakerNotTheHandOver) {
    Mixer::Snapshot s;
    s.dac_time = 2.0; // this buffer sounds from 2.0 s
    s.start = 8000;
    s.advanced = 256;
    s.run_start = 4000;
    struct Case {
        double now;
        bool ended;
        double expected;
    };
    const Case cases[] = {
        {2.0, false, 8000},                      // the buffer just reaches the speaker
        {1.99, false, 7920},                     // still playing the previous one
        {2.01, false, 8080}, {2.5, false, 8256}, // no further than handed over
        {1.0, false, 4000},                      // never before the run's start
        {3.0, true, 8300},                       // at the end: the length
    };
    for (const auto& c : cases) {
        s.ended = c.ended;
        EXPECT_NEAR(Mixer::heard_position(s, c.now, 8000, 8300), c.expected, 1e-6) << c.now;
    }
}

TEST(Mixer, ConvertsTheRateWithoutChangingPitchOrLength) {
    // 441 Hz at 22050 Hz played on a 44100 Hz device.
    const int frames = 22050;
    Mixer m(44100);
    m.load(audio(22050, 1, frames, [](int f, int) {
        return int(std::lround(16000 * std::sin(2 * M_PI * 441 * f / 22050.0)));
    }));
    m.command(Mixer::Mode::playing, true, 0);
    std::vector<float> all;
    Buffers b(256);
    double t = 0;
    for (int i = 0; i < 200 && !m.snapshot().ended; ++i, t += 256.0 / 44100) {
        m.render(b.left.data(), b.right.data(), 256, t);
        all.insert(all.end(), b.left.begin(), b.left.begin() + 256);
    }
    const auto s = m.snapshot();
    ASSERT_TRUE(s.ended);
    EXPECT_NEAR(s.start + s.advanced, frames, 2.0);
    // Count rising zero crossings over the middle second's worth: 441 per second.
    int crossings = 0;
    for (std::size_t i = 4411; i < 4410 + 39690; ++i)
        crossings += all[i - 1] < 0 && all[i] >= 0;
    EXPECT_NEAR(crossings, 441 * 0.9, 2);
    float peak = 0;
    for (std::size_t i = 4410; i < 40000; ++i)
        peak = std::max(peak, std::abs(all[i]));
    EXPECT_NEAR(peak, 16000.0 / 32768, 0.01); // amplitude kept (within 2 %)
}

namespace {
struct ConstantSynth final : SynthSource {
    void render_add(float* l, float* r, int frames) noexcept override {
        for (int i = 0; i < frames; ++i) {
            l[i] += 0.25f;
            r[i] += 0.5f;
        }
    }
};
} // namespace

TEST(Mixer, SynthSoundsWhetherOrNotTheRecordingPlays) {
    Mixer m(8000);
    ConstantSynth synth;
    m.set_synth(&synth);
    Buffers b(32);
    m.render(b.left.data(), b.right.data(), 32, 0); // nothing loaded, stopped
    EXPECT_FLOAT_EQ(b.left[5], 0.25f);
    m.load(audio(8000, 1, 100, [](int, int) { return 8192; }));
    m.command(Mixer::Mode::playing, true, 0);
    m.render(b.left.data(), b.right.data(), 32, 0);
    EXPECT_FLOAT_EQ(b.right[5], 0.75f);
    m.set_synth(nullptr);
    m.render(b.left.data(), b.right.data(), 32, 0);
    EXPECT_FLOAT_EQ(b.right[5], 0.25f);
    // The audit mode: the whole synthesizer on the right, none on the left.
    PracticeSettings audit;
    audit.channels = ChannelMode::audit;
    m.set_practice(audit);
    m.set_synth(&synth);
    Buffers quiet(32);
    m.command(Mixer::Mode::stopped, true, 0);
    m.render(quiet.left.data(), quiet.right.data(), 32, 0);
    EXPECT_FLOAT_EQ(quiet.left[5], 0.0f);
    EXPECT_FLOAT_EQ(quiet.right[5], 0.75f);
}

namespace {

// A device thread whose one callback stalls inside this synthesizer until
// released, as a preempted audio thread would (a minute at most, so that a
// hand-over which blocks on it fails instead of hanging).
struct StalledCallback final : SynthSource {
    std::atomic<bool> inside{false}, released{false}, gave_up{false};
    std::thread device;

    explicit StalledCallback(Mixer& m) {
        m.set_synth(this);
        device = std::thread([&m] {
            Buffers b(64);
            m.render(b.left.data(), b.right.data(), 64, 0);
        });
        while (!inside)
            std::this_thread::yield();
    }
    ~StalledCallback() { release(); }
    void release() {
        released = true;
        if (device.joinable()) device.join();
    }
    void render_add(float*, float*, int) noexcept override {
        inside = true;
        const auto limit = std::chrono::steady_clock::now() + std::chrono::minutes(1);
        while (!released && !(gave_up = std::chrono::steady_clock::now() > limit))
            std::this_thread::yield();
    }
};

// Longer than any give-up a hand-over might have.
constexpr auto long_stall = std::chrono::milliseconds(600);

} // namespace

TEST(Mixer, SwappedRecordingLivesUntilTheStalledCallbackEnds) {
    Mixer m(8000);
    auto first = audio(8000, 1, 100, [](int, int) { return 1000; });
    const std::weak_ptr<const PcmAudio> watch = first;
    m.load(std::move(first));
    m.command(Mixer::Mode::playing, true, 0);
    StalledCallback callback(m); // it has read the first recording

    m.load(audio(8000, 1, 100, [](int, int) { return 3000; })); // returns at once
    std::this_thread::sleep_for(long_stall);
    m.command(Mixer::Mode::playing, true, 0);
    m.snapshot();
    EXPECT_FALSE(watch.expired());

    callback.release();
    EXPECT_FALSE(callback.gave_up);
    m.snapshot();
    EXPECT_TRUE(watch.expired()); // freed on this thread once the callback moved on
    Buffers b(8);
    m.render(b.left.data(), b.right.data(), 8, 0);
    EXPECT_FLOAT_EQ(b.left[0] * 32768, 3000);
}

TEST(Mixer, SetSynthReturnsOnlyAfterTheStalledCallbackEnds) {
    Mixer m(8000);
    StalledCallback callback(m);
    std::atomic<bool> returned{false};
    std::thread ui([&] {
        m.set_synth(nullptr);
        returned = true;
    });
    std::this_thread::sleep_for(long_stall);
    EXPECT_FALSE(returned);
    callback.release();
    ui.join();
    EXPECT_TRUE(returned);
    EXPECT_FALSE(callback.gave_up);
}
