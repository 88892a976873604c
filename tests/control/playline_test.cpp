#include "control/playline.h"
#include "transport_rig.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <random>
#include <thread>

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

TEST(Playline, TicksOnTheUiThreadAtAPacedRate) {
    TransportRig r;
    r.t.set_playline_enabled(true);
    r.t.set_tick_interval(4ms);
    r.play();
    ASSERT_TRUE(r.t.playline() != nullptr);
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 400) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        r.advance(1); // the stepped clock runs 1 ms per loop, whatever the pace
    }
    const long ticks = r.t.playline()->ticks();
    // 4 ms apart: about 100 in 400 ms, and far from the unpaced thousands.
    EXPECT_GE(ticks, 30);
    EXPECT_LE(ticks, 110);
    EXPECT_FALSE(r.host.lines.empty());
    r.t.stop_playback();
    EXPECT_EQ(r.t.playline(), nullptr);
}

TEST(Playline, NoTicksAskedWhileStateIsNotPlaying) {
    std::atomic<int> state{1};
    QObject context;
    int ran = 0;
    Playline line(
        state, context, [&] { ++ran; }, 1ms);
    line.start();
    serve_events_for(30);
    EXPECT_EQ(ran, 0);
    state = 3;
    serve_events_for(30);
    EXPECT_GT(ran, 0);
    line.finish();
    EXPECT_FALSE(line.running());
}

TEST(Playline, StopResetAndCloseWithTicksPendingNeverDeadlock) {
    Watchdog watchdog(120s);
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
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
            EXPECT_EQ(r->t.state(), 1);
            break;
        case 1:
            r->t.reset_recording();
            EXPECT_EQ(r->t.state(), 0);
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
