#include "view/chord_lane.h"

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <array>
#include <utility>

namespace pitkad {

namespace {

constexpr QColor lane_background{20, 20, 24};
constexpr QColor box_fill{52, 62, 96};
constexpr QColor box_ink{230, 232, 245};

QFont lane_font() {
    QFont f;
    f.setPixelSize(12);
    return f;
}

} // namespace

std::string chord_symbol(const std::string& label) {
    static constexpr std::array<std::pair<const char*, const char*>, 5> qualities{
        {{"maj", ""}, {"min", "m"}, {"7", "7"}, {"maj7", "maj7"}, {"min7", "m7"}}};
    const auto colon = label.find(':');
    if (colon == std::string::npos || colon == 0) return {};
    const std::string quality = label.substr(colon + 1);
    // The root's sign as a chart prints it.
    std::string root = label.substr(0, 1);
    if (colon == 2) root += label[1] == '#' ? "♯" : label[1] == 'b' ? "♭" : label.substr(1, 1);
    else if (colon > 2) return {};
    for (const auto& [name, suffix] : qualities)
        if (quality == name) return root + suffix;
    return {};
}

std::vector<ChordBox> chord_lane_boxes(std::span<const HarmonySpan> chords, const ViewState& view,
                                       int width,
                                       const std::function<int(const std::string&)>& text_width) {
    std::vector<ChordBox> boxes;
    if (width <= 0) return boxes;
    // The first chord that ends after the view's first frame.
    const int first_frame = view.x_to_frame(0);
    auto at = std::upper_bound(chords.begin(), chords.end(), first_frame,
                               [](int f, const HarmonySpan& c) { return f < c.end; });
    for (; at != chords.end(); ++at) {
        const long long left = view.frames_to_offset((long long)at->first - view.first_frame);
        if (left >= width) break;
        const std::string symbol = chord_symbol(at->label);
        if (symbol.empty()) continue;
        const long long right = view.frames_to_offset((long long)at->end - view.first_frame);
        ChordBox box;
        box.x = int(std::max(left, 0LL));
        box.width = int(std::max(std::min<long long>(right, width) - box.x, 1LL));
        if (text_width(symbol) + 2 * chord_box_margin <= box.width) box.text = symbol;
        boxes.push_back(std::move(box));
    }
    return boxes;
}

void paint_chord_lane(QPainter& p, const QRect& area, const ViewState& view,
                      std::span<const HarmonySpan> chords) {
    p.save();
    p.setClipRect(area);
    p.fillRect(area, lane_background);
    const QFont font = lane_font();
    p.setFont(font);
    const QFontMetrics metrics(font);
    const auto boxes = chord_lane_boxes(chords, view, area.width(), [&](const std::string& s) {
        return metrics.horizontalAdvance(QString::fromStdString(s));
    });
    p.setPen(box_ink);
    for (const ChordBox& b : boxes) {
        // A column of background after each box sets neighbours apart.
        const QRect box(area.left() + b.x, area.top() + 1, std::max(b.width - 1, 1),
                        area.height() - 2);
        p.fillRect(box, box_fill);
        if (!b.text.empty())
            p.drawText(box.adjusted(chord_box_margin, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                       QString::fromStdString(b.text));
    }
    p.restore();
}

} // namespace pitkad
