#include "control/playline.h"

#include "analysis/spectrogram_store.h"
#include "control/playback_units.h"
#include "control/transport.h"
#include "midi/midi_port.h"
#include "view/view_state.h"

#include <QCoreApplication>

#include <algorithm>

namespace pitkad {

namespace {

QEvent::Type tick_request() {
    static const auto type = QEvent::Type(QEvent::registerEventType());
    return type;
}

} // namespace

Playline::Playline(const std::atomic<PlayState>& play_state, QObject& context,
                   std::function<void()> tick, std::chrono::microseconds interval)
    : play_state_(play_state), tick_(std::move(tick)), interval_(interval) {
    server_.moveToThread(context.thread());
}

Playline::~Playline() {
    finish();
}

void Playline::start() {
    if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
}

void Playline::run() {
    std::unique_lock lock(mutex_);
    while (!stop_) {
        const PlayState s = play_state_.load(std::memory_order_relaxed);
        if (cursor_shown(s)) {
            const long mine = ++requested_;
            // Posted under the lock: a request counted is one finish() can serve.
            QCoreApplication::postEvent(&server_, new QEvent(tick_request()));
            changed_.notify_all();
            changed_.wait(lock, [&] { return served_ >= mine; });
            ticks_.fetch_add(1, std::memory_order_relaxed);
        }
        if (interval_.count() > 0) {
            changed_.wait_for(lock, interval_, [&] { return stop_; });
        } else {
            lock.unlock();
            std::this_thread::yield();
            lock.lock();
        }
    }
    body_ended_ = true;
    changed_.notify_all();
}

bool Playline::Server::event(QEvent* e) {
    // The lock first: it orders this thread after the request was made.
    std::unique_lock lock(line_.mutex_);
    if (e->type() != tick_request()) {
        lock.unlock();
        return QObject::event(e);
    }
    lock.unlock();
    line_.tick_();
    lock.lock();
    ++line_.served_;
    line_.changed_.notify_all();
    return true;
}

void Playline::finish() {
    if (!thread_.joinable()) return;
    std::unique_lock lock(mutex_);
    stop_ = true;
    changed_.notify_all();
    for (;;) {
        changed_.wait(lock, [&] { return body_ended_ || requested_ > served_; });
        if (body_ended_) break;
        // The body waits on a tick posted to the server: run it here.
        lock.unlock();
        QCoreApplication::sendPostedEvents(&server_, tick_request());
        lock.lock();
    }
    lock.unlock();
    thread_.join();
}

void Transport::playback_tick() {
    if (slider_dragged && !host_.left_button_down_or_pressed()) {
        change_time();
        slider_dragged = false;
        host_.focus_time_display();
    }
    const int f = player_.position() / frame_ms;
    if (f == view_.cursor_frame) return;
    player_.read_ahead();
    // Only a loop takes the position back while playing on: what is drawn
    // at the loop's start sounds from there, as after a seek.
    const bool went_back = f < last_tick_frame_;
    last_tick_frame_ = f;
    host_.write_line(f);
    if (midi_.midi_ok() && state() == PlayState::playing && host_.pen_midi_down()) {
        if (went_back)
            host_.drawing_midi_sound_held(f + midi_read_ahead());
        else
            host_.drawing_midi_step(f + midi_read_ahead());
    }
    const int t = f / frames_per_tenth;
    if (t != shown_tenths) {
        shown_tenths = t;
        set_time_display(f);
        if (!slider_dragged) {
            const int p = slider_position(f, store_.frame_count);
            // The change handler runs only when the slider really moves; flagging
            // an unchanged position would swallow the user's next slider change.
            if (p != host_.shown_position()) {
                slider_set_by_tick = true;
                host_.show_position(p);
            }
        }
    }
}

} // namespace pitkad
