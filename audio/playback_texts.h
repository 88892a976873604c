#pragma once
// User-facing texts of the transport, the player and the controls, in one
// place so that tests compare against the same constants.

#include "base/translatable.h"

namespace pitkad::playback_texts {

inline constexpr const char* caption = "PitkaD";
inline constexpr const char* time_zero = "0.0 s";
inline constexpr const char* pixel_per_second = " pixel/s";
inline constexpr const char* seconds_suffix = " s";

// Open failures of the player, shown in a message box, followed by the file.
inline constexpr const char* no_file_name =
    PITKAD_TR("PitkaD", "再生するファイルが指定されていません。");
inline constexpr const char* file_not_found =
    PITKAD_TR("PitkaD", "指定されたファイルが見つかりません。");
inline constexpr const char* file_unreadable = PITKAD_TR("PitkaD", "ファイルを読み込めません。");
inline constexpr const char* not_a_wav = PITKAD_TR("PitkaD", "WAV ファイルではありません。");
inline constexpr const char* unsupported_format =
    PITKAD_TR("PitkaD", "このファイルの形式には対応していません (16 ビット PCM のみ)。");
inline constexpr const char* file_damaged = PITKAD_TR("PitkaD", "ファイルが壊れています。");
// Status shown by the window when sound cannot be heard.
inline constexpr const char* no_audio_device =
    PITKAD_TR("PitkaD", "オーディオデバイスがありません");

} // namespace pitkad::playback_texts
