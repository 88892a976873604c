#pragma once
// The window's command line: `pitkad [FILE] [--speed PERCENT]
// [--transpose SEMITONES] [--cents C] [--loop START-END] [--lang ja|en]`
// (seconds), and the program's usage text.

#include "app/language.h"
#include "control/practice_controls.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <string>

namespace pitkad {

struct WindowArgs {
    QString file; // empty: none
    std::optional<int> speed_percent, semitones, cents;
    std::optional<LoopMs> loop;
    std::optional<Language> language; // --lang
};

// The usage of every way to run the program: the window's options and the
// command-line modes (`pitkad --help`, and after a bad option).
// clang-format off
inline constexpr const char* usage_source = PITKAD_TR(
    "PitkaD",
    "使い方:\n"
    "  pitkad [ファイル] [--speed 百分率] [--transpose 半音] [--cents セント]\n"
    "         [--loop 開始-終了] [--lang ja|en]\n"
    "      ウィンドウを開き、ファイルがあれば開きます。百分率は 25 … 200、\n"
    "      半音は -12 … 12、セントは -50 … 50、開始と終了は秒、\n"
    "      --lang は表示の言語 (ja: 日本語、en: 英語) で、どの使い方にも\n"
    "      付けられます。\n"
    "  pitkad --analyse ファイル... [--threads N] [--no-cache]\n"
    "      ファイルを解析し、結果をキャッシュに保存します。\n"
    "  pitkad --render ファイル -o 出力.png [--width W] [--line-width L]\n"
    "         [--scroll-speed S] [--first-frame F] [--sensitivity S] [--colour T]\n"
    "         [--loudness] [--grouping] [--labels left,right]\n"
    "      ウィンドウに表示されるグラフを PNG 画像に書き出します。\n"
    "  pitkad --export-midi ファイル -o 出力.mid [--lines beats|bars]\n"
    "         [--beats-per-bar N] [--quantise N]\n"
    "      描画を MIDI ファイルに書き出します。\n"
    "  pitkad --import-midi 入力.mid ファイル [--lines beats|bars] [--replace]\n"
    "      MIDI ファイルを読み込み、ファイルの描画として保存します。\n"
    "  pitkad --export-csv ファイル -o 出力.csv [--notes 音符.csv] [--loudness]\n"
    "      解析データを CSV ファイルに書き出します。\n"
    "  pitkad --help\n"
    "      この説明を表示します。\n"
    "  pitkad --version\n"
    "      バージョンを表示します。\n");
// clang-format on

// The usage in the language in force.
std::string usage_text();

// Takes `--lang ja|en` out of the arguments (for the command-line modes,
// whose own parsers do not know it). Unset when it is not there; `bad` is
// set when its value is missing or not a language.
std::optional<Language> take_language_option(int& argc, char** argv, bool& bad);

// `--help` or `--version` among the arguments after the program's name,
// whichever comes first; they are answered without a window or a display.
enum class InfoOption { none, help, version };
InfoOption info_option(int argc, const char* const* argv);

// The arguments after the program's name; nullopt when one is unknown,
// missing its value or out of range.
std::optional<WindowArgs> parse_window_args(const QStringList& args);

} // namespace pitkad
