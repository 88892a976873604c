#pragma once
// The status bar's line: what is in force (the speed, the transposition,
// the cents, the loop, the zoom, the drawing tool), in the language in
// force.

#include "drawing/tool_state.h"

#include <QString>

namespace pitkad {

struct StatusLine {
    int speed_percent = 100;
    int semitones = 0;
    int cents = 0;
    bool loop = false;
    QString zoom; // the zoom's caption
    DrawMode tool = DrawMode::none;
    // The analysis's A4 in hertz ("446.1"), shown when it is not 440 Hz.
    QString reference;
};

// The items side by side, e.g. "速度 75%  |  移調 +2  |  微調整 -10 セント  |
// ループ オン  |  100 pixel/s  |  ペン描画".
QString status_line_text(const StatusLine& s);

} // namespace pitkad
