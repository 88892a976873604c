#include "control/playline.h"
#include "transport_rig.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

using namespace pitkad;
using namespace pitkad::test;
using namespace std::chrono_literals;

namespace {

void serve_events_for(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
}

// Serves events until `done` holds; false if it still does not after a
// bound far beyond any loaded machine's delay.
bool serve_events_until(const std::function<bool()>& done) {
    const QDeadlineTimer deadline(60s);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}

// Aborts the test program if a deadlock holds it longer than `limit`.
class Watchdog {
  public:
    explicit Watchdog(std::chrono::seconds limit)
        : thread_([this, limit] {
              std::unique_lock lock(m_);
              if (!cv_.wait_for(lock, limit, [this] { return done_; })) {
                  std::fputs("deadlock: watchdog expired\n", stderr);
                  std::abort();
              }
          }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(m_);
            done_ = true;
        }
        cv_.notify_one();
        thread_.join();
    }

  private:
    std::mutex m_;
    std::condition_variable cv_;
    bool done_ = false;
    std::thread thread_;
};

} // namespace

TEST(Playline, TicksRunOnTheUiThreadAnIntervalApart) {
    using Clock = std::chrono::steady_clock;
    std::atomic<PlayState> state{PlayState::playing};
    QObject context;
    std::vector<Clock::time_point> starts;
    bool elsewhere = false;
    Playline line(
        state, context,
        [&] {
            elsewhere |= QThread::currentThread() != context.thread();
            starts.push_back(Clock::now());
        },
        4ms);
    line.start();
    ASSERT_TRUE(serve_events_until([&] { return starts.size() >= 10; }));
    line.finish();
    EXPECT_FALSE(elsewhere);
    // Paced: the thread sleeps the interval after each tick before asking again.
    for (std::size_t i = 1; i < starts.size(); ++i)
        EXPECT_GE(starts[i] - starts[i - 1], 4ms) << i;
}

TEST(Playline, TransportTicksFollowTheClockUntilStopped) {
    TransportRig r;
    r.t.set_playline_enabled(true);
    r.play();
    ASSERT_TRUE(r.t.playline() != nullptr);
    struct Step {
        int advance_ms, frame;
    };
    for (const Step step : {Step{1000, 50}, Step{20, 51}, Step{180, 60}}) {
        r.advance(step.advance_ms); // the stepped clock moves only here
        EXPECT_TRUE(serve_events_until(
            [&] { return !r.host.lines.empty() && r.host.lines.back() == step.frame; }))
            << step.frame;
    }
    r.t.stop_playback();
    EXPECT_EQ(r.t.playline(), nullptr);
}

TEST(Playline, NoTicksAskedWhileStateIsNotPlaying) {
    std::atomic<PlayState> state{PlayState::stopped};
    QObject context;
    int ran = 0;
    Playline line(
        state, context, [&] { ++ran; }, 1ms);
    line.start();
    serve_events_for(30);
    EXPECT_EQ(ran, 0);
    state = PlayState::paused;
    EXPECT_TRUE(serve_events_until([&] { return ran > 0; }));
    line.finish();
    EXPECT_FALSE(line.running());
}

TEST(Playline, StopResetAndCloseWithTicksPendingNeverDeadlock) {
    std::mt19937 random(7);
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
    constexpr int rounds = 100; // every case 25 times: a round can take seconds there
#else
    constexpr int rounds = 300;
#endif
    // On a loaded machine under a sanitizer the rounds are slow, not stuck
    // (each has its watchdog): after four minutes, 40 rounds are enough.
    const auto started = std::chrono::steady_clock::now();
    for (int round = 0; round < rounds; ++round) {
        if (round >= 40 && std::chrono::steady_clock::now() - started > 240s) break;
        // Each round takes milliseconds, under a sanitizer up to a second.
        Watchdog watchdog(60s);
        auto r = std::make_unique<TransportRig>(60000);
        r->t.set_playline_enabled(true);
        // Unpaced rounds keep a tick request pending almost all the time.
        r->t.set_tick_interval(round % 2 ? 0us : 2000us);
        r->play();
        serve_events_for(int(random() % 4));
        r->advance(int(random() % 500));
        switch (round % 4) {
        case 0:
            r->t.stop_playback();
            EXPECT_EQ(r->t.state(), PlayState::stopped);
            break;
        case 1:
            r->t.reset_recording();
            EXPECT_EQ(r->t.state(), PlayState::no_recording);
            break;
        case 2:
            r->t.toggle_pause();
            serve_events_for(1);
            r->t.stop_playback();
            break;
        case 3:
            r.reset(); // the window closes with the thread running
            break;
        }
        if (r) {
            EXPECT_FALSE(r->t.thread_running());
        }
    }
}
