#include "app/cli_analyse.h"

#include <cstring>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--analyse") == 0) {
        argv[1] = argv[0];
        return pitkad::run_analyse_cli(argc - 1, argv + 1);
    }
    std::puts("PitkaD");
    return 0;
}
