#pragma once
// The main window's fixed texts: captions, filters, messages.

namespace pitkad::texts {

inline constexpr const char* app_title = "PitkaD";
inline constexpr const char* caption_prefix = "PitkaD - ";
inline constexpr const char* open_filter_wav = "wavファイル (*.wav)";
inline constexpr const char* open_filter_all = "その他 (*)";
inline constexpr const char* cache_write_failed = "データファイルが保存できません. 中止します.";
inline constexpr const char* support_page = "https://pitkad.example.org/manual";
inline constexpr const char* about_notice = "Linux 版 (Qt 6)";
inline constexpr const char* no_audio_device = "オーディオ装置がありません (無音で再生します)";

} // namespace pitkad::texts
