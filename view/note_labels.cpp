#include "view/note_labels.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "view/view_state.h"

namespace pitkad {

Rgb label_colour(int pitch_class, bool sounding, std::uint8_t white_key_grey) {
    if (sounding) return sounding_key_colour;
    if (is_sharp(pitch_class)) return sharp_key_colour;
    return Rgb{white_key_grey, white_key_grey, white_key_grey};
}

std::optional<std::string> show_note_hint(int y, int line_width, bool show_frq, bool show_note,
                                          double a4_hz) {
    if (line_width <= 0 || y < 0 || y >= graph_rows * line_width) return std::nullopt;
    const int k = ViewState::row_to_band(y / line_width);
    std::string text(note_names[std::size_t((k + 9) % 12)]);
    text += std::to_string((k + 21) / 12);
    if (show_frq) {
        // nearbyint rounds ties to even in the default rounding mode.
        const double f = std::nearbyint(55.0 * std::exp2(k / 12.0) * (a4_hz / 440.0));
        text += "\r\n" + std::to_string(static_cast<long long>(f)) + "Hz";
    }
    if (show_note) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "%02X", k + 33);
        text += "\r\n" + std::to_string(k + 33) + " (" + hex + "h)";
    }
    return text;
}

std::string note_label_text(int band, int line_width) {
    const int note = band + band_note_offset;
    const int pc = note % 12;
    std::string text(note_names[std::size_t(pc)]);
    if (pc == 0 || line_width >= 12) text += std::to_string(note / 12 - 1);
    return text;
}

bool row_labelled(int band, int line_width) {
    return line_width >= 8 || (band + band_note_offset) % 12 == 0;
}

std::array<bool, 74> rows_with_content(const QImage& picture, int x, int width, int line_width,
                                       int scale) {
    std::array<bool, 74> rows{};
    if (picture.isNull() || picture.format() != QImage::Format_BGR888) return rows;
    const int k = std::max(scale, 1);
    const int x0 = std::clamp(x * k, 0, picture.width());
    const int x1 = std::clamp((x + width) * k, x0, picture.width());
    for (int r = 0; r < 74; ++r) {
        const int y = (r * line_width + line_width / 2) * k; // a line of the band, not the grid
        if (y >= picture.height()) break;
        const std::uint8_t* line = picture.constScanLine(y);
        for (int c = x0; c < x1 && !rows[std::size_t(r)]; ++c) {
            const std::uint8_t* px = line + 3 * c;
            rows[std::size_t(r)] = !(px[0] == px[1] && px[1] == px[2]); // a colour, not a grey
        }
    }
    return rows;
}

void paint_note_labels(QPainter& p, int x, int line_width, std::span<const std::uint8_t> sounding,
                       const QRect& clip, std::span<const bool> under) {
    const int L = std::max(line_width, 1);
    QFont font = p.font();
    font.setPixelSize(std::clamp(L - 1, 9, 14));
    p.save();
    p.setFont(font);
    const int ascent = p.fontMetrics().ascent(), text_h = p.fontMetrics().height();
    for (int r = 0; r < 74; ++r) {
        const int band = last_band - r;
        if (!row_labelled(band, L)) continue;
        // Centred on the row, the text may stand over its neighbours when rows are low.
        const int top = r * L + (L - text_h) / 2;
        if (top > clip.bottom() || top + text_h < clip.top()) continue;
        const int pc = (band + band_note_offset) % 12;
        const bool lit = band >= 0 && std::size_t(band) < sounding.size() &&
                         sounding[std::size_t(band)] != 0;
        const Rgb key = label_colour(pc, lit);
        const QString text = QString::fromStdString(note_label_text(band, L));
        p.setOpacity(std::size_t(r) < under.size() && under[std::size_t(r)] ? 0.5 : 1.0);
        p.setPen(QColor(0, 0, 0, 170));
        for (const QPoint d : {QPoint(1, 1), QPoint(-1, 0), QPoint(1, 0), QPoint(0, -1)})
            p.drawText(QPoint(x + 1 + d.x(), top + ascent + d.y()), text);
        p.setPen(QColor(key.r, key.g, key.b));
        p.drawText(QPoint(x + 1, top + ascent), text);
    }
    p.restore();
}

void paint_label_columns(QPainter& p, LabelColumns columns, int graph_width, int line_width,
                         std::span<const std::uint8_t> sounding, const QRect& clip,
                         const QImage* picture, int scale) {
    const auto paint_at = [&](int x) {
        std::array<bool, 74> under{};
        if (picture) under = rows_with_content(*picture, x, label_width + 8, line_width, scale);
        paint_note_labels(p, x, line_width, sounding, clip, under);
    };
    if (columns.left) paint_at(left_label_x);
    if (columns.right) paint_at(graph_width - right_label_offset);
}

} // namespace pitkad
