#pragma once
// Setting the practice tools: the one way new settings reach the document
// and the player. UI thread only.

#include "audio/media_player.h"
#include "audio/practice.h"
#include "control/document.h"

namespace pitkad {

// Brings `s` into range, keeps it as the document's settings and tells the
// player. The caller redraws the graph.
void apply_practice(Document& doc, MediaPlayer& player, const PracticeSettings& s);

} // namespace pitkad
