#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <future>
#include <memory>
#include <thread>

#include "analysis/analyse_wav.h"
#include "analysis/loudness.h"
#include "test_support.h"

namespace pitkad {
namespace {

using test::data_chunk;
using test::fmt_chunk;
using test::wav_bytes;

class Analyse : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { tables_ = new BandTables(build_band_tables()); }
    static void TearDownTestSuite() { delete tables_; }

    AnalysisResult analyse(const test::Bytes& bytes, int threads = 1,
                           KernelPath path = KernelPath::scalar) {
        const auto file = dir_ / "in.wav";
        test::write_file(file, bytes);
        return analyse_wav(
            file, *store_, *tables_, [this](const std::string& t) { progress_.push_back(t); },
            threads, path);
    }
    float max_band(int t, int* which = nullptr) const {
        int best = first_band;
        for (int b = first_band; b <= last_band; ++b)
            if (store_->at(t, b) > store_->at(t, best)) best = b;
        if (which) *which = best;
        return store_->at(t, best);
    }
    bool all_silent(int frames) const {
        for (int t = 0; t < frames; ++t)
            for (int b = first_band; b <= last_band; ++b)
                if (store_->at(t, b) != -60.0f) return false;
        return true;
    }

    static BandTables* tables_;
    test::TempDir dir_;
    std::unique_ptr<SpectrogramStore> store_ = std::make_unique<SpectrogramStore>();
    std::vector<std::string> progress_;
};
BandTables* Analyse::tables_ = nullptr;

TEST_F(Analyse, ErrorsLeaveTheStoreAsItWas) {
    const struct {
        const char* name;
        test::Bytes bytes;
        OpenStatus status;
    } rows[] = {
        {"unsupported", wav_bytes({fmt_chunk(1, 48000), data_chunk({1, 2})}),
         OpenStatus::unsupported},
        {"bad header", wav_bytes({fmt_chunk(1, 44100)}), OpenStatus::bad_header},
    };
    for (const auto& r : rows) {
        const AnalysisResult res = analyse(r.bytes);
        EXPECT_FALSE(res.ok) << r.name;
        EXPECT_EQ(res.status, r.status);
        EXPECT_EQ(store_->frame_count, 1);
        EXPECT_EQ(store_->at(0, 36), empty_level);
        EXPECT_TRUE(progress_.empty());
    }
    const AnalysisResult missing = analyse_wav(dir_ / "nothing.wav", *store_, *tables_);
    EXPECT_EQ(missing.status, OpenStatus::cannot_open);
}

TEST_F(Analyse, ProgressOfAFiveFrameRecording) {
    ASSERT_TRUE(analyse(test::mono_wav(std::vector<std::int16_t>(882 * 5, 100))).ok);
    EXPECT_EQ(progress_, (std::vector<std::string>{"0 %", "10 %", "20 %", "30 %", "40 %"}));
}

TEST_F(Analyse, ProgressSteps) {
    const struct {
        int frames;
        std::vector<std::pair<int, std::string>> steps;
    } rows[] = {
        {0, {}},
        {1, {{0, "0 %"}}},
        {3, {{0, "0 %"}, {1, "10 %"}, {2, "20 %"}}},
        {20,
         {{0, "0 %"},
          {2, "10 %"},
          {4, "20 %"},
          {6, "30 %"},
          {8, "40 %"},
          {10, "50 %"},
          {12, "60 %"},
          {14, "70 %"},
          {16, "80 %"},
          {18, "90 %"}}},
    };
    for (const auto& r : rows)
        EXPECT_EQ(progress_steps(r.frames), r.steps) << r.frames;
    EXPECT_EQ(progress_steps(57999).size(), 10u);
}

TEST_F(Analyse, StereoAnalysesTheFirstChannelOnly) {
    // Left silent, right a loud tone: silence everywhere.
    auto right_only = test::interleave(882 * 8, 2, [](int c, int i) {
        return c == 0 ? 0 : test::sine_sample(30000, 441, 44100, i);
    });
    ASSERT_TRUE(analyse(wav_bytes({fmt_chunk(2, 44100), data_chunk(right_only)})).ok);
    EXPECT_EQ(store_->frame_count, 8);
    EXPECT_TRUE(all_silent(8));

    // Left the tone, right noise: band 36 (441 Hz) dominates.
    auto left_tone = test::interleave(882 * 40, 2, [](int c, int i) {
        return c == 0 ? test::sine_sample(30000, 441, 44100, i) : ((i * 7919) % 20000) - 10000;
    });
    ASSERT_TRUE(analyse(wav_bytes({fmt_chunk(2, 44100), data_chunk(left_tone)})).ok);
    int band = 0;
    max_band(20, &band);
    EXPECT_EQ(band, 36);
}

// Left 441 Hz (band 36), right 882 Hz (band 48): each choice shows its part,
// the mid both at half their level; a mono file gives its one channel to
// every choice, as does a last, incomplete frame that does not hold it.
TEST_F(Analyse, TheChosenChannelIsAnalysed) {
    const auto stereo =
        wav_bytes({fmt_chunk(2, 44100), data_chunk(test::interleave(882 * 40, 2, [](int c, int i) {
                       return test::sine_sample(20000, c == 0 ? 441 : 882, 44100, i);
                   }))});
    const auto file = dir_ / "in.wav";
    test::write_file(file, stereo);
    auto levels = [&](AnalysisChannel channel) {
        EXPECT_TRUE(analyse_wav(file, *store_, *tables_, {}, 1, KernelPath::scalar, channel).ok);
        return std::pair{store_->at(20, 36), store_->at(20, 48)};
    };
    const auto first = levels(AnalysisChannel::first);
    const auto second = levels(AnalysisChannel::second);
    const auto mid = levels(AnalysisChannel::mid);
    EXPECT_GT(first.first, first.second + 30);
    EXPECT_GT(second.second, second.first + 30);
    EXPECT_NEAR(mid.first, first.first - 6.02f, 0.1f);
    EXPECT_NEAR(mid.second, second.second - 6.02f, 0.1f);

    std::vector<std::int16_t> tone(882 * 6 + 1);
    for (int i = 0; i < int(tone.size()); ++i)
        tone[std::size_t(i)] = test::sine_sample(9000, 660, 44100, i);
    auto data = data_chunk(tone);
    data.payload.push_back(0x7f); // half a sample: not analysed
    store_->reset();
    ASSERT_TRUE(analyse(wav_bytes({fmt_chunk(1, 44100), data})).ok);
    const std::vector<float> reference = store_->spectrogram;
    for (const AnalysisChannel c : {AnalysisChannel::second, AnalysisChannel::mid}) {
        store_->reset();
        ASSERT_TRUE(
            analyse_wav(dir_ / "in.wav", *store_, *tables_, {}, 1, KernelPath::scalar, c).ok);
        EXPECT_EQ(store_->spectrogram, reference) << int(c);
    }

    const struct {
        std::string_view name;
        std::optional<AnalysisChannel> channel;
    } names[] = {{"first", AnalysisChannel::first},
                 {"second", AnalysisChannel::second},
                 {"mid", AnalysisChannel::mid},
                 {"left", std::nullopt},
                 {"Mid", std::nullopt},
                 {"", std::nullopt}};
    for (const auto& n : names) {
        EXPECT_EQ(parse_analysis_channel(n.name), n.channel) << n.name;
        if (n.channel) {
            EXPECT_EQ(analysis_channel_name(*n.channel), n.name);
        }
    }
}

// References as the command line and the settings file write them: hertz
// within 415 … 466, to a hundredth; "auto" asks for the estimate.
TEST(AnalysisReferenceText, ReadsHertzWithinTheRange) {
    const struct {
        std::string_view text;
        std::optional<std::int32_t> centihertz;
        std::string_view written;
    } cases[] = {
        {"440", 44000, "440"},     {"446.1", 44610, "446.1"},    {"415", 41500, "415"},
        {"466.004", 46600, "466"}, {"414.99", std::nullopt, ""}, {"466.01", std::nullopt, ""},
        {"nan", std::nullopt, ""}, {"440Hz", std::nullopt, ""},  {"", std::nullopt, ""}};
    for (const auto& c : cases) {
        const auto r = parse_reference(c.text);
        ASSERT_EQ(r.has_value(), c.centihertz.has_value()) << c.text;
        if (!r) continue;
        EXPECT_EQ(r->centihertz, *c.centihertz) << c.text;
        EXPECT_EQ(reference_text(*r), c.written);
    }
    EXPECT_TRUE(parse_reference_request("auto")->estimate);
    EXPECT_FALSE(parse_reference_request("Auto"));
    EXPECT_NEAR(reference_cents(*parse_reference("446.1")), 23.8, 0.05);
}

TEST_F(Analyse, Mono22050IsZeroStuffed) {
    std::vector<std::int16_t> tone(22050 * 2);
    for (int i = 0; i < int(tone.size()); ++i)
        tone[std::size_t(i)] = test::sine_sample(32767, 441, 22050, i);
    ASSERT_TRUE(analyse(test::mono_wav(tone, 22050)).ok);
    EXPECT_EQ(store_->frame_count, 100); // 2 s × 50
    int band = 0;
    const float level = max_band(50, &band);
    EXPECT_EQ(band, 36);
    // Every other sample is zero: half the amplitude, a quarter of the power.
    EXPECT_NEAR(level, 85.7 - 6.02, 0.1);
}

// Frame t is centred on input sample t × 882 (t × 441 at 22050 Hz): a click
// there reaches band 75's short window in frame t only.
TEST_F(Analyse, FramesAreCentredOnTheirSamples) {
    for (std::uint32_t rate : {44100u, 22050u}) {
        SCOPED_TRACE(rate);
        const int per_frame = int(rate / 50);
        std::vector<std::int16_t> s(std::size_t(per_frame * 10), 0);
        s[std::size_t(per_frame * 3)] = 20000;
        ASSERT_TRUE(analyse(test::mono_wav(s, rate)).ok);
        for (int t = 0; t < 10; ++t)
            EXPECT_EQ(store_->at(t, 75) > -60.0f, t == 3) << t;
        EXPECT_GT(store_->at(0, 2), -60.0f); // band 2 reaches 0.29 s ahead
    }
}

TEST_F(Analyse, ShortRecordings) {
    // Shorter than one frame: an empty recording that normalises without harm.
    ASSERT_TRUE(analyse(test::mono_wav(std::vector<std::int16_t>(881, 5000))).ok);
    EXPECT_EQ(store_->frame_count, 0);
    EXPECT_TRUE(progress_.empty());
    normalise_to_peak(*store_);
    EXPECT_EQ(store_->at(0, 36), empty_level);

    // Shorter than the history's look-ahead: the missing samples are zero.
    std::vector<std::int16_t> tone(882 * 3);
    for (int i = 0; i < int(tone.size()); ++i)
        tone[std::size_t(i)] = test::sine_sample(30000, 441, 44100, i);
    ASSERT_TRUE(analyse(test::mono_wav(tone)).ok);
    EXPECT_EQ(store_->frame_count, 3);
    EXPECT_EQ(store_->at(3, 36), empty_level);
    EXPECT_GT(store_->at(1, 36), 70.0f);
}

TEST_F(Analyse, SilenceIsMinus60ThenTheEmptyLevel) {
    ASSERT_TRUE(analyse(test::mono_wav(std::vector<std::int16_t>(882 * 6, 0))).ok);
    EXPECT_TRUE(all_silent(6));
    EXPECT_EQ(store_->at(0, 0), empty_level);
    EXPECT_EQ(store_->at(0, 1), empty_level);
    normalise_to_peak(*store_);
    for (int t = 0; t < 6; ++t)
        for (int b = first_band; b <= last_band; ++b)
            ASSERT_EQ(store_->at(t, b), empty_level);
}

TEST_F(Analyse, PowerToDecibels) {
    const struct {
        float power;
        float db;
    } rows[] = {{0.0f, -60.0f}, {1e-6f, -60.0f}, {1.0f, 0.0f}, {100.0f, 20.0f}, {-5.0f, -60.0f}};
    for (const auto& r : rows)
        EXPECT_FLOAT_EQ(power_to_db(r.power), r.db) << r.power;
    EXPECT_GT(power_to_db(1.1e-6f), -60.0f);
}

// Any thread count and kernel path gives the sequential scalar result, bit
// for bit, and the same progress texts.
TEST_F(Analyse, ParallelAndVectorisedMatchSequential) {
    std::vector<std::int16_t> s(882 * 203 + 17);
    for (int i = 0; i < int(s.size()); ++i)
        s[std::size_t(i)] = std::int16_t(test::sine_sample(9000, 261.6 + i * 0.002, 44100, i) +
                                         int((i * 48271LL) % 4001) - 2000);
    const test::Bytes bytes = wav_bytes({fmt_chunk(1, 44100), data_chunk(s)});
    ASSERT_TRUE(analyse(bytes, 1, KernelPath::scalar).ok);
    const std::vector<float> reference = store_->spectrogram;
    const std::vector<std::string> reference_progress = progress_;
    ASSERT_EQ(reference_progress.size(), 10u);

    for (int threads : {2, 3, 8}) {
        for (KernelPath path : {KernelPath::scalar, best_kernel_path()}) {
            SCOPED_TRACE(std::to_string(threads) + " " + kernel_path_name(path));
            store_->reset();
            progress_.clear();
            ASSERT_TRUE(analyse(bytes, threads, path).ok);
            EXPECT_EQ(store_->frame_count, 203);
            EXPECT_EQ(std::memcmp(store_->spectrogram.data(), reference.data(),
                                  reference.size() * sizeof(float)),
                      0);
            EXPECT_EQ(progress_, reference_progress);
        }
    }
}

// Samples arriving in uneven pieces from another thread, with the reader held
// back to a few chunks ahead and chunks freed behind the analysis, give the
// columns of the whole recording read at once, the first of them handed over
// early when asked; an abandoned stream stops.
TEST_F(Analyse, StreamedSamplesMatchTheWholeRecording) {
    const int frames = 1400; // about five chunks
    std::vector<std::int16_t> s(std::size_t(frames) * 882 + 300);
    for (int i = 0; i < int(s.size()); ++i)
        s[std::size_t(i)] = std::int16_t(test::sine_sample(7000, 440 + i * 0.0001, 44100, i) +
                                         int((i * 48271LL) % 3001) - 1500);
    ASSERT_TRUE(analyse(wav_bytes({fmt_chunk(1, 44100), data_chunk(s)}), 2, best_kernel_path()).ok);
    const std::vector<float> reference = store_->spectrogram;

    for (const bool announced : {true, false}) {
        for (const int threads : {1, 3}) {
            SCOPED_TRACE(std::to_string(announced) + " " + std::to_string(threads));
            store_->reset();
            SampleStream stream(std::int64_t(frame_limit) * 882, 0);
            std::thread producer([&] {
                if (announced) stream.announce_frames(frames);
                std::vector<float> piece;
                for (std::size_t at = 0, n = 1; at < s.size(); at += n, n = n * 3 % 9973 + 1) {
                    n = std::min(n, s.size() - at);
                    piece.assign(s.begin() + std::ptrdiff_t(at),
                                 s.begin() + std::ptrdiff_t(at + n));
                    if (!stream.append(piece)) {
                        ADD_FAILURE() << "refused at " << at;
                        break;
                    }
                }
                stream.finish(frames);
            });
            // The first columns are handed over once, as they end up; a
            // first look longer than the recording never comes.
            EarlyColumns early;
            early.frames = threads == 1 ? 600 : frames + 1;
            std::vector<float> first;
            int handed = 0;
            early.ready = [&](std::vector<float>&& columns) {
                ++handed;
                first = std::move(columns);
            };
            EXPECT_EQ(analyse_stream(stream, *store_, *tables_, {}, threads, frames,
                                     best_kernel_path(), {}, {}, early),
                      frames);
            producer.join();
            EXPECT_EQ(std::memcmp(store_->spectrogram.data(), reference.data(),
                                  reference.size() * sizeof(float)),
                      0);
            EXPECT_EQ(handed, early.frames <= frames ? 1 : 0);
            if (handed) {
                EXPECT_TRUE(std::equal(first.begin(), first.end(), reference.begin()) &&
                            first.size() == std::size_t(early.frames) * cells_per_frame);
            }
        }
    }

    SampleStream abandoned(std::int64_t(frame_limit) * 882);
    std::thread producer([&] {
        abandoned.append(std::vector<float>(50000, 1.0f));
        abandoned.abandon();
    });
    EXPECT_EQ(analyse_stream(abandoned, *store_, *tables_, {}, 2, 0), -1);
    producer.join();
}

// A stream longer than announced, and longer than the store's first room,
// is analysed to its end: the store makes room as the frames come.
TEST_F(Analyse, AStreamLongerThanTheStoreGrowsIt) {
    const int frames = store_frames + 40;
    SampleStream stream(std::int64_t(recording_frame_limit) * 882);
    std::thread producer([&] {
        std::vector<float> piece(std::size_t(frames - 100) * 882, 0.0f);
        stream.append(piece);
        piece.resize(100 * 882);
        for (int i = 0; i < int(piece.size()); ++i)
            piece[std::size_t(i)] = float(test::sine_sample(9000, 440, 44100, i));
        stream.append(piece);
        stream.finish(frames);
    });
    EXPECT_EQ(analyse_stream(stream, *store_, *tables_, {}, 2, 1000), frames);
    producer.join();
    EXPECT_GT(store_->columns(), frames);
    EXPECT_EQ(store_->at(frames - 200, 36), -60.0f);
    EXPECT_GT(store_->at(frames - 20, 36), store_->at(frames - 20, 48) + 20.0f); // A4, not A5
}

TEST_F(Analyse, StopEndsTheStreamAnalysisAtOnce) {
    // Only tells a stop from a run to the end, on a loaded machine too.
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
    constexpr auto bound = std::chrono::milliseconds(5000);
#else
    constexpr auto bound = std::chrono::milliseconds(1000);
#endif
    // Stopped while the samples keep coming, and while the analysis waits for more.
    for (const bool starved : {false, true}) {
        SCOPED_TRACE(starved ? "waiting" : "analysing");
        std::stop_source stop;
        ProgressMeter meter;
        SampleStream stream(std::int64_t(frame_limit) * 882, SampleStream::default_ahead,
                            stop.get_token());
        std::atomic<bool> refused{false};
        std::thread producer([&] {
            const std::vector<float> second(44100, 3000.0f);
            for (int i = 0; !starved || i < 3; ++i)
                if (!stream.append(second)) {
                    refused = true;
                    return;
                }
        });
        std::chrono::steady_clock::time_point asked;
        std::thread stopper([&] {
            while (meter.done() < 40)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            if (starved) std::this_thread::sleep_for(std::chrono::milliseconds(20));
            asked = std::chrono::steady_clock::now();
            stop.request_stop();
        });
        const std::int32_t frames = analyse_stream(stream, *store_, *tables_, {}, 2, 50000,
                                                   best_kernel_path(), {stop.get_token(), &meter});
        const auto returned = std::chrono::steady_clock::now();
        stopper.join();
        producer.join();
        EXPECT_EQ(frames, -1);
        EXPECT_LT(returned - asked, bound);
        EXPECT_EQ(meter.total(), 50000);
        EXPECT_GT(meter.share(), 0.0);
        EXPECT_LT(meter.share(), 0.5);
        EXPECT_EQ(refused.load(), !starved); // a producer still appending is refused
    }
}

// A progress report that stalls (a slow terminal, a repaint) while the other
// thread runs the whole read-ahead further must not leave every thread and the
// producer waiting for one another: a finished batch is released before it
// is reported.
TEST_F(Analyse, AStalledProgressReportDoesNotDeadlockTheStream) {
    constexpr std::int64_t ahead = SampleStream::chunk_samples * 4;
    constexpr int frames = int(ahead * 4 / 882);
    std::stop_source stop;
    SampleStream stream(std::int64_t(frame_limit) * 882, ahead, stop.get_token());
    std::thread producer([&] {
        stream.announce_frames(frames);
        const std::vector<float> piece(8820, 1000.0f);
        for (int i = 0; i * 10 < frames; ++i)
            if (!stream.append(piece)) return;
        stream.finish(frames);
    });
    std::atomic<int> calls = 0;
    auto stall_once = [&](const std::string&) {
        if (++calls == 2) std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    };
    auto analysis = std::async(std::launch::async, [&] {
        return analyse_stream(stream, *store_, *tables_, stall_once, 2, frames, best_kernel_path(),
                              {stop.get_token(), nullptr});
    });
    // Deadlocked is: neither the reports nor the stream move for 20 s. A
    // slow run (a sanitizer on a loaded machine) keeps moving and may take
    // as long as it needs.
    bool finished = false;
    for (int still = 0; !finished && still < 20;) {
        const std::pair before{calls.load(), stream.size()};
        finished = analysis.wait_for(std::chrono::seconds(1)) == std::future_status::ready;
        still = std::pair{calls.load(), stream.size()} == before ? still + 1 : 0;
    }
    if (!finished) stop.request_stop(); // frees the waiting threads, so the test ends
    EXPECT_TRUE(finished) << "the analysis and the producer wait for one another";
    EXPECT_EQ(analysis.get(), finished ? frames : -1);
    producer.join();
}

TEST_F(Analyse, DemoRecording) {
    const auto demo = std::filesystem::path(PITKAD_TEST_DATA_DIR) / "demo.wav";
    if (!std::filesystem::exists(demo)) GTEST_SKIP() << "demo.wav not built";
    ASSERT_TRUE(analyse_wav(demo, *store_, *tables_, {}, 2).ok);
    EXPECT_GE(store_->frame_count, 20 * 50);
    EXPECT_LE(store_->frame_count, 40 * 50);
    normalise_to_peak(*store_);
    EXPECT_EQ(max_band(0) <= 0.0f, true);
    float peak = -1000;
    for (int t = 0; t < store_->frame_count; ++t)
        peak = std::max(peak, max_band(t));
    EXPECT_EQ(peak, 0.0f);
}

} // namespace
} // namespace pitkad
