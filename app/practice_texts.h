#pragma once
// The practice tools' captions: the 再生 menu and the practice panel. After
// a tab, a menu item shows its key.

#include <array>

namespace pitkad::practice_texts {

inline constexpr const char* menu = "再生 (&P)";
inline constexpr const char* play_from_start = "最初から再生 (&S)\tP";
inline constexpr const char* stop = "停止 (&T)\tS";
inline constexpr const char* pause = "一時停止 (&A)\tEsc";
inline constexpr const char* play_here = "ここから再生 / 一時停止 (&H)\tSpace";
inline constexpr const char* slower = "遅く (&D)\t-";
inline constexpr const char* faster = "速く (&F)\t+";
inline constexpr const char* normal_speed = "速度 100% (&N)\t0";
inline constexpr const char* speed_menu = "速度 (&E)";
inline constexpr const char* transpose_down = "半音下げる (&W)\t,";
inline constexpr const char* transpose_up = "半音上げる (&U)\t.";
inline constexpr const char* reset_pitch = "音程を元に戻す (&R)";
inline constexpr const char* loop_start = "ループ始点を設定 (&B)\t[";
inline constexpr const char* loop_end = "ループ終点を設定 (&G)\t]";
inline constexpr const char* loop_line = "この区間をループ (&L)\tL";
inline constexpr const char* clear_loop = "ループ解除 (&C)\t\\";
inline constexpr const char* loop_pause_menu = "ループの間 (&I)";
inline constexpr const char* channel_menu = "チャンネル (&K)";
inline constexpr const char* focus_menu = "フォーカス (&O)";
inline constexpr const char* engine_menu = "音質 (&Q)";
inline constexpr const char* show_panel = "練習パネル (&X)";

// In the order of ChannelMode, FocusPreset, StretchEngine and loop_pause_presets.
inline constexpr std::array<const char*, 5> channels{"ステレオ", "左", "右", "モノラル",
                                                     "センター除去"};
inline constexpr std::array<const char*, 3> focus{"オフ", "低音 (C3 未満)", "C3 以上"};
inline constexpr std::array<const char*, 2> engines{"高品質 (標準)", "高速"};
inline constexpr std::array<const char*, 5> loop_pauses{"0 s", "0.5 s", "1 s", "2 s", "3 s"};

// The panel's labels and buttons.
inline constexpr const char* speed_label = "速度";
inline constexpr const char* presets = "プリセット";
inline constexpr const char* transpose_label = "移調";
inline constexpr const char* cents_label = "微調整";
inline constexpr const char* cents_suffix = " セント";
inline constexpr const char* engine_label = "音質";
inline constexpr const char* channel_label = "チャンネル";
inline constexpr const char* loop_label = "ループ";
inline constexpr const char* loop_none = "なし";
inline constexpr const char* set_start = "始点";
inline constexpr const char* set_end = "終点";
inline constexpr const char* line_interval = "区間";
inline constexpr const char* clear = "解除";
inline constexpr const char* pause_label = "間隔";
inline constexpr const char* focus_label = "フォーカス";

} // namespace pitkad::practice_texts
