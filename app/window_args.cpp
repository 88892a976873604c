#include "app/window_args.h"

#include <cmath>
#include <cstring>

namespace pitkad {

namespace {

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

} // namespace

std::optional<WindowArgs> parse_window_args(const QStringList& args) {
    WindowArgs out;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (!a.startsWith(u'-')) {
            if (!out.file.isEmpty()) return std::nullopt;
            out.file = a;
            continue;
        }
        if (i + 1 >= args.size()) return std::nullopt;
        const QString v = args[++i];
        if (a == QLatin1String("--speed")) {
            out.speed_percent = int_in(v, min_speed_percent, max_speed_percent);
            if (!out.speed_percent) return std::nullopt;
        } else if (a == QLatin1String("--transpose")) {
            out.semitones =
                int_in(v, -PracticeSettings::max_semitones, PracticeSettings::max_semitones);
            if (!out.semitones) return std::nullopt;
        } else if (a == QLatin1String("--cents")) {
            out.cents = int_in(v, -PracticeSettings::max_cents, PracticeSettings::max_cents);
            if (!out.cents) return std::nullopt;
        } else if (a == QLatin1String("--loop")) {
            const qsizetype dash = v.indexOf(u'-', 1);
            if (dash < 0) return std::nullopt;
            const auto start = seconds_ms(v.left(dash)), end = seconds_ms(v.mid(dash + 1));
            if (!start || !end || *end <= *start) return std::nullopt;
            out.loop = LoopMs{*start, *end};
        } else if (a == QLatin1String("--lang")) {
            out.language = language_from_code(v);
            if (!out.language) return std::nullopt;
        } else {
            return std::nullopt;
        }
    }
    return out;
}

std::string usage_text() {
    return tr_text(usage_source).toStdString();
}

std::optional<Language> take_language_option(int& argc, char** argv, bool& bad) {
    std::optional<Language> language;
    bad = false;
    int out = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--lang") != 0) {
            argv[out++] = argv[i];
            continue;
        }
        language =
            i + 1 < argc ? language_from_code(QString::fromLocal8Bit(argv[i + 1])) : std::nullopt;
        bad = bad || !language;
        ++i;
    }
    argc = out;
    argv[argc] = nullptr;
    return language;
}

InfoOption info_option(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) return InfoOption::help;
        if (std::strcmp(argv[i], "--version") == 0) return InfoOption::version;
    }
    return InfoOption::none;
}

} // namespace pitkad
