#include "control/practice_apply.h"

namespace pitkad {

void apply_practice(Document& doc, MediaPlayer& player, const PracticeSettings& s) {
    doc.practice = clamped(s);
    player.set_practice(doc.practice);
}

} // namespace pitkad
