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
// padded after a notice in the same form. `channel` and `reference` are as
// command_analysis takes them.
std::unique_ptr<Document>
open_for_command_line(const QString& file, bool loudness,
                      std::optional<AnalysisChannel> channel = std::nullopt,
                      std::optional<ReferenceRequest> reference = std::nullopt);

// How a command analyses `file`: the part given and the reference asked
// for, else those the window remembers for it (the settings file's). A
// reference to estimate is the recording's tuning (440 Hz when its sound
// tells none, or it cannot be read: the analysis then says why).
struct CommandAnalysis {
    AnalysisChannel channel = AnalysisChannel::first;
    AnalysisReference reference;
};
CommandAnalysis command_analysis(const QString& file, std::optional<AnalysisChannel> channel,
                                 std::optional<ReferenceRequest> reference);

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
