#pragma once
// The playback thread: it only asks the UI thread to run the playback tick,
// over and over while a recording plays or is paused, waiting for each tick
// to finish before asking again.

#include "view/view_state.h"

#include <QObject>
#include <QThread>

#include <atomic>
#include <chrono>
#include <functional>

namespace pitkad {

class Playline final : public QThread {
  public:
    // `context` lives on the UI thread; `tick` runs there. `play_state` is the
    // transport's (2 playing, 3 paused: ticks are requested). `interval` is
    // the pause between two requests.
    Playline(const std::atomic<PlayState>& play_state, QObject& context, std::function<void()> tick,
             std::chrono::microseconds interval);
    ~Playline() override;

    // UI thread: asks the body to end and waits until it has, running the
    // tick it may be waiting on meanwhile, so neither side can block the other.
    void finish();

    // Ticks requested so far (for tests and the probe).
    long ticks() const { return ticks_.load(std::memory_order_relaxed); }

  protected:
    void run() override;

  private:
    const std::atomic<PlayState>& play_state_;
    QObject& context_;
    std::function<void()> tick_;
    std::chrono::microseconds interval_;
    std::atomic<long> ticks_{0};
};

} // namespace pitkad
