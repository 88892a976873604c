#include "app/status_line.h"

#include "app/language.h"
#include "app/practice_texts.h"
#include "base/translatable.h"

#include <QStringList>

#include <array>

namespace pitkad {

namespace {

namespace pt = practice_texts;

// The drawing tools by DrawMode, as their buttons' tips name them.
constexpr std::array<const char*, 6> tool_names{
    PITKAD_TR("PitkaD", "ツールなし"), PITKAD_TR("PitkaD", "ペン描画"),
    PITKAD_TR("PitkaD", "ライン描画"), PITKAD_TR("PitkaD", "ペン選択"),
    PITKAD_TR("PitkaD", "ライン選択"), PITKAD_TR("PitkaD", "クリップボードへコピー"),
};

QString signed_number(int n) {
    return n > 0 ? QLatin1Char('+') + QString::number(n) : QString::number(n);
}

} // namespace

QString status_line_text(const StatusLine& s) {
    const QLatin1Char space(' ');
    QStringList items{
        tr_text(pt::speed_label) + space + QString::number(s.speed_percent) + QLatin1Char('%'),
        tr_text(pt::transpose_label) + space + signed_number(s.semitones),
        tr_text(pt::cents_label) + space + signed_number(s.cents) + tr_text(pt::cents_suffix),
        tr_text(pt::loop_label) + space +
            tr_text(s.loop ? PITKAD_TR("PitkaD", "オン") : pt::focus[0]),
        s.zoom,
        tr_text(tool_names[std::size_t(s.tool)]),
    };
    if (!s.reference.isEmpty()) items.append(QStringLiteral("A4 = %1 Hz").arg(s.reference));
    return items.join(QLatin1String("  |  "));
}

} // namespace pitkad
