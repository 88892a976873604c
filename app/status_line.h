#pragma once
// The status bar's line: what is in force (the speed, the transposition,
// the cents, the loop, the zoom, the drawing tool, the key suggested at the
// play position), in the language in force.

#include "drawing/tool_state.h"

#include <QString>

#include <string>

namespace pitkad {

struct StatusLine {
    int speed_percent = 100;
    int semitones = 0;
    int cents = 0;
    bool loop = false;
    QString zoom; // the zoom's caption
    DrawMode tool = DrawMode::none;
    std::string key; // the suggested key's label ("G:maj"), or empty
    // The analysis's A4 in hertz ("446.1"), shown when it is not 440 Hz.
    QString reference;
};

// The items side by side, e.g. "速度 75%  |  移調 +2  |  微調整 -10 セント  |
// ループ オン  |  100 pixel/s  |  ペン描画  |  調 ト長調"; the key only when
// there is one.
QString status_line_text(const StatusLine& s);

// A key label's name, its tonic spelt as its key signature has it: "G:maj"
// → "ト長調" ("G major"), "A#:min" → "変ロ短調" ("B♭ minor"), "F#:maj" →
// "嬰ヘ長調" ("F♯ major"); empty for a label that is no key.
QString key_name(const std::string& label);

} // namespace pitkad
