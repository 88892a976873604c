#pragma once
// The practice tools' captions: the 再生 menu and the practice panel. After
// a tab, a menu item shows its key.

#include "base/translatable.h"

#include <array>

namespace pitkad::practice_texts {

inline constexpr const char* menu = PITKAD_TR("PitkaD", "再生 (&P)");
inline constexpr const char* play_from_start = PITKAD_TR("PitkaD", "最初から再生 (&S)\tP");
inline constexpr const char* stop = PITKAD_TR("PitkaD", "停止 (&T)\tS");
inline constexpr const char* pause = PITKAD_TR("PitkaD", "一時停止 (&A)\tEsc");
inline constexpr const char* play_here = PITKAD_TR("PitkaD", "ここから再生 / 一時停止 (&H)\tSpace");
inline constexpr const char* slower = PITKAD_TR("PitkaD", "遅く (&D)\t-");
inline constexpr const char* faster = PITKAD_TR("PitkaD", "速く (&F)\t+");
inline constexpr const char* normal_speed = PITKAD_TR("PitkaD", "速度 100% (&N)\t0");
inline constexpr const char* speed_menu = PITKAD_TR("PitkaD", "速度 (&E)");
inline constexpr const char* transpose_down = PITKAD_TR("PitkaD", "半音下げる (&W)\t,");
inline constexpr const char* transpose_up = PITKAD_TR("PitkaD", "半音上げる (&U)\t.");
inline constexpr const char* reset_pitch = PITKAD_TR("PitkaD", "音程を元に戻す (&R)");
inline constexpr const char* loop_start = PITKAD_TR("PitkaD", "ループ始点を設定 (&B)\t[");
inline constexpr const char* loop_end = PITKAD_TR("PitkaD", "ループ終点を設定 (&G)\t]");
inline constexpr const char* loop_line = PITKAD_TR("PitkaD", "この区間をループ (&L)\tL");
inline constexpr const char* clear_loop = PITKAD_TR("PitkaD", "ループ解除 (&C)\t\\");
inline constexpr const char* loop_pause_menu = PITKAD_TR("PitkaD", "ループの間 (&I)");
inline constexpr const char* channel_menu = PITKAD_TR("PitkaD", "チャンネル (&K)");
inline constexpr const char* focus_menu = PITKAD_TR("PitkaD", "フォーカス (&O)");
inline constexpr const char* engine_menu = PITKAD_TR("PitkaD", "音質 (&Q)");
inline constexpr const char* show_panel = PITKAD_TR("PitkaD", "練習パネル (&X)");

// In the order of ChannelMode, FocusPreset, StretchEngine and loop_pause_presets.
inline constexpr std::array<const char*, 6> channels{
    PITKAD_TR("PitkaD", "ステレオ"),     PITKAD_TR("PitkaD", "左"),
    PITKAD_TR("PitkaD", "右"),           PITKAD_TR("PitkaD", "モノラル"),
    PITKAD_TR("PitkaD", "センター除去"), PITKAD_TR("PitkaD", "録音左・描画右")};
inline constexpr std::array<const char*, 3> focus{PITKAD_TR("PitkaD", "オフ"),
                                                  PITKAD_TR("PitkaD", "低音 (C3 未満)"),
                                                  PITKAD_TR("PitkaD", "C3 以上")};
inline constexpr std::array<const char*, 2> engines{PITKAD_TR("PitkaD", "高品質 (標準)"),
                                                    PITKAD_TR("PitkaD", "高速")};
inline constexpr std::array<const char*, 5> loop_pauses{"0 s", "0.5 s", "1 s", "2 s", "3 s"};

// The panel's labels and buttons.
inline constexpr const char* speed_label = PITKAD_TR("PitkaD", "速度");
inline constexpr const char* presets = PITKAD_TR("PitkaD", "プリセット");
inline constexpr const char* transpose_label = PITKAD_TR("PitkaD", "移調");
inline constexpr const char* cents_label = PITKAD_TR("PitkaD", "微調整");
inline constexpr const char* cents_suffix = PITKAD_TR("PitkaD", " セント");
inline constexpr const char* engine_label = PITKAD_TR("PitkaD", "音質");
inline constexpr const char* channel_label = PITKAD_TR("PitkaD", "チャンネル");
inline constexpr const char* loop_label = PITKAD_TR("PitkaD", "ループ");
inline constexpr const char* loop_none = PITKAD_TR("PitkaD", "なし");
inline constexpr const char* set_start = PITKAD_TR("PitkaD", "始点");
inline constexpr const char* set_end = PITKAD_TR("PitkaD", "終点");
inline constexpr const char* line_interval = PITKAD_TR("PitkaD", "区間");
inline constexpr const char* clear = PITKAD_TR("PitkaD", "解除");
inline constexpr const char* pause_label = PITKAD_TR("PitkaD", "間隔");
inline constexpr const char* focus_label = PITKAD_TR("PitkaD", "フォーカス");

} // namespace pitkad::practice_texts
