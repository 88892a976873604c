// The open job: a recording staged on a thread of its own is handed to the
// UI thread; a cancelled or destroyed one stops at once and writes nothing.

#include "control/open_job.h"
#include "tests/common/test_wav.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <chrono>
#include <filesystem>
#include <thread>

#include <gtest/gtest.h>

namespace pitkad {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A stop ends the job long before its analysis would (the probe in bench/
// measures how soon: tens of ms). The bound only tells a stop from a run to
// the end on a loaded machine; sanitizers run everything many times slower.
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
constexpr auto stop_bound = 5000ms;
#else
constexpr auto stop_bound = 1000ms;
#endif

const BandTables& tables() {
    static const BandTables t = build_band_tables();
    return t;
}

fs::path tone(const test::TempDir& dir, int seconds) {
    test::ToneWav s;
    s.frames = 44100 * seconds;
    const fs::path file = dir / "tone.wav";
    test::write_wav(file, s);
    return file;
}

TEST(OpenJob, HandsTheStagedRecordingToTheUiThread) {
    test::TempDir dir;
    const fs::path wav = tone(dir, 2);
    QEventLoop loop;
    QThread* called_on = nullptr;
    OpenJob job(wav, tables(), 2, &loop, [&] {
        called_on = QThread::currentThread();
        loop.quit();
    });
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    ASSERT_TRUE(job.ended());
    EXPECT_EQ(called_on, QCoreApplication::instance()->thread());
    EXPECT_EQ(job.share(), 1.0);
    OpenJob::Outcome out = job.take();
    ASSERT_TRUE(out.result.ok) << int(out.result.status);
    ASSERT_TRUE(out.store);
    EXPECT_EQ(out.store->frame_count, 100);
    EXPECT_TRUE(out.result.audio); // decoded for playback at the same time
    EXPECT_TRUE(fs::exists(fs::path(wav).replace_extension(".pkd")));
}

TEST(OpenJob, CancelledOrDestroyedMidAnalysisStopsAtOnceAndWritesNothing) {
    for (const bool destroy : {false, true}) {
        SCOPED_TRACE(destroy ? "destroyed" : "cancelled");
        test::TempDir dir;
        const fs::path wav = tone(dir, 180);
        bool told = false;
        auto job = std::make_unique<OpenJob>(wav, tables(), 2, QCoreApplication::instance(),
                                             [&] { told = true; });
        const auto give_up = std::chrono::steady_clock::now() + 20s;
        while (job->share() <= 0.01 && std::chrono::steady_clock::now() < give_up)
            std::this_thread::sleep_for(1ms);
        ASSERT_GT(job->share(), 0.01);
        ASSERT_LT(job->share(), 0.9) << "analysed too fast to cancel midway";

        const auto asked = std::chrono::steady_clock::now();
        if (destroy) {
            job.reset();
        } else {
            job->cancel();
            while (!job->ended())
                std::this_thread::sleep_for(1ms);
        }
        EXPECT_LT(std::chrono::steady_clock::now() - asked, stop_bound);
        if (job) {
            const OpenJob::Outcome out = job->take();
            EXPECT_TRUE(out.result.cancelled);
            EXPECT_FALSE(out.result.ok);
            EXPECT_FALSE(out.store);
        }
        // A cancelled job still calls back; a destroyed one never does.
        for (int i = 0; i < 50 && !told; ++i) {
            QCoreApplication::processEvents();
            std::this_thread::sleep_for(1ms);
        }
        EXPECT_EQ(told, !destroy);
        job.reset();
        // The recording alone: no cache, no temporary file.
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
    }
}

} // namespace
} // namespace pitkad
