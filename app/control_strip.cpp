#include "app/control_strip.h"

#include "app/app_texts.h"
#include "app/language.h"
#include "app/main_layout.h"
#include "base/translatable.h"
#include "control/keyboard_controls.h"
#include "view/colour_map.h"

#include <QAction>
#include <QActionGroup>
#include <QEventLoop>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

#include <algorithm>
#include <initializer_list>
#include <iterator>

namespace pitkad {

ControlStrip::ControlStrip(QWidget& parent) : QObject(&parent), parent_(parent) {
    auto button = [&parent](const char* name, const char* caption) {
        auto* b = new QPushButton(caption, &parent);
        b->setObjectName(name);
        b->setToolTipDuration(0);
        return b;
    };
    play_button = button("play_button", "PLAY");
    stop_button = button("stop_button", "STOP");
    pause_button = button("pause_button", "PAUSE");
    skip_forward_button = button("skip_forward_button", "+5 s");
    skip_back_button = button("skip_back_button", "-5 s");
    skip_back_short_button = button("skip_back_short_button", "-0.5 s");
    scroll_speed_button = button("scroll_speed_button", "50 pixel/s");

    auto slider = [&parent](const char* name, int max, int value, QSlider::TickPosition ticks,
                            int interval) {
        auto* s = new QSlider(Qt::Horizontal, &parent);
        s->setObjectName(name);
        s->setRange(0, max);
        s->setValue(value);
        s->setTickPosition(ticks);
        s->setTickInterval(interval);
        return s;
    };
    position_slider = slider("position_slider", 200, 0, QSlider::TicksBothSides, 20);
    gain_slider = slider("gain_slider", 100, default_sensitivity, QSlider::TicksBelow, 10);
    colour_slider = slider("colour_slider", 100, default_colour, QSlider::TicksBelow, 10);

    auto label = [&parent](const char* name, const char* text) {
        auto* l = new QLabel(text, &parent);
        l->setObjectName(name);
        return l;
    };
    time_display = label("time_display", "0.0 s");
    // The time display takes the focus away from a slider after it moved.
    time_display->setFocusPolicy(Qt::StrongFocus);
    gain_label = label("gain_label", PITKAD_TR("PitkaD", "感度"));
    colour_label = label("colour_label", PITKAD_TR("PitkaD", "色調整"));
    audio_status_label = label("audio_status_label", "");
    audio_status_label->setStyleSheet("color: #a04000;");
    open_progress = new QProgressBar(&parent);
    open_progress->setObjectName("open_progress");
    open_cancel_button = button("open_cancel_button", texts::cancel);
    open_cancel_button->setFocusPolicy(Qt::NoFocus);
    show_open_progress(false);

    // Tab order: the transport buttons, the sliders, then the time display.
    QWidget* order[] = {play_button,         stop_button,      pause_button,
                        skip_forward_button, skip_back_button, skip_back_short_button,
                        position_slider,     gain_slider,      colour_slider,
                        scroll_speed_button, time_display};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);

    skip_menu = new QMenu(&parent);
    auto* skip_group = new QActionGroup(skip_menu);
    skip_group->setExclusive(true);
    for (std::size_t i = 0; i < skip_items.size(); ++i) {
        const SkipItem& item = skip_items[i];
        QAction* a = skip_menu->addAction(item.caption);
        a->setObjectName(item.name);
        a->setCheckable(true);
        skip_group->addAction(a);
        skip_menu_items[i] = a;
        if (item.separator_after) skip_menu->addSeparator();
    }
}

void ControlStrip::place(int w, int graph_height) {
    const int h = graph_height + control_strip_height;
    QWidget* widgets[] = {play_button,         stop_button,      pause_button,
                          skip_forward_button, skip_back_button, skip_back_short_button,
                          position_slider,     time_display,     gain_label,
                          gain_slider,         colour_label,     colour_slider,
                          scroll_speed_button};
    static_assert(std::size(widgets) == control_places.size());
    for (std::size_t i = 0; i < control_places.size(); ++i) {
        const PlacedRect r = place_control(control_places[i], w, h);
        widgets[i]->setGeometry(r.x, r.y, r.w, r.h);
    }
    // The no-device note sits between the time display's text (position /
    // length, up to an hour) and the right-hand controls, as wide as there
    // is room.
    const PlacedRect t = place_control(control_places[7], w, h);
    const PlacedRect right = place_control(control_places[10], w, h);
    time_row_ = {t.x, t.y, right.x, t.h};
    place_audio_status();
    // The open's progress takes the time display's room and the note's (the
    // time says nothing while a recording opens), the button at its right.
    const int cancel_width = open_cancel_button->sizeHint().width();
    const int bar_width = std::max(0, right.x - 4 - t.x - cancel_width - 4);
    open_progress->setGeometry(t.x, t.y - 2, bar_width, t.h + 4);
    open_cancel_button->setGeometry(t.x + bar_width + 4, t.y - 4, cancel_width, t.h + 8);
}

void ControlStrip::place_audio_status() {
    // Room for the time as it reads now, and never less than up to an hour
    // takes (a longer recording's hours widen it).
    const QFontMetrics m = time_display->fontMetrics();
    const int time_room =
        std::max({48, m.horizontalAdvance(QStringLiteral("00:00.0 / 00:00.0")) + 8,
                  m.horizontalAdvance(time_display->text()) + 8});
    const QRect shown = time_display->geometry();
    time_display->setGeometry(shown.x(), shown.y(), std::max(shown.width(), time_room - 4),
                              shown.height());
    const int x = time_row_.x + time_room;
    audio_status_label->setGeometry(x, time_row_.y, std::max(0, time_row_.right - x - 4),
                                    time_row_.h);
    set_audio_status(audio_status_);
}

void ControlStrip::set_time_text(const QString& text) {
    const int before = time_display->fontMetrics().horizontalAdvance(time_display->text());
    time_display->setText(text);
    if (time_display->fontMetrics().horizontalAdvance(text) != before) place_audio_status();
}

void ControlStrip::set_transport_enabled(bool enabled) {
    for (QWidget* w : std::initializer_list<QWidget*>{play_button, stop_button, pause_button,
                                                      skip_forward_button, skip_back_button,
                                                      skip_back_short_button, position_slider})
        w->setEnabled(enabled);
}

void ControlStrip::set_audio_status(const QString& text) {
    audio_status_ = text;
    const QString shown = tr_text(text.toStdString());
    audio_status_label->setText(audio_status_label->fontMetrics().elidedText(
        shown, Qt::ElideRight, audio_status_label->width()));
    audio_status_label->setToolTip(shown);
}

void ControlStrip::show_skip_menu(int which, int amount_ms, QPoint press_in_button) {
    const QPushButton* b = skip_button(which);
    skip_menu_items[std::size_t(mark_skip_item(amount_ms))]->setChecked(true);
    skip_menu_button_ = which;
    const QPoint at = skip_popup_point(b->geometry(), press_in_button);
    skip_menu->exec(parent_.mapToGlobal(at));
}

void ControlStrip::show_open_progress(bool shown) {
    if (shown) set_open_progress(0, std::nullopt);
    open_progress->setVisible(shown);
    open_cancel_button->setVisible(shown);
    audio_status_label->setVisible(!shown);
    time_display->setVisible(!shown);
}

void ControlStrip::set_open_progress(double share, std::optional<std::chrono::seconds> left) {
    open_progress->setRange(0, share < 0 ? 0 : 1000); // an unknown length: busy
    open_progress->setValue(int(std::max(share, 0.0) * 1000));
    QString text = QStringLiteral("%p %");
    if (left) text += QStringLiteral("  ") + tr_text(texts::open_time_left).arg(left->count());
    open_progress->setFormat(text);
}

QPushButton* ControlStrip::button(TransportAction b) const {
    QPushButton* const buttons[] = {play_button,         stop_button,      pause_button,
                                    skip_forward_button, skip_back_button, skip_back_short_button};
    return buttons[int(b)];
}

QPushButton* ControlStrip::skip_button(int which) const {
    return button(TransportAction(int(TransportAction::skip_forward) + which));
}

void ControlStrip::follow_open(const OpenJob& job, QEventLoop& loop) {
    QTimer progress;
    progress.setInterval(100);
    connect(&progress, &QTimer::timeout, this, [this, &job] {
        const auto left = job.elapsed() >= std::chrono::seconds(1) ? job.time_left() : std::nullopt;
        set_open_progress(job.share(), left);
    });
    show_open_progress(true);
    progress.start();
    if (!job.ended()) loop.exec();
    show_open_progress(false);
}

int ControlStrip::skip_button_index(const QObject* object) const {
    for (int which = 0; which < 3; ++which)
        if (object == skip_button(which)) return which;
    return -1;
}

} // namespace pitkad
