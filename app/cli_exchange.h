#pragma once
// The command lines that take a transcription out of the program or into it:
//   pitkad --export-midi FILE -o OUT.mid [--lines beats|bars]
//          [--beats-per-bar N] [--quantise N]
//   pitkad --import-midi IN.mid FILE [--lines beats|bars] [--replace]
//   pitkad --export-csv FILE -o OUT.csv [--notes NOTES.csv] [--loudness]
// FILE opens as the window's open command would (cache or analysis, and its
// drawing file). A failure prints "FILE: message" on standard error and
// returns 1; bad options print the usage and return 2.

namespace pitkad {

// argv[0] is the program, the rest are the arguments after the mode's own.
int run_export_midi_cli(int argc, char** argv);
int run_import_midi_cli(int argc, char** argv);
int run_export_csv_cli(int argc, char** argv);

} // namespace pitkad
