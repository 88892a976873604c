#include "audio/media_player.h"
#include "audio/playback_texts.h"
#include "tests/common/test_wav.h"

#include <gtest/gtest.h>

using namespace pitkad;
using namespace pitkad::test;
using Mode = MediaPlayer::Mode;

TEST(MediaPlayer, OpenFailuresGiveAClearText) {
    struct Case {
        std::vector<std::uint8_t> bytes; // empty: no file at all
        const char* text;
    };
    auto riff_only = wav_bytes(8000, 1, 10, [](int, int) { return 0; });
    riff_only.resize(12);
    const Case cases[] = {
        {{}, playback_texts::file_not_found},
        {{'n', 'o', 't', ' ', 'a', ' ', 'w', 'a', 'v', 'e', '!', '!'}, playback_texts::not_a_wav},
        {wav_bytes(
             8000, 1, 10, [](int, int) { return 0; }, 8),
         playback_texts::unsupported_format},
        {wav_bytes(
             8000, 1, 10, [](int, int) { return 0; }, 24),
         playback_texts::unsupported_format},
        {riff_only, playback_texts::not_a_wav},
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
        const std::string error = p.open();
        EXPECT_EQ(error.rfind(c.text, 0), 0u) << error;
        EXPECT_NE(error.find(name), std::string::npos);
        EXPECT_FALSE(p.is_open());
        EXPECT_EQ(p.play(0), MediaPlayer::error_not_open);
    }
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
        ASSERT_EQ(p.open(), "");
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
    ASSERT_EQ(p.open(), "");
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
    ASSERT_EQ(p.open(), "");
    EXPECT_EQ(p.length(), 1000);
    p.close();
    wav.write(wav_bytes(8000, 1, 8000 * 3, [](int, int) { return 0; })); // now 3 s
    ASSERT_EQ(p.open(), "");
    EXPECT_EQ(p.length(), 3000);
}
