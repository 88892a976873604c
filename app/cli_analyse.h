#pragma once
// `pitkad --analyse FILE… [--threads N] [--no-cache]`: the open sequence's
// analysis steps without a display.

namespace pitkad {

// argv[0] is the program, the rest are the arguments after "--analyse".
// Returns the process exit code.
int run_analyse_cli(int argc, char** argv);

} // namespace pitkad
