// Decoding on several threads against one decoder, on files the ffmpeg tool
// makes from a WAV the test writes.

#include "../common/temp_dir.h"
#include "../common/test_wav.h"
#include "audio/recording_decoder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace pitkad {
namespace {

void convert(const std::filesystem::path& from, const std::string& args,
             const std::filesystem::path& to) {
    const std::string command = "ffmpeg -nostdin -loglevel error -y -i '" + from.string() + "' " +
                                args + " '" + to.string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// Decoded on several threads, chunk by chunk, a recording gives the very
// samples one decoder gives: MP3 at a high and a low bit rate (whose frames
// borrow data from up to five frames back) and FLAC, stereo, in chunks of 12
// packets.
TEST(ParallelDecode, BitIdenticalToOneDecoder) {
    test::TempDir dir;
    const auto wav = dir / "busy.wav";
    std::uint32_t noise = 1;
    test::write_file(wav, test::wav_bytes(44100, 2, 44100 * 6, [&](int f, int c) {
                         noise = noise * 1664525u + 1013904223u;
                         return int(7000 * std::sin(2 * M_PI * (c ? 523.3 : 220.0) * f / 44100.0)) +
                                int(noise >> 20) - 2048;
                     }));
    const struct {
        const char* name;
        const char* args;
    } rows[] = {{"a.mp3", "-c:a libmp3lame -b:a 192k"},
                {"b.mp3", "-c:a libmp3lame -b:a 32k -ar 22050"},
                {"c.mp3", "-c:a libmp3lame -q:a 9"},
                {"d.flac", "-c:a flac"}};
    struct Decoded {
        std::vector<float> analysis;
        std::vector<std::int16_t> playback;
    };
    auto decode = [](const std::filesystem::path& file, int threads) {
        Decoded d;
        OpenFailure failure;
        auto decoder = RecordingDecoder::open(file, failure);
        if (!decoder) return d;
        decoder->set_decode_threads(threads, 12);
        SampleStream samples(std::int64_t(1) << 30);
        const DecodeOutcome out = decoder->run(&samples, false, true);
        if (!out.ok) return d;
        d.analysis.resize(std::size_t(samples.size()));
        samples.copy(0, int(samples.size()), d.analysis.data());
        for (std::size_t i = 0; i < out.audio->samples.size(); ++i)
            d.playback.push_back(out.audio->samples[i]);
        return d;
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        convert(wav, row.args, dir / row.name);
        const Decoded one = decode(dir / row.name, 1);
        const Decoded three = decode(dir / row.name, 3);
        ASSERT_GT(one.analysis.size(), 44100u * 5);
        EXPECT_TRUE(one.analysis == three.analysis);
        EXPECT_TRUE(one.playback == three.playback);
    }
    // A stream that turns from stereo to mono midway (two MP3s end to end):
    // its mono frames reach both speakers of the stereo playback alike.
    convert(wav, "-c:a libmp3lame -b:a 192k -ac 1", dir / "mono.mp3");
    auto bytes = [](const std::filesystem::path& f) {
        std::ifstream in(f, std::ios::binary);
        return test::Bytes{std::istreambuf_iterator<char>(in), {}};
    };
    test::Bytes joined = bytes(dir / "a.mp3");
    const test::Bytes mono = bytes(dir / "mono.mp3");
    joined.insert(joined.end(), mono.begin(), mono.end());
    test::write_file(dir / "joined.mp3", joined);
    for (const int threads : {1, 3}) {
        const Decoded d = decode(dir / "joined.mp3", threads);
        ASSERT_GT(d.analysis.size(), 44100u * 11) << threads;
        ASSERT_EQ(d.playback.size(), 2 * d.analysis.size()) << threads;
        // The last second is the mono part's.
        int unequal = 0;
        for (std::size_t i = d.playback.size() - 2 * 44100; i < d.playback.size(); i += 2)
            unequal += d.playback[i] != d.playback[i + 1];
        EXPECT_EQ(unequal, 0) << threads;
    }
}

} // namespace
} // namespace pitkad
