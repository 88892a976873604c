#include "view/time_ruler.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cstdio>

namespace pitkad {

namespace {

struct Step {
    std::int64_t ms;
    int divisions;
};
constexpr std::array<Step, 16> steps{{{100, 5},
                                      {200, 2},
                                      {500, 5},
                                      {1000, 5},
                                      {2000, 2},
                                      {5000, 5},
                                      {10000, 2},
                                      {15000, 3},
                                      {30000, 3},
                                      {60000, 2},
                                      {120000, 2},
                                      {300000, 5},
                                      {600000, 2},
                                      {900000, 3},
                                      {1800000, 3},
                                      {3600000, 2}}};

constexpr QColor ruler_background{28, 28, 28};
constexpr QColor ruler_ink{200, 200, 200};
constexpr QColor bar_ink{255, 214, 120};
constexpr QColor beat_ink{150, 150, 150};
constexpr QColor flag_fill{64, 176, 112};
constexpr QColor flag_lit{140, 230, 170};
constexpr QColor flag_ink{12, 28, 18};

int x_of_ms(const ViewState& view, std::int64_t ms) {
    return int(view.frames_to_offset(ms / frame_ms - view.first_frame));
}

} // namespace

QFont ruler_font() {
    QFont f;
    f.setPixelSize(10);
    return f;
}

std::string clock_text(std::int64_t ms, bool tenths) {
    ms = std::max<std::int64_t>(ms, 0);
    const std::int64_t whole = tenths ? ms / 100 : ms / 1000; // tenths or seconds
    const std::int64_t s = tenths ? whole / 10 : whole;
    char buf[48];
    const long long h = s / 3600, m = s / 60 % 60, sec = s % 60;
    int n = h > 0 ? std::snprintf(buf, sizeof buf, "%lld:%02lld:%02lld", h, m, sec)
                  : std::snprintf(buf, sizeof buf, "%lld:%02lld", (long long)(s / 60), sec);
    if (tenths && n > 0) std::snprintf(buf + n, sizeof buf - std::size_t(n), ".%lld",
                                       (long long)(whole % 10));
    return buf;
}

RulerScale ruler_scale(const ViewState& view, int min_label_px) {
    // Pixels per step at this zoom: step_ms × zoom / 1e6.
    const std::int64_t zoom = view.zoom_in_force();
    for (const Step& s : steps)
        if (s.ms * zoom >= std::int64_t(min_label_px) * 1'000'000) return {s.ms, s.divisions};
    return {steps.back().ms, steps.back().divisions};
}

std::vector<RulerTick> ruler_ticks(const ViewState& view, int width, int min_label_px) {
    const RulerScale scale = ruler_scale(view, min_label_px);
    const std::int64_t minor = scale.step_ms / scale.divisions;
    const bool minors = minor * view.zoom_in_force() >= 4'000'000 && minor % frame_ms == 0;
    const std::int64_t first_ms = std::int64_t(view.x_to_frame(0)) * frame_ms;
    const std::int64_t last_ms = std::int64_t(view.x_to_frame(width)) * frame_ms;
    std::vector<RulerTick> ticks;
    // From the labelled tick before the view, so that its label shows cut.
    std::int64_t t = std::max<std::int64_t>(0, (first_ms / scale.step_ms - 1) * scale.step_ms);
    for (; t <= last_ms; t += minors ? minor : scale.step_ms) {
        const bool labelled = t % scale.step_ms == 0;
        const int x = x_of_ms(view, t);
        if (x >= width) break;
        if (x < 0 && !labelled) continue;
        ticks.push_back({x, t, labelled});
    }
    return ticks;
}

std::vector<RulerFlag> ruler_flags(const ViewState& view, std::span<const SectionMarker> markers,
                                   int width,
                                   const std::function<int(const std::string&)>& text_width) {
    std::vector<RulerFlag> flags;
    for (std::size_t i = 0; i < markers.size(); ++i) {
        const int x = view.frame_to_x(markers[i].frame);
        if (x >= width) break;
        int w = std::min(text_width(markers[i].name) + 6, ruler_flag_max_width);
        if (i + 1 < markers.size()) w = std::min(w, view.frame_to_x(markers[i + 1].frame) - x);
        w = std::max(w, ruler_flag_min_width);
        if (x + w <= 0) continue;
        flags.push_back({int(i), x, w});
    }
    return flags;
}

int ruler_flag_at(std::span<const RulerFlag> flags, int x) {
    for (auto f = flags.rbegin(); f != flags.rend(); ++f)
        if (x >= f->x - 2 && x < f->x + std::max(f->width, 3)) return f->marker;
    return -1;
}

namespace {

void paint_flags(QPainter& p, const QRect& lane, const ViewState& view,
                 std::span<const SectionMarker> markers, int highlighted) {
    const QFontMetrics metrics = p.fontMetrics();
    const auto text_width = [&](const std::string& s) {
        return metrics.horizontalAdvance(QString::fromStdString(s));
    };
    for (const RulerFlag& f : ruler_flags(view, markers, lane.width(), text_width)) {
        const QRect box(lane.left() + f.x, lane.top() + 1, f.width, lane.height() - 1);
        const QColor fill = f.marker == highlighted ? flag_lit : flag_fill;
        p.fillRect(box, fill.darker(130));
        p.fillRect(box.adjusted(1, 0, -1, -2), fill);
        p.setPen(fill.lighter(140));
        p.drawLine(box.left(), box.top(), box.left(), box.bottom()); // the pole
        const QString name = metrics.elidedText(
            QString::fromStdString(markers[std::size_t(f.marker)].name), Qt::ElideRight,
            f.width - 5);
        if (name.isEmpty()) continue;
        p.setPen(flag_ink);
        p.drawText(QPoint(box.left() + 3, lane.bottom() - 2), name);
    }
}

} // namespace

void paint_time_ruler(QPainter& p, const QRect& area, const ViewState& view,
                      std::span<const LineCount> lines, std::span<const SectionMarker> markers,
                      int highlighted) {
    p.save();
    p.setClipRect(area);
    p.fillRect(area, ruler_background);
    p.setFont(ruler_font());
    const int half = ruler_band;
    const int bottom = area.top() + 2 * ruler_band - 1;
    const bool tenths = ruler_scale(view).step_ms < 1000;
    for (const RulerTick& t : ruler_ticks(view, area.width())) {
        const int x = area.left() + t.x;
        p.setPen(ruler_ink);
        if (t.labelled) {
            p.drawLine(x, area.top(), x, area.top() + half - 1);
            p.drawText(QPoint(x + 3, area.top() + 10), QString::fromStdString(clock_text(t.ms, tenths)));
        } else {
            p.drawLine(x, area.top() + half - 4, x, area.top() + half - 1);
        }
    }
    p.setPen(QColor(70, 70, 70));
    p.drawLine(area.left(), area.top() + half, area.right(), area.top() + half);
    // Bars: their number at each line that starts one; beats when there is
    // room for them too.
    const auto visible = [&](int x) { return x >= -40 && x < area.width(); };
    int last_label_end = -1000;
    bool beats_fit = true; // every visible line at least 14 pixels from the one before
    for (std::size_t i = 1; i < lines.size() && beats_fit; ++i)
        beats_fit = !visible(view.frame_to_x(lines[i].frame)) ||
                    view.frames_to_offset(lines[i].frame - lines[i - 1].frame) >= 14;
    for (const LineCount& c : lines) {
        const int x = view.frame_to_x(c.frame);
        if (!visible(x)) continue;
        const bool bar = c.beat == 1;
        p.setPen(bar ? bar_ink : beat_ink);
        p.drawLine(area.left() + x, area.top() + half + 1, area.left() + x,
                   bar ? bottom : area.top() + half + 4);
        if (!bar && !beats_fit) continue;
        const QString text = bar ? QString::number(c.bar) : QString::number(c.beat);
        if (area.left() + x + 2 <= last_label_end) continue;
        p.drawText(QPoint(area.left() + x + 2, bottom - 1), text);
        last_label_end = area.left() + x + 2 + p.fontMetrics().horizontalAdvance(text);
    }
    const QRect lane(area.left(), bottom + 1, area.width(), area.bottom() - bottom);
    p.setPen(QColor(70, 70, 70));
    p.drawLine(lane.left(), lane.top(), lane.right(), lane.top());
    paint_flags(p, lane, view, markers, highlighted);
    p.restore();
}

} // namespace pitkad
