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

TEST(StoreWorkers, AChangeOfTheStoreWaitsUntilNoWorkerReadsItAndDropsTheirResults) {
    const struct {
        const char* name;
        bool dropped_first, done_reading_early;
    } cases[] = {{"read to the end", false, false},
                 {"dropped first", true, false},
                 {"done reading before the end", false, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Workers t;
        std::atomic<bool> read = false, finished = false;
        std::promise<void> gate;
        std::shared_future<void> open = gate.get_future().share();
        int applied = 0;
        t.w.run<int>(
            Job::check, "checking",
            [&, open, early = c.done_reading_early](const std::function<void()>& store_read) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                read = true;
                if (early) store_read();
                open.wait();
                return finished = true, 0;
            },
            [&](int) { ++applied; });
        if (c.dropped_first) {
            t.w.drop(Job::check);
            EXPECT_FALSE(t.w.running(Job::check) || t.busy); // a new request may start
        }
        if (!c.done_reading_early) gate.set_value();
        t.w.store_changing();
        EXPECT_TRUE(read);
        EXPECT_EQ(finished, !c.done_reading_early);
        if (c.done_reading_early) gate.set_value();
        QTest::qWait(100);
        EXPECT_TRUE(finished);
        EXPECT_EQ(applied, 0);
        EXPECT_FALSE(t.busy);
    }
}

} // namespace
} // namespace pitkad
