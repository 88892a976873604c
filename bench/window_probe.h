#pragma once
// The benchmarks that time the main window: a window on test devices (an
// offscreen stepped clock, no MIDI, no settings read), and a probe of how
// long its UI thread stops answering.

#include "app/main_window.h"
#include "audio/audio_output.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

#include <memory>

namespace pitkad::bench {

inline std::unique_ptr<MainWindow> make_window() {
    StartOptions o;
    o.audio = std::make_unique<SteppedOutput>();
    o.midi = []() -> std::unique_ptr<MidiBackend> { return nullptr; };
    o.screen_height = 1200;
    o.read_settings = false;
    return std::make_unique<MainWindow>(std::move(o));
}

// Ticks every 2 ms on the UI thread and keeps the longest gap between two
// ticks; with `close_modals`, closes any modal window as soon as it shows,
// and counts it.
class StallProbe {
  public:
    explicit StallProbe(bool close_modals = false) {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(2);
        QObject::connect(&timer_, &QTimer::timeout, [this, close_modals] {
            const qint64 now = clock_.nsecsElapsed();
            if (now - last_ > longest_) {
                longest_ = now - last_;
                longest_end_ = now;
            }
            last_ = now;
            if (!close_modals) return;
            if (auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                ++modals_;
                modal->reject();
            }
        });
    }
    void start() {
        longest_ = 0;
        longest_end_ = 0;
        modals_ = 0;
        clock_.start();
        last_ = 0;
        timer_.start();
    }
    double longest_ms() const { return double(longest_) / 1e6; }
    // When the longest gap ended.
    double longest_end_ms() const { return double(longest_end_) / 1e6; }
    // Since the last tick.
    double quiet_ms() const { return double(clock_.nsecsElapsed() - last_) / 1e6; }
    double elapsed_ms() const { return double(clock_.nsecsElapsed()) / 1e6; }
    int modals() const { return modals_; }

  private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    qint64 longest_ = 0;
    qint64 longest_end_ = 0;
    int modals_ = 0;
};

} // namespace pitkad::bench
