#pragma once
// The command lines' way to open a recording: as the window's open command
// does (cache or analysis, then the drawing file beside the recording or
// where the window saved it), without a display and with the MIDI port
// closed; and their messages.

#include "base/translatable.h"
#include "control/document.h"

#include <QString>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace pitkad {

// The message after an output file's name when it could not be written.
inline constexpr const char* file_not_written = PITKAD_TR("PitkaD", "書けません");

// The document with `file` open, the displayed values refreshed with the
// loudness correction when `loudness`; null after printing "FILE: message"
// on standard error when the recording, or a drawing file that is there,
// cannot be read. A drawing made for another frame count is loaded cut or
// padded after a notice in the same form. `channel` is the part of the
// recording analysed; none: the one the window remembers for it.
std::unique_ptr<Document>
open_for_command_line(const QString& file, bool loudness,
                      std::optional<AnalysisChannel> channel = std::nullopt);
// The part of `file` the window analyses (the settings file's choice).
AnalysisChannel remembered_analysis_channel(const QString& file);

// A file name from the command line as the file functions take it.
std::string local_path(const QString& file);

// Prints "FILE: message" on standard error (the message already in the
// language in force).
void print_file_error(const std::string& file, const QString& message);
// Prints a mode's usage (a marked text) on standard error, in the language
// in force.
void print_usage(const char* source);
// Prints a line on standard output.
void print_line(const QString& text);

} // namespace pitkad
