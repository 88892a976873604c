#include "control/open_job.h"

#include "base/vector_state.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QThread>

#include <atomic>
#include <cmath>
#include <mutex>
#include <stop_token>
#include <system_error>

#include <sys/resource.h>
#include <unistd.h>

namespace pitkad {

struct OpenJob::State {
    std::filesystem::path file;
    BandTables tables;
    int threads = 0;
    AnalysisChannel channel = AnalysisChannel::first;
    AnalysisReference reference;
    std::stop_source stop;
    ProgressMeter meter;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    // Written by the worker before `ended` is set, read by the UI thread after.
    Outcome outcome;
    std::atomic<bool> ended{false};
    // Held while the worker posts its event and when the event arrives: it
    // orders the two threads as ThreadSanitizer can see (Qt's own
    // hand-over is not instrumented).
    std::mutex posting;
    // UI thread only.
    std::function<void()> on_ended;
    // The first columns: asked for, handed over under `early_handover`.
    int early_frames = 0;
    std::function<void(std::vector<float>&&)> on_early;
    std::mutex early_handover;
    std::vector<float> early;
};

namespace {

QEvent::Type ended_event() {
    static const auto type = QEvent::Type(QEvent::registerEventType());
    return type;
}

QEvent::Type early_event() {
    static const auto type = QEvent::Type(QEvent::registerEventType());
    return type;
}

} // namespace

class OpenJob::Notifier final : public QObject {
  public:
    explicit Notifier(std::shared_ptr<State> state) : state_(std::move(state)) {}
    // The job was destroyed from within the callback: this object goes later.
    bool in_call = false;

  protected:
    bool event(QEvent* e) override {
        if (e->type() == early_event()) {
            hand_over_early();
            return true;
        }
        if (e->type() != ended_event()) return QObject::event(e);
        { const std::lock_guard lock(state_->posting); }
        // Kept through the call: the callback may destroy the job.
        const std::shared_ptr<State> state = state_;
        in_call = true;
        if (state->on_ended) {
            const auto callback = state->on_ended;
            callback();
        }
        in_call = false;
        return true;
    }

  private:
    void hand_over_early() {
        std::vector<float> columns;
        {
            const std::lock_guard lock(state_->early_handover);
            columns.swap(state_->early);
        }
        if (columns.empty()) return;
        const std::shared_ptr<State> state = state_; // the callback may destroy the job
        in_call = true;
        if (state->on_early) state->on_early(std::move(columns));
        in_call = false;
    }

    std::shared_ptr<State> state_;
};

namespace {

// The worker, and the reader and analysis threads it starts (they inherit
// it), give way to the UI thread when the cores are busy: a Linux thread
// has a nice value of its own.
void give_way_to_the_ui() {
    ::setpriority(PRIO_PROCESS, id_t(::gettid()), 10);
}

void stage(OpenJob::Outcome& out, const std::filesystem::path& file, const BandTables& tables,
           int threads, AnalysisChannel channel, AnalysisReference reference,
           const TaskControl& control, const EarlyColumns& early) {
    out.store = std::make_unique<SpectrogramStore>();
    out.result = load_or_analyse(file, *out.store, tables, {}, threads, true, true, control,
                                 channel, reference, early);
    if (control.stopping() && !out.result.cancelled) {
        // Stopped after the last check: the outcome is not wanted either.
        out.result = {};
        out.result.cancelled = true;
    }
    if (!out.result.ok) out.store.reset(); // a partial analysis is of no use
}

} // namespace

OpenJob::OpenJob(std::filesystem::path file, const BandTables& tables, int threads,
                 QObject* context, std::function<void()> ended, AnalysisChannel channel,
                 AnalysisReference reference, EarlyColumns early)
    : state_(std::make_shared<State>()) {
    state_->file = std::move(file);
    state_->channel = channel;
    state_->reference = reference;
    state_->tables = tables;
    state_->threads = threads;
    state_->on_ended = std::move(ended);
    state_->early_frames = early.frames;
    state_->on_early = std::move(early.ready);
    // The worker tells the context's thread by an event to the notifier; a
    // job destroyed first takes the notifier, and the event, with it.
    if (context) {
        notifier_ = std::make_unique<Notifier>(state_);
        notifier_->moveToThread(context->thread());
    }
    auto run = [state = state_, notifier = notifier_.get()] {
        EarlyColumns early;
        if (notifier && state->on_early && state->early_frames > 0) {
            early.frames = state->early_frames;
            early.ready = [&state, notifier](std::vector<float>&& columns) {
                const std::lock_guard lock(state->early_handover);
                state->early = std::move(columns);
                QCoreApplication::postEvent(notifier, new QEvent(early_event()));
            };
        }
        stage(state->outcome, state->file, state->tables, state->threads, state->channel,
              state->reference, {state->stop.get_token(), &state->meter}, early);
        state->ended.store(true, std::memory_order_release);
        if (!notifier) return;
        const std::lock_guard lock(state->posting);
        QCoreApplication::postEvent(notifier, new QEvent(ended_event()));
    };
    try {
        worker_ = std::thread([run] {
            give_way_to_the_ui();
            clear_upper_vector_state();
            run();
        });
    } catch (const std::system_error&) {
        run(); // no thread to spare: staged now, still told through the queue
    }
}

OpenJob::~OpenJob() {
    cancel();
    if (worker_.joinable()) worker_.join();
    if (notifier_ && notifier_->in_call) notifier_.release()->deleteLater();
}

const std::filesystem::path& OpenJob::file() const {
    return state_->file;
}

void OpenJob::cancel() {
    state_->stop.request_stop();
}

bool OpenJob::ended() const {
    return state_->ended.load(std::memory_order_acquire);
}

double OpenJob::share() const {
    if (ended()) return 1.0;
    return state_->meter.share();
}

std::chrono::steady_clock::duration OpenJob::elapsed() const {
    return std::chrono::steady_clock::now() - state_->start;
}

std::optional<std::chrono::seconds> OpenJob::time_left() const {
    const double share = this->share();
    if (share < 0.02) return std::nullopt;
    const double seconds = std::chrono::duration<double>(elapsed()).count();
    return std::chrono::seconds(std::lround(std::ceil(seconds * (1.0 - share) / share)));
}

OpenJob::Outcome OpenJob::take() {
    if (!ended()) return {};
    if (worker_.joinable()) worker_.join();
    return std::move(state_->outcome);
}

} // namespace pitkad
