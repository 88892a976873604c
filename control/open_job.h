#pragma once
// Staging a recording on a thread of its own, so that the window goes on
// while the file is read, decoded and analysed (or its cache read): the
// steps of Document::load_recording, into a fresh store. The UI thread
// starts the job, watches its progress, may cancel it, and takes the outcome
// once told that it has ended; the worker touches only the job's own data
// (its copy of the band tables, the staged store, the meter).

#include "analysis/analyse_wav.h"
#include "analysis/band_tables.h"
#include "analysis/spectrogram_store.h"
#include "base/progress.h"
#include "control/recording_loader.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

class QObject;

namespace pitkad {

class OpenJob {
  public:
    struct Outcome {
        LoadResult result; // result.cancelled when the stop came first
        // The staged analysis; null unless result.ok.
        std::unique_ptr<SpectrogramStore> store;
    };

    // Starts at once. `ended` is called on the thread of `context` (its
    // event loop running; the context outlives the job) once the worker has
    // ended, cancelled or not, unless the job is gone by then. It may
    // destroy the job. `channel` is the part of the recording analysed,
    // `reference` the pitch of its A4. When the recording is analysed (not
    // read from its cache), `early.ready` is handed its first `early.frames`
    // columns on the context's thread as soon as they are done, before the
    // job ends: a first look at the recording.
    OpenJob(std::filesystem::path file, const BandTables& tables, int threads, QObject* context,
            std::function<void()> ended, AnalysisChannel channel = AnalysisChannel::first,
            AnalysisReference reference = {}, EarlyColumns early = {});
    // Cancels and waits for the worker (each step stops within a block,
    // packet or batch).
    ~OpenJob();
    OpenJob(const OpenJob&) = delete;
    OpenJob& operator=(const OpenJob&) = delete;

    const std::filesystem::path& file() const;
    // Asks the worker to stop; it ends soon after with a cancelled result.
    void cancel();
    // The worker has ended: take() may be called.
    bool ended() const;
    // The share done, 0 … 1; negative while the length is unknown.
    double share() const;
    std::chrono::steady_clock::duration elapsed() const;
    // The time still to go, estimated from the share done so far; none
    // while the share is unknown or too small to tell from.
    std::optional<std::chrono::seconds> time_left() const;
    // Once ended: the outcome (the store moves out).
    Outcome take();

  private:
    struct State;
    class Notifier;
    std::shared_ptr<State> state_;
    // Lives on the context's thread and receives the worker's event.
    std::unique_ptr<Notifier> notifier_;
    std::thread worker_;
};

} // namespace pitkad
