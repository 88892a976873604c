#pragma once
// The command lines that take a transcription out of the program or into it:
//   pitkad --export-midi FILE -o OUT.mid [--lines beats|bars]
//          [--beats-per-bar N] [--quantise N]
//   pitkad --import-midi IN.mid FILE [--lines beats|bars] [--replace]
//   pitkad --export-csv FILE -o OUT.csv [--notes NOTES.csv] [--loudness]
//   pitkad --check FILE -o OUT.csv [--reference auto|HZ]
// FILE opens as the window's open command would (cache or analysis, and its
// drawing file). A failure prints "FILE: message" on standard error and
// returns 1.

#include "app/window_args.h"

namespace pitkad {

// Each returns the process exit code.
int run_export_midi_cli(const ExchangeArgs& args);
int run_import_midi_cli(const ExchangeArgs& args);
int run_export_csv_cli(const ExchangeArgs& args);
// The drawn notes judged against the sound, and the notes missing, as CSV;
// fails when FILE has no drawing file.
int run_check_cli(const ExchangeArgs& args);

} // namespace pitkad
