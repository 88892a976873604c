#pragma once
// The user-facing texts of the drawing subsystem, in one place so that the
// windows and the tests use the same constants.

#include "base/translatable.h"

#include <array>
#include <string_view>

namespace pitkad::drawing_texts {

inline constexpr std::string_view tool_caption = PITKAD_TR("PitkaD", "描画ツール");
inline constexpr std::string_view message_title = "PitkaD";

// Shown directly after the path of the drawing file.
inline constexpr std::string_view cannot_write = PITKAD_TR("PitkaD", "  に書けません");
inline constexpr std::string_view not_found = PITKAD_TR("PitkaD", "  が見つかりません");
inline constexpr std::string_view cannot_read = PITKAD_TR("PitkaD", "  が読めません");

// Asked before a changed drawing would be dropped by opening another
// recording or closing the program; the answers are save, discard, cancel.
inline constexpr std::string_view unsaved_prompt =
    PITKAD_TR("PitkaD", "描画データが変更されています. 保存しますか?");
inline constexpr std::string_view unsaved_save = PITKAD_TR("PitkaD", "保存する");
inline constexpr std::string_view unsaved_discard = PITKAD_TR("PitkaD", "保存しない");
inline constexpr std::string_view unsaved_cancel = PITKAD_TR("PitkaD", "キャンセル");

// Saving the drawing to a file the user chooses, and that dialog's filter.
inline constexpr std::string_view save_as = PITKAD_TR("PitkaD", "名前を付けて保存");
inline constexpr std::string_view drawing_filter = PITKAD_TR("PitkaD", "描画データ (*.pkc)");

// Asked when a recording opens whose recovery copy is newer than its
// drawing file; the answers are restore, discard, keep for later.
inline constexpr std::string_view recovery_prompt =
    PITKAD_TR("PitkaD", "前回保存されなかった描画データがあります. 復元しますか?");
inline constexpr std::string_view recovery_restore = PITKAD_TR("PitkaD", "復元する");
inline constexpr std::string_view recovery_discard = PITKAD_TR("PitkaD", "破棄する");
inline constexpr std::string_view recovery_later = PITKAD_TR("PitkaD", "後で");

// The quantise popup: caption and division of each radio item.
struct QuantizeItem {
    std::string_view caption;
    int division;
};
inline constexpr std::array<QuantizeItem, 8> quantize_items{{
    {PITKAD_TR("PitkaD", "線間の1/2"), 2},
    {PITKAD_TR("PitkaD", "線間の1/4"), 4},
    {PITKAD_TR("PitkaD", "線間の1/8"), 8},
    {PITKAD_TR("PitkaD", "線間の1/16"), 16},
    {PITKAD_TR("PitkaD", "線間の1/32"), 32},
    {PITKAD_TR("PitkaD", "線間の1/64"), 64},
    {PITKAD_TR("PitkaD", "線間の1/128"), 128},
    {PITKAD_TR("PitkaD", "線間の1/256"), 256},
}};

// Appended when the clipboard text grows past its cap.
inline constexpr std::string_view clipboard_over = "quit - 50kB Over!";

// MIDI files. The exported tracks' names are file data that the import reads
// back, the same in every language (not translated); then the colour number.
inline constexpr std::string_view midi_track_name = "色 "; // not translated
// A refused import shows midi_refused followed by the reason.
inline constexpr std::string_view midi_refused =
    PITKAD_TR("PitkaD", "MIDIファイルを読み込めません: ");
inline constexpr std::string_view midi_not_smf =
    PITKAD_TR("PitkaD", "Standard MIDI File ではありません");
inline constexpr std::string_view midi_bad_chunk =
    PITKAD_TR("PitkaD", "チャンクの長さが正しくありません");
inline constexpr std::string_view midi_bad_format =
    PITKAD_TR("PitkaD", "形式 0 と 1 だけを読み込めます");
inline constexpr std::string_view midi_bad_division =
    PITKAD_TR("PitkaD", "時間単位が正しくありません");
inline constexpr std::string_view midi_missing_tracks = PITKAD_TR("PitkaD", "トラックが足りません");
inline constexpr std::string_view midi_bad_event = PITKAD_TR("PitkaD", "イベントが壊れています");
inline constexpr std::string_view midi_no_status =
    PITKAD_TR("PitkaD", "ステータスのないデータがあります");
inline constexpr std::string_view midi_unterminated =
    PITKAD_TR("PitkaD", "トラックが終わっていません");
inline constexpr std::string_view midi_too_long = PITKAD_TR("PitkaD", "デルタタイムが大きすぎます");
inline constexpr std::string_view midi_too_many = PITKAD_TR("PitkaD", "イベントが多すぎます");
// A successful import: counts follow each part.
inline constexpr std::string_view midi_read_notes = PITKAD_TR("PitkaD", "読み込んだ音符: ");
inline constexpr std::string_view midi_read_lines = PITKAD_TR("PitkaD", "、線: ");
inline constexpr std::string_view midi_skipped_range =
    PITKAD_TR("PitkaD", "、音域外で省いた音符: ");
inline constexpr std::string_view midi_skipped_end = PITKAD_TR("PitkaD", "、曲の後で省いた音符: ");

} // namespace pitkad::drawing_texts
