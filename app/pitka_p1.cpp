#include "app/pitka_p1.h"

#include "app/main_window_hosts.h"

#include "analysis/analysis_cache.h"
#include "analysis/analysis_messages.h"
#include "app/app_texts.h"
#include "app/file_choice.h"
#include "app/graph_widget.h"
#include "app/main_layout.h"
#include "app/manual_page.h"
#include "app/pitka_pmidi.h"
#include "app/settings.h"
#include "audio/audio_output.h"
#include "audio/playback_texts.h"
#include "base/paths.h"
#include "base/translatable.h"
#include "drawing/draw_file.h"
#include "drawing/draw_ops.h"
#include "drawing/drawing_midi_player.h"
#include "drawing/drawing_texts.h"
#include "midi/fluidsynth_backend.h"
#include "view/data_bitmaps.h"
#include "view/view_layout.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>

namespace pitkad {

namespace {

QString q(std::string_view s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

// Outer window widths of the design are 8 pixels wider than the client area.
constexpr int frame_allowance = 8;

} // namespace

TForm1::TForm1(StartOptions options) : QMainWindow(nullptr) {
    setWindowTitle(texts::app_title);
    setAcceptDrops(true);
    threads_ = options.threads;
    open_url_ = options.open_url ? std::move(options.open_url) : &QDesktopServices::openUrl;
    recovery_interval_ms_ = options.recovery_interval_ms;
    if (recovery_interval_ms_ <= 0) {
        bool ok = false;
        const int ms = qEnvironmentVariableIntValue("PITKAD_RECOVERY_INTERVAL_MS", &ok);
        recovery_interval_ms_ = ok && ms > 0 ? ms : 30000;
    }

    test_audio_ = std::move(options.audio);
    if (!test_audio_) playback_audio_ = open_playback_audio();
    audio_ = test_audio_ ? test_audio_.get() : &playback_audio_.output();
    transport_side_ = std::make_unique<TransportSide>(*this);
    controls_side_ = std::make_unique<ControlsSide>(*this);
    editor_side_ = std::make_unique<EditorSide>(*this);
    tool_window_side_ = std::make_unique<ToolWindowSide>(*this);
    player_ = std::make_unique<MediaPlayer>(*audio_);
    view_ = std::make_unique<GraphView>(doc.store, doc.drawing, doc.view);
    transport_ = std::make_unique<Transport>(doc.store, doc.drawing, doc.view, doc.midi, *player_,
                                             *transport_side_);
    editor_ = std::make_unique<MouseEditor>(doc.drawing, doc.store, *editor_side_, &doc.history);

    build_menus();
    build_practice_menu();
    build_controls();
    build_practice_panel();
    FormCreate(options);

    // The tool window and the MIDI dialog come after the main window.
    form2_ = new TForm2(doc.drawing, doc.midi, doc.history, *tool_window_side_, this);
    doc.history.on_change = [this] { show_history(); };
    form2_->place_window(frameGeometry());
    form3_ =
        new TForm3(doc.midi,
                   PenMidiAccess{[this] { return form2_->PenMidiSwitch->isChecked(); },
                                 [this](bool down) { form2_->PenMidiSwitch->setChecked(down); }},
                   this);
    qApp->installEventFilter(this);

    // The language: `--lang` for this run, else the settings file's choice.
    uses_settings_file_ = options.read_settings;
    std::optional<Language> language = options.language;
    if (!language && uses_settings_file_)
        language = language_from_code(read_language(settings_file_path()));
    set_language(language.value_or(Language::japanese));

    // The first change after a save is noticed within a second.
    recovery_timer_ = new QTimer(this);
    recovery_timer_->setInterval(std::min(recovery_interval_ms_, 1000));
    connect(recovery_timer_, &QTimer::timeout, this, [this] { recovery_tick(); });
    recovery_timer_->start();
}

TForm1::~TForm1() {
    qApp->removeEventFilter(this);
    doc.history.on_change = nullptr;
    if (!closing_) FormClose();
    // The tool window and the dialog call back into this window; they go
    // while everything they use is still here.
    delete form3_;
    form3_ = nullptr;
    delete form2_;
    form2_ = nullptr;
}

// --- Construction -------------------------------------------------------

void TForm1::build_menus() {
    QMenuBar* bar = menuBar();
    File1 = bar->addMenu(PITKAD_TR("PitkaD", "ファイル(&F)"));
    Open1 = File1->addAction(PITKAD_TR("PitkaD", "開く (&O)"), this, [this] { Open1Click(); });
    RecentMenu = File1->addMenu(PITKAD_TR("PitkaD", "最近使ったファイル"));
    RecentMenu->setToolTipsVisible(true); // an item's tooltip is its full path
    static_assert(std::tuple_size_v<decltype(RecentItems)> == max_recent_files);
    for (int i = 0; i < max_recent_files; ++i)
        RecentItems[std::size_t(i)] =
            RecentMenu->addAction(QString(), this, [this, i] { RecentFileClick(i); });
    show_recent_files();
    SaveDrawAs1 = File1->addAction(q(drawing_texts::save_as), this, [this] { SaveDrawAs1Click(); });
    SaveDrawAs1->setEnabled(false);
    File1->addSeparator();
    ExportMidiItem = File1->addAction(texts::export_midi_item, this, [this] { ExportMidiClick(); });
    ImportMidiItem = File1->addAction(texts::import_midi_item, this, [this] { ImportMidiClick(); });
    ExportImageItem =
        File1->addAction(texts::export_image_item, this, [this] { ExportImageClick(); });
    ExportCsvItem = File1->addAction(texts::export_csv_item, this, [this] { ExportCsvClick(); });
    for (QAction* a : {ExportMidiItem, ImportMidiItem, ExportImageItem, ExportCsvItem})
        a->setEnabled(false);
    File1->addSeparator();
    Saveini =
        File1->addAction(PITKAD_TR("PitkaD", "設定を保存 (&S)"), this, [this] { SaveiniClick(); });
    Exit1 = File1->addAction(PITKAD_TR("PitkaD", "終了 (&X)"), this, [this] { Exit1Click(); });

    // Application-wide, so that the keys also work while the drawing-tool
    // window is active. None of Z and Y is in the key map, with or without
    // Ctrl and Shift, so nothing else answers these keys.
    Edit1 = bar->addMenu(texts::edit_menu);
    UndoItem = Edit1->addAction(texts::undo_item, this, [this] { UndoClick(); });
    UndoItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    RedoItem = Edit1->addAction(texts::redo_item, this, [this] { RedoClick(); });
    RedoItem->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    for (QAction* a : {UndoItem, RedoItem}) {
        a->setShortcutContext(Qt::ApplicationShortcut);
        a->setEnabled(false);
    }

    Show1 = bar->addMenu(PITKAD_TR("PitkaD", "表示 (&V)"));
    auto checkable = [this](QMenu* menu, const char* caption, bool enabled, bool checked,
                            void (TForm1::*handler)()) {
        QAction* a = menu->addAction(caption);
        a->setCheckable(true);
        a->setChecked(checked);
        a->setEnabled(enabled);
        if (handler) connect(a, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
        return a;
    };
    Loudness = checkable(Show1, PITKAD_TR("PitkaD", "ラウドネス補正 (&A)"), false, false,
                         &TForm1::LoudnessClick);
    Groupingcolor = checkable(Show1, PITKAD_TR("PitkaD", "音階色別表示 (&C)"), false, false,
                              &TForm1::GroupingcolorClick);
    Show1->addSeparator();
    ShowLeft = checkable(Show1, PITKAD_TR("PitkaD", "音階表示 - 左 (&L)"), false, true,
                         &TForm1::ShowLeftClick);
    ShowRight = checkable(Show1, PITKAD_TR("PitkaD", "音階表示 - 右 (&R)"), false, false,
                          &TForm1::ShowRightClick);
    Show1->addSeparator();
    // The hint reads these two when it is next built; nothing to redraw.
    ShowFrq = checkable(Show1, PITKAD_TR("PitkaD", "周波数 (&F)"), true, false, nullptr);
    ShowNote = checkable(Show1, PITKAD_TR("PitkaD", "ノート番号 (&N)"), true, false, nullptr);
    Show1->addSeparator();
    // Named in both languages, so that either reader finds it.
    LanguageMenu = Show1->addMenu(PITKAD_TR("PitkaD", "言語 / Lan&guage"));
    auto* language_group = new QActionGroup(this);
    const std::array<const char*, 2> language_names{PITKAD_TR("PitkaD", "日本語"), "English"};
    for (std::size_t i = 0; i < language_names.size(); ++i) {
        QAction* a = LanguageMenu->addAction(language_names[i]);
        a->setCheckable(true);
        language_group->addAction(a);
        const auto language = Language(i);
        connect(a, &QAction::triggered, this, [this, language] { LanguageClick(language); });
        LanguageItems[i] = a;
    }

    LineW = bar->addMenu(PITKAD_TR("PitkaD", "ライン幅 (&L)"));
    line_width_group_ = new QActionGroup(this);
    line_width_group_->setExclusive(true);
    for (int n = min_line_width; n <= max_line_width; ++n) {
        QAction* a = LineW->addAction(QString::number(n));
        a->setCheckable(true);
        a->setEnabled(n == min_line_width);
        line_width_group_->addAction(a);
        connect(a, &QAction::triggered, this, [this, n] { LineWClick(n); });
        LineWItems[std::size_t(n)] = a;
    }

    Drawmenu = bar->addMenu(PITKAD_TR("PitkaD", "描画ツール (&D)"));
    Showtoolbar =
        Drawmenu->addAction(PITKAD_TR("PitkaD", "表示 (&V)"), this, [this] { ShowtoolbarClick(); });

    MIDIM1 = bar->addMenu(PITKAD_TR("PitkaD", "MIDI (&M)"));
    MidiSetMenu =
        MIDIM1->addAction(PITKAD_TR("PitkaD", "設定 (&S)"), this, [this] { MidiSetMenuClick(); });
    MidiSetMenu->setEnabled(false);

    Help1 = bar->addMenu(PITKAD_TR("PitkaD", "ヘルプ(&H)"));
    SupportPage = Help1->addAction(PITKAD_TR("PitkaD", "サポートページ (&S)"), this,
                                   [this] { SupportPageClick(); });
    About1 = Help1->addAction(PITKAD_TR("PitkaD", "バージョン情報 (&A)"), this,
                              [this] { About1Click(); });

    PopupMenu1 = new QMenu(this);
    auto* skip_group = new QActionGroup(this);
    skip_group->setExclusive(true);
    for (std::size_t i = 0; i < skip_items.size(); ++i) {
        const SkipItem& item = skip_items[i];
        QAction* a = PopupMenu1->addAction(item.caption);
        a->setObjectName(item.name);
        a->setCheckable(true);
        skip_group->addAction(a);
        const int ms = item.ms;
        connect(a, &QAction::triggered, this, [this, ms] { PopItemClick(ms); });
        pop_items[i] = a;
        if (item.separator_after) PopupMenu1->addSeparator();
    }
}

void TForm1::build_controls() {
    auto* central = new QWidget(this);
    setCentralWidget(central);
    graph = new GraphWidget(central);
    graph->set_content(&view_->screen);
    graph->on_mouse_press = [this](QMouseEvent* e) { mouse_event(e, MouseEventKind::press); };
    graph->on_mouse_move = [this](QMouseEvent* e) { mouse_event(e, MouseEventKind::move); };
    graph->on_mouse_release = [this](QMouseEvent* e) { mouse_event(e, MouseEventKind::release); };
    graph->hint_text = [this](QPoint p) {
        auto text = view_->note_hint(p.y(), ShowFrq->isChecked(), ShowNote->isChecked());
        return text ? q(*text).replace("\r\n", "\n") : QString();
    };

    auto button = [central](const char* name, const char* caption) {
        auto* b = new QPushButton(caption, central);
        b->setObjectName(name);
        b->setToolTipDuration(0);
        return b;
    };
    PlayButton = button("PlayButton", "PLAY");
    Stopbutton = button("Stopbutton", "STOP");
    PauseButton = button("PauseButton", "PAUSE");
    ForwardButton = button("ForwardButton", "+5 s");
    BackButton1 = button("BackButton1", "-5 s");
    BackButton2 = button("BackButton2", "-0.5 s");
    ScrollButton = button("ScrollButton", "50 pixel/s");

    auto slider = [central](const char* name, int max, int value, QSlider::TickPosition ticks,
                            int interval) {
        auto* s = new QSlider(Qt::Horizontal, central);
        s->setObjectName(name);
        s->setRange(0, max);
        s->setValue(value);
        s->setTickPosition(ticks);
        s->setTickInterval(interval);
        return s;
    };
    TrackBar3 = slider("TrackBar3", 200, 0, QSlider::TicksBothSides, 20);
    TrackBar1 = slider("TrackBar1", 100, default_sensitivity, QSlider::TicksBelow, 10);
    TrackBar2 = slider("TrackBar2", 100, default_colour, QSlider::TicksBelow, 10);

    auto label = [central](const char* name, const char* text) {
        auto* l = new QLabel(text, central);
        l->setObjectName(name);
        return l;
    };
    StaticText1 = label("StaticText1", "0.0 s");
    // The time display takes the focus away from a slider after it moved.
    StaticText1->setFocusPolicy(Qt::StrongFocus);
    StaticText2 = label("StaticText2", PITKAD_TR("PitkaD", "感度"));
    StaticText3 = label("StaticText3", PITKAD_TR("PitkaD", "色調整"));
    AudioStatus = label("AudioStatus", "");
    AudioStatus->setStyleSheet("color: #a04000;");

    connect(PlayButton, &QPushButton::clicked, this, [this] { PlayButtonClick(); });
    connect(Stopbutton, &QPushButton::clicked, this, [this] { StopbuttonClick(); });
    connect(PauseButton, &QPushButton::clicked, this, [this] { PauseButtonClick(); });
    connect(ForwardButton, &QPushButton::clicked, this, [this] { ForwardButtonClick(); });
    connect(BackButton1, &QPushButton::clicked, this, [this] { BackButton1Click(); });
    connect(BackButton2, &QPushButton::clicked, this, [this] { BackButton2Click(); });
    connect(ScrollButton, &QPushButton::clicked, this, [this] { ScrollButtonClick(); });
    connect(TrackBar1, &QSlider::valueChanged, this, [this] { TrackBar1Change(); });
    connect(TrackBar2, &QSlider::valueChanged, this, [this] { TrackBar2Change(); });
    connect(TrackBar3, &QSlider::valueChanged, this, [this] { transport_->TrackBar3Change(); });
    // The skip buttons' right presses reach eventFilter through the
    // application-wide filter; a filter on the buttons too would open the
    // popup twice.

    // Tab order of the window definition.
    QWidget* order[] = {PlayButton,  Stopbutton,   PauseButton, ForwardButton,
                        BackButton1, BackButton2,  TrackBar3,   TrackBar1,
                        TrackBar2,   ScrollButton, StaticText1};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);

    // Every change of the window content reaches the screen in a paint event.
    view_->params = [this] { return graph_params(); };
    view_->player_position_ms = [this] { return player_->position(); };
    view_->clear_dragging = [this] { editor_->dragging = false; };
    view_->on_screen_changed = [this](QRect r) { graph->update(r); };
    view_->sounding_notes = editor_->sounding_notes;
}

void TForm1::FormCreate(const StartOptions& options) {
    transport_->reset_recording();
    remove_stale_fallback_caches();
    doc.load_tables();
    if (doc.loudness_available) {
        Loudness->setEnabled(true);
        Loudness->setChecked(true);
    }

    editor_->sounding_notes.fill(0);
    for (auto& row : doc.midi.tables.active_notes)
        row.fill(0);
    if (doc.midi.open(options.midi ? options.midi()
                                   : open_midi_backend(playback_audio_.synth_output(),
                                                       options.program_start)))
        MidiSetMenu->setEnabled(true);
    editor_->dragging = false;
    move(0, 0);

    doc.view.scroll_speed = 1;
    int screen_height = options.screen_height;
    if (screen_height <= 0) {
        QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
        screen_height = screen ? screen->geometry().height() : 768;
    }
    LineWidthDefault lw = default_line_width(screen_height);
    doc.view.line_width = lw.line_width;
    for (int n = min_line_width; n <= max_line_width; ++n)
        LineWItems[std::size_t(n)]->setEnabled(lw.enabled[std::size_t(n)]);

    if (auto file = find_data_file(font_file_name); !file.empty() && view_->load_font(file)) {
        ShowLeft->setEnabled(true);
        ShowRight->setEnabled(true);
    }
    if (auto file = find_data_file(colour_file_name); !file.empty() && view_->load_colour(file))
        Groupingcolor->setEnabled(true);

    Settings s = current_settings();
    // The window keys default to the window definition: (0, 0), 804 wide.
    const Settings design;
    s.width = design.width;
    s.left = design.left;
    s.top = design.top;
    s.maximized = design.maximized;
    if (options.read_settings) {
        s = read_settings(settings_file_path(), s);
        recent_files = read_recent_files(settings_file_path());
        show_recent_files();
    }
    apply_settings(s);

    doc.midi.set_midi_program();
    ScrollButton->setText(scroll_caption(doc.view.scroll_speed));
    set_skip_amount(*controls_side_, 0, skip_tag[0]);
    set_skip_amount(*controls_side_, 1, -skip_tag[1]);
    set_skip_amount(*controls_side_, 2, -skip_tag[2]);
    view_->build_palette();

    layout_view_for(s.width - frame_allowance);
    move(s.left, s.top);
    // A place saved on a screen that is gone puts the window back at (0, 0).
    bool visible = false;
    for (const QScreen* screen : QGuiApplication::screens())
        visible = visible || screen->availableGeometry().intersects(frameGeometry());
    if (!visible) move(0, 0);
    if (s.maximized) setWindowState(windowState() | Qt::WindowMaximized);

    TrackBar1Tag = 0;
    TrackBar2Tag = 0;
    if (!test_audio_ && !playback_audio_.has_device())
        set_audio_status(QString::fromStdString(playback_audio_.status_text()));
}

Settings TForm1::current_settings() const {
    Settings s;
    s.default_dir = open_dialog_dir;
    s.loudness = Loudness->isChecked();
    s.grouping_color = Groupingcolor->isChecked();
    s.left_note = ShowLeft->isChecked();
    s.right_note = ShowRight->isChecked();
    s.help_freq = ShowFrq->isChecked();
    s.help_note = ShowNote->isChecked();
    s.forward = skip_tag[0];
    s.back1 = skip_tag[1];
    s.back2 = skip_tag[2];
    s.scroll_speed = doc.view.scroll_speed;
    s.sensitivity = TrackBar1->value();
    s.color = TrackBar2->value();
    capture_midi_settings(s, doc.midi.tables);
    s.line_width = doc.view.line_width;
    s.maximized = isMaximized();
    // Left and Top are where the frame goes (move() places the frame); the
    // normal geometry is the client area's, so shift it by the decoration.
    const QRect normal = isMaximized() ? normalGeometry() : geometry();
    const QPoint decoration = geometry().topLeft() - frameGeometry().topLeft();
    store_window_placement(s, isMaximized(), QRect(normal.topLeft() - decoration, normal.size()));
    s.width = normal.width() + frame_allowance;
    const PracticeSettings& p = doc.practice;
    s.speed = speed_percent(p);
    s.transpose = p.semitones;
    s.cents = p.cents;
    s.engine = int(p.engine);
    s.loop_pause = int(std::lround(p.loop_pause * 1000));
    s.channels = int(p.channels);
    return s;
}

void TForm1::apply_settings(const Settings& s) {
    open_dialog_dir = s.default_dir;
    Loudness->setChecked(s.loudness);
    Groupingcolor->setChecked(s.grouping_color);
    ShowLeft->setChecked(s.left_note);
    ShowRight->setChecked(s.right_note);
    ShowFrq->setChecked(s.help_freq);
    ShowNote->setChecked(s.help_note);
    skip_tag = {s.forward, s.back1, s.back2};
    doc.view.scroll_speed = s.scroll_speed;
    TrackBar1->setValue(s.sensitivity);
    TrackBar2->setValue(s.color);
    apply_midi_settings(s, doc.midi.tables);
    doc.view.line_width = s.line_width;
    PracticeSettings p =
        with_cents(with_semitones(with_speed_percent(doc.practice, s.speed), s.transpose), s.cents);
    p.engine = StretchEngine(std::clamp(s.engine, 0, 1));
    p.channels = ChannelMode(std::clamp(s.channels, 0, int(ChannelMode::centre_removed)));
    set_practice(with_loop_pause_ms(p, s.loop_pause));
}

// --- Geometry -------------------------------------------------------------

void TForm1::layout_view() {
    layout_view_for(view_->graph_bitmap.width());
}

void TForm1::layout_view_for(int requested_client_width) {
    ViewLayout lay = view_->layout_view(requested_client_width);
    doc.view.line_width = lay.line_width;
    LineWItems[std::size_t(lay.line_width)]->setChecked(true);

    const int client_height = lay.graph_height + control_strip_height;
    graph->setGeometry(0, 0, lay.graph_width, lay.graph_height);
    TrackBar3->setVisible(lay.show_position_slider);
    const int window_height =
        client_height + menuBar()->sizeHint().height() + practice_bar_height();
    setMinimumWidth(min_client_width);
    setFixedHeight(window_height);
    if (width() != lay.client_width && !isMaximized() && !isFullScreen())
        resize(lay.client_width, window_height);
    place_controls(lay.client_width);
    graph->update();
}

void TForm1::place_controls(int w) {
    const int h = doc.view.graph_height() + control_strip_height;
    QWidget* widgets[] = {PlayButton,  Stopbutton, PauseButton, ForwardButton, BackButton1,
                          BackButton2, TrackBar3,  StaticText1, StaticText2,   TrackBar1,
                          StaticText3, TrackBar2,  ScrollButton};
    for (std::size_t i = 0; i < control_places.size(); ++i) {
        PlacedRect r = place_control(control_places[i], w, h);
        widgets[i]->setGeometry(r.x, r.y, r.w, r.h);
    }
    // The no-device note sits between the time display and the right-hand
    // controls, as wide as there is room.
    const PlacedRect t = place_control(control_places[7], w, h);
    const PlacedRect right = place_control(control_places[10], w, h);
    AudioStatus->setGeometry(t.x + 48, t.y, std::max(0, right.x - t.x - 52), t.h);
    set_audio_status(audio_status_text_);
}

void TForm1::set_audio_status(const QString& text) {
    audio_status_text_ = text;
    const QString shown = tr_message(text);
    AudioStatus->setText(
        AudioStatus->fontMetrics().elidedText(shown, Qt::ElideRight, AudioStatus->width()));
    AudioStatus->setToolTip(shown);
}

void TForm1::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    FormResize();
}

void TForm1::FormResize() {
    if (!view_) return;
    // The menu bar sits above the client area: the window's width is the
    // client width.
    const int w = width();
    if (w != view_->graph_bitmap.width() || doc.view.line_width != view_->laid_out_line_width())
        layout_view_for(w);
}

GraphParams TForm1::graph_params() const {
    GraphParams p;
    p.sensitivity = TrackBar1->value();
    p.colour = TrackBar2->value();
    p.switches.show_left_enabled = ShowLeft->isEnabled();
    p.switches.show_left_checked = ShowLeft->isChecked();
    p.switches.show_right_checked = ShowRight->isChecked();
    p.switches.grouping = Groupingcolor->isEnabled() && Groupingcolor->isChecked();
    const ToolState tools = tool_state();
    p.switches.pen_show = tools.pen_show;
    p.switches.line_show = tools.line_show;
    p.play_state = play_state();
    // A practice drag under way shows what it would set.
    const bool dragging = practice_drag_.active();
    if (dragging || doc.practice.loop.active() || doc.practice.focused()) {
        const int rate = player_->sample_rate();
        p.practice = practice_marks(
            dragging ? practice_drag_.preview(doc.practice, rate, doc.store.frame_count)
                     : doc.practice,
            rate);
    }
    return p;
}

// --- Open -------------------------------------------------------------------

void TForm1::Open1Click() {
    QFileDialog dialog(this);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({tr_text(texts::open_filter_audio), tr_text(texts::open_filter_wav),
                           tr_text(texts::open_filter_all)});
    if (!open_dialog_dir.isEmpty()) dialog.setDirectory(open_dialog_dir);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    open_chosen_file(dialog.selectedFiles().front());
}

bool TForm1::open_chosen_file(const QString& path) {
    last_open_path = path;
    open_dialog_dir = default_dir_of(path);
    return open_and_remember(path);
}

bool TForm1::open_and_remember(const QString& path) {
    if (!open_recording(path)) return false;
    const QString file = QFileInfo(path).absoluteFilePath();
    update_recent_files(
        [&file](const QStringList& files) { return with_recent_file(files, file); });
    return true;
}

void TForm1::RecentFileClick(int index) {
    const QString file = recent_files.value(index);
    if (file.isEmpty()) return;
    if (!QFileInfo(file).isFile()) {
        // Moved or deleted since: it leaves the list, and the message says which file it was.
        update_recent_files([&file](QStringList files) {
            files.removeAll(file);
            return files;
        });
        show_error(q(messages::cannot_open) + u'\n' + file);
        return;
    }
    open_chosen_file(file);
}

void TForm1::update_recent_files(const std::function<QStringList(QStringList)>& change) {
    const QString path = settings_file_path();
    // Changed as the file holds it, so that what other running copies
    // added stays listed.
    recent_files = change(read_recent_files(path));
    // Stored at once, as a user expects of this list. When it cannot be
    // stored the list still serves this session; a message at every open
    // would only be in the way.
    write_recent_files(path, recent_files);
    show_recent_files();
}

void TForm1::show_recent_files() {
    const QStringList captions = recent_file_captions(recent_files);
    for (qsizetype i = 0; i < qsizetype(RecentItems.size()); ++i) {
        QAction* item = RecentItems[std::size_t(i)];
        item->setVisible(i < recent_files.size());
        if (i >= recent_files.size()) continue;
        item->setText(captions[i]);
        item->setToolTip(recent_files[i]);
        item->setStatusTip(recent_files[i]);
    }
    RecentMenu->menuAction()->setEnabled(!recent_files.isEmpty());
}

namespace {

// A drop of a file is taken as a copy, whatever the source proposes: a
// file manager that saw a move accepted might remove its file.
QString accept_file_drop(QDropEvent* event) {
    const QString file = event->mimeData() ? dropped_file(event->mimeData()->urls()) : QString();
    if (file.isEmpty() || !(event->possibleActions() & Qt::CopyAction)) return {};
    event->setDropAction(Qt::CopyAction);
    event->accept();
    return file;
}

} // namespace

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
    accept_file_drop(event);
}

void TForm1::dropEvent(QDropEvent* event) {
    const QString file = accept_file_drop(event);
    // Opened once the drop has returned, so that the file manager is not
    // held while the file is analysed or a question waits for an answer.
    if (!file.isEmpty()) QTimer::singleShot(0, this, [this, file] { open_chosen_file(file); });
}

bool TForm1::open_recording(const QString& path) {
    const std::filesystem::path file = path.toStdString();
    // The new file is read and analysed first: a refused file, or a
    // cancelled question about the drawing, leaves the open recording, its
    // drawing and the view as they were.
    const QString shown = StaticText1->text();
    auto staged = std::make_unique<SpectrogramStore>();
    const LoadResult r = doc.stage_recording(
        file,
        [this](const std::string& text) {
            StaticText1->setText(q(text));
            StaticText1->repaint();
        },
        threads_, *staged);
    StaticText1->setText(shown);
    if (!r.ok) {
        // The file's name on the first line: the file may have come from a
        // drop or the recent list, where the user did not just pick it.
        const QString name = QFileInfo(path).fileName();
        show_error((name.isEmpty() ? path : name) + u'\n' + q(r.message));
        return false;
    }
    if (!confirm_drawing_saved()) return false;

    transport_->reset_recording();
    doc.adopt_recording(file, std::move(*staged));
    player_->prime(file.string(), r.audio);
    graph_click_ = {};
    set_practice(for_new_recording(doc.practice), {});
    recording_path_ = QFileInfo(path).absoluteFilePath();
    // A drawing saved elsewhere for this recording is opened from there.
    if (const QString remembered = read_drawing_file_for(settings_file_path(), recording_path_);
        !remembered.isEmpty())
        doc.draw_file = QFile::encodeName(remembered).toStdString();
    if (std::filesystem::exists(doc.draw_file)) form2_->loaddrawdat();
    recovery_written_ = false;
    recovery_bytes_.clear();
    recovery_kept_ = false;
    offer_recovery();
    SaveDrawAs1->setEnabled(true);
    transport_->stop_playback();
    doc.refresh(play_state() != PlayState::no_recording, Loudness->isChecked());
    write_graph();
    show_title();
    PlayButton->setFocus();
    return true;
}

TForm1::ThreeWay TForm1::ask_three_way(std::string_view prompt, std::string_view yes,
                                       std::string_view no, std::string_view later) {
    QMessageBox box(QMessageBox::Question, texts::app_title, tr_text(prompt), QMessageBox::NoButton,
                    this);
    QPushButton* first = box.addButton(tr_text(yes), QMessageBox::AcceptRole);
    QPushButton* second = box.addButton(tr_text(no), QMessageBox::DestructiveRole);
    QPushButton* third = box.addButton(tr_text(later), QMessageBox::RejectRole);
    box.setDefaultButton(first);
    box.setEscapeButton(third);
    box.exec();
    if (box.clickedButton() == first) return ThreeWay::yes;
    if (box.clickedButton() == second) return ThreeWay::no;
    return ThreeWay::later;
}

bool TForm1::confirm_drawing_saved() {
    if (!form2_ || play_state() == PlayState::no_recording || !form2_->drawing_modified())
        return true;
    const ThreeWay answer =
        ask_three_way(drawing_texts::unsaved_prompt, drawing_texts::unsaved_save,
                      drawing_texts::unsaved_discard, drawing_texts::unsaved_cancel);
    TForm2::UnsavedChoice choice = TForm2::UnsavedChoice::cancel;
    if (answer == ThreeWay::yes)
        choice = TForm2::UnsavedChoice::save;
    else if (answer == ThreeWay::no)
        choice = TForm2::UnsavedChoice::discard;
    if (choice == TForm2::UnsavedChoice::discard) drop_recovery();
    return form2_->settle_unsaved(choice);
}

void TForm1::SaveDrawAs1Click() {
    if (play_state() == PlayState::no_recording) return;
    QFileDialog dialog(this, tr_text(drawing_texts::save_as));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(
        {tr_text(drawing_texts::drawing_filter), tr_text(texts::open_filter_all)});
    dialog.setDefaultSuffix(QStringLiteral("pkc"));
    dialog.selectFile(QFile::decodeName(doc.draw_file.c_str()));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const QString chosen = QFileInfo(dialog.selectedFiles().front()).absoluteFilePath();

    const std::string previous = doc.draw_file;
    doc.draw_file = QFile::encodeName(chosen).toStdString();
    if (!form2_->save_draw()) {
        doc.draw_file = previous; // its message has been shown
        return;
    }
    // Remembered at once, touching only its own section of the settings.
    write_drawing_file_for(settings_file_path(), recording_path_, chosen);
    write_graph();
}

// --- Crash recovery -----------------------------------------------------------

std::filesystem::path TForm1::recovery_file() const {
    if (recording_path_.isEmpty()) return {};
    return recovery_file_for(QFile::encodeName(recording_path_).toStdString());
}

void TForm1::recovery_tick() {
    if (play_state() == PlayState::no_recording || recovery_kept_ || !doc.drawing.modified) return;
    const auto now = std::chrono::steady_clock::now();
    if (recovery_written_ &&
        now - recovery_written_at_ < std::chrono::milliseconds(recovery_interval_ms_))
        return;
    // Built here, where the drawing lives; the writer gets its own copy.
    std::vector<std::uint8_t> bytes =
        build_draw_file(doc.drawing, doc.store.frame_count, doc.midi.tables);
    if (bytes != recovery_bytes_ || !recovery_written_) {
        recovery_bytes_ = bytes;
        recovery_writer_.write(recovery_file(), std::move(bytes));
    }
    recovery_written_ = true;
    recovery_written_at_ = now;
}

void TForm1::drawing_saved() {
    drop_recovery();
    show_title();
}

void TForm1::drop_recovery() {
    if (recovery_kept_ || recording_path_.isEmpty()) return;
    recovery_writer_.remove(recovery_file());
    recovery_written_ = false;
    recovery_bytes_.clear();
}

void TForm1::offer_recovery() {
    const std::filesystem::path file = recovery_file();
    recovery_writer_.flush(); // a removal asked for just now has happened
    if (!recovery_is_newer(file, doc.draw_file)) return;
    const auto image = read_draw_file(file.string(), doc.store.frame_count);
    if (!image) return;
    const ThreeWay answer =
        ask_three_way(drawing_texts::recovery_prompt, drawing_texts::recovery_restore,
                      drawing_texts::recovery_discard, drawing_texts::recovery_later);
    if (answer == ThreeWay::yes) {
        doc.midi.midi_off();
        apply_draw_file(*image, doc.drawing, doc.midi.tables);
        doc.midi.set_midi_program();
        doc.history.clear();
        doc.drawing.modified = true; // restored, not saved
    } else if (answer == ThreeWay::no) {
        drop_recovery();
    } else {
        recovery_kept_ = true;
    }
}

// --- Menu commands ------------------------------------------------------------

void TForm1::SaveiniClick() {
    Settings s = current_settings();
    s.default_dir = last_open_path.isEmpty() ? open_dialog_dir : default_dir_of(last_open_path);
    const QString path = settings_file_path();
    if (!write_settings(path, s)) show_error(path + texts::cannot_write);
}

void TForm1::Exit1Click() {
    close();
}

void TForm1::LoudnessClick() {
    doc.refresh(play_state() != PlayState::no_recording, Loudness->isChecked());
    write_graph();
}

void TForm1::GroupingcolorClick() {
    view_->build_palette();
    view_->prepare_columns();
    write_graph();
}

void TForm1::ShowLeftClick() {
    write_graph();
}
void TForm1::ShowRightClick() {
    write_graph();
}

void TForm1::LineWClick(int n) {
    doc.view.line_width = n;
    layout_view();
}

void TForm1::ShowtoolbarClick() {
    form2_->show();
    write_graph();
}

void TForm1::MidiSetMenuClick() {
    MidiPort& midi = doc.midi;
    if (!midi.midi_ok()) return;
    // The drawing file keeps the drawing channels' instruments and volumes:
    // changing them is a change of the drawing to be saved, and the
    // dialog's changes together are one step.
    // Both keep on top; the dialog belongs to the shown tool window so that
    // the window manager keeps it above even when the tool window is clicked.
    form3_->winId();
    form3_->windowHandle()->setTransientParent(form2_->isVisible() ? form2_->windowHandle()
                                                                   : windowHandle());
    record_step(&doc.history, doc.drawing, midi.tables, [this] { form3_->exec(); });
}

void TForm1::UndoClick() {
    step_history(true);
}
void TForm1::RedoClick() {
    step_history(false);
}

void TForm1::step_history(bool back) {
    const HistoryMove m = back ? doc.history.undo(doc.drawing, doc.midi.tables)
                               : doc.history.redo(doc.drawing, doc.midi.tables);
    if (!m.moved) return;
    if (m.channels) doc.midi.set_midi_program();
    write_graph();
}

void TForm1::show_history() {
    UndoItem->setEnabled(doc.history.can_undo());
    RedoItem->setEnabled(doc.history.can_redo());
    if (form2_) form2_->show_history();
    // Every step, undo and redo comes through here: the unsaved mark follows.
    show_title();
}

void TForm1::show_closed_title(const QString& caption) {
    setWindowModified(false);
    setWindowTitle(caption);
    setWindowFilePath({});
    StaticText1->setToolTip({});
}

void TForm1::show_title() {
    const bool open = play_state() != PlayState::no_recording && !recording_path_.isEmpty();
    if (!open) {
        show_closed_title(texts::app_title);
        return;
    }
    // "[*]" is where Qt shows the mark; one in the name itself is doubled
    // to stay literal.
    QString name = QFileInfo(recording_path_).fileName();
    name.replace(QLatin1String("[*]"), QLatin1String("[*][*]"));
    setWindowTitle(QString(texts::caption_prefix) + name + QLatin1String("[*]"));
    setWindowModified(doc.drawing.modified);
    setWindowFilePath(recording_path_);
    StaticText1->setToolTip(QDir::toNativeSeparators(recording_path_));
}

QUrl TForm1::manual_url(Language language) const {
    const auto file = manual_file(language, find_data_file);
    return QUrl::fromLocalFile(QString::fromStdString(file.string()));
}

void TForm1::SupportPageClick() {
    const QUrl url = manual_url(language());
    if (!open_url_(url)) show_error(tr_text(texts::no_browser) + u'\n' + url.toLocalFile());
}

void TForm1::LanguageClick(Language language) {
    set_language(language);
    if (uses_settings_file_) write_language(settings_file_path(), language_code(language));
}

void TForm1::set_language(Language language) {
    language_.set(language);
    LanguageItems[std::size_t(language)]->setChecked(true);
    // The tool window, the MIDI dialog and the popups are this window's
    // children.
    retranslate_tree(this);
    show_composed_texts();
}

void TForm1::show_composed_texts() {
    show_practice();
    set_audio_status(audio_status_text_);
    if (form2_) form2_->show_tool_tips();
    if (form3_) form3_->show_program_names();
}

void TForm1::About1Click() {
    const QUrl url = manual_url(language());
    QMessageBox::information(this, texts::app_title,
                             QString("PitkaD  Ver.1.00  ") + tr_text(texts::about_notice) + "\n\n" +
                                 url.toString());
}

// --- Transport controls -------------------------------------------------------

void TForm1::PlayButtonClick() {
    transport_->start_playback();
    set_practice(doc.practice); // the loop, now that the player knows the rate
    PauseButton->setFocus();
}
void TForm1::StopbuttonClick() {
    transport_->stop_playback();
}
void TForm1::PauseButtonClick() {
    transport_->toggle_pause();
}
void TForm1::ForwardButtonClick() {
    transport_->seek_relative(skip_tag[0]);
}
void TForm1::BackButton1Click() {
    transport_->seek_relative(skip_tag[1]);
}
void TForm1::BackButton2Click() {
    transport_->seek_relative(skip_tag[2]);
}

void TForm1::SkipButtonMouseDown(int which, QPoint press_in_button) {
    QPushButton* buttons[] = {ForwardButton, BackButton1, BackButton2};
    QPushButton* b = buttons[which];
    // The application's filter sees presses on disabled buttons too.
    if (!b->isEnabled()) return;
    pop_items[std::size_t(mark_skip_item(skip_tag[std::size_t(which)]))]->setChecked(true);
    PopupMenu1Tag = which;
    const QPoint at = skip_popup_point(b->geometry(), press_in_button);
    PopupMenu1->exec(centralWidget()->mapToGlobal(at));
}

void TForm1::PopItemClick(int ms) {
    set_skip_amount(*controls_side_, PopupMenu1Tag, ms);
}

void TForm1::ScrollButtonClick() {
    const PlayState s = play_state();
    pitkad::ScrollButtonClick(*controls_side_, doc.view, s,
                              cursor_shown(s) ? player_->position() : 0, doc.store.frame_count);
}

void TForm1::TrackBar1Change() {
    if (TrackBar1Tag != 0) return;
    write_graph();
    StaticText1->setFocus();
}

void TForm1::TrackBar2Change() {
    if (TrackBar2Tag != 0) return;
    write_graph();
    StaticText1->setFocus();
}

// --- Keys and mouse -------------------------------------------------------------

bool TForm1::FormKeyDown(int key, bool alt) {
    return pitkad::FormKeyDown(*controls_side_, key, alt);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
        // Key preview: the window sees each key once, at its window, before
        // the focused control, which gets it too. A key that ran an action
        // is kept from the position slider: its own paging would be a
        // second seek.
        if (watched == static_cast<QObject*>(windowHandle()) && isActiveWindow()) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (FormKeyDown(key->key(), key->modifiers() & Qt::AltModifier) &&
                focusWidget() == TrackBar3)
                return true;
            // A practice key that ran goes no further: Space would also
            // press a focused button, a sign or digit move a slider.
            if (PracticeKeyDown(key->key())) return true;
        }
        break;
    case QEvent::MouseButtonPress: {
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() == Qt::LeftButton) left_pressed_latch_ = true;
        // The column pressed while stopped is where "play from here" starts.
        if (watched == graph && me->button() == Qt::LeftButton &&
            play_state() == PlayState::stopped)
            graph_click_ = {doc.view.x_to_frame(me->position().toPoint().x()),
                            doc.view.first_frame};
        if (me->button() == Qt::RightButton) {
            if (watched == ForwardButton)
                SkipButtonMouseDown(0, me->position().toPoint());
            else if (watched == BackButton1)
                SkipButtonMouseDown(1, me->position().toPoint());
            else if (watched == BackButton2)
                SkipButtonMouseDown(2, me->position().toPoint());
        }
        break;
    }
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::mouse_event(QMouseEvent* e, MouseEventKind kind) {
    const Qt::MouseButtons held = e->buttons();
    MouseShift shift;
    shift.ctrl = e->modifiers() & Qt::ControlModifier;
    shift.left = held & Qt::LeftButton;
    shift.right = held & Qt::RightButton;
    shift.middle = held & Qt::MiddleButton;
    const QPoint p = e->position().toPoint();
    MouseButton button = MouseButton::left;
    if (e->button() == Qt::RightButton)
        button = MouseButton::right;
    else if (e->button() == Qt::MiddleButton)
        button = MouseButton::middle;
    else if (kind != MouseEventKind::move && e->button() != Qt::LeftButton)
        return;
    switch (kind) {
    case MouseEventKind::press:
        editor_->FormMouseDown(button, shift, p.x(), p.y());
        break;
    case MouseEventKind::move:
        editor_->FormMouseMove(shift, p.x(), p.y());
        break;
    case MouseEventKind::release:
        editor_->FormMouseUp(button, shift, p.x(), p.y());
        break;
    }
    practice_mouse(kind, button, p);
}

void TForm1::practice_mouse(MouseEventKind kind, MouseButton button, QPoint p) {
    if (kind == MouseEventKind::press) {
        if (button != MouseButton::left) {
            if (practice_drag_.active()) {
                practice_drag_.cancel();
                write_graph();
            }
            return;
        }
        PracticeDragZones z;
        z.recording_open = play_state() != PlayState::no_recording;
        z.mode = tool_state().mode;
        z.graph_width = view_->graph_bitmap.width();
        z.left_labels = ShowLeft->isEnabled() && ShowLeft->isChecked();
        z.right_labels = ShowLeft->isEnabled() && ShowRight->isChecked();
        practice_drag_.press(z, doc.view, p.x(), p.y());
    } else if (kind == MouseEventKind::move) {
        if (practice_drag_.move(p.x(), p.y())) write_graph(); // shows where it would go
    } else if (button == MouseButton::left && practice_drag_.active()) {
        const auto set = practice_drag_.release(p.x(), p.y(), doc.practice, player_->sample_rate(),
                                                doc.store.frame_count);
        if (set) set_practice(*set, loop_ms(set->loop, player_->sample_rate()));
        write_graph();
    }
}

// --- Closing --------------------------------------------------------------------

void TForm1::closeEvent(QCloseEvent* event) {
    if (!confirm_drawing_saved()) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

void TForm1::FormClose() {
    closing_ = true;
    // A normal exit: whatever was to be kept has been saved or discarded.
    if (recovery_timer_) recovery_timer_->stop();
    drop_recovery();
    recovery_writer_.flush();
    if (form2_) form2_->hide();
    transport_->reset_recording();
    doc.midi.close(); // detaches the synthesizer from the audio stream
    std::error_code ec;
    std::filesystem::remove(fallback_cache_file(), ec);
}

// --- What the controllers and the tests read of the window -----------------------

PlayState TForm1::play_state() const {
    return transport_ ? transport_->state() : PlayState::no_recording;
}

ToolState TForm1::tool_state() const {
    return form2_ ? form2_->tool_state() : ToolState{};
}

void TForm1::write_graph() {
    view_->write_graph();
}

void TForm1::set_transport_enabled(bool enabled) {
    for (QWidget* w :
         std::initializer_list<QWidget*>{PlayButton, Stopbutton, PauseButton, ForwardButton,
                                         BackButton1, BackButton2, TrackBar3})
        w->setEnabled(enabled);
    // They follow the transport: disabled exactly while no recording is open.
    for (QAction* a : {ExportMidiItem, ImportMidiItem, ExportImageItem, ExportCsvItem})
        a->setEnabled(enabled);
}

void TForm1::show_error(const QString& text) {
    QMessageBox::warning(this, texts::app_title, tr_message(text));
}

} // namespace pitkad
