#pragma once
// The main window's own fixed texts (the subsystems keep theirs).

#include "base/translatable.h"

namespace pitkad::texts {

inline constexpr const char* app_title = "PitkaD";
inline constexpr const char* caption_prefix = "PitkaD - ";
// The open dialog's filters, first to last. The audio filter lists what
// the decoder reads (video files for their soundtrack).
inline constexpr const char* open_filter_audio =
    PITKAD_TR("PitkaD", "音声ファイル (*.wav *.mp3 *.m4a *.aac *.flac *.ogg *.oga *.opus *.aif "
                        "*.aiff *.wma *.mp4 *.mkv *.webm)");
inline constexpr const char* open_filter_wav = PITKAD_TR("PitkaD", "wavファイル (*.wav)");
inline constexpr const char* open_filter_all = PITKAD_TR("PitkaD", "その他 (*)");
inline constexpr const char* about_notice = PITKAD_TR("PitkaD", "Linux 版 (Qt 6)");
// Shown above the manual's path when no browser could be started for it.
inline constexpr const char* no_browser =
    PITKAD_TR("PitkaD", "ブラウザを起動できません. マニュアルはこのファイルです:");
// Shown after the settings file's path when it cannot be saved.
inline constexpr const char* cannot_write = PITKAD_TR("PitkaD", "  に書けません");
// Shown after the settings file's path when it is there but cannot be read
// (unreadable, not a regular file, or far too large).
inline constexpr const char* settings_unreadable =
    PITKAD_TR("PitkaD", "  が読めないため、既定の設定で始めます");

// The file menu's exports and import, their dialogs and filters.
inline constexpr const char* export_midi_item = PITKAD_TR("PitkaD", "MIDIファイルに書き出す…");
inline constexpr const char* import_midi_item = PITKAD_TR("PitkaD", "MIDIファイルを読み込む…");
inline constexpr const char* export_image_item = PITKAD_TR("PitkaD", "画像として書き出す…");
inline constexpr const char* export_csv_item = PITKAD_TR("PitkaD", "解析データをCSVで書き出す…");
inline constexpr const char* midi_filter = PITKAD_TR("PitkaD", "MIDIファイル (*.mid *.midi)");
inline constexpr const char* png_filter = PITKAD_TR("PitkaD", "PNG画像 (*.png)");
inline constexpr const char* csv_filter = PITKAD_TR("PitkaD", "CSVファイル (*.csv)");
inline constexpr const char* lines_are_beats = PITKAD_TR("PitkaD", "線は拍");
inline constexpr const char* lines_are_bars = PITKAD_TR("PitkaD", "線は小節");
inline constexpr const char* beats_per_bar = PITKAD_TR("PitkaD", "1小節の拍数");
inline constexpr const char* quantise_to =
    PITKAD_TR("PitkaD", "量子化: 線間の1/"); // followed by the division
inline constexpr const char* selected_only = PITKAD_TR("PitkaD", "選択した音符だけ");
inline constexpr const char* import_replace = PITKAD_TR("PitkaD", "描画を置き換える");
inline constexpr const char* import_add = PITKAD_TR("PitkaD", "描画に追加する");
inline constexpr const char* import_no_lines = PITKAD_TR("PitkaD", "線を引かない");
inline constexpr const char* import_beat_lines = PITKAD_TR("PitkaD", "拍ごとに線を引く");
inline constexpr const char* import_bar_lines = PITKAD_TR("PitkaD", "小節ごとに線を引く");
inline constexpr const char* tempo_per_bar = PITKAD_TR("PitkaD", "テンポは1小節に1つ");
inline constexpr const char* import_drums =
    PITKAD_TR("PitkaD", "ドラム (チャンネル 10) も今の色で読み込む");
// Beats suggested from the sound (edit menu).
inline constexpr const char* suggest_beats_item = PITKAD_TR("PitkaD", "拍を提案 (&B)");
inline constexpr const char* accept_beats_item =
    PITKAD_TR("PitkaD", "提案した拍を線にする (&A)");
inline constexpr const char* clear_beats_item = PITKAD_TR("PitkaD", "拍の提案を消す (&L)");
inline constexpr const char* no_beats_found = PITKAD_TR("PitkaD", "拍が見つかりません");
// Shown while a suggestion is being computed.
inline constexpr const char* finding_beats = PITKAD_TR("PitkaD", "拍を探しています…");
inline constexpr const char* finding_harmony = PITKAD_TR("PitkaD", "コードと調を探しています…");
inline constexpr const char* finding_notes = PITKAD_TR("PitkaD", "音符を探しています…");
inline constexpr const char* finding_key = PITKAD_TR("PitkaD", "録音の調を探しています…");
// Chords and keys suggested from the sound (edit menu): the chords in a
// lane above the graph, the key at the play position in the status bar.
inline constexpr const char* suggest_harmony_item = PITKAD_TR("PitkaD", "コードと調を提案 (&H)");
inline constexpr const char* clear_harmony_item =
    PITKAD_TR("PitkaD", "コードと調の提案を消す (&R)");
inline constexpr const char* no_chords_found = PITKAD_TR("PitkaD", "コードが見つかりません");
// Notes suggested from the sound (edit menu).
inline constexpr const char* suggest_notes_item = PITKAD_TR("PitkaD", "音符を提案 (&N)");
inline constexpr const char* accept_notes_item = PITKAD_TR("PitkaD", "提案した音符を取り込む (&I)");
inline constexpr const char* clear_notes_item = PITKAD_TR("PitkaD", "音符の提案を消す (&E)");
inline constexpr const char* no_notes_found = PITKAD_TR("PitkaD", "音符が見つかりません");
// The meter and key the MIDI export writes (edit menu).
inline constexpr const char* meter_item = PITKAD_TR("PitkaD", "拍子を設定… (&M)");
inline constexpr const char* key_item = PITKAD_TR("PitkaD", "調号を設定… (&K)");
inline constexpr const char* meter_title = PITKAD_TR("PitkaD", "拍子");
inline constexpr const char* key_title = PITKAD_TR("PitkaD", "調号");
inline constexpr const char* meter_label = PITKAD_TR("PitkaD", "この線からの拍子");
inline constexpr const char* meter_default = PITKAD_TR("PitkaD", "前の拍子のまま");
inline constexpr const char* meter_needs_line =
    PITKAD_TR("PitkaD", "拍子は線に付けます. 先に線を引いてください");
inline constexpr const char* key_label = PITKAD_TR("PitkaD", "調");
inline constexpr const char* key_none = PITKAD_TR("PitkaD", "なし");
inline constexpr const char* key_heard = PITKAD_TR("PitkaD", "音から推定した調");
inline constexpr const char* key_major = PITKAD_TR("PitkaD", "%1 長調");
inline constexpr const char* key_minor = PITKAD_TR("PitkaD", "%1 短調");
inline constexpr const char* image_prompt = PITKAD_TR("PitkaD", "どの部分を書き出しますか?");
inline constexpr const char* image_visible = PITKAD_TR("PitkaD", "表示部分");
inline constexpr const char* image_whole = PITKAD_TR("PitkaD", "曲全体");
inline constexpr const char* notes_csv_prompt =
    PITKAD_TR("PitkaD", "描画の音符も別のCSVファイルに書き出しますか?");
inline constexpr const char* notes_csv_yes = PITKAD_TR("PitkaD", "書き出す");
inline constexpr const char* notes_csv_no = PITKAD_TR("PitkaD", "書き出さない");
// Appended to the name of the analysis CSV for the notes' file.
inline constexpr const char* notes_csv_suffix = "_notes.csv";
inline constexpr const char* cancel = PITKAD_TR("PitkaD", "キャンセル");
// Beside the share done while a recording is being opened.
inline constexpr const char* open_time_left = PITKAD_TR("PitkaD", "残り %1 秒");
// The edit menu, after the file menu; its items are also the tooltips of
// the drawing-tool window's undo and redo buttons.
inline constexpr const char* edit_menu = PITKAD_TR("PitkaD", "編集 (&E)");
inline constexpr const char* undo_item = PITKAD_TR("PitkaD", "元に戻す");
inline constexpr const char* redo_item = PITKAD_TR("PitkaD", "やり直し");

} // namespace pitkad::texts
