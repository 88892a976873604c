// Computations off the UI thread: results applied on it, once, one worker
// per job, and none applied across a change of the store.
#include "app/store_workers.h"

#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

namespace pitkad {
namespace {

using Job = StoreWorkers::Job;

struct Workers {
    QString status;
    int busy_switches = 0;
    bool busy = false;
    StoreWorkers w{nullptr, [this](const QString& s) { status = s; },
                   [this](bool b) {
                       EXPECT_NE(b, busy); // the cursor is set and restored in pairs
                       busy = b;
                       ++busy_switches;
                   }};
};

TEST(StoreWorkers, AppliesEachResultOnceOnTheUiThreadAndRefusesASecondOfAJob) {
    Workers t;
    std::promise<void> gate;
    std::shared_future<void> open = gate.get_future().share();
    std::vector<std::pair<int, std::thread::id>> applied;
    auto run = [&](Job job, int value) {
        return t.w.run<int>(
            job, QString::number(value), [open, value] { return open.wait(), value; },
            [&](int v) { applied.emplace_back(v, std::this_thread::get_id()); });
    };
    EXPECT_TRUE(run(Job::beats, 1));
    EXPECT_FALSE(run(Job::beats, 2));
    EXPECT_TRUE(run(Job::notes, 3));
    EXPECT_TRUE(t.w.running(Job::beats) && t.busy);
    EXPECT_EQ(t.status, "3");
    gate.set_value();
    EXPECT_TRUE(QTest::qWaitFor([&] { return applied.size() == 2; }, 5000));
    QTest::qWait(60);
    ASSERT_EQ(applied.size(), 2u);
    EXPECT_EQ(applied[0].first + applied[1].first, 4);
    for (const auto& a : applied)
        EXPECT_EQ(a.second, std::this_thread::get_id());
    EXPECT_FALSE(t.w.running(Job::beats));
    EXPECT_EQ(t.busy_switches, 2);
    EXPECT_EQ(t.status, QString());
}

TEST(StoreWorkers, AChangeOfTheStoreWaitsForTheWorkersAndDropsTheirResults) {
    for (const bool dropped_first : {false, true}) {
        SCOPED_TRACE(dropped_first);
        Workers t;
        std::atomic<bool> finished = false;
        int applied = 0;
        t.w.run<int>(
            Job::check, "checking",
            [&] {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                return finished = true, 0;
            },
            [&](int) { ++applied; });
        if (dropped_first) {
            t.w.drop(Job::check);
            EXPECT_FALSE(t.w.running(Job::check) || t.busy); // a new request may start
        }
        t.w.store_changing();
        EXPECT_TRUE(finished);
        QTest::qWait(60);
        EXPECT_EQ(applied, 0);
        EXPECT_FALSE(t.busy);
    }
}

} // namespace
} // namespace pitkad
