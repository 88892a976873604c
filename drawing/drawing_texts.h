#pragma once
// The user-facing texts of the drawing subsystem, in one place so that the
// windows and the tests use the same constants.

#include <array>
#include <string_view>

namespace pitkad::drawing_texts {

inline constexpr std::string_view tool_caption = "描画ツール";
inline constexpr std::string_view message_title = "PitkaD";

// Shown directly after the path of the drawing file.
inline constexpr std::string_view cannot_write = "  に書けません";
inline constexpr std::string_view not_found = "  が見つかりません";
inline constexpr std::string_view cannot_read = "  が読めません";

// Asked before a changed drawing would be dropped by opening another
// recording or closing the program; the answers are save, discard, cancel.
inline constexpr std::string_view unsaved_prompt = "描画データが変更されています. 保存しますか?";
inline constexpr std::string_view unsaved_save = "保存する";
inline constexpr std::string_view unsaved_discard = "保存しない";
inline constexpr std::string_view unsaved_cancel = "キャンセル";

// Saving the drawing to a file the user chooses, and that dialog's filter.
inline constexpr std::string_view save_as = "名前を付けて保存";
inline constexpr std::string_view drawing_filter = "描画データ (*.pkc)";

// Asked when a recording opens whose recovery copy is newer than its
// drawing file; the answers are restore, discard, keep for later.
inline constexpr std::string_view recovery_prompt =
    "前回保存されなかった描画データがあります. 復元しますか?";
inline constexpr std::string_view recovery_restore = "復元する";
inline constexpr std::string_view recovery_discard = "破棄する";
inline constexpr std::string_view recovery_later = "後で";

// The quantise popup: caption and division of each radio item.
struct QuantizeItem {
    std::string_view caption;
    int division;
};
inline constexpr std::array<QuantizeItem, 8> quantize_items{{
    {"線間の1/2", 2},
    {"線間の1/4", 4},
    {"線間の1/8", 8},
    {"線間の1/16", 16},
    {"線間の1/32", 32},
    {"線間の1/64", 64},
    {"線間の1/128", 128},
    {"線間の1/256", 256},
}};

// Appended when the clipboard text grows past its cap.
inline constexpr std::string_view clipboard_over = "quit - 50kB Over!";

// MIDI files. A refused import shows midi_refused followed by the reason.
inline constexpr std::string_view midi_track_name = "色 "; // followed by the colour number
inline constexpr std::string_view midi_refused = "MIDIファイルを読み込めません: ";
inline constexpr std::string_view midi_not_smf = "Standard MIDI File ではありません";
inline constexpr std::string_view midi_bad_chunk = "チャンクの長さが正しくありません";
inline constexpr std::string_view midi_bad_format = "形式 0 と 1 だけを読み込めます";
inline constexpr std::string_view midi_bad_division = "時間単位が正しくありません";
inline constexpr std::string_view midi_missing_tracks = "トラックが足りません";
inline constexpr std::string_view midi_bad_event = "イベントが壊れています";
inline constexpr std::string_view midi_no_status = "ステータスのないデータがあります";
inline constexpr std::string_view midi_unterminated = "トラックが終わっていません";
inline constexpr std::string_view midi_too_long = "デルタタイムが大きすぎます";
inline constexpr std::string_view midi_too_many = "イベントが多すぎます";
// A successful import: counts follow each part.
inline constexpr std::string_view midi_read_notes = "読み込んだ音符: ";
inline constexpr std::string_view midi_read_lines = "、線: ";
inline constexpr std::string_view midi_skipped_range = "、音域外で省いた音符: ";
inline constexpr std::string_view midi_skipped_end = "、曲の後で省いた音符: ";

} // namespace pitkad::drawing_texts
