#pragma once
// The analysis subsystem's user-facing texts, kept in one place so the
// window, the command line and the tests compare against the same strings.

namespace pitkad::messages {

inline constexpr const char* cannot_open = "ファイルがオープンできません.";
inline constexpr const char* unsupported = "サポート外のファイルです";
inline constexpr const char* bad_header = "ヘッダが読めません";
inline constexpr const char* too_large = "ファイルが大きすぎます";
inline constexpr const char* cache_not_saved = "データファイルが保存できません. 中止します.";

} // namespace pitkad::messages
