#include "app/store_workers.h"

#include <QTimer>

#include <algorithm>
#include <chrono>
#include <utility>

namespace pitkad {

StoreWorkers::StoreWorkers(QObject* parent, std::function<void(const QString&)> show_status,
                           std::function<void(bool)> show_busy)
    : QObject(parent), show_status_(std::move(show_status)), show_busy_(std::move(show_busy)),
      poll_timer_(new QTimer(this)) {
    poll_timer_->setInterval(20);
    connect(poll_timer_, &QTimer::timeout, this, [this] { poll(); });
}

StoreWorkers::~StoreWorkers() {
    for (Running& r : running_)
        r.done.wait();
    if (busy_) show_busy_(false); // the cursor is the application's
}

bool StoreWorkers::running(Job job) const {
    return std::any_of(running_.begin(), running_.end(),
                       [&](const Running& r) { return r.job == job && r.apply; });
}

bool StoreWorkers::start(Job job, const QString& status,
                         std::function<void(const std::function<void()>&)> compute,
                         std::function<void()> apply) {
    if (running(job)) return false;
    auto read = std::make_shared<std::promise<void>>();
    std::shared_future<void> store_read = read->get_future().share();
    auto worker = [compute = std::move(compute), read] {
        // Told once, at the latest when the computation ends or fails.
        bool told = false;
        const std::function<void()> store_read = [&] {
            if (!std::exchange(told, true)) read->set_value();
        };
        struct Tell {
            const std::function<void()>& tell;
            ~Tell() { tell(); }
        } at_end{store_read};
        compute(store_read);
    };
    running_.push_back({job, status, std::move(store_read),
                        std::async(std::launch::async, std::move(worker)), std::move(apply)});
    show_progress();
    poll_timer_->start();
    return true;
}

void StoreWorkers::drop(Job job) {
    for (Running& r : running_)
        if (r.job == job) r.apply = nullptr;
    show_progress();
}

void StoreWorkers::store_changing() {
    for (Running& r : running_) {
        r.store_read.wait();
        r.apply = nullptr;
    }
    ++generation_;
    show_progress();
}

void StoreWorkers::poll() {
    using namespace std::chrono_literals;
    // Taken out of the list before they are applied: applying may show a
    // dialog, whose event loop polls again.
    std::vector<std::function<void()>> ready;
    for (auto it = running_.begin(); it != running_.end();) {
        if (it->done.wait_for(0s) != std::future_status::ready) {
            ++it;
            continue;
        }
        bool computed = true;
        try {
            it->done.get();
        } catch (...) { // out of memory, say: nothing to show
            computed = false;
        }
        if (computed && it->apply) ready.push_back(std::move(it->apply));
        it = running_.erase(it);
    }
    if (running_.empty()) poll_timer_->stop();
    if (ready.empty()) return;
    show_progress();
    const unsigned generation = generation_;
    for (auto& apply : ready)
        if (generation == generation_) apply(); // else the store changed meanwhile
}

void StoreWorkers::show_progress() {
    const auto live = std::find_if(running_.rbegin(), running_.rend(),
                                   [](const Running& r) { return bool(r.apply); });
    const bool busy = live != running_.rend();
    if (busy || busy_) show_status_(busy ? live->status : QString());
    if (busy != busy_) show_busy_(busy);
    busy_ = busy;
}

} // namespace pitkad
