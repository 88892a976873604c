#pragma once
// `pitkad --render FILE -o OUT.png [options]`: opens the recording as the
// open command would and saves the graph the window would then show.

namespace pitkad {

// argv[0] is the program, the rest are the arguments after "--render".
// Returns the process exit code.
int run_render_cli(int argc, char** argv);

} // namespace pitkad
