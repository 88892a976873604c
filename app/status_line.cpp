#include "app/status_line.h"

#include "app/app_texts.h"
#include "app/language.h"
#include "app/practice_texts.h"
#include "base/translatable.h"
#include "control/score_marks.h"
#include "control/suggestions.h"

#include <QStringList>

#include <array>
#include <string_view>

namespace pitkad {

namespace {

namespace pt = practice_texts;

// The drawing tools by DrawMode, as their buttons' tips name them.
constexpr std::array<const char*, 6> tool_names{
    PITKAD_TR("PitkaD", "ツールなし"), PITKAD_TR("PitkaD", "ペン描画"),
    PITKAD_TR("PitkaD", "ライン描画"), PITKAD_TR("PitkaD", "ペン選択"),
    PITKAD_TR("PitkaD", "ライン選択"), PITKAD_TR("PitkaD", "クリップボードへコピー"),
};

// The note names C … B in a key's name.
constexpr std::array<const char*, 7> letter_names{
    PITKAD_TR("PitkaD", "ハ"), PITKAD_TR("PitkaD", "ニ"), PITKAD_TR("PitkaD", "ホ"),
    PITKAD_TR("PitkaD", "ヘ"), PITKAD_TR("PitkaD", "ト"), PITKAD_TR("PitkaD", "イ"),
    PITKAD_TR("PitkaD", "ロ"),
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
    const QString key = key_name(s.key);
    if (!key.isEmpty()) items.append(tr_text(texts::key_label) + space + key);
    return items.join(QLatin1String("  |  "));
}

QString key_name(const std::string& label) {
    const auto signature = key_signature_of(label);
    if (!signature) return {};
    // "E♭": a letter, then at most one sign for the keys suggested.
    const std::string tonic = key_tonic(*signature);
    const auto letter = std::string_view("CDEFGAB").find(tonic.front());
    if (letter == std::string_view::npos) return {};
    QString name = tr_text(letter_names[letter]);
    const std::string_view sign = std::string_view(tonic).substr(1);
    if (sign == "♯") name = tr_text(PITKAD_TR("PitkaD", "嬰%1")).arg(name);
    if (sign == "♭") name = tr_text(PITKAD_TR("PitkaD", "変%1")).arg(name);
    return tr_text(signature->minor ? PITKAD_TR("PitkaD", "%1短調") : PITKAD_TR("PitkaD", "%1長調"))
        .arg(name);
}

} // namespace pitkad
