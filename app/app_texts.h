#pragma once
// The main window's own fixed texts (the subsystems keep theirs).

#include "base/translatable.h"

namespace pitkad::texts {

inline constexpr const char* app_title = "PitkaD";
inline constexpr const char* caption_prefix = "PitkaD - ";
// The open dialog's filters, first to last. The audio filter lists what
// the decoder reads (video files for their soundtrack).
inline constexpr const char* open_filter_audio =
    "音声ファイル (*.wav *.mp3 *.m4a *.aac *.flac *.ogg *.oga *.opus *.aif *.aiff *.wma *.mp4 "
    "*.mkv *.webm)";
inline constexpr const char* open_filter_wav = "wavファイル (*.wav)";
inline constexpr const char* open_filter_all = "その他 (*)";
inline constexpr const char* about_notice = "Linux 版 (Qt 6)";
// Shown above the manual's path when no browser could be started for it.
inline constexpr const char* no_browser =
    PITKAD_TR("PitkaD", "ブラウザを起動できません. マニュアルはこのファイルです:");
// Shown after the settings file's path when it cannot be saved.
inline constexpr const char* cannot_write = "  に書けません";


// The file menu's exports and import, their dialogs and filters.
inline constexpr const char* export_midi_item = "MIDIファイルに書き出す…";
inline constexpr const char* import_midi_item = "MIDIファイルを読み込む…";
inline constexpr const char* export_image_item = "画像として書き出す…";
inline constexpr const char* export_csv_item = "解析データをCSVで書き出す…";
inline constexpr const char* midi_filter = "MIDIファイル (*.mid *.midi)";
inline constexpr const char* png_filter = "PNG画像 (*.png)";
inline constexpr const char* csv_filter = "CSVファイル (*.csv)";
inline constexpr const char* lines_are_beats = "線は拍";
inline constexpr const char* lines_are_bars = "線は小節";
inline constexpr const char* beats_per_bar = "1小節の拍数";
inline constexpr const char* quantise_to = "量子化: 線間の1/"; // followed by the division
inline constexpr const char* selected_only = "選択した音符だけ";
inline constexpr const char* import_replace = "描画を置き換える";
inline constexpr const char* import_add = "描画に追加する";
inline constexpr const char* import_no_lines = "線を引かない";
inline constexpr const char* import_beat_lines = "拍ごとに線を引く";
inline constexpr const char* import_bar_lines = "小節ごとに線を引く";
inline constexpr const char* image_prompt = "どの部分を書き出しますか?";
inline constexpr const char* image_visible = "表示部分";
inline constexpr const char* image_whole = "曲全体";
inline constexpr const char* notes_csv_prompt = "描画の音符も別のCSVファイルに書き出しますか?";
inline constexpr const char* notes_csv_yes = "書き出す";
inline constexpr const char* notes_csv_no = "書き出さない";
// Appended to the name of the analysis CSV for the notes' file.
inline constexpr const char* notes_csv_suffix = "_notes.csv";
inline constexpr const char* cancel = "キャンセル";
// The edit menu, after the file menu; its items are also the tooltips of
// the drawing-tool window's undo and redo buttons.
inline constexpr const char* edit_menu = "編集 (&E)";
inline constexpr const char* undo_item = "元に戻す";
inline constexpr const char* redo_item = "やり直し";

} // namespace pitkad::texts
