#pragma once
// Marks a user-visible text for the translation tools. The text stays the
// Japanese source text; the window layer looks up its translation where it
// shows the text. Every text uses the one context "PitkaD" (`lupdate` reads
// this macro as QT_TRANSLATE_NOOP), so a lookup needs only the text.
#define PITKAD_TR(context, text) text
