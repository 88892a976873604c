#pragma once
// FFTW's planner is not thread-safe: plans are made and destroyed one at a
// time, under this lock. Executing a plan needs no lock.

#include <mutex>

namespace pitkad {

std::mutex& fftw_planner_mutex();

} // namespace pitkad
