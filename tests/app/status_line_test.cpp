#include "app/status_line.h"

#include <gtest/gtest.h>

namespace pitkad {
namespace {

// Each item as it shows, signs on changes up, in the source language.
TEST(StatusLine, ShowsWhatIsInForce) {
    const struct {
        StatusLine line;
        const char* text;
    } rows[] = {
        {{75, 2, -10, true, "100 pixel/s", DrawMode::pen_draw},
         "速度 75%  |  移調 +2  |  微調整 -10 セント  |  ループ オン  |  100 pixel/s  |  ペン描画"},
        {{200, -12, 50, false, "50 pixel/s", DrawMode::clipboard},
         "速度 200%  |  移調 -12  |  微調整 +50 セント  |  ループ オフ  |  50 pixel/s  |  "
         "クリップボードへコピー"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(status_line_text(r.line), QString::fromUtf8(r.text));
}

} // namespace
} // namespace pitkad
