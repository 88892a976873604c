#pragma once
// The main window's own fixed texts (the subsystems keep theirs).

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
// Shown after the settings file's path when it cannot be saved.
inline constexpr const char* cannot_write = "  に書けません";

// The edit menu, after the file menu; its items are also the tooltips of
// the drawing-tool window's undo and redo buttons.
inline constexpr const char* edit_menu = "編集 (&E)";
inline constexpr const char* undo_item = "元に戻す";
inline constexpr const char* redo_item = "やり直し";

} // namespace pitkad::texts
