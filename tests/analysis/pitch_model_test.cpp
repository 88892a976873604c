#include "analysis/pitch_model.h"

#include "tests/common/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <vector>

namespace pitkad {
namespace {

using P = PitchModel;

TEST(PitchModel, EachFrameComesFromTheNearestKeptFrame) {
    const struct {
        int k;
        P::FrameSource want;
    } cases[] = {
        {0, {0, 15}},     // the first window's first kept frame
        {141, {0, 156}},  // its last
        {142, {1, 16}},   // window w's frame j lies at w × 141.27 + j − 15: 142.27
        {282, {1, 156}},  // 282.27
        {283, {2, 15}},   // 282.53; window 1's frame 157 (283.27) is not kept
        {284, {2, 16}},   // 283.53
        {3673, {26, 15}}, // 26 × 141.27 = 3672.9
    };
    for (const auto& c : cases)
        EXPECT_EQ(P::frame_source(c.k), c.want) << c.k;
    // Always a kept frame, within half a frame of k, windows in order.
    int window = 0;
    for (int k = 0; k < 100000; ++k) {
        const P::FrameSource s = P::frame_source(k);
        ASSERT_GE(s.frame, P::edge_frames);
        ASSERT_LT(s.frame, P::window_frames - P::edge_frames);
        const long centre =
            long(s.window) * P::window_step + long(s.frame) * P::hop - P::edge_frames * P::hop;
        ASSERT_LE(std::abs(centre - long(k) * P::hop), P::hop / 2) << k;
        ASSERT_TRUE(s.window == window || s.window == window + 1) << k;
        window = s.window;
    }
}

TEST(PitchModel, MissingOrForeignModelIsRefused) {
    EXPECT_NE(P::load("/nonexistent/pitkad").error.find("cannot read"), std::string::npos);
    // Graph models with other inputs or outputs.
    test::TempDir dir;
    const auto load = [&](std::string_view nodes) {
        std::ofstream(dir.path() / "model.json")
            << R"({"format":"graph-model","modelTopology":{"node":[)" << nodes << "]}}";
        return P::load(dir.path()).error;
    };
    const std::string input =
        R"({"name":"input_2","op":"Placeholder","attr":{"dtype":{"type":"DT_FLOAT"}}})";
    EXPECT_EQ(load(input), "not the note model: no node Identity_1");
    EXPECT_EQ(load(input + R"(,{"name":"Identity_1","op":"Identity","input":["input_2"]},)"
                           R"({"name":"Identity_2","op":"Identity","input":["input_2"]})"),
              "not the note model: Identity_1 is not [1, 172, 88]");
}

// The note model: in the folder PITKAD_PITCH_MODEL_DIR names, else the one
// the build copied beside its data (when the setup fetched it).
const P* note_model() {
    static const OrError<P> model = [] {
        const char* dir = std::getenv("PITKAD_PITCH_MODEL_DIR");
        const std::filesystem::path built = std::filesystem::path(PITKAD_TEST_DATA_DIR) / "pitch-model";
        if (dir) return P::load(dir);
        return std::filesystem::exists(built / "model.json") ? P::load(built) : OrError<P>{};
    }();
    return model.value ? &*model.value : nullptr;
}

// 0.5 s of silence, then A4 struck as a piano is, its six harmonics
// fading, the higher ones faster, for 1 s; then 0.5 s of silence.
std::vector<float> struck_a4() {
    std::vector<float> s(2 * P::sample_rate, 0.0f);
    for (int i = 0; i < P::sample_rate; ++i) {
        const double t = double(i) / P::sample_rate;
        double v = 0;
        for (int h = 1; h <= 6; ++h)
            v += std::pow(0.6, h - 1) * std::exp(-t * (1.5 + h)) *
                 std::sin(2 * std::numbers::pi * 440.0 * h * t);
        s[std::size_t(P::sample_rate / 2 + i)] = float(0.3 * v * std::min(1.0, i / 100.0));
    }
    return s;
}

TEST(PitchModel, FindsAStruckA4) {
    const P* model = note_model();
    if (!model) GTEST_SKIP() << "the note model is not installed (scripts/setup-deps fetches it)";
    const std::vector<float> audio = struck_a4();
    const PitchPosteriors p = model->run(audio, 2);
    ASSERT_EQ(p.frames, int((audio.size() + 255) / 256));
    ASSERT_EQ(p.notes.size(), std::size_t(p.frames) * P::pitches);
    const auto at = [&](const std::vector<float>& v, int k, int midi) {
        return v[std::size_t(k) * P::pitches + std::size_t(midi - P::lowest_midi)];
    };
    const auto loudest = [&](const std::vector<float>& v, int k) {
        const auto row = v.begin() + std::ptrdiff_t(k) * P::pitches;
        return P::lowest_midi + int(std::max_element(row, row + P::pitches) - row);
    };
    // The onset peaks at A4 near 0.5 s (frame 43.07).
    int peak = 0;
    for (int k = 0; k < p.frames; ++k)
        if (at(p.onsets, k, 69) > at(p.onsets, peak, 69)) peak = k;
    EXPECT_NEAR(peak, 43, 2);
    EXPECT_GT(at(p.onsets, peak, 69), 0.5f);
    EXPECT_EQ(loudest(p.onsets, peak), 69);
    // The note holds over the second (across the seam of two windows at
    // frame 141) and not before it.
    for (int k = 48; k < 120; ++k) {
        EXPECT_EQ(loudest(p.notes, k), 69) << k;
        EXPECT_GT(at(p.notes, k, 69), 0.5f) << k;
    }
    for (int k = 0; k < 36; ++k)
        EXPECT_LT(at(p.notes, k, 69), 0.3f) << k;

    // The first window's kept frames are the first frames, as run alone;
    // the result does not depend on the threads.
    std::vector<float> first(P::window_samples, 0.0f);
    std::copy_n(audio.begin(), P::window_samples - P::edge_frames * P::hop,
                first.begin() + P::edge_frames * P::hop);
    const OrError<P::WindowOutputs> window = model->run_window(first);
    ASSERT_TRUE(window.value) << window.error;
    for (int k = 0; k <= 141; ++k)
        for (int q = 0; q < P::pitches; ++q) {
            const std::size_t from = std::size_t(k + P::edge_frames) * P::pitches + std::size_t(q);
            const std::size_t to = std::size_t(k) * P::pitches + std::size_t(q);
            ASSERT_EQ(p.notes[to], window.value->notes[from]);
            ASSERT_EQ(p.onsets[to], window.value->onsets[from]);
        }
    const PitchPosteriors one = model->run(audio, 1);
    EXPECT_EQ(one.notes, p.notes);
    EXPECT_EQ(one.onsets, p.onsets);
}

TEST(PitchModel, StoppedOrEmptyGivesNothing) {
    const P* model = note_model();
    if (!model) GTEST_SKIP() << "the note model is not installed (scripts/setup-deps fetches it)";
    const std::atomic<bool> stop{true};
    EXPECT_EQ(model->run(std::vector<float>(P::sample_rate * 10, 0.1f), 2, &stop).frames, 0);
    EXPECT_EQ(model->run({}, 2).frames, 0);
}

} // namespace
} // namespace pitkad
