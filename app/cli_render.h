#pragma once
// `pitkad --render FILE -o OUT.png [options]`: opens the recording as the
// open command would and saves the graph the window would then show.

#include "app/window_args.h"

namespace pitkad {

// Returns the process exit code.
int run_render_cli(const RenderArgs& args);

} // namespace pitkad
