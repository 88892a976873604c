#pragma once
// The command lines' way to open a recording: as the window's open command
// does (cache or analysis, then the drawing file beside the recording or
// where the window saved it),
// without a display and with the MIDI port closed.

#include "base/translatable.h"
#include "control/document.h"

#include <memory>
#include <string>
#include <string_view>

namespace pitkad {

// The document with `file` open, the displayed values refreshed with the
// loudness correction when `loudness`; null after printing "FILE: message"
// on standard error when the recording, or a drawing file that is there,
// cannot be read. A drawing made for another frame count is loaded cut or
// padded after a notice in the same form.
std::unique_ptr<Document> open_for_command_line(const std::string& file, bool loudness);

// Prints "FILE: message" on standard error, the message in the language in
// force.
void print_file_error(const std::string& file, std::string_view message);
// Prints a mode's usage (a marked text) on standard error, in the language
// in force.
void print_usage(const char* source);

} // namespace pitkad
