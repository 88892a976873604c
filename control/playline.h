#pragma once
// The playback thread: it only asks the UI thread to run the playback tick,
// over and over while a recording plays or is paused, waiting for each tick
// to finish before asking again.

#include "view/view_state.h"

#include <QEvent>
#include <QObject>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace pitkad {

class Playline final {
  public:
    // `context` lives on the UI thread; `tick` runs there. `play_state` is the
    // transport's (2 playing, 3 paused: ticks are requested). `interval` is
    // the pause between two requests.
    Playline(const std::atomic<PlayState>& play_state, QObject& context, std::function<void()> tick,
             std::chrono::microseconds interval);
    ~Playline();
    Playline(const Playline&) = delete;
    Playline& operator=(const Playline&) = delete;

    void start();
    // UI thread: asks the body to end and waits until it has, running the
    // tick it may be waiting on meanwhile, so neither side can block the other.
    void finish();
    bool running() const { return thread_.joinable(); }

    // Ticks requested so far (for tests and the probe).
    long ticks() const { return ticks_.load(std::memory_order_relaxed); }

  private:
    // Runs the requested ticks on the context's thread.
    class Server final : public QObject {
      public:
        explicit Server(Playline& line) : line_(line) {}
        bool event(QEvent* e) override;

      private:
        Playline& line_;
    };

    void run();

    const std::atomic<PlayState>& play_state_;
    std::function<void()> tick_;
    std::chrono::microseconds interval_;
    Server server_{*this};
    // The hand-over of each request, and the body's end. Plain std
    // primitives rather than a blocking queued call: its wait happens inside
    // Qt, where ThreadSanitizer cannot see it.
    std::mutex mutex_;
    std::condition_variable changed_;
    long requested_ = 0, served_ = 0;
    bool stop_ = false, body_ended_ = false;
    std::atomic<long> ticks_{0};
    std::thread thread_;
};

} // namespace pitkad
