#pragma once
// What a long operation (opening a recording: reading, decoding, analysing)
// is handed by the thread that started it: a stop request it polls, and a
// meter where it counts how far it has come. Both may be read and written
// from any thread.

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <stop_token>

namespace pitkad {

class ProgressMeter {
  public:
    // The units the whole operation takes; 0 while unknown.
    void set_total(std::int64_t units) { total_.store(units, std::memory_order_relaxed); }
    void set_done(std::int64_t units) { done_.store(units, std::memory_order_relaxed); }
    std::int64_t total() const { return total_.load(std::memory_order_relaxed); }
    std::int64_t done() const { return done_.load(std::memory_order_relaxed); }
    // The share done, 0 … 1; negative while the total is unknown.
    double share() const {
        const std::int64_t t = total();
        if (t <= 0) return -1.0;
        return std::clamp(double(done()) / double(t), 0.0, 1.0);
    }

  private:
    std::atomic<std::int64_t> total_{0};
    std::atomic<std::int64_t> done_{0};
};

struct TaskControl {
    // Never requested when default-constructed.
    std::stop_token stop;
    // Where progress is counted; null: nowhere.
    ProgressMeter* meter = nullptr;

    bool stopping() const { return stop.stop_requested(); }
};

} // namespace pitkad
