#pragma once
// The command lines that take a transcription out of the program or into it:
//   pitkad --export-midi FILE -o OUT.mid [--lines beats|bars]
//          [--beats-per-bar N] [--quantise N]
//   pitkad --import-midi IN.mid FILE [--lines beats|bars] [--replace]
//   pitkad --export-csv FILE -o OUT.csv [--notes NOTES.csv] [--loudness]
// FILE opens as the window's open command would (cache or analysis, and its
// drawing file). A failure prints "FILE: message" on standard error and
// returns 1.

#include "app/window_args.h"

namespace pitkad {

// Each returns the process exit code.
int run_export_midi_cli(const ExchangeArgs& args);
int run_import_midi_cli(const ExchangeArgs& args);
int run_export_csv_cli(const ExchangeArgs& args);

} // namespace pitkad
