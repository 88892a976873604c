// Opening recordings of every format family: each decodes and is analysed
// where its tone is, lossless copies of a WAV give the WAV's cache bit for
// bit, other rates are resampled, and refusals say why. The files are
// written by the ffmpeg tool from WAVs the tests make.

#include "../common/temp_dir.h"
#include "../common/test_wav.h"
#include "analysis/analysis_cache.h"
#include "audio/recording_decoder.h"
#include "control/recording_loader.h"
#include "control/suggestions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stop_token>
#include <sys/stat.h>

namespace pitkad {
namespace {

constexpr int tone_band = 36; // A4, 440 Hz

// Three seconds: 440 Hz (and a softer 1 kHz) on the left, 660 Hz on the right.
test::Bytes music_wav(int rate) {
    const int frames = rate * 3;
    return test::wav_bytes(rate, 2, frames, [rate](int f, int c) {
        const double t = double(f) / rate;
        if (c == 1) return int(6000 * std::sin(2 * M_PI * 660 * t));
        return int(8000 * std::sin(2 * M_PI * 440 * t) + 2000 * std::sin(2 * M_PI * 1000 * t));
    });
}

// Converts `from` with the ffmpeg tool; `args` go between the input and the output.
void convert(const std::filesystem::path& from, const std::string& args,
             const std::filesystem::path& to) {
    const std::string command = "ffmpeg -nostdin -loglevel error -y -i '" + from.string() + "' " +
                                args + " '" + to.string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// The music as an MP3 in `dir`, beside its WAV.
std::filesystem::path music_mp3(const test::TempDir& dir) {
    const auto wav = dir / "tone.wav";
    test::write_file(wav, music_wav(44100));
    const auto mp3 = dir / "tone.mp3";
    convert(wav, "-c:a libmp3lame", mp3);
    return mp3;
}

struct Opened {
    LoadResult result;
    std::unique_ptr<SpectrogramStore> store = std::make_unique<SpectrogramStore>();
};

Opened open(const std::filesystem::path& file, AnalysisChannel channel = AnalysisChannel::first,
            AnalysisReference reference = {}) {
    Opened o;
    static const BandTables tables = build_band_tables();
    o.result = load_or_analyse(file, *o.store, tables, {}, 2, false, true, {}, channel, reference);
    return o;
}

test::Bytes cache_body(const std::filesystem::path& recording,
                       AnalysisChannel channel = AnalysisChannel::first) {
    std::ifstream in(cache_name_for(recording, channel), std::ios::binary);
    test::Bytes b{std::istreambuf_iterator<char>(in), {}};
    return b.size() > cache_header_bytes ? test::Bytes(b.begin() + cache_header_bytes, b.end())
                                         : test::Bytes{};
}

int loudest_band(const SpectrogramStore& s, int t) {
    int best = first_band;
    for (int b = first_band; b <= last_band; ++b)
        if (s.at(t, b) > s.at(t, best)) best = b;
    return best;
}

TEST(RecordingFormats, EachFamilyDecodesAndAnalyses) {
    const struct {
        const char* name;
        int source_rate;
        const char* file;
        const char* args;
        bool lossless; // the cache equals the source WAV's bit for bit
    } families[] = {
        {"FLAC", 44100, "a.flac", "-c:a flac", true},
        {"24-bit WAV", 44100, "b.wav", "-c:a pcm_s24le", true},
        {"float WAV", 44100, "c.wav", "-c:a pcm_f32le", true},
        {"ALAC in M4A", 44100, "d.m4a", "-c:a alac", true},
        {"AIFF", 44100, "e.aiff", "", true},
        {"22050 Hz FLAC", 22050, "f.flac", "-c:a flac", true},
        {"FLAC in MKV after a video stream", 44100, "g.mkv",
         "-f lavfi -i color=c=black:s=16x16:r=5 -map 1:v -map 0:a -c:v mpeg4 -c:a flac -shortest",
         true},
        {"MP3", 44100, "h.mp3", "-c:a libmp3lame -b:a 192k", false},
        {"AAC in M4A", 44100, "i.m4a", "-c:a aac -b:a 160k", false},
        {"Vorbis in Ogg", 44100, "j.ogg", "-c:a libvorbis", false},
        {"Opus in WebM", 44100, "k.webm", "-c:a libopus", false},
        {"48 kHz WAV", 44100, "l.wav", "-ar 48000", false},
        {"8-bit WAV", 44100, "m.wav", "-c:a pcm_u8", false},
        {"8 kHz A-law WAV", 44100, "n.wav", "-ar 8000 -c:a pcm_alaw", false},
        {"5.1 FLAC", 44100, "o.flac", "-af 'pan=5.1|c0=c0|c1=c1|c2=c0|c3=c1|c4=c0|c5=c1'", false},
        {"192 kHz FLAC", 44100, "p.flac", "-ar 192000 -c:a flac", false},
    };
    test::TempDir dir;
    for (int rate : {44100, 22050}) {
        const auto wav = dir / ("source" + std::to_string(rate) + ".wav");
        test::write_file(wav, music_wav(rate));
        ASSERT_TRUE(open(wav).result.ok);
    }
    for (const auto& f : families) {
        SCOPED_TRACE(f.name);
        const auto source = dir / ("source" + std::to_string(f.source_rate) + ".wav");
        const auto file = dir / f.file;
        convert(source, f.args, file);
        const Opened o = open(file);
        ASSERT_TRUE(o.result.ok) << o.result.detail;
        EXPECT_NEAR(o.store->frame_count, 150, 3);
        EXPECT_EQ(loudest_band(*o.store, 75), tone_band);
        ASSERT_TRUE(o.result.audio);
        EXPECT_EQ(o.result.audio->channels, 2);
        // The header's rate, known before a background decoding ends.
        EXPECT_EQ(playback_rate(file), o.result.audio->rate);
        EXPECT_LE(o.result.audio->rate, highest_playback_rate);
        EXPECT_NEAR(double(o.result.audio->frames) / o.result.audio->rate, 3.0, 0.1);
        if (f.lossless) {
            EXPECT_EQ(o.store->frame_count, 150);
            EXPECT_TRUE(cache_body(file) == cache_body(source)) << "cache differs from the WAV's";
        }
    }
}

// The chosen channel through the WAV reader and through FFmpeg: the second
// shows the right's 660 Hz (band 43), the mid both tones; a lossless copy
// gives the WAV's cache bit for bit, at 22050 Hz too, and playback keeps
// both channels whatever is analysed.
TEST(RecordingFormats, TheChosenChannelIsAnalysedByEveryDecoder) {
    test::TempDir dir;
    for (const int rate : {44100, 22050}) {
        const auto wav = dir / ("source" + std::to_string(rate) + ".wav");
        test::write_file(wav, music_wav(rate));
        // Lossless copies: FLAC, and a 24-bit WAV (which FFmpeg reads).
        const auto flac = dir / ("copy" + std::to_string(rate) + ".flac");
        const auto wav24 = dir / ("copy" + std::to_string(rate) + "-24.wav");
        convert(wav, "-c:a flac", flac);
        convert(wav, "-c:a pcm_s24le", wav24);
        const Opened first = open(wav);
        ASSERT_TRUE(first.result.ok);
        for (const AnalysisChannel channel : {AnalysisChannel::second, AnalysisChannel::mid}) {
            SCOPED_TRACE(std::to_string(rate) + " " + std::to_string(int(channel)));
            const Opened o = open(wav, channel);
            for (const auto& file : {flac, wav24}) {
                const Opened copy = open(file, channel);
                ASSERT_TRUE(o.result.ok && copy.result.ok) << copy.result.detail;
                EXPECT_EQ(copy.result.audio->channels, 2);
                EXPECT_TRUE(cache_body(file, channel) == cache_body(wav, channel)) << file;
            }
            if (channel == AnalysisChannel::second) {
                EXPECT_EQ(loudest_band(*o.store, 75), 43);
            } else {
                EXPECT_EQ(loudest_band(*o.store, 75), tone_band);
                EXPECT_GT(o.store->at(75, 43), first.store->at(75, 43) + 20);
            }
        }
    }
}

// A 48 kHz recording is resampled to the analysis rate: its columns match
// those of the same tone recorded at 44100 Hz wherever there is signal.
TEST(RecordingFormats, OtherRatesAreResampled) {
    test::TempDir dir;
    auto sine = [](int rate) {
        return test::wav_bytes(rate, 1, rate * 2, [rate](int f, int) {
            return int(std::lrint(10000 * std::sin(2 * M_PI * 1000 * f / rate)));
        });
    };
    test::write_file(dir / "native.wav", sine(44100));
    test::write_file(dir / "high.wav", sine(48000));
    const Opened native = open(dir / "native.wav");
    const Opened high = open(dir / "high.wav");
    ASSERT_TRUE(native.result.ok && high.result.ok) << high.result.detail;
    EXPECT_EQ(high.store->frame_count, native.store->frame_count);
    EXPECT_EQ(high.result.audio->rate, 48000);
    for (int t = 20; t < 80; t += 10) {
        EXPECT_EQ(loudest_band(*high.store, t), 50); // B5, nearest to 1 kHz
        for (int b = first_band; b <= last_band; ++b) {
            if (native.store->at(t, b) <= -40) continue;
            EXPECT_NEAR(high.store->at(t, b), native.store->at(t, b), 0.1) << t << " " << b;
        }
    }
}

TEST(RecordingFormats, RefusalsSayWhy) {
    test::TempDir dir;
    const auto mp3 = music_mp3(dir);
    const auto wav = dir / "tone.wav";
    std::ifstream in(mp3, std::ios::binary);
    const test::Bytes encoded{std::istreambuf_iterator<char>(in), {}};
    constexpr OpenStatus unsupported = OpenStatus::unsupported;
    test::write_file(dir / "secret.wav", music_wav(48000));
    auto write_text = [](const std::filesystem::path& p, const std::string& text) {
        test::write_file(p, test::Bytes(text.begin(), text.end()));
    };
    auto silent_wav = [](int rate, int frames) {
        return test::wav_bytes(rate, 1, frames, [](int, int) { return 0; });
    };

    const struct {
        const char* name;
        std::function<void(const std::filesystem::path&)> make;
        OpenStatus status; // ok: accepted
    } rows[] = {
        {"text named .mp3", [](auto& p) { test::write_file(p, test::Bytes(300, 'x')); },
         unsupported},
        {"empty file", [](auto& p) { test::write_file(p, {}); }, unsupported},
        {"video without sound",
         [&](auto& p) {
             convert(wav, "-f lavfi -i color=c=black:s=16x16:r=5 -map 1:v -c:v mpeg4 -t 1", p);
         },
         unsupported},
        {"MP3 cut in half",
         [&](auto& p) {
             test::write_file(p,
                              test::Bytes(encoded.begin(), encoded.begin() + encoded.size() / 2));
         },
         OpenStatus::ok},
        {"MP3 with garbage inside",
         [&](auto& p) {
             test::Bytes b = encoded;
             for (std::size_t i = b.size() / 3; i < b.size() / 2; ++i)
                 b[i] = std::uint8_t(i * 7919 >> 3);
             test::write_file(p, b);
         },
         OpenStatus::ok},
        {"broken WAV header keeps its status",
         [](auto& p) {
             test::write_file(p, test::wav_bytes({test::fmt_chunk(1, 48000, 24),
                                                  {"ab\x01x", test::Bytes(4, 0), {}, true}}));
         },
         OpenStatus::bad_header},
        // Playlists and references would read another file of the user's.
        {"concat list naming another file",
         [&](auto& p) { write_text(p, "ffconcat version 1.0\nfile 'secret.wav'\n"); }, unsupported},
        {"HLS playlist naming another file",
         [&](auto& p) {
             write_text(p, "#EXTM3U\n#EXT-X-TARGETDURATION:3\n#EXTINF:3.0,\nsecret.wav\n"
                           "#EXT-X-ENDLIST\n");
         },
         unsupported},
        // Rates the analysis does not take.
        {"1 Hz", [&](auto& p) { test::write_file(p, silent_wav(1, 600)); }, unsupported},
        {"768 kHz", [&](auto& p) { test::write_file(p, silent_wav(768000, 7680)); }, unsupported},
        // Opening a pipe would wait for a writer.
        {"a pipe", [](auto& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); },
         OpenStatus::cannot_open},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto file = dir / (std::string(row.name) + ".mkv");
        row.make(file);
        const Opened o = open(file);
        EXPECT_EQ(o.result.ok, row.status == OpenStatus::ok) << o.result.detail;
        EXPECT_EQ(o.result.status, row.status) << o.result.detail;
        // Only a refusal for the content says the decoder's reason.
        EXPECT_EQ(o.result.detail.empty(), row.status != unsupported) << o.result.detail;
    }
}

// A recording at the length limit is refused: from the container's word when
// it says so, else once that much is decoded. A limit of 100 frames (2 s;
// playback stops a second later) stands for the real one.
TEST(RecordingFormats, LengthLimit) {
    test::TempDir dir;
    const auto wav = dir / "tone.wav";
    test::write_file(wav, music_wav(8000));
    const struct {
        const char* length;
        bool refused_at_open;
    } rows[] = {{"1.9", false}, {"3.1", false}, {"3.3", true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.length);
        const auto file = dir / (std::string(row.length) + ".flac");
        convert(wav,
                std::string("-f lavfi -i anullsrc=r=8000:cl=mono -t ") + row.length +
                    " -map 1:a -c:a flac",
                file);
        OpenFailure failure;
        auto decoder = RecordingDecoder::open(file, failure, {}, decode_step_limit, 100);
        EXPECT_EQ(!decoder, row.refused_at_open);
        if (!decoder) {
            EXPECT_EQ(failure.status, OpenStatus::too_large);
            continue;
        }
        SampleStream samples(std::int64_t(1) << 30);
        const DecodeOutcome out = decoder->run(&samples, false, true);
        const bool short_enough = std::string(row.length) == "1.9";
        EXPECT_EQ(out.ok, short_enough);
        if (!short_enough) {
            EXPECT_EQ(out.status, OpenStatus::too_large);
        }
    }
}

// The tuning is suggested from a decoded recording: a tone with its
// harmonics 24 cents sharp, as an MP3.
TEST(RecordingFormats, SuggestsTheTuning) {
    test::TempDir dir;
    const auto wav = dir / "sharp.wav";
    test::write_file(wav, test::wav_bytes(44100, 1, 44100 * 4, [](int f, int) {
                         double v = 0;
                         for (int h = 1; h <= 4; ++h)
                             v += 4000.0 / h * std::sin(2 * M_PI * 446.1 * h * f / 44100);
                         return int(v);
                     }));
    const auto mp3 = dir / "sharp.mp3";
    convert(wav, "-c:a libmp3lame", mp3);
    const SuggestResult r = suggest(mp3);
    ASSERT_TRUE(r.ok) << r.detail;
    ASSERT_TRUE(r.suggestions.tuning.ok);
    EXPECT_NEAR(r.suggestions.tuning.cents, 24.0, 1.0);
    EXPECT_FALSE(suggest(dir / "missing.mp3").ok);
}

// A tone 45 cents sharp, smeared over A4 and A#4 at 440 Hz, falls in its
// row at its own reference, over the same frames, each analysis with a
// cache of its own.
TEST(RecordingFormats, AnalysedAtTheRecordingsReference) {
    test::TempDir dir;
    const auto wav = dir / "sharp.wav";
    test::write_file(wav, test::wav_bytes(44100, 1, 44100 * 3, [](int f, int) {
                         return int(8000 * std::sin(2 * M_PI * 451.57 * f / 44100));
                     }));
    const AnalysisReference sharp{45157};
    const Opened standard = open(wav);
    const Opened tuned = open(wav, AnalysisChannel::first, sharp);
    ASSERT_TRUE(standard.result.ok && tuned.result.ok) << tuned.result.detail;
    EXPECT_EQ(tuned.store->frame_count, standard.store->frame_count);
    for (int t = 20; t < 130; t += 10) {
        const float a = standard.store->at(t, tone_band);
        EXPECT_LT(std::abs(a - standard.store->at(t, tone_band + 1)), 6.0f) << t;
        EXPECT_EQ(loudest_band(*tuned.store, t), tone_band) << t;
        EXPECT_LT(tuned.store->at(t, tone_band + 1), tuned.store->at(t, tone_band) - 30) << t;
        EXPECT_LT(tuned.store->at(t, tone_band - 1), tuned.store->at(t, tone_band) - 30) << t;
    }
    // The tone starts and ends on the same frames.
    for (const int t : {1, 149})
        EXPECT_NEAR(tuned.store->at(t, tone_band), standard.store->at(t, tone_band), 3.0) << t;

    // Cached apart, and only for its own reference.
    SpectrogramStore s;
    EXPECT_TRUE(std::filesystem::exists(cache_name_for(wav, AnalysisChannel::first, sharp)));
    EXPECT_TRUE(read_analysis_cache(wav, s, nullptr, {}, AnalysisChannel::first, sharp));
    EXPECT_FALSE(read_analysis_cache(wav, s, nullptr, {}, AnalysisChannel::first, {45167}));
    EXPECT_TRUE(read_analysis_cache(wav, s));
}

// Each step of the reading is bounded in time, and a stop ends the opening.
TEST(RecordingFormats, OpeningCanBeCutShort) {
    test::TempDir dir;
    const auto mp3 = music_mp3(dir);

    OpenFailure failure;
    EXPECT_FALSE(RecordingDecoder::open(mp3, failure, {}, std::chrono::milliseconds(0)));
    EXPECT_NE(failure.detail.find("took longer"), std::string::npos) << failure.detail;

    std::stop_source stop;
    stop.request_stop();
    EXPECT_FALSE(RecordingDecoder::open(mp3, failure, stop.get_token()));
    SpectrogramStore store;
    const LoadResult r = load_or_analyse(mp3, store, build_band_tables(), {}, 2, false, true,
                                         TaskControl{stop.get_token()});
    EXPECT_TRUE(r.cancelled);
    EXPECT_FALSE(decode_for_playback(mp3, stop.get_token()).audio);
}

} // namespace
} // namespace pitkad
