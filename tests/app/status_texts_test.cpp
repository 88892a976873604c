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
        {"refused import",
         text_of(MidiImportResult{false, MidiRefusal::no_status}),
         QString(t::midi_refused) + t::midi_no_status},
        {"import without lines",
         text_of(MidiImportResult{true, MidiRefusal::none, 4, 4}),
         QString(t::midi_read_notes) + "4"},
        {"import with lines and skips",
         text_of(MidiImportResult{true, MidiRefusal::none, 2, 3, 1, true, 3, 1, 1, 5}),
         "読み込んだ音符: 2、線: 3、音域外で省いた音符: 1、曲の後で省いた音符: 1"
         "、同じ高さと色の音に重なって一つになった音符: 1、ドラム (チャンネル 10) で省いた音符: 5"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(r.text, r.expected) << r.what;
}

} // namespace
} // namespace pitkad
