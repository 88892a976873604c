#include "audio/media_player.h"
#include "audio/recording_decoder.h"
#include "tests/common/test_wav.h"

#include <gtest/gtest.h>

using namespace pitkad;
using namespace pitkad::test;
using Mode = MediaPlayer::Mode;

// Files the WAV reader refuses for their content go to the decoder: an 8- or
// 24-bit WAV plays, a file that is no recording is refused by the decoder.
TEST(MediaPlayer, OpenFailuresNameTheReasonAndTheFile) {
    struct Case {
        std::vector<std::uint8_t> bytes; // empty: no file at all
        PlaybackStatus status;           // ok: opens
        OpenStatus decoding = OpenStatus::ok;
    };
    auto riff_only = wav_bytes(8000, 1, 10, [](int, int) { return 0; });
    riff_only.resize(12);
    const Case cases[] = {
        {{}, PlaybackStatus::file_not_found},
        {{'n', 'o', 't', ' ', 'a', ' ', 'w', 'a', 'v', 'e', '!', '!'},
         PlaybackStatus::not_decoded,
         OpenStatus::unsupported},
        {wav_bytes(
             8000, 1, 10, [](int, int) { return 0; }, 8),
         PlaybackStatus::ok},
        {wav_bytes(
             8000, 1, 10, [](int, int) { return 0; }, 24),
         PlaybackStatus::ok},
        {riff_only, PlaybackStatus::not_a_wav},
    };
    for (const auto& c : cases) {
        TempWav wav(0);
        std::string name = wav.path();
        if (c.bytes.empty())
            name += ".missing";
        else
            wav.write(c.bytes);
        SteppedOutput out;
        MediaPlayer p(out);
        p.set_file_name(name);
        const PlaybackError error = p.open();
        EXPECT_EQ(error.status, c.status);
        if (c.status == PlaybackStatus::ok) continue;
        EXPECT_EQ(error.decoding.status, c.decoding);
        EXPECT_EQ(error.file, name);
        EXPECT_FALSE(p.is_open());
        EXPECT_EQ(p.play(0), MediaPlayer::error_not_open);
    }
}

// A stop asked for gives an empty result, neither audio nor an error, for a
// WAV read whole as for a decoded file.
TEST(PlaybackDecoding, AStopGivesNoAudioAndNoError) {
    std::stop_source stop;
    stop.request_stop();
    for (int bits : {16, 24}) {
        TempWav wav(0);
        wav.write(wav_bytes(
            8000, 1, 10, [](int, int) { return 0; }, bits));
        const PcmLoadResult r = decode_for_playback(wav.path(), stop.get_token());
        EXPECT_EQ(r.audio, nullptr);
        EXPECT_EQ(r.error.status, PlaybackStatus::ok);
    }
    TempWav wav(0);
    wav.write(wav_bytes(8000, 1, 10, [](int, int) { return 0; }));
    EXPECT_EQ(load_wav_for_playback(wav.path(), stop.get_token()).audio, nullptr);
}

TEST(MediaPlayer, PositionAndLengthInMilliseconds) {
    struct Case {
        int rate, ms_from, advance, expected;
        Mode mode;
    };
    const Case cases[] = {
        {44100, 2345, 0, 2345, Mode::playing},
        {44100, 12345, 100, 12445, Mode::playing},
        {22050, 1, 0, 1, Mode::playing},
        {8000, 9999, 0, 9999, Mode::playing},
        {44100, 20000, 0, 20000, Mode::stopped}, // playing from the length sounds nothing
        {44100, 25000, 0, 20000, Mode::stopped},
        {44100, -50, 0, 0, Mode::playing},
        {44100, 19000, 5000, 20000, Mode::stopped}, // the end holds the length
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rate << " " << c.ms_from);
        TempWav wav(20000, c.rate);
        SteppedOutput out;
        MediaPlayer p(out);
        p.set_file_name(wav.path());
        ASSERT_TRUE(p.open().ok());
        EXPECT_EQ(p.length(), 20000);
        EXPECT_EQ(p.play(c.ms_from), MediaPlayer::ok);
        out.advance_ms(c.advance);
        EXPECT_EQ(p.position(), c.expected);
        EXPECT_EQ(p.mode(), c.mode);
    }
}

TEST(MediaPlayer, PauseToggleAndPauseOnly) {
    TempWav wav(10000);
    SteppedOutput out;
    MediaPlayer p(out);
    p.set_file_name(wav.path());
    ASSERT_TRUE(p.open().ok());
    p.pause_toggle(); // stopped: nothing
    EXPECT_EQ(p.mode(), Mode::stopped);
    p.play(1000);
    out.advance_ms(500);
    p.pause_toggle();
    EXPECT_EQ(p.mode(), Mode::paused);
    out.advance_ms(500);
    EXPECT_EQ(p.position(), 1500);
    p.pause_toggle();
    out.advance_ms(250);
    EXPECT_EQ(p.position(), 1750);
    p.play(4000);
    p.pause(); // a paused seek: held where it was played from
    out.advance_ms(300);
    EXPECT_EQ(p.position(), 4000);
    EXPECT_EQ(p.mode(), Mode::paused);
    p.close();
    EXPECT_EQ(p.mode(), Mode::not_open);
    EXPECT_EQ(p.play(0), MediaPlayer::error_not_open);
}

TEST(MediaPlayer, OpeningAgainReadsAChangedFile) {
    TempWav wav(1000);
    SteppedOutput out;
    MediaPlayer p(out);
    p.set_file_name(wav.path());
    ASSERT_TRUE(p.open().ok());
    EXPECT_EQ(p.length(), 1000);
    p.close();
    wav.write(wav_bytes(8000, 1, 8000 * 3, [](int, int) { return 0; })); // now 3 s
    ASSERT_TRUE(p.open().ok());
    EXPECT_EQ(p.length(), 3000);

    // Audio decoded at open is played as long as the file is unchanged;
    // without it the file is decoded in the background and that is played.
    auto decoded = std::make_shared<PcmAudio>();
    decoded->rate = 1000;
    decoded->frames = 500;
    decoded->samples.assign(500, 0);
    p.close();
    p.prime(wav.path(), decoded);
    EXPECT_EQ(p.sample_rate(), 1000); // known before the open
    ASSERT_TRUE(p.open().ok());
    EXPECT_EQ(p.length(), 500);
    p.close();
    p.prime(wav.path(), nullptr);
    EXPECT_EQ(p.sample_rate(), 8000); // the header's, while the decoding runs
    ASSERT_TRUE(p.open().ok());
    EXPECT_EQ(p.length(), 3000);
    EXPECT_EQ(p.sample_rate(), 8000);
}

// The player's messages and acceptance over the analysis's chunk walk.
TEST(PlaybackDecoding, WalksChunksAndKeepsItsOwnFormats) {
    const auto ramp = [](int f, int c) { return f * 10 + c; };
    const Chunk garbled{"\x01\x02\x03\x04", Bytes(4, 0), {}, true};
    Bytes cut = wav_bytes(8000, 2, 10, ramp);
    cut.resize(cut.size() - 9); // 7 whole frames and 3 bytes remain
    struct Case {
        const char* name;
        Bytes bytes;
        PlaybackStatus error; // ok: decoded
        int channels, frames;
    };
    const Case cases[] = {
        {"three channels keep two", wav_bytes(48000, 3, 5, ramp), PlaybackStatus::ok, 2, 5},
        {"odd chunk before the data",
         wav_bytes(
             {fmt_chunk(1, 11025), Chunk{"LIST", Bytes(3, 9), {}, true}, pcm_chunk(1, 6, ramp)}),
         PlaybackStatus::ok, 1, 6},
        {"data cut short", cut, PlaybackStatus::ok, 2, 7},
        {"extensible PCM", wav_bytes({extensible_fmt_chunk(2, 8000, true), pcm_chunk(2, 4, ramp)}),
         PlaybackStatus::ok, 2, 4},
        {"extensible float",
         wav_bytes({extensible_fmt_chunk(2, 8000, false), pcm_chunk(2, 4, ramp)}),
         PlaybackStatus::unsupported_format, 0, 0},
        {"rate 999", wav_bytes(999, 1, 4, ramp), PlaybackStatus::unsupported_format, 0, 0},
        {"8-bit, then a garbled chunk", wav_bytes({fmt_chunk(1, 8000, 8), garbled}),
         PlaybackStatus::unsupported_format, 0, 0},
        {"garbled chunk before the format",
         wav_bytes({garbled, fmt_chunk(1, 8000), pcm_chunk(1, 4, ramp)}), PlaybackStatus::not_a_wav,
         0, 0},
        {"data before the format", wav_bytes({pcm_chunk(1, 4, ramp), fmt_chunk(1, 8000)}),
         PlaybackStatus::file_damaged, 0, 0},
        {"no data chunk", wav_bytes({fmt_chunk(1, 8000)}), PlaybackStatus::file_damaged, 0, 0},
        {"format chunk of 14 bytes",
         wav_bytes({Chunk{"fmt ", Bytes(14, 0), {}, true}, pcm_chunk(1, 4, ramp)}),
         PlaybackStatus::file_damaged, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const PcmLoadResult r = parse_wav_for_playback(c.bytes);
        EXPECT_EQ(r.error.status, c.error);
        if (c.error != PlaybackStatus::ok) {
            EXPECT_FALSE(r.audio);
            continue;
        }
        ASSERT_TRUE(r.audio);
        ASSERT_EQ(r.audio->channels, c.channels);
        ASSERT_EQ(r.audio->frames, c.frames);
        for (int f = 0; f < c.frames; ++f)
            for (int ch = 0; ch < c.channels; ++ch)
                EXPECT_EQ(r.audio->samples[std::size_t(f * c.channels + ch)], ramp(f, ch));
    }
}
