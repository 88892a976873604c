#pragma once
// `pitkad --analyse FILE… [--threads N] [--no-cache]`: the open sequence's
// analysis steps without a display.

#include "app/window_args.h"

namespace pitkad {

// Returns the process exit code.
int run_analyse_cli(const AnalyseArgs& args);
// `pitkad --suggest FILE -o OUT.json`: the suggestions from the recording's
// sound, written as JSON.
int run_suggest_cli(const SuggestArgs& args);

} // namespace pitkad
