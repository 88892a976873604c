#pragma once
// What the program does without a window: the usage after a bad command
// line, --help, --version, and the command-line modes. Shared by the
// program's entry and the window's, which reads the command line again once
// Qt has taken out its own options.

#include "app/window_args.h"

#include <QStringList>

namespace pitkad {

inline constexpr const char* program_version = "1.00";

// The command line's words after the program's name.
QStringList arguments_after_name(int argc, char** argv);

// Whether the command line asks for the window.
bool opens_window(const CommandLine& line);

// Everything but the window. Needs the application object.
int answer_without_window(const CommandLine& line);

} // namespace pitkad
