#include "app/window_args.h"

#include "analysis/spectrogram_store.h"
#include "view/view_state.h"

#include <QCommandLineParser>

#include <cmath>

namespace pitkad {

namespace {

// The modes as bits, for the modes an option belongs to.
constexpr unsigned bit(Mode m) {
    return 1u << unsigned(m);
}
// Every mode, up to the last (check).
constexpr unsigned all_modes = (bit(Mode::check) << 1) - 1;

struct OptionSpec {
    const char* name;
    bool takes_value;
    unsigned modes; // the modes that take it
};

// Every option of the program. The modes' own options are these too, so
// that the mode is known however the arguments are ordered.
constexpr OptionSpec option_specs[] = {
    {"lang", true, all_modes},
    {"help", false, all_modes},
    {"version", false, all_modes},
    {"analyse", false, bit(Mode::analyse)},
    {"render", false, bit(Mode::render)},
    {"export-midi", false, bit(Mode::export_midi)},
    {"import-midi", false, bit(Mode::import_midi)},
    {"export-csv", false, bit(Mode::export_csv)},
    {"suggest", false, bit(Mode::suggest)},
    {"check", false, bit(Mode::check)},
    {"speed", true, bit(Mode::window)},
    {"transpose", true, bit(Mode::window)},
    {"cents", true, bit(Mode::window)},
    {"loop", true, bit(Mode::window)},
    {"threads", true, bit(Mode::analyse)},
    {"no-cache", false, bit(Mode::analyse)},
    {"channel", true, bit(Mode::analyse) | bit(Mode::render) | bit(Mode::suggest)},
    {"reference", true,
     bit(Mode::analyse) | bit(Mode::render) | bit(Mode::export_csv) | bit(Mode::suggest) |
         bit(Mode::check)},
    {"o", true,
     bit(Mode::render) | bit(Mode::export_midi) | bit(Mode::export_csv) | bit(Mode::suggest) |
         bit(Mode::check)},
    {"width", true, bit(Mode::render)},
    {"line-width", true, bit(Mode::render)},
    {"scroll-speed", true, bit(Mode::render)},
    {"first-frame", true, bit(Mode::render)},
    {"sensitivity", true, bit(Mode::render)},
    {"colour", true, bit(Mode::render)},
    {"grouping", false, bit(Mode::render)},
    {"labels", true, bit(Mode::render)},
    {"pixels-per-second", true, bit(Mode::render)},
    {"row-height", true, bit(Mode::render)},
    {"ruler", false, bit(Mode::render)},
    {"loudness", false, bit(Mode::render) | bit(Mode::export_csv)},
    {"lines", true, bit(Mode::export_midi) | bit(Mode::import_midi)},
    {"beats-per-bar", true, bit(Mode::export_midi)},
    {"quantise", true, bit(Mode::export_midi)},
    {"tempo", true, bit(Mode::export_midi)},
    {"drums", true, bit(Mode::import_midi)},
    {"replace", false, bit(Mode::import_midi)},
    {"notes", true, bit(Mode::export_csv)},
};

constexpr struct {
    const char* option;
    Mode mode;
} mode_options[] = {
    {"analyse", Mode::analyse},         {"render", Mode::render},
    {"export-midi", Mode::export_midi}, {"import-midi", Mode::import_midi},
    {"export-csv", Mode::export_csv},   {"suggest", Mode::suggest},
    {"check", Mode::check},
};

std::optional<int> int_in(const QString& text, int lo, int hi) {
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < lo || v > hi) return std::nullopt;
    return v;
}

// Seconds ("12.5") as milliseconds, in C-locale notation.
std::optional<int> seconds_ms(const QString& text) {
    bool ok = false;
    const double s = text.toDouble(&ok);
    if (!ok || !std::isfinite(s) || s < 0 || s > 24 * 3600) return std::nullopt;
    return int(std::lround(s * 1000));
}

std::optional<LoopMs> loop_of(const QString& text) {
    const qsizetype dash = text.indexOf(u'-', 1);
    if (dash < 0) return std::nullopt;
    const auto start = seconds_ms(text.left(dash)), end = seconds_ms(text.mid(dash + 1));
    if (!start || !end || *end <= *start) return std::nullopt;
    return LoopMs{*start, *end};
}

// Reads the options of `line.mode` from the parser; false when a value is
// bad or files are missing or too many.
class ModeReader {
  public:
    explicit ModeReader(const QCommandLineParser& p) : p_(p) {}

    // An integer option within lo … hi into `target` (left as it is when
    // the option is not given).
    template <class T> bool int_option(const char* name, int lo, int hi, T& target) {
        if (!p_.isSet(name)) return true;
        const auto v = int_in(p_.value(name), lo, hi);
        if (v) target = *v;
        return v.has_value();
    }

    bool read(CommandLine& line) {
        const QStringList files = p_.positionalArguments();
        switch (line.mode) {
        case Mode::window:
            return window(files, line.window);
        case Mode::analyse:
            return analyse(files, line.analyse);
        case Mode::render:
            return render(files, line.render);
        case Mode::export_midi:
        case Mode::import_midi:
        case Mode::export_csv:
        case Mode::check:
            return exchange(files, line.mode, line.exchange);
        case Mode::suggest:
            return suggest(files, line.suggest);
        }
        return false;
    }

  private:
    // --channel first|second|mid into `target` (left as it is when not given).
    bool channel_option(std::optional<AnalysisChannel>& target) {
        if (!p_.isSet("channel")) return true;
        target = parse_analysis_channel(p_.value("channel").toStdString());
        return target.has_value();
    }

    // --reference auto|HZ into `target` (left as it is when not given).
    bool reference_option(std::optional<ReferenceRequest>& target) {
        if (!p_.isSet("reference")) return true;
        target = parse_reference_request(p_.value("reference").toStdString());
        return target.has_value();
    }

    bool window(const QStringList& files, WindowArgs& a) {
        if (files.size() > 1) return false;
        a.file = files.value(0);
        const int max_st = PracticeSettings::max_semitones, max_c = PracticeSettings::max_cents;
        if (!int_option("speed", min_speed_percent, max_speed_percent, a.speed_percent) ||
            !int_option("transpose", -max_st, max_st, a.semitones) ||
            !int_option("cents", -max_c, max_c, a.cents))
            return false;
        if (p_.isSet("loop")) a.loop = loop_of(p_.value("loop"));
        return !p_.isSet("loop") || a.loop.has_value();
    }

    bool analyse(const QStringList& files, AnalyseArgs& a) {
        a.files = files;
        a.use_cache = !p_.isSet("no-cache");
        return !files.isEmpty() && int_option("threads", 1, 64, a.threads) &&
               channel_option(a.channel) && reference_option(a.reference);
    }

    bool render(const QStringList& files, RenderArgs& a) {
        if (files.size() != 1) return false;
        a.file = files[0];
        a.out = p_.value("o");
        a.loudness = p_.isSet("loudness");
        a.grouping = p_.isSet("grouping");
        if (p_.isSet("labels")) {
            const QString labels = p_.value("labels");
            a.labels_left = labels.contains(QLatin1String("left"));
            a.labels_right = labels.contains(QLatin1String("right"));
        }
        a.ruler = p_.isSet("ruler");
        if (p_.isSet("pixels-per-second")) {
            // 0.001 … 800 pixel/s, kept in thousandths.
            bool ok = false;
            const double pps = p_.value("pixels-per-second").toDouble(&ok);
            a.zoom = ok ? std::llround(pps * 1000.0) : 0;
            if (!ok || !(a.zoom >= min_zoom && a.zoom <= max_zoom)) return false;
        }
        return !a.out.isEmpty() && int_option("width", 1, 16384, a.width) &&
               int_option("row-height", min_row_height, max_row_height, a.row_height) &&
               int_option("line-width", min_line_width, max_line_width, a.line_width) &&
               int_option("scroll-speed", 1, 4, a.scroll_speed) && a.scroll_speed != 3 &&
               int_option("first-frame", 0, recording_frame_limit - 1, a.first_frame) &&
               int_option("sensitivity", 0, 100, a.sensitivity) &&
               int_option("colour", 0, 100, a.colour) && channel_option(a.channel) &&
               reference_option(a.reference);
    }

    bool suggest(const QStringList& files, SuggestArgs& a) {
        if (files.size() != 1) return false;
        a.file = files[0];
        a.out = p_.value("o");
        return !a.out.isEmpty() && channel_option(a.channel) && reference_option(a.reference);
    }

    bool exchange(const QStringList& files, Mode mode, ExchangeArgs& a) {
        a.files = files;
        a.out = p_.value("o");
        a.notes = p_.value("notes");
        a.replace = p_.isSet("replace");
        a.loudness = p_.isSet("loudness");
        if (p_.isSet("lines")) {
            const QString lines = p_.value("lines");
            if (lines == QLatin1String("beats"))
                a.lines = LinesOption::beats;
            else if (lines == QLatin1String("bars"))
                a.lines = LinesOption::bars;
            else
                return false;
        }
        if (p_.isSet("tempo")) {
            const QString tempo = p_.value("tempo");
            if (tempo == QLatin1String("bars"))
                a.tempo_per_bar = true;
            else if (tempo != QLatin1String("lines"))
                return false;
        }
        if (!int_option("beats-per-bar", 2, 7, a.beats_per_bar) ||
            !int_option("quantise", 2, 256, a.quantise) || !int_option("drums", 1, 16, a.drums))
            return false;
        if (mode == Mode::import_midi) return files.size() == 2;
        return files.size() == 1 && !a.out.isEmpty() && reference_option(a.reference);
    }

    const QCommandLineParser& p_;
};

} // namespace

CommandLine parse_command_line(const QStringList& args) {
    QCommandLineParser p;
    for (const OptionSpec& o : option_specs) {
        QCommandLineOption option(QString::fromLatin1(o.name));
        if (o.takes_value) option.setValueName(QStringLiteral("value"));
        p.addOption(option);
    }
    CommandLine line;
    // Unknown options and missing values are noted; the rest is still read,
    // so that the mode whose usage is shown is known.
    line.bad = !p.parse(QStringList{QStringLiteral("pitkad")} + args);
    line.unknown_options = !p.unknownOptionNames().isEmpty();

    int modes = 0;
    for (const auto& m : mode_options)
        if (p.isSet(m.option)) {
            line.mode = m.mode;
            ++modes;
        }
    if (modes > 1) {
        line.mode = Mode::window; // the whole usage
        line.bad = true;
    }
    for (const QString& name : p.optionNames()) {
        if (name == QLatin1String("help") || name == QLatin1String("version")) {
            line.info = name == QLatin1String("help") ? InfoOption::help : InfoOption::version;
            break;
        }
    }
    if (p.isSet("lang")) {
        line.language = language_from_code(p.value("lang"));
        line.bad = line.bad || !line.language;
    }
    line.window.language = line.language;
    for (const OptionSpec& o : option_specs)
        if (!(o.modes & bit(line.mode)) && p.isSet(o.name)) line.bad = true;
    // --help and --version need nothing else.
    if (line.bad || line.info != InfoOption::none) return line;
    line.bad = !ModeReader(p).read(line);
    return line;
}

const char* usage_source_of(Mode mode) {
    switch (mode) {
    case Mode::window:
        return usage_source;
    case Mode::analyse:
        return PITKAD_TR("PitkaD",
                         "使い方: pitkad --analyse ファイル... [--threads N] [--no-cache]\n"
                         "       [--channel first|second|mid] [--reference auto|HZ]\n");
    case Mode::render:
        return PITKAD_TR(
            "PitkaD", "使い方: pitkad --render ファイル -o 出力.png [--width W] [--line-width L]\n"
                      "       [--scroll-speed S] [--first-frame F] [--sensitivity S]\n"
                      "       [--colour T] [--loudness] [--grouping] [--labels left,right]\n"
                      "       [--pixels-per-second P] [--row-height H] [--ruler]\n"
                      "       [--channel first|second|mid] [--reference auto|HZ]\n");
    case Mode::export_midi:
        return PITKAD_TR("PitkaD",
                         "使い方: pitkad --export-midi ファイル -o 出力.mid [--lines beats|bars]\n"
                         "       [--beats-per-bar N] [--quantise N] [--tempo lines|bars]\n");
    case Mode::import_midi:
        return PITKAD_TR(
            "PitkaD",
            "使い方: pitkad --import-midi 入力.mid ファイル [--lines beats|bars] [--replace]\n"
            "       [--drums 色]\n");
    case Mode::export_csv:
        return PITKAD_TR(
            "PitkaD",
            "使い方: pitkad --export-csv ファイル -o 出力.csv [--notes 音符.csv] [--loudness]\n"
            "       [--reference auto|HZ]\n");
    case Mode::suggest:
        return PITKAD_TR(
            "PitkaD",
            "使い方: pitkad --suggest ファイル -o 出力.json [--channel first|second|mid]\n"
            "       [--reference auto|HZ]\n");
    case Mode::check:
        return PITKAD_TR("PitkaD",
                         "使い方: pitkad --check ファイル -o 出力.csv [--reference auto|HZ]\n");
    }
    return usage_source;
}

std::string usage_text() {
    return tr_text(usage_source).toStdString();
}

std::optional<WindowArgs> parse_window_args(const QStringList& args) {
    const CommandLine line = parse_command_line(args);
    if (line.bad || line.mode != Mode::window || line.info != InfoOption::none) return std::nullopt;
    return line.window;
}

} // namespace pitkad
