#include "control/playline.h"

#include "analysis/spectrogram_store.h"
#include "midi/midi_port.h"
#include "control/playback_units.h"
#include "control/transport.h"
#include "view/view_state.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <algorithm>

namespace pitkad {

Playline::Playline(const std::atomic<int>& play_state, QObject& context, std::function<void()> tick,
                   std::chrono::microseconds interval)
    : play_state_(play_state), context_(context), tick_(std::move(tick)), interval_(interval) {}

Playline::~Playline() {
    if (isRunning()) finish();
}

void Playline::run() {
    while (!isInterruptionRequested()) {
        const int s = play_state_.load(std::memory_order_relaxed);
        if (s == 2 || s == 3) {
            QMetaObject::invokeMethod(
                &context_, [this] { tick_(); }, Qt::BlockingQueuedConnection);
            ticks_.fetch_add(1, std::memory_order_relaxed);
        }
        if (interval_.count() > 0) QThread::usleep(static_cast<unsigned long>(interval_.count()));
    }
}

void Playline::finish() {
    requestInterruption();
    // The body may be blocked on a tick queued to the context: run it here.
    while (!wait(QDeadlineTimer(2)))
        QCoreApplication::sendPostedEvents(&context_, QEvent::MetaCall);
}

void Transport::playback_tick() {
    if (slider_dragged && !host_.left_button_down_or_pressed()) {
        change_time();
        slider_dragged = false;
        host_.focus_time_display();
    }
    const int f = player_.position() / frame_ms;
    if (f == view_.cursor_frame) return;
    host_.write_line(f);
    if (midi_.midi_ok() && state() == 2 && host_.pen_midi_down())
        host_.drawing_midi_step(f + midi_.tables.midi_delay);
    const int t = f / frames_per_tenth;
    if (t != shown_tenths) {
        shown_tenths = t;
        host_.set_time_text(time_text(f));
        if (!slider_dragged) {
            const int n = store_.frame_count;
            // No division for an empty recording: the slider stays at 0.
            const int p = n > 0 ? std::clamp(round_ties_even(double(f) * position_slider_max / n),
                                             0, position_slider_max)
                                : 0;
            // The change handler runs only when the slider really moves; flagging
            // an unchanged position would swallow the user's next slider change.
            if (p != host_.trackbar3_position()) {
                slider_set_by_tick = true;
                host_.set_trackbar3_position(p);
            }
        }
    }
}

} // namespace pitkad
