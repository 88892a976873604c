// Practice playback measured on test signals: the preparer's output length
// and pitch at other speeds and transpositions, loops that stay inside and
// have no step at the seam, the clock outputs' speed and loops, and the
// mixer's positions while playing prepared sound.

#include "audio/audio_output.h"
#include "audio/mixer.h"
#include "audio/practice_preparer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>
#include <tuple>
#include <vector>

namespace pitkad {
namespace {

constexpr int rate = 44100;

std::shared_ptr<const PcmAudio> sine(double seconds, double hz = 440, int amplitude = 12000) {
    auto a = std::make_shared<PcmAudio>();
    a->rate = rate;
    a->channels = 2;
    a->frames = std::int64_t(seconds * rate);
    a->samples.resize(std::size_t(a->frames) * 2);
    for (std::int64_t i = 0; i < a->frames; ++i) {
        const auto v = std::int16_t(std::lrint(amplitude * std::sin(2 * M_PI * hz * i / rate)));
        a->samples[std::size_t(2 * i)] = a->samples[std::size_t(2 * i + 1)] = v;
    }
    return a;
}

struct Heard {
    std::vector<float> left;
    std::vector<double> position; // file frame of each frame
    bool ended = false;
};

// Takes blocks as the callback would, up to `frames` frames or the end.
Heard take(PracticePreparer& p, std::uint32_t generation, std::size_t frames) {
    Heard h;
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (h.left.size() < frames && !h.ended && std::chrono::steady_clock::now() < give_up) {
        const PracticePreparer::Block* b = p.front();
        if (!b) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
            continue;
        }
        if (b->generation == generation) {
            for (int i = 0; i < b->frames; ++i) {
                h.left.push_back(b->left[i]);
                h.position.push_back(b->position + i * b->step);
            }
            h.ended = b->end;
        }
        p.pop();
    }
    return h;
}

// The loudest frequency (0.5 Hz steps) near `around`, over a middle stretch.
double peak_hz(const std::vector<float>& s, double around) {
    const std::size_t from = s.size() / 4, n = std::min<std::size_t>(s.size() / 2, rate);
    double best = 0, best_power = -1;
    for (double f = around * 0.9; f <= around * 1.1; f += 0.5) {
        double re = 0, im = 0;
        for (std::size_t i = 0; i < n; ++i) {
            re += s[from + i] * std::cos(2 * M_PI * f * double(i) / rate);
            im += s[from + i] * std::sin(2 * M_PI * f * double(i) / rate);
        }
        if (re * re + im * im > best_power) {
            best_power = re * re + im * im;
            best = f;
        }
    }
    return best;
}

TEST(Practice, SpeedChangesLengthNotPitchAndTransposeChangesPitch) {
    const struct {
        double seconds; // of the recording
        double speed;
        int semitones;
        StretchEngine engine;
        double hz; // the pitch expected
    } rows[] = {
        {10, 0.5, 0, StretchEngine::finer, 440},    {3, 0.5, 0, StretchEngine::faster, 440},
        {3, 2.0, 0, StretchEngine::finer, 440},     {3, 1.0, 12, StretchEngine::finer, 880},
        {3, 0.75, -12, StretchEngine::faster, 220},
    };
    for (const auto& row : rows) {
        const auto audio = sine(row.seconds);
        SCOPED_TRACE(testing::Message() << row.speed << " " << row.semitones);
        PracticePreparer p;
        p.set_audio(audio);
        PracticeSettings s;
        s.speed = row.speed;
        s.semitones = row.semitones;
        s.engine = row.engine;
        p.set_settings(s);
        p.start(0, 7);
        const Heard h = take(p, 7, std::size_t(30 * rate));
        ASSERT_TRUE(h.ended);
        const double expected = row.seconds / row.speed;
        EXPECT_NEAR(double(h.left.size()) / rate, expected, expected * 0.01);
        EXPECT_NEAR(peak_hz(h.left, row.hz), row.hz, row.hz / 110);
        EXPECT_NEAR(h.position.back(), double(audio->frames), 0.02 * rate);
    }
}

// A new speed while playing is heard within 100 ms, and the positions go on
// without a jump.
TEST(Practice, SpeedChangesWhilePlayingWithoutAJump) {
    PracticePreparer p;
    p.set_audio(sine(6));
    PracticeSettings s;
    s.speed = 0.5;
    p.set_settings(s);
    p.start(0, 1);
    Heard h = take(p, 1, std::size_t(rate));
    const std::size_t changed_at = h.left.size();
    s.speed = 0.75;
    p.set_settings(s);
    const Heard after = take(p, 1, std::size_t(rate));
    h.position.insert(h.position.end(), after.position.begin(), after.position.end());
    std::size_t first_fast = 0;
    for (std::size_t i = changed_at; i < h.position.size() && !first_fast; ++i)
        if (h.position[i] - h.position[i - 1] > 0.6) first_fast = i;
    ASSERT_NE(first_fast, 0u);
    EXPECT_LE(double(first_fast - changed_at) / rate, 0.1);
    for (std::size_t i = 1; i < h.position.size(); ++i)
        ASSERT_NEAR(h.position[i] - h.position[i - 1], 0.625, 0.126) << i;
}

// The positions that label stretched sound are where its clicks were in
// the recording: the cursor matches what is heard within 10 ms (3.5 ms
// finer, 5.2 ms faster when written).
TEST(Practice, PositionsMatchTheHeardSound) {
    auto a = std::make_shared<PcmAudio>();
    a->rate = rate;
    a->channels = 1;
    a->frames = 6 * rate;
    a->samples.assign(std::size_t(a->frames), 0);
    std::vector<std::int64_t> clicks;
    for (std::int64_t c = rate / 2; c < a->frames - rate / 2; c += rate / 2 + 1234) {
        clicks.push_back(c);
        for (int i = 0; i < 40; ++i) // a short burst
            a->samples[std::size_t(c + i)] = std::int16_t(i % 2 ? 20000 : -20000);
    }
    for (const StretchEngine engine : {StretchEngine::finer, StretchEngine::faster}) {
        PracticePreparer p;
        p.set_audio(a);
        PracticeSettings s;
        s.speed = 0.5;
        s.engine = engine;
        p.set_settings(s);
        p.start(0, 1);
        const Heard h = take(p, 1, std::size_t(13 * rate));
        // Each click's loudest output frame near where it belongs.
        double worst_ms = 0;
        for (const std::int64_t c : clicks) {
            const double expected_out = double(c) / s.speed;
            std::size_t best = 0;
            for (auto i = std::size_t(expected_out - 0.2 * rate); i < expected_out + 0.2 * rate;
                 ++i)
                if (std::abs(h.left[i]) > std::abs(h.left[best])) best = i;
            worst_ms = std::max(worst_ms, std::abs(h.position[best] - double(c)) * 1000 / rate);
        }
        EXPECT_LE(worst_ms, 10.0) << int(engine);
    }
}

// A loop from 2.0 to 3.0 s keeps the position inside for 10 s of sound,
// plain and stretched; no step at the seam is larger than the signal's own.
TEST(Practice, LoopsStayInsideWithoutASeamStep) {
    const auto audio = sine(6, 440, 12000);
    const double largest_step = 2 * M_PI * 440 / rate * 12000 / 32768.0 * 1.05;
    for (const double speed : {1.0, 0.5}) {
        SCOPED_TRACE(speed);
        PracticePreparer p;
        p.set_audio(audio);
        PracticeSettings s;
        s.speed = speed;
        s.loop = {2 * rate, 3 * rate};
        p.set_settings(s);
        p.start(rate * 5 / 2, 1);
        const Heard h = take(p, 1, std::size_t(10 * rate));
        ASSERT_GE(h.left.size(), std::size_t(10 * rate));
        EXPECT_FALSE(h.ended);
        int wraps = 0;
        for (std::size_t i = 1; i < h.left.size(); ++i) {
            ASSERT_GE(h.position[i], 2.0 * rate - 1) << i;
            ASSERT_LT(h.position[i], 3.0 * rate + 1) << i;
            if (h.position[i] < h.position[i - 1]) ++wraps;
            // The stretcher's own output wobbles; the plain path is exact.
            if (speed == 1.0) {
                ASSERT_LE(std::abs(h.left[i] - h.left[i - 1]), largest_step) << i;
            }
        }
        EXPECT_NEAR(wraps, 10 * speed, 1);
    }
}

TEST(Practice, LoopPauseIsSilenceHeldAtTheStart) {
    PracticePreparer p;
    p.set_audio(sine(3));
    PracticeSettings s;
    s.loop = {rate, 2 * rate};
    s.loop_pause = 0.5;
    p.set_settings(s);
    p.start(rate, 3);
    const Heard h = take(p, 3, std::size_t(3 * rate));
    std::size_t silent = 0;
    for (std::size_t i = rate; i < std::size_t(rate * 3 / 2); ++i)
        if (h.left[i] == 0.0f && h.position[i] == double(rate)) ++silent;
    EXPECT_EQ(silent, std::size_t(rate / 2));
    EXPECT_NE(h.left[std::size_t(rate * 3 / 2) + 100], 0.0f);
}

// The focus and channel mode act on prepared sound: a tone outside the
// focus is 30 dB down, inside it passes.
TEST(Practice, FocusCutsWhatLiesOutside) {
    for (const auto& [low, high, passes] : {std::tuple{60, 70, false}, std::tuple{30, 42, true}}) {
        PracticePreparer p;
        p.set_audio(sine(2));
        PracticeSettings s;
        s.focus_low = low;
        s.focus_high = high;
        s.channels = ChannelMode::mono;
        p.set_settings(s);
        p.start(0, 1);
        const Heard h = take(p, 1, std::size_t(2 * rate));
        double power = 0;
        for (std::size_t i = rate; i < h.left.size(); ++i)
            power += double(h.left[i]) * h.left[i];
        const double db = 10 * std::log10(power / double(h.left.size() - rate) / 0.067);
        if (passes)
            EXPECT_NEAR(db, 0, 1) << low;
        else
            EXPECT_LT(db, -30) << low;
    }
}

TEST(Practice, ClockOutputsHonourSpeedAndLoops) {
    const struct {
        double speed;
        LoopRange loop;
        double pause, advance_s, expected_s;
    } rows[] = {
        {0.5, {}, 0, 10, 5},
        {2.0, {}, 0, 3, 6},
        {1.0, {2 * rate, 3 * rate}, 0, 10.25, 2.25},  // 0 … 3 s, then 7.25 turns
        {1.0, {2 * rate, 3 * rate}, 1.0, 3.5, 2.0},   // 3 s, then in the 1 s pause
        {1.0, {2 * rate, 3 * rate}, 1.0, 4.25, 2.25}, // and 0.25 s after it
        {0.5, {2 * rate, 3 * rate}, 0, 8, 2.0},
    };
    for (const auto& row : rows) {
        SteppedOutput out;
        out.load(sine(20));
        PracticeSettings s;
        s.speed = row.speed;
        s.loop = row.loop;
        s.loop_pause = row.pause;
        out.set_practice(s);
        out.play_from(0);
        out.advance_ms(row.advance_s * 1000);
        EXPECT_NEAR(out.position() / rate, row.expected_s, 1e-6)
            << row.speed << " " << row.advance_s;
    }
}

// Played through the mixer at half speed, the heard position is half the
// time played, in the recording's frames.
TEST(Practice, MixerPositionsFollowThePreparedSound) {
    for (const int device_rate : {rate, 48000}) {
        Mixer mixer(device_rate);
        mixer.load(sine(10));
        PracticeSettings s;
        s.speed = 0.5;
        mixer.set_practice(s);
        mixer.command(Mixer::Mode::playing, true, rate);
        std::vector<float> l(256), r(256);
        double played = 0;
        for (int i = 0; i < 400; ++i) {
            std::this_thread::sleep_for(std::chrono::microseconds(1500));
            std::fill(l.begin(), l.end(), 0.0f);
            mixer.render(l.data(), r.data(), 256, played / device_rate);
            // Sound up to its last sample, then silence while the preparer is late.
            int content = 256;
            while (content > 0 && l[std::size_t(content - 1)] == 0.0f)
                --content;
            played += content;
        }
        const Mixer::Snapshot snap = mixer.snapshot();
        EXPECT_DOUBLE_EQ(snap.speed, 0.5);
        // Device frames are file frames at the file's rate, at half speed.
        EXPECT_NEAR(snap.start + snap.advanced, rate + played * rate / device_rate * 0.5,
                    0.01 * rate)
            << device_rate;
    }
}

} // namespace
} // namespace pitkad
