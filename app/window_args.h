#pragma once
// The program's command line, read by one parser for every way to run it:
// the window's `pitkad [FILE] [--speed PERCENT] [--transpose SEMITONES]
// [--cents C] [--loop START-END]` (seconds), the command-line modes
// (--analyse, --render, --export-midi, --import-midi, --export-csv),
// --help and --version, and `--lang ja|en` with any of them; and the
// usage texts.

#include "analysis/analysis_channel.h"
#include "analysis/analysis_reference.h"
#include "app/language.h"
#include "control/practice_controls.h"
#include "view/colour_map.h"
#include "view/view_layout.h"

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

// `--analyse FILE… [--threads N] [--no-cache] [--channel first|second|mid]
// [--reference auto|HZ]`
struct AnalyseArgs {
    QStringList files;
    int threads = 0; // every core
    bool use_cache = true;
    // The part of each recording analysed and the reference pitch of the
    // analysis; none: the ones remembered for it.
    std::optional<AnalysisChannel> channel;
    std::optional<ReferenceRequest> reference;
};

// `--render FILE -o OUT.png …`
struct RenderArgs {
    QString file, out;
    std::optional<AnalysisChannel> channel; // --channel; none: as remembered
    std::optional<ReferenceRequest> reference; // --reference; none: as remembered
    int width = initial_client_width;
    int line_width = min_line_width;
    int scroll_speed = 1;
    int first_frame = 0;
    int sensitivity = default_sensitivity;
    int colour = default_colour;
    bool loudness = false;
    bool grouping = false;
    bool labels_left = true;
    bool labels_right = false;
    // What the window shows at any zoom: time zoom in thousandths of a
    // pixel per second (0: the scroll speed), row height (0: the line
    // width), the time ruler above. With any of them the note labels are
    // text, as the window paints them.
    long long zoom = 0;
    int row_height = 0;
    bool ruler = false;
    bool window_style() const { return zoom > 0 || row_height > 0 || ruler; }
};

// `--export-midi`, `--import-midi`, `--export-csv` and `--check`.
enum class LinesOption { none, beats, bars }; // --lines
struct ExchangeArgs {
    // The recording; for --import-midi the MIDI file, then the recording.
    QStringList files;
    QString out, notes; // -o, --notes; empty: not given
    LinesOption lines = LinesOption::none;
    int beats_per_bar = 4;
    int quantise = 0; // none
    bool tempo_per_bar = false; // --tempo bars
    int drums = 0;              // --drums: the colour of channel 10's notes; 0 skips them
    bool replace = false;
    bool loudness = false;
    std::optional<ReferenceRequest> reference; // --export-csv's, --check's; none: as remembered
};

// `--suggest FILE -o OUT.json [--channel first|second|mid] [--reference auto|HZ]`
struct SuggestArgs {
    QString file, out;
    std::optional<AnalysisChannel> channel; // none: as remembered
    std::optional<ReferenceRequest> reference; // none: as remembered
};

enum class Mode { window, analyse, render, export_midi, import_midi, export_csv, suggest, check };
enum class InfoOption { none, help, version };

struct CommandLine {
    Mode mode = Mode::window;
    // --help or --version, whichever comes first.
    InfoOption info = InfoOption::none;
    std::optional<Language> language; // --lang
    // An unknown option, one that the mode does not take, a missing or bad
    // value, files missing or too many, or two modes: the usage is shown and
    // the program exits with 2.
    bool bad = false;
    // Among the above, options the parser does not know: for the window
    // these may be Qt's own (-platform, -style …) until the application has
    // taken them out.
    bool unknown_options = false;
    WindowArgs window;
    AnalyseArgs analyse;
    RenderArgs render;
    ExchangeArgs exchange;
    SuggestArgs suggest;
};

// The arguments after the program's name.
CommandLine parse_command_line(const QStringList& args);

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
    "         [--channel first|second|mid] [--reference auto|HZ]\n"
    "      ファイルを解析し、結果をキャッシュに保存します。--channel は解析する\n"
    "      チャンネル (first: 1 チャンネル目、second: 2 チャンネル目、mid: 左右の\n"
    "      平均) で、省略するとウィンドウでそのファイルに選んだものです。\n"
    "      --reference は解析の基準音 A4 の周波数 (415 … 466 Hz、auto: 録音から\n"
    "      推定) で、省略するとウィンドウでそのファイルに選んだものです。\n"
    "  pitkad --render ファイル -o 出力.png [--width W] [--line-width L]\n"
    "         [--scroll-speed S] [--first-frame F] [--sensitivity S] [--colour T]\n"
    "         [--loudness] [--grouping] [--labels left,right]\n"
    "         [--pixels-per-second P] [--row-height H] [--ruler]\n"
    "         [--channel first|second|mid] [--reference auto|HZ]\n"
    "      ウィンドウに表示されるグラフを PNG 画像に書き出します。\n"
    "  pitkad --export-midi ファイル -o 出力.mid [--lines beats|bars]\n"
    "         [--beats-per-bar N] [--quantise N]\n"
    "      描画を MIDI ファイルに書き出します。\n"
    "  pitkad --import-midi 入力.mid ファイル [--lines beats|bars] [--replace]\n"
    "      MIDI ファイルを読み込み、ファイルの描画として保存します。\n"
    "  pitkad --export-csv ファイル -o 出力.csv [--notes 音符.csv] [--loudness]\n"
    "         [--reference auto|HZ]\n"
    "      解析データを CSV ファイルに書き出します。\n"
    "  pitkad --suggest ファイル -o 出力.json [--channel first|second|mid]\n"
    "         [--reference auto|HZ]\n"
    "      録音の音から推定した提案 (チューニングなど) を JSON ファイルに\n"
    "      書き出します。\n"
    "  pitkad --check ファイル -o 出力.csv [--reference auto|HZ]\n"
    "      描画の音符を録音の音と照らし合わせ、判定と描かれていない音を\n"
    "      CSV ファイルに書き出します。\n"
    "  pitkad --help\n"
    "      この説明を表示します。\n"
    "  pitkad --version\n"
    "      バージョンを表示します。\n");
// clang-format on

// The usage shown after a bad command line of `mode`: the mode's own, or the
// program's whole usage for the window (a marked text).
const char* usage_source_of(Mode mode);

// The usage in the language in force.
std::string usage_text();

// The window's arguments (those after the program's name); nullopt when an
// option is unknown, missing its value or out of range, or the arguments ask
// for another mode.
std::optional<WindowArgs> parse_window_args(const QStringList& args);

} // namespace pitkad
