#pragma once
// Computations over the open recording's analysis (the suggestions, the key
// heard, the first check of the drawing) on threads of their own, so that
// the window goes on answering; their results are applied on the UI thread.
//
// A worker reads the document's store in place, or a copy of it made on
// the worker without the display's loudness correction while the store
// holds it (the levels the suggestions judge), after which it is done with
// the store. Copying it on the UI thread would cost as much memory as the
// store (164 MB for three hours) and a stall of its own; sharing it would
// mean a store owned apart from the document. So whatever changes the store (another
// recording adopted, the loudness correction, the window closing) first
// calls store_changing(): it waits until no worker reads the store (a
// worker may say it is done with it before it ends) and drops their
// results. That wait is the one stall left, and only when the store
// changes while something is being computed.

#include "control/document.h"

#include <QObject>
#include <QString>

#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <vector>

class QTimer;

namespace pitkad {

class StoreWorkers final : public QObject {
  public:
    // What is computed: one worker at most for each.
    enum class Job { beats, harmony, notes, key, check };
    // `show_status` shows a passing note (empty: clears it), `show_busy`
    // switches the busy cursor.
    StoreWorkers(QObject* parent, std::function<void(const QString&)> show_status,
                 std::function<void(bool)> show_busy);
    ~StoreWorkers() override; // waits for the workers still running

    // Runs `compute` on a thread of its own, `status` shown meanwhile, then
    // `apply` with its result on the UI thread. `compute` may read the
    // document's store and what it holds by value, nothing else; it may
    // call `store_read` once it no longer reads the store. False, and
    // nothing starts, while this `job` is being computed.
    template <class R>
    bool run(Job job, const QString& status,
             std::function<R(const std::function<void()>& store_read)> compute,
             std::function<void(R)> apply) {
        auto result = std::make_shared<std::optional<R>>();
        return start(
            job, status,
            [compute = std::move(compute), result](const std::function<void()>& store_read) {
                result->emplace(compute(store_read));
            },
            [apply = std::move(apply), result] { apply(std::move(**result)); });
    }
    // The same for a computation that reads the store to its end.
    template <class R>
    bool run(Job job, const QString& status, std::function<R()> compute,
             std::function<void(R)> apply) {
        return run<R>(
            job, status, [compute = std::move(compute)](const auto&) { return compute(); },
            std::move(apply));
    }

    bool running(Job job) const;
    // The job's result, when it comes, is not applied.
    void drop(Job job);
    // The store is about to change: waits until no worker reads it, and
    // drops every result (a worker past its reading goes on, unheeded).
    void store_changing();

  private:
    struct Running {
        Job job;
        QString status;
        std::shared_future<void> store_read; // the worker reads the store no more
        std::future<void> done;
        std::function<void()> apply; // empty once dropped
    };
    bool start(Job job, const QString& status,
               std::function<void(const std::function<void()>&)> compute,
               std::function<void()> apply);
    // Applies the results that have come (none of a computation that
    // failed); stops polling when no worker is left.
    void poll();
    // The newest awaited job's note and the busy cursor, or neither.
    void show_progress();

    std::function<void(const QString&)> show_status_;
    std::function<void(bool)> show_busy_;
    QTimer* poll_timer_;
    std::vector<Running> running_;
    unsigned generation_ = 0; // store changes seen
    bool busy_ = false;       // a result is awaited: the cursor and the note show it
};

// A computation over the levels the suggestions judge, as analysed
// (Document::analysed_levels): the store itself, or a copy without the
// display's loudness correction, after which the store is no longer read.
template <class R>
std::function<R(const std::function<void()>&)>
over_analysed_levels(const Document& doc, std::function<R(const SpectrogramStore&)> judge) {
    return [&doc, judge = std::move(judge)](const std::function<void()>& store_read) {
        std::optional<SpectrogramStore> copy;
        const SpectrogramStore& levels = doc.analysed_levels(copy);
        if (copy) store_read();
        return judge(levels);
    };
}

} // namespace pitkad
