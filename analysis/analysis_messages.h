#pragma once
// The analysis subsystem's user-facing texts, kept in one place so the
// window, the command line and the tests compare against the same strings.

#include "base/translatable.h"

namespace pitkad::messages {

inline constexpr const char* cannot_open = PITKAD_TR("PitkaD", "ファイルがオープンできません.");
inline constexpr const char* unsupported = PITKAD_TR("PitkaD", "サポート外のファイルです");
inline constexpr const char* bad_header = PITKAD_TR("PitkaD", "ヘッダが読めません");
inline constexpr const char* too_large = PITKAD_TR("PitkaD", "ファイルが大きすぎます");
inline constexpr const char* cache_not_saved =
    PITKAD_TR("PitkaD", "データファイルが保存できません. 中止します.");

} // namespace pitkad::messages
