#pragma once
// The command lines' way to open a recording: as the window's open command
// does (cache or analysis, then the drawing file beside the recording),
// without a display and with the MIDI port closed.

#include "control/document.h"

#include <memory>
#include <string>

namespace pitkad {

// The document with `file` open, the displayed values refreshed with the
// loudness correction when `loudness`; null after printing "FILE: message"
// on standard error.
std::unique_ptr<Document> open_for_command_line(const std::string& file, bool loudness);

} // namespace pitkad
