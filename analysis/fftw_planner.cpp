#include "analysis/fftw_planner.h"

namespace pitkad {

std::mutex& fftw_planner_mutex() {
    static std::mutex m;
    return m;
}

} // namespace pitkad
