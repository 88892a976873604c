// TForm1's practice tools: the 再生 menu, the practice panel and the
// practice keys. The operations are control/practice_controls; these
// handlers only find the position, call them and pass the result on.

#include "app/pitka_p1.h"

#include "app/practice_texts.h"
#include "app/window_args.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalBlocker>
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

QString seconds_text(int ms) {
    return QString::number(ms / 1000.0, 'f', 2) + QLatin1String(" s");
}

} // namespace

void TForm1::build_practice_menu() {
    PlayMenu = new QMenu(QString::fromUtf8(pt::menu), this);
    // After 表示.
    menuBar()->insertMenu(LineW->menuAction(), PlayMenu);
    auto item = [this](const char* caption, auto handler) {
        return PlayMenu->addAction(QString::fromUtf8(caption), this, handler);
    };
    PlayFromStartItem = item(pt::play_from_start, [this] {
        if (PlayButton->isEnabled()) PlayButtonClick();
    });
    StopItem = item(pt::stop, [this] {
        if (Stopbutton->isEnabled()) StopbuttonClick();
    });
    PauseItem = item(pt::pause, [this] {
        if (PauseButton->isEnabled()) PauseButtonClick();
    });
    PlayHereItem = item(pt::play_here, [this] { PlayHereClick(); });
    PlayMenu->addSeparator();
    SlowerItem = item(pt::slower, [this] { SpeedStepClick(-1); });
    FasterItem = item(pt::faster, [this] { SpeedStepClick(+1); });
    NormalSpeedItem = item(pt::normal_speed, [this] { SpeedClick(100); });
    SpeedMenu = PlayMenu->addMenu(QString::fromUtf8(pt::speed_menu));
    std::array<const char*, speed_presets.size()> speed_captions{};
    std::array<QByteArray, speed_presets.size()> speed_texts;
    for (std::size_t i = 0; i < speed_presets.size(); ++i) {
        speed_texts[i] = QByteArray::number(speed_presets[i]) + " %";
        speed_captions[i] = speed_texts[i].constData();
    }
    SpeedItems = radio_items(SpeedMenu, this, speed_captions,
                             [this](std::size_t i) { SpeedClick(speed_presets[i]); });
    PlayMenu->addSeparator();
    TransposeDownItem =
        item(pt::transpose_down, [this] { TransposeClick(doc.practice.semitones - 1); });
    TransposeUpItem =
        item(pt::transpose_up, [this] { TransposeClick(doc.practice.semitones + 1); });
    ResetPitchItem = item(pt::reset_pitch, [this] { ResetPitchClick(); });
    PlayMenu->addSeparator();
    LoopStartItem = item(pt::loop_start, [this] { LoopStartClick(); });
    LoopEndItem = item(pt::loop_end, [this] { LoopEndClick(); });
    LoopLineItem = item(pt::loop_line, [this] { LoopLineClick(); });
    ClearLoopItem = item(pt::clear_loop, [this] { ClearLoopClick(); });
    LoopPauseMenu = PlayMenu->addMenu(QString::fromUtf8(pt::loop_pause_menu));
    LoopPauseItems = radio_items(LoopPauseMenu, this, pt::loop_pauses,
                                 [this](std::size_t i) { LoopPauseClick(loop_pause_presets[i]); });
    PlayMenu->addSeparator();
    ChannelMenu = PlayMenu->addMenu(QString::fromUtf8(pt::channel_menu));
    ChannelItems = radio_items(ChannelMenu, this, pt::channels,
                               [this](std::size_t i) { ChannelClick(ChannelMode(i)); });
    FocusMenu = PlayMenu->addMenu(QString::fromUtf8(pt::focus_menu));
    FocusItems = radio_items(FocusMenu, this, pt::focus,
                             [this](std::size_t i) { FocusClick(FocusPreset(i)); });
    EngineMenu = PlayMenu->addMenu(QString::fromUtf8(pt::engine_menu));
    EngineItems = radio_items(EngineMenu, this, pt::engines,
                              [this](std::size_t i) { EngineClick(StretchEngine(i)); });
    PlayMenu->addSeparator();
    ShowPracticeItem = item(pt::show_panel, [this] { ShowPracticeClick(); });
    ShowPracticeItem->setCheckable(true);
}

void TForm1::build_practice_panel() {
    PracticeBar = new QToolBar(this);
    PracticeBar->setObjectName("PracticeBar");
    PracticeBar->setMovable(false);
    PracticeBar->setFloatable(false);
    PracticeBar->toggleViewAction()->setVisible(false);
    addToolBar(Qt::TopToolBarArea, PracticeBar);

    auto* panel = new QWidget(PracticeBar);
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(4, 2, 4, 2);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(2);
    auto row = [grid](int r) {
        auto* box = new QHBoxLayout;
        box->setSpacing(4);
        grid->addLayout(box, r, 0);
        return box;
    };
    auto label = [panel](const char* text) { return new QLabel(QString::fromUtf8(text), panel); };
    auto spin = [panel](const char* name, int lo, int hi, int step, const QString& suffix) {
        auto* s = new QSpinBox(panel);
        s->setObjectName(name);
        s->setRange(lo, hi);
        s->setSingleStep(step);
        s->setSuffix(suffix);
        s->setAlignment(Qt::AlignRight);
        s->setKeyboardTracking(false); // typed numbers count when complete
        return s;
    };
    auto combo = [panel](const char* name, auto captions) {
        auto* c = new QComboBox(panel);
        c->setObjectName(name);
        for (const char* text : captions)
            c->addItem(QString::fromUtf8(text));
        return c;
    };
    auto button = [panel](const char* name, const char* caption) {
        auto* b = new QPushButton(QString::fromUtf8(caption), panel);
        b->setObjectName(name);
        b->setFocusPolicy(Qt::NoFocus); // keys stay with the window
        b->setAutoDefault(false);
        b->setMaximumWidth(b->fontMetrics().horizontalAdvance(b->text()) + 20);
        return b;
    };

    SpeedEdit = spin("SpeedEdit", min_speed_percent, max_speed_percent, speed_step_percent, " %");
    SpeedPresetButton = new QToolButton(panel);
    SpeedPresetButton->setObjectName("SpeedPresetButton");
    SpeedPresetButton->setMenu(SpeedMenu);
    SpeedPresetButton->setPopupMode(QToolButton::InstantPopup);
    SpeedPresetButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
    SpeedPresetButton->setText(QString::fromUtf8(pt::presets));
    SpeedPresetButton->setFocusPolicy(Qt::NoFocus);
    TransposeEdit = spin("TransposeEdit", -PracticeSettings::max_semitones,
                         PracticeSettings::max_semitones, 1, QString());
    CentsEdit = spin("CentsEdit", -PracticeSettings::max_cents, PracticeSettings::max_cents, 1,
                     QString::fromUtf8(pt::cents_suffix));
    EngineBox = combo("EngineBox", pt::engines);
    ChannelBox = combo("ChannelBox", pt::channels);
    QHBoxLayout* r1 = row(0);
    r1->addWidget(label(pt::speed_label));
    r1->addWidget(SpeedEdit);
    r1->addWidget(SpeedPresetButton);
    r1->addSpacing(8);
    r1->addWidget(label(pt::transpose_label));
    r1->addWidget(TransposeEdit);
    r1->addWidget(label(pt::cents_label));
    r1->addWidget(CentsEdit);
    r1->addSpacing(8);
    r1->addWidget(label(pt::channel_label));
    r1->addWidget(ChannelBox);
    r1->addSpacing(8);
    r1->addWidget(label(pt::engine_label));
    r1->addWidget(EngineBox);
    r1->addStretch(1);

    LoopText = new QLabel(panel);
    LoopText->setObjectName("LoopText");
    LoopText->setMinimumWidth(LoopText->fontMetrics().horizontalAdvance("000.00 s – 000.00 s"));
    LoopStartButton = button("LoopStartButton", pt::set_start);
    LoopEndButton = button("LoopEndButton", pt::set_end);
    LoopLineButton = button("LoopLineButton", pt::line_interval);
    ClearLoopButton = button("ClearLoopButton", pt::clear);
    LoopPauseBox = combo("LoopPauseBox", pt::loop_pauses);
    FocusBox = combo("FocusBox", pt::focus);
    QHBoxLayout* r2 = row(1);
    r2->addWidget(label(pt::loop_label));
    r2->addWidget(LoopText);
    r2->addWidget(LoopStartButton);
    r2->addWidget(LoopEndButton);
    r2->addWidget(LoopLineButton);
    r2->addWidget(ClearLoopButton);
    r2->addWidget(label(pt::pause_label));
    r2->addWidget(LoopPauseBox);
    r2->addSpacing(8);
    r2->addWidget(label(pt::focus_label));
    r2->addWidget(FocusBox);
    r2->addStretch(1);
    PracticeBar->addWidget(panel);
    PracticeBar->hide();

    connect(SpeedEdit, &QSpinBox::valueChanged, this, [this](int v) {
        if (!showing_practice_) SpeedClick(v);
    });
    connect(TransposeEdit, &QSpinBox::valueChanged, this, [this](int v) {
        if (!showing_practice_) TransposeClick(v);
    });
    connect(CentsEdit, &QSpinBox::valueChanged, this, [this](int v) {
        if (!showing_practice_) CentsClick(v);
    });
    connect(EngineBox, &QComboBox::activated, this,
            [this](int i) { EngineClick(StretchEngine(i)); });
    connect(ChannelBox, &QComboBox::activated, this,
            [this](int i) { ChannelClick(ChannelMode(i)); });
    connect(LoopPauseBox, &QComboBox::activated, this,
            [this](int i) { LoopPauseClick(loop_pause_presets[std::size_t(i)]); });
    connect(FocusBox, &QComboBox::activated, this, [this](int i) { FocusClick(FocusPreset(i)); });
    connect(LoopStartButton, &QPushButton::clicked, this, [this] { LoopStartClick(); });
    connect(LoopEndButton, &QPushButton::clicked, this, [this] { LoopEndClick(); });
    connect(LoopLineButton, &QPushButton::clicked, this, [this] { LoopLineClick(); });
    connect(ClearLoopButton, &QPushButton::clicked, this, [this] { ClearLoopClick(); });
}

int TForm1::practice_bar_height() const {
    return PracticeBar && !PracticeBar->isHidden() ? PracticeBar->sizeHint().height() : 0;
}

void TForm1::set_practice(const PracticeSettings& settings, LoopMs loop) {
    const PracticeSettings before = doc.practice;
    doc.practice_loop = loop;
    doc.practice = clamped(with_loop(settings, loop, player_->sample_rate()));
    player_->set_practice(doc.practice);
    // Drawn notes and clicks sound with the recording's transposition.
    doc.midi.set_transpose(doc.practice.semitones);
    show_practice();
    // The graph shows the loop and the focus.
    if (before.loop != doc.practice.loop || before.focus_low != doc.practice.focus_low ||
        before.focus_high != doc.practice.focus_high)
        write_graph();
    // The player goes round a loop only from inside it: a new loop that
    // leaves the position outside (an end set where it plays) starts over.
    if (cursor_shown(play_state()) && loop.active()) {
        const int at = player_->position();
        if (at < loop.start || at >= loop.end) transport_->seek_relative(loop.start - at);
    }
}

void TForm1::show_practice() {
    const PracticeSettings& p = doc.practice;
    showing_practice_ = true;
    const int percent = speed_percent(p);
    for (std::size_t i = 0; i < speed_presets.size(); ++i)
        SpeedItems[i]->setChecked(speed_presets[i] == percent);
    for (std::size_t i = 0; i < loop_pause_presets.size(); ++i)
        LoopPauseItems[i]->setChecked(std::lround(p.loop_pause * 1000) == loop_pause_presets[i]);
    ChannelItems[std::size_t(p.channels)]->setChecked(true);
    EngineItems[std::size_t(p.engine)]->setChecked(true);
    const std::optional<FocusPreset> focus = focus_preset(p);
    for (std::size_t i = 0; i < FocusItems.size(); ++i)
        FocusItems[i]->setChecked(focus && std::size_t(*focus) == i);

    SpeedEdit->setValue(percent);
    TransposeEdit->setValue(p.semitones);
    CentsEdit->setValue(p.cents);
    EngineBox->setCurrentIndex(int(p.engine));
    ChannelBox->setCurrentIndex(int(p.channels));
    const int pause = int(std::find(loop_pause_presets.begin(), loop_pause_presets.end(),
                                    std::lround(p.loop_pause * 1000)) -
                          loop_pause_presets.begin());
    LoopPauseBox->setCurrentIndex(pause < int(loop_pause_presets.size()) ? pause : -1);
    FocusBox->setCurrentIndex(focus ? int(*focus) : -1);
    const LoopMs& loop = doc.practice_loop;
    if (loop.active())
        LoopText->setText(seconds_text(loop.start) + QString::fromUtf8(" – ") +
                          seconds_text(loop.end));
    else if (loop.start > 0)
        LoopText->setText(seconds_text(loop.start) + QString::fromUtf8(" – "));
    else
        LoopText->setText(tr_text(pt::loop_none));
    ClearLoopButton->setEnabled(loop.active() || loop.start > 0);
    ClearLoopItem->setEnabled(ClearLoopButton->isEnabled());
    showing_practice_ = false;
}

int TForm1::practice_position_ms() const {
    const PlayState s = play_state();
    if (cursor_shown(s)) return player_->position();
    if (s != PlayState::stopped) return -1;
    return browse_start_frame(doc.view, graph_click_, doc.store.frame_count) * frame_ms;
}

// --- Handlers -------------------------------------------------------------------

void TForm1::PlayHereClick() {
    switch (play_state()) {
    case PlayState::stopped:
        transport_->start_playback_at(practice_position_ms());
        // The player now knows the recording's rate: the loop reaches it.
        set_practice(doc.practice);
        PauseButton->setFocus();
        break;
    case PlayState::playing:
    case PlayState::paused:
        transport_->toggle_pause();
        break;
    default:
        break;
    }
}

void TForm1::SpeedStepClick(int direction) {
    set_practice(step_speed(doc.practice, direction));
}
void TForm1::SpeedClick(int percent) {
    set_practice(with_speed_percent(doc.practice, percent));
}
void TForm1::TransposeClick(int semitones) {
    set_practice(with_semitones(doc.practice, semitones));
}
void TForm1::CentsClick(int cents) {
    set_practice(with_cents(doc.practice, cents));
}
void TForm1::ResetPitchClick() {
    set_practice(reset_pitch(doc.practice));
}

void TForm1::LoopStartClick() {
    const int ms = practice_position_ms();
    if (ms >= 0) set_practice(doc.practice, set_loop_start(doc.practice_loop, ms));
}

void TForm1::LoopEndClick() {
    const int ms = practice_position_ms();
    if (ms >= 0) set_practice(doc.practice, set_loop_end(doc.practice_loop, ms));
}

void TForm1::LoopLineClick() {
    const int ms = practice_position_ms();
    if (ms < 0) return;
    if (auto loop = line_interval_loop(doc.drawing, ms / frame_ms, doc.store.frame_count))
        set_practice(doc.practice, *loop);
}

void TForm1::ClearLoopClick() {
    set_practice(doc.practice, {});
}

void TForm1::LoopPauseClick(int ms) {
    set_practice(with_loop_pause_ms(doc.practice, ms));
}

void TForm1::ChannelClick(ChannelMode mode) {
    PracticeSettings p = doc.practice;
    p.channels = mode;
    set_practice(p);
}

void TForm1::FocusClick(FocusPreset preset) {
    set_practice(with_focus(doc.practice, preset));
}

void TForm1::EngineClick(StretchEngine engine) {
    PracticeSettings p = doc.practice;
    p.engine = engine;
    set_practice(p);
}

void TForm1::ShowPracticeClick() {
    PracticeBar->setVisible(ShowPracticeItem->isChecked());
    layout_view();
}

bool TForm1::PracticeKeyDown(int key) {
    const std::optional<PracticeCommand> command = practice_key_command(key);
    if (!command) return false;
    // Digits and signs typed into a number box of the panel are the box's.
    if (qobject_cast<QAbstractSpinBox*>(focusWidget())) return false;
    switch (*command) {
    case PracticeCommand::play_here_or_pause:
        if (!cursor_shown(play_state()) && play_state() != PlayState::stopped) return false;
        PlayHereClick();
        break;
    case PracticeCommand::slower:
        SpeedStepClick(-1);
        break;
    case PracticeCommand::faster:
        SpeedStepClick(+1);
        break;
    case PracticeCommand::normal_speed:
        SpeedClick(100);
        break;
    case PracticeCommand::loop_start:
        LoopStartClick();
        break;
    case PracticeCommand::loop_end:
        LoopEndClick();
        break;
    case PracticeCommand::loop_line_interval:
        LoopLineClick();
        break;
    case PracticeCommand::clear_loop:
        ClearLoopClick();
        break;
    case PracticeCommand::transpose_down:
        TransposeClick(doc.practice.semitones - 1);
        break;
    case PracticeCommand::transpose_up:
        TransposeClick(doc.practice.semitones + 1);
        break;
    }
    return true;
}

void TForm1::open_from_command_line(const WindowArgs& args) {
    if (!args.file.isEmpty()) open_and_remember(args.file);
    PracticeSettings p = doc.practice;
    if (args.speed_percent) p = with_speed_percent(p, *args.speed_percent);
    if (args.semitones) p = with_semitones(p, *args.semitones);
    if (args.cents) p = with_cents(p, *args.cents);
    set_practice(p, args.loop.value_or(doc.practice_loop));
}

} // namespace pitkad
