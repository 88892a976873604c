#include "view/practice_marks.h"

#include "analysis/spectrogram_store.h"

#include <algorithm>
#include <limits>

namespace pitkad {

int sample_to_column(std::int64_t samples, int rate) {
    if (rate <= 0) return 0;
    const std::int64_t column = samples * 1000 / rate / frame_ms;
    return int(std::clamp<std::int64_t>(column, std::numeric_limits<int>::min(),
                                        std::numeric_limits<int>::max()));
}

PracticeMarks practice_marks(const PracticeSettings& s, int rate) {
    PracticeMarks m;
    if (s.loop.active() && rate > 0) {
        m.loop_first = sample_to_column(s.loop.start, rate);
        // The column of the loop's last sample is the last one shown.
        m.loop_end = sample_to_column(s.loop.end - 1, rate) + 1;
    }
    if (s.focused()) {
        m.focus_low = std::min(s.focus_low, s.focus_high);
        m.focus_high = std::max(s.focus_low, s.focus_high);
    }
    return m;
}

} // namespace pitkad
