#include "app/cli_analyse.h"

#include <cstdio>

namespace pitkad {

int run_analyse_cli(int, char**) {
    std::fputs("--analyse is not available yet\n", stderr);
    return 1;
}

} // namespace pitkad
