#pragma once
// The window's command line: `pitkad [FILE] [--speed PERCENT]
// [--transpose SEMITONES] [--cents C] [--loop START-END]` (seconds).

#include "control/practice_controls.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace pitkad {

struct WindowArgs {
    QString file; // empty: none
    std::optional<int> speed_percent, semitones, cents;
    std::optional<LoopMs> loop;
};

inline constexpr const char* window_usage =
    "usage: pitkad [FILE] [--speed PERCENT] [--transpose SEMITONES] [--cents C]\n"
    "              [--loop START-END]\n"
    "  PERCENT 25 … 200, SEMITONES -12 … 12, C -50 … 50, START and END in seconds\n";

// The arguments after the program's name; nullopt when one is unknown,
// missing its value or out of range.
std::optional<WindowArgs> parse_window_args(const QStringList& args);

} // namespace pitkad
