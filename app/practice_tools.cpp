#include "app/practice_tools.h"

#include "app/language.h"
#include "app/practice_texts.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>
#include <cmath>

namespace pitkad {

namespace pt = practice_texts;

namespace {

// A group of checkable items, one checked at a time.
template <std::size_t N, class Handler>
std::array<QAction*, N> radio_items(QMenu* menu, QObject* owner,
                                    const std::array<const char*, N>& captions, Handler handler) {
    auto* group = new QActionGroup(owner);
    group->setExclusive(true);
    std::array<QAction*, N> items{};
    for (std::size_t i = 0; i < N; ++i) {
        QAction* a = menu->addAction(QString::fromUtf8(captions[i]));
        a->setCheckable(true);
        group->addAction(a);
        QObject::connect(a, &QAction::triggered, owner, [handler, i] { handler(i); });
        items[i] = a;
    }
    return items;
}

QSpinBox* number_box(QWidget* box, const char* name, int lo, int hi, int step,
                     const QString& suffix) {
    auto* s = new QSpinBox(box);
    s->setObjectName(name);
    s->setRange(lo, hi);
    s->setSingleStep(step);
    s->setSuffix(suffix);
    s->setAlignment(Qt::AlignRight);
    s->setKeyboardTracking(false); // typed numbers count when complete
    return s;
}

template <std::size_t N>
QComboBox* choice_box(QWidget* box, const char* name, const std::array<const char*, N>& captions) {
    auto* c = new QComboBox(box);
    c->setObjectName(name);
    for (const char* text : captions)
        c->addItem(QString::fromUtf8(text));
    return c;
}

QPushButton* panel_button(QWidget* box, const char* name, const char* caption) {
    auto* b = new QPushButton(QString::fromUtf8(caption), box);
    b->setObjectName(name);
    b->setFocusPolicy(Qt::NoFocus); // keys stay with the window
    b->setAutoDefault(false);
    b->setMaximumWidth(b->fontMetrics().horizontalAdvance(b->text()) + 20);
    return b;
}

QString seconds_text(int ms) {
    return QString::number(ms / 1000.0, 'f', 2) + QLatin1String(" s");
}

} // namespace

PracticeTools::PracticeTools(QMainWindow& window, QAction* menu_before,
                             PracticeController& practice, PracticeToolsWiring wiring)
    : QObject(&window), practice_(practice), wiring_(std::move(wiring)) {
    build_menu(window, menu_before);
    // The panel is a tool bar that stays where it is, above the graph.
    panel = new QToolBar(&window);
    panel->setObjectName("panel");
    panel->setMovable(false);
    panel->setFloatable(false);
    panel->toggleViewAction()->setVisible(false);
    window.addToolBar(Qt::TopToolBarArea, panel);
    build_panel();
    connect_panel();
}

int PracticeTools::panel_height() const {
    return panel && !panel->isHidden() ? panel->sizeHint().height() : 0;
}

void PracticeTools::build_menu(QMainWindow& window, QAction* menu_before) {
    play_menu = new QMenu(QString::fromUtf8(pt::menu), &window);
    window.menuBar()->insertMenu(menu_before, play_menu);
    auto item = [this](const char* caption, auto handler) {
        return play_menu->addAction(QString::fromUtf8(caption), this, handler);
    };
    play_from_start_action =
        item(pt::play_from_start, [this] { wiring_.press(TransportAction::play); });
    stop_action = item(pt::stop, [this] { wiring_.press(TransportAction::stop); });
    pause_action = item(pt::pause, [this] { wiring_.press(TransportAction::pause); });
    play_here_action = item(pt::play_here, [this] { practice_.play_here(); });
    play_menu->addSeparator();
    slower_action = item(pt::slower, [this] { practice_.speed_step(-1); });
    faster_action = item(pt::faster, [this] { practice_.speed_step(+1); });
    normal_speed_action = item(pt::normal_speed, [this] { practice_.speed(100); });
    speed_menu = play_menu->addMenu(QString::fromUtf8(pt::speed_menu));
    std::array<const char*, speed_presets.size()> speed_captions{};
    std::array<QByteArray, speed_presets.size()> speed_texts;
    for (std::size_t i = 0; i < speed_presets.size(); ++i) {
        speed_texts[i] = QByteArray::number(speed_presets[i]) + " %";
        speed_captions[i] = speed_texts[i].constData();
    }
    speed_actions = radio_items(speed_menu, this, speed_captions,
                                [this](std::size_t i) { practice_.speed(speed_presets[i]); });
    play_menu->addSeparator();
    transpose_down_action = item(pt::transpose_down, [this] { practice_.transpose_by(-1); });
    transpose_up_action = item(pt::transpose_up, [this] { practice_.transpose_by(+1); });
    reset_pitch_action = item(pt::reset_pitch, [this] { practice_.reset_pitch(); });
    play_menu->addSeparator();
    loop_start_action = item(pt::loop_start, [this] { practice_.loop_start(); });
    loop_end_action = item(pt::loop_end, [this] { practice_.loop_end(); });
    loop_lines_action = item(pt::loop_line, [this] { practice_.loop_lines(); });
    clear_loop_action = item(pt::clear_loop, [this] { practice_.clear_loop(); });
    loop_pause_menu = play_menu->addMenu(QString::fromUtf8(pt::loop_pause_menu));
    loop_pause_actions = radio_items(loop_pause_menu, this, pt::loop_pauses, [this](std::size_t i) {
        practice_.loop_pause(loop_pause_presets[i]);
    });
    play_menu->addSeparator();
    channel_menu = play_menu->addMenu(QString::fromUtf8(pt::channel_menu));
    channel_actions = radio_items(channel_menu, this, pt::channels,
                                  [this](std::size_t i) { practice_.channels(ChannelMode(i)); });
    focus_menu = play_menu->addMenu(QString::fromUtf8(pt::focus_menu));
    focus_actions = radio_items(focus_menu, this, pt::focus,
                                [this](std::size_t i) { practice_.focus(FocusPreset(i)); });
    engine_menu = play_menu->addMenu(QString::fromUtf8(pt::engine_menu));
    engine_actions = radio_items(engine_menu, this, pt::engines,
                                 [this](std::size_t i) { practice_.engine(StretchEngine(i)); });
    play_menu->addSeparator();
    show_panel_action = item(pt::show_panel, [this] {
        panel->setVisible(show_panel_action->isChecked());
        wiring_.panel_toggled();
    });
    show_panel_action->setCheckable(true);
}

void PracticeTools::build_panel() {
    auto* box = new QWidget(panel);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(4, 2, 4, 2);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(2);
    auto row = [grid](int r) {
        auto* line = new QHBoxLayout;
        line->setSpacing(4);
        grid->addLayout(line, r, 0);
        return line;
    };
    auto label = [box](const char* text) { return new QLabel(QString::fromUtf8(text), box); };
    auto spin = [box](const char* name, int lo, int hi, int step, const QString& suffix) {
        return number_box(box, name, lo, hi, step, suffix);
    };
    auto combo = [box](const char* name, auto captions) { return choice_box(box, name, captions); };
    auto button = [box](const char* name, const char* caption) {
        return panel_button(box, name, caption);
    };

    speed_edit = spin("speed_edit", min_speed_percent, max_speed_percent, speed_step_percent, " %");
    speed_preset_button = new QToolButton(box);
    speed_preset_button->setObjectName("speed_preset_button");
    speed_preset_button->setMenu(speed_menu);
    speed_preset_button->setPopupMode(QToolButton::InstantPopup);
    speed_preset_button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    speed_preset_button->setText(QString::fromUtf8(pt::presets));
    speed_preset_button->setFocusPolicy(Qt::NoFocus);
    transpose_edit = spin("transpose_edit", -PracticeSettings::max_semitones,
                          PracticeSettings::max_semitones, 1, QString());
    cents_edit = spin("cents_edit", -PracticeSettings::max_cents, PracticeSettings::max_cents, 1,
                      QString::fromUtf8(pt::cents_suffix));
    engine_box = combo("engine_box", pt::engines);
    channel_box = combo("channel_box", pt::channels);
    QHBoxLayout* r1 = row(0);
    r1->addWidget(label(pt::speed_label));
    r1->addWidget(speed_edit);
    r1->addWidget(speed_preset_button);
    r1->addSpacing(8);
    r1->addWidget(label(pt::transpose_label));
    r1->addWidget(transpose_edit);
    r1->addWidget(label(pt::cents_label));
    r1->addWidget(cents_edit);
    r1->addSpacing(8);
    r1->addWidget(label(pt::channel_label));
    r1->addWidget(channel_box);
    r1->addSpacing(8);
    r1->addWidget(label(pt::engine_label));
    r1->addWidget(engine_box);
    r1->addStretch(1);

    loop_text = new QLabel(box);
    loop_text->setObjectName("loop_text");
    loop_text->setMinimumWidth(loop_text->fontMetrics().horizontalAdvance("000.00 s – 000.00 s"));
    loop_start_button = button("loop_start_button", pt::set_start);
    loop_end_button = button("loop_end_button", pt::set_end);
    loop_lines_button = button("loop_lines_button", pt::line_interval);
    clear_loop_button = button("clear_loop_button", pt::clear);
    loop_pause_box = combo("loop_pause_box", pt::loop_pauses);
    focus_box = combo("focus_box", pt::focus);
    QHBoxLayout* r2 = row(1);
    r2->addWidget(label(pt::loop_label));
    r2->addWidget(loop_text);
    r2->addWidget(loop_start_button);
    r2->addWidget(loop_end_button);
    r2->addWidget(loop_lines_button);
    r2->addWidget(clear_loop_button);
    r2->addWidget(label(pt::pause_label));
    r2->addWidget(loop_pause_box);
    r2->addSpacing(8);
    r2->addWidget(label(pt::focus_label));
    r2->addWidget(focus_box);
    r2->addStretch(1);
    panel->addWidget(box);
    panel->hide();
}

void PracticeTools::connect_panel() {
    connect(speed_edit, &QSpinBox::valueChanged, this, [this](int v) {
        if (!showing_) practice_.speed(v);
    });
    connect(transpose_edit, &QSpinBox::valueChanged, this, [this](int v) {
        if (!showing_) practice_.transpose(v);
    });
    connect(cents_edit, &QSpinBox::valueChanged, this, [this](int v) {
        if (!showing_) practice_.cents(v);
    });
    connect(engine_box, &QComboBox::activated, this,
            [this](int i) { practice_.engine(StretchEngine(i)); });
    connect(channel_box, &QComboBox::activated, this,
            [this](int i) { practice_.channels(ChannelMode(i)); });
    connect(loop_pause_box, &QComboBox::activated, this,
            [this](int i) { practice_.loop_pause(loop_pause_presets[std::size_t(i)]); });
    connect(focus_box, &QComboBox::activated, this,
            [this](int i) { practice_.focus(FocusPreset(i)); });
    connect(loop_start_button, &QPushButton::clicked, this, [this] { practice_.loop_start(); });
    connect(loop_end_button, &QPushButton::clicked, this, [this] { practice_.loop_end(); });
    connect(loop_lines_button, &QPushButton::clicked, this, [this] { practice_.loop_lines(); });
    connect(clear_loop_button, &QPushButton::clicked, this, [this] { practice_.clear_loop(); });
}

void PracticeTools::show(const PracticeSettings& p, const LoopMs& loop) {
    showing_ = true;
    const int percent = speed_percent(p);
    for (std::size_t i = 0; i < speed_presets.size(); ++i)
        speed_actions[i]->setChecked(speed_presets[i] == percent);
    for (std::size_t i = 0; i < loop_pause_presets.size(); ++i)
        loop_pause_actions[i]->setChecked(std::lround(p.loop_pause * 1000) ==
                                          loop_pause_presets[i]);
    channel_actions[std::size_t(p.channels)]->setChecked(true);
    engine_actions[std::size_t(p.engine)]->setChecked(true);
    const std::optional<FocusPreset> focus = focus_preset(p);
    for (std::size_t i = 0; i < focus_actions.size(); ++i)
        focus_actions[i]->setChecked(focus && std::size_t(*focus) == i);

    speed_edit->setValue(percent);
    transpose_edit->setValue(p.semitones);
    cents_edit->setValue(p.cents);
    engine_box->setCurrentIndex(int(p.engine));
    channel_box->setCurrentIndex(int(p.channels));
    const int pause = int(std::find(loop_pause_presets.begin(), loop_pause_presets.end(),
                                    std::lround(p.loop_pause * 1000)) -
                          loop_pause_presets.begin());
    loop_pause_box->setCurrentIndex(pause < int(loop_pause_presets.size()) ? pause : -1);
    focus_box->setCurrentIndex(focus ? int(*focus) : -1);
    if (loop.active())
        loop_text->setText(seconds_text(loop.start) + QString::fromUtf8(" – ") +
                           seconds_text(loop.end));
    else if (loop.start > 0)
        loop_text->setText(seconds_text(loop.start) + QString::fromUtf8(" – "));
    else
        loop_text->setText(tr_text(pt::loop_none));
    clear_loop_button->setEnabled(loop.active() || loop.start > 0);
    clear_loop_action->setEnabled(clear_loop_button->isEnabled());
    showing_ = false;
}

} // namespace pitkad
