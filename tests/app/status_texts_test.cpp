#include "app/status_line.h"
#include "app/status_texts.h"

#include <gtest/gtest.h>

namespace pitkad {
namespace {

namespace t = status_texts;

// The texts the user sees, composed from statuses (in the source language).
TEST(StatusTexts, ComposeTheSameMessagesAsShownBefore) {
    const struct {
        const char* what;
        QString text, expected;
    } rows[] = {
        {"ok", text_of(OpenStatus::ok), ""},
        {"no detail", text_of(OpenStatus::bad_header), t::bad_header},
        {"too long: the limit", text_of(OpenStatus::too_large),
         "ファイルが大きすぎます (長さの上限は 4:00:00 です)"},
        {"detail in brackets", text_of(OpenStatus::unsupported, "ogg: no audio stream"),
         QString(t::unsupported) + " (ogg: no audio stream)"},
        {"player, with the file",
         text_of(PlaybackError{PlaybackStatus::file_damaged, {}, "/a.wav"}),
         QString(t::file_damaged) + "\n/a.wav"},
        {"player, no file", text_of(PlaybackError{PlaybackStatus::no_file_name, {}, {}}),
         t::no_file_name},
        {"decoder's refusal in the player",
         text_of(PlaybackError{
             PlaybackStatus::not_decoded, {OpenStatus::unsupported, "mp3: bad"}, "/a.mp3"}),
         QString(t::unsupported) + " (mp3: bad)\n/a.mp3"},
        {"refused import", text_of(MidiImportResult{false, MidiRefusal::no_status}),
         QString(t::midi_refused) + t::midi_no_status},
        {"import without lines", text_of(MidiImportResult{true, MidiRefusal::none, 4, 4}),
         QString(t::midi_read_notes) + "4"},
        {"import with lines and skips",
         text_of(MidiImportResult{true, MidiRefusal::none, 2, 3, 1, true, 3, 1, 1, 5}),
         "読み込んだ音符: 2、線: 3、音域外で省いた音符: 1、曲の後で省いた音符: 1"
         "、同じ高さと色の音に重なって一つになった音符: 1、ドラム (チャンネル 10) で省いた音符: 5"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(r.text, r.expected) << r.what;
}

// Keys by their Japanese names, the tonic spelt as the key signature has
// it; the status line shows the key only when there is one.
TEST(StatusTexts, KeysAreNamedInJapanese) {
    const struct {
        const char *label, *name;
    } rows[] = {
        // clang-format off
        {"C:maj", "ハ長調"},    {"A:min", "イ短調"},    {"G:maj", "ト長調"},  {"B:maj", "ロ長調"},
        {"F#:maj", "嬰ヘ長調"}, {"C#:maj", "変ニ長調"}, {"A#:maj", "変ロ長調"},
        {"D#:min", "嬰ニ短調"}, {"A#:min", "変ロ短調"}, {"C#:min", "嬰ハ短調"},
        {"D:min", "ニ短調"},    {"E:maj", "ホ長調"},    {"C:7", ""},          {"N", ""},
        // clang-format on
    };
    for (const auto& r : rows)
        EXPECT_EQ(key_name(r.label), QString::fromUtf8(r.name)) << r.label;
    StatusLine line;
    line.zoom = "50 pixel/s";
    EXPECT_FALSE(status_line_text(line).contains("  |  調 "));
    line.key = "F:maj";
    EXPECT_TRUE(status_line_text(line).endsWith("  |  調 ヘ長調"));
}

} // namespace
} // namespace pitkad
