#pragma once
// The main window's own fixed texts (the subsystems keep theirs).

namespace pitkad::texts {

inline constexpr const char* app_title = "PitkaD";
inline constexpr const char* caption_prefix = "PitkaD - ";
inline constexpr const char* open_filter_wav = "wavファイル (*.wav)";
inline constexpr const char* open_filter_all = "その他 (*)";
inline constexpr const char* about_notice = "Linux 版 (Qt 6)";
// Shown after the settings file's path when it cannot be saved.
inline constexpr const char* cannot_write = "  に書けません";

} // namespace pitkad::texts
