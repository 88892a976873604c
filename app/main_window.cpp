#include "app/main_window.h"

#include "app/main_window_hosts.h"

#include "analysis/analysis_cache.h"
#include "app/app_texts.h"
#include "app/file_choice.h"
#include "app/graph_widget.h"
#include "app/main_layout.h"
#include "app/manual_page.h"
#include "app/midi_settings_dialog.h"
#include "app/status_texts.h"
#include "app/window_args.h"
#include "audio/audio_output.h"
#include "base/paths.h"
#include "base/translatable.h"
#include "control/settings_file.h"
#include "drawing/draw_file.h"
#include "drawing/draw_ops.h"
#include "midi/fluidsynth_backend.h"
#include "view/data_bitmaps.h"
#include "view/view_layout.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEventLoop>
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
#include <QSignalBlocker>
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

// The stored window width counts a frame 8 pixels wider than the client area.
constexpr int frame_allowance = 8;

} // namespace

MainWindow::MainWindow(StartOptions options) : QMainWindow(nullptr) {
    setWindowTitle(texts::app_title);
    setAcceptDrops(true);
    threads_ = options.threads;
    open_url_ = std::move(options.open_url);
    recovery_interval_ms_ = options.recovery_interval_ms;

    test_audio_ = std::move(options.audio);
    if (!test_audio_) report_audio_device(playback_audio_ = open_playback_audio());
    audio_ = test_audio_ ? test_audio_.get() : &playback_audio_.output();
    hosts_ = std::make_unique<Hosts>(*this);
    session_ = std::make_unique<DocumentSession>(doc, *hosts_, &drawing_files_);
    if (recovery_interval_ms_ > 0)
        session_->recovery_interval = std::chrono::milliseconds(recovery_interval_ms_);
    player_ = std::make_unique<MediaPlayer>(*audio_);
    view_ = std::make_unique<GraphView>(doc.store, doc.drawing, doc.view);
    transport_ = std::make_unique<Transport>(doc.store, doc.drawing, doc.view, doc.channel_settings,
                                             doc.midi, *player_, *hosts_);
    editor_ = std::make_unique<MouseEditor>(doc.drawing, doc.store, *hosts_, &doc.history);

    menus = new MainMenus(*this);
    connect_menus();
    exchange_ = std::make_unique<ExchangeCommands>(*this, doc, *view_, *hosts_);
    practice_ = std::make_unique<PracticeController>(doc, *player_, *transport_, *hosts_);
    practice_tools_ = new PracticeTools(*this, menus->line_width_menu->menuAction(), *practice_,
                                        {[this] {
                                             if (strip->play_button->isEnabled()) on_play();
                                         },
                                         [this] {
                                             if (strip->stop_button->isEnabled()) on_stop();
                                         },
                                         [this] {
                                             if (strip->pause_button->isEnabled()) on_pause();
                                         },
                                         [this] { layout_view(); }});
    build_controls();
    settings_file_.load(settings_file_path());
    start_up(options);

    // The tool window and the MIDI dialog come after the main window.
    tools_ = new DrawingToolsWindow(doc.drawing, doc.channel_settings, doc.history,
                                    *hosts_, this);
    doc.history.on_change = [this] { show_history(); };
    tools_->place_window(frameGeometry());
    midi_dialog_ = new MidiSettingsDialog(
        doc.midi, doc.channel_settings,
        PenMidiAccess{[this] { return tools_->pen_midi_switch->isChecked(); },
                      [this](bool down) { tools_->pen_midi_switch->setChecked(down); }},
        this);
    qApp->installEventFilter(this);

    // The language: `--lang` for this run, else the settings file's choice.
    uses_settings_file_ = options.read_settings;
    std::optional<Language> language = options.language;
    if (!language && uses_settings_file_) language = language_from_code(settings_file_.language());
    set_language(language.value_or(Language::japanese));

    // The first change after a save is noticed within a second.
    recovery_timer_ = new QTimer(this);
    recovery_timer_->setInterval(std::min(recovery_interval_ms_, 1000));
    connect(recovery_timer_, &QTimer::timeout, this, [this] { recovery_tick(); });
    if (recovery_interval_ms_ > 0) recovery_timer_->start();
}

MainWindow::~MainWindow() {
    qApp->removeEventFilter(this);
    doc.history.on_change = nullptr;
    if (!closing_) shut_down();
    // The tool window and the dialog call back into this window; they go
    // while everything they use is still here.
    delete midi_dialog_;
    midi_dialog_ = nullptr;
    delete tools_;
    tools_ = nullptr;
}

// --- Construction -------------------------------------------------------

void MainWindow::connect_menus() {
    const std::pair<QAction*, void (MainWindow::*)()> commands[] = {
        {menus->open_action, &MainWindow::on_open},
        {menus->save_drawing_as_action, &MainWindow::on_save_drawing_as},
        {menus->export_midi_action, &MainWindow::on_export_midi},
        {menus->import_midi_action, &MainWindow::on_import_midi},
        {menus->export_image_action, &MainWindow::on_export_image},
        {menus->export_csv_action, &MainWindow::on_export_csv},
        {menus->save_settings_action, &MainWindow::on_save_settings},
        {menus->exit_action, &MainWindow::on_exit},
        {menus->undo_action, &MainWindow::on_undo},
        {menus->redo_action, &MainWindow::on_redo},
        {menus->loudness_action, &MainWindow::on_loudness_toggled},
        {menus->note_colours_action, &MainWindow::on_note_colours_toggled},
        {menus->left_labels_action, &MainWindow::on_left_labels_toggled},
        {menus->right_labels_action, &MainWindow::on_right_labels_toggled},
        {menus->show_drawing_tools_action, &MainWindow::on_show_drawing_tools},
        {menus->midi_settings_action, &MainWindow::on_midi_settings},
        {menus->support_page_action, &MainWindow::on_support_page},
        {menus->about_action, &MainWindow::on_about},
    };
    for (const auto& [action, handler] : commands)
        connect(action, &QAction::triggered, this, [this, h = handler] { (this->*h)(); });
    for (int i = 0; i < max_recent_files; ++i)
        connect(menus->recent_actions[std::size_t(i)], &QAction::triggered, this,
                [this, i] { on_recent_file(i); });
    for (std::size_t i = 0; i < menus->language_actions.size(); ++i)
        connect(menus->language_actions[i], &QAction::triggered, this,
                [this, language = Language(i)] { on_language_chosen(language); });
    for (int n = min_line_width; n <= max_line_width; ++n)
        connect(menus->line_width_actions[std::size_t(n)], &QAction::triggered, this,
                [this, n] { on_line_width_chosen(n); });
    menus->show_recent_files(recent_files);
}

void MainWindow::build_controls() {
    auto* central = new QWidget(this);
    setCentralWidget(central);
    graph = new GraphWidget(central);
    graph->set_content(&view_->screen);
    graph->on_mouse = [this](GraphWidget::MouseEventKind kind, MouseButton button, MouseShift shift,
                             QPoint p) { graph_mouse(kind, button, shift, p); };
    graph->hint_text = [this](QPoint p) {
        auto text = view_->note_hint(p.y(), menus->hint_frequency_action->isChecked(),
                                     menus->hint_note_number_action->isChecked());
        return text ? q(*text).replace("\r\n", "\n") : QString();
    };

    strip = new ControlStrip(*central);
    connect(strip->play_button, &QPushButton::clicked, this, [this] { on_play(); });
    connect(strip->stop_button, &QPushButton::clicked, this, [this] { on_stop(); });
    connect(strip->pause_button, &QPushButton::clicked, this, [this] { on_pause(); });
    connect(strip->skip_forward_button, &QPushButton::clicked, this, [this] { on_skip_forward(); });
    connect(strip->skip_back_button, &QPushButton::clicked, this, [this] { on_skip_back(); });
    connect(strip->skip_back_short_button, &QPushButton::clicked, this,
            [this] { on_skip_back_short(); });
    connect(strip->scroll_speed_button, &QPushButton::clicked, this,
            [this] { change_scroll_speed(); });
    connect(strip->gain_slider, &QSlider::valueChanged, this, [this] { on_gain_changed(); });
    connect(strip->colour_slider, &QSlider::valueChanged, this, [this] { on_colour_changed(); });
    connect(strip->open_cancel_button, &QPushButton::clicked, this, [this] { cancel_open(); });
    connect(strip->position_slider, &QSlider::valueChanged, this,
            [this] { transport_->on_position_slider_moved(); });
    // The skip buttons' right presses reach eventFilter through the
    // application-wide filter; a filter on the buttons too would open the
    // popup twice.
    for (std::size_t i = 0; i < skip_items.size(); ++i)
        connect(strip->skip_menu_items[i], &QAction::triggered, this,
                [this, ms = skip_items[i].ms] {
                    on_skip_amount_chosen(strip->skip_menu_button(), ms);
                });

    // Every change of the window content reaches the screen in a paint event.
    view_->params = [this] { return graph_params(); };
    view_->player_position_ms = [this] { return player_->position(); };
    view_->clear_dragging = [this] { editor_->dragging = false; };
    view_->on_screen_changed = [this](QRect r) { graph->update(r); };
    view_->sounding_notes = editor_->sounding_notes;
}

void MainWindow::start_up(const StartOptions& options) {
    // The colour sliders are set here, not moved: nothing redraws yet.
    const QSignalBlocker quiet_gain(strip->gain_slider);
    const QSignalBlocker quiet_colour(strip->colour_slider);
    transport_->reset_recording();
    remove_stale_fallback_caches();
    doc.load_tables();
    if (doc.loudness_available) {
        menus->loudness_action->setEnabled(true);
        menus->loudness_action->setChecked(true);
    }

    editor_->sounding_notes.fill(0);
    for (auto& row : doc.midi.active_notes)
        row.fill(0);
    if (doc.midi.open(options.midi ? options.midi()
                                   : open_midi_backend(playback_audio_.synth_output(),
                                                       options.program_start))) {
        // An opened port starts from program 0 and full volume on every
        // channel and no read-ahead; the settings file then sets channel 0.
        doc.channel_settings = MidiChannelSettings{};
        menus->midi_settings_action->setEnabled(true);
    }
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
        menus->line_width_actions[std::size_t(n)]->setEnabled(lw.enabled[std::size_t(n)]);

    if (auto file = find_data_file(font_file_name); !file.empty() && view_->load_font(file)) {
        menus->left_labels_action->setEnabled(true);
        menus->right_labels_action->setEnabled(true);
    }
    if (auto file = find_data_file(colour_file_name); !file.empty() && view_->load_colour(file))
        menus->note_colours_action->setEnabled(true);

    Settings s = current_settings();
    // Without stored keys the window opens at (0, 0), 804 wide.
    const Settings design;
    s.width = design.width;
    s.left = design.left;
    s.top = design.top;
    s.maximized = design.maximized;
    if (options.read_settings) {
        s = settings_file_.settings(s);
        recent_files = settings_file_.recent_files();
        show_recent_files();
    }
    apply_settings(s);

    doc.midi.set_midi_program();
    strip->scroll_speed_button->setText(scroll_caption(doc.view.scroll_speed));
    set_skip_amount(*hosts_, 0, skip_amounts[0]);
    set_skip_amount(*hosts_, 1, -skip_amounts[1]);
    set_skip_amount(*hosts_, 2, -skip_amounts[2]);
    view_->build_palette();

    layout_view_for(s.width - frame_allowance);
    move(s.left, s.top);
    // A place saved on a screen that is gone puts the window back at (0, 0).
    bool visible = false;
    for (const QScreen* screen : QGuiApplication::screens())
        visible = visible || screen->availableGeometry().intersects(frameGeometry());
    if (!visible) move(0, 0);
    if (s.maximized) setWindowState(windowState() | Qt::WindowMaximized);

    if (!test_audio_ && !playback_audio_.has_device())
        set_audio_status(status_texts::no_audio_device);
}

Settings MainWindow::current_settings() const {
    Settings s;
    s.default_dir = open_dialog_dir;
    menus->store_view_options(s);
    s.forward = skip_amounts[0];
    s.back1 = skip_amounts[1];
    s.back2 = skip_amounts[2];
    s.scroll_speed = doc.view.scroll_speed;
    s.sensitivity = strip->gain_slider->value();
    s.color = strip->colour_slider->value();
    capture_midi_settings(s, doc.channel_settings);
    s.line_width = doc.view.line_width;
    s.maximized = isMaximized();
    // Left and Top are where the frame goes (move() places the frame); the
    // normal geometry is the client area's, so shift it by the decoration.
    const QRect normal = isMaximized() ? normalGeometry() : geometry();
    const QPoint decoration = geometry().topLeft() - frameGeometry().topLeft();
    store_window_placement(s, isMaximized(), QRect(normal.topLeft() - decoration, normal.size()));
    s.width = normal.width() + frame_allowance;
    capture_practice_settings(s, doc.practice);
    return s;
}

void MainWindow::apply_settings(const Settings& s) {
    open_dialog_dir = s.default_dir;
    menus->apply_view_options(s);
    skip_amounts = {s.forward, s.back1, s.back2};
    doc.view.scroll_speed = s.scroll_speed;
    strip->gain_slider->setValue(s.sensitivity);
    strip->colour_slider->setValue(s.color);
    apply_midi_settings(s, doc.channel_settings);
    doc.view.line_width = s.line_width;
    practice_->set(practice_from_settings(s, doc.practice));
}

// --- Geometry -------------------------------------------------------------

void MainWindow::layout_view() {
    layout_view_for(view_->graph_bitmap.width());
}

void MainWindow::layout_view_for(int requested_client_width) {
    ViewLayout lay = view_->layout_view(requested_client_width);
    doc.view.line_width = lay.line_width;
    menus->line_width_actions[std::size_t(lay.line_width)]->setChecked(true);

    const int client_height = lay.graph_height + control_strip_height;
    graph->setGeometry(0, 0, lay.graph_width, lay.graph_height);
    strip->position_slider->setVisible(lay.show_position_slider);
    const int window_height =
        client_height + menuBar()->sizeHint().height() + practice_tools_->panel_height();
    setMinimumWidth(min_client_width);
    setFixedHeight(window_height);
    if (width() != lay.client_width && !isMaximized() && !isFullScreen())
        resize(lay.client_width, window_height);
    strip->place(lay.client_width, doc.view.graph_height());
    graph->update();
}

void MainWindow::set_audio_status(const QString& text) {
    strip->set_audio_status(text);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    on_resized();
}

void MainWindow::on_resized() {
    if (!view_) return;
    // The menu bar sits above the client area: the window's width is the
    // client width.
    const int w = width();
    if (w != view_->graph_bitmap.width() || doc.view.line_width != view_->laid_out_line_width())
        layout_view_for(w);
}

GraphParams MainWindow::graph_params() const {
    GraphParams p;
    p.sensitivity = strip->gain_slider->value();
    p.colour = strip->colour_slider->value();
    p.switches.show_left_enabled = menus->left_labels_action->isEnabled();
    p.switches.show_left_checked = menus->left_labels_action->isChecked();
    p.switches.show_right_checked = menus->right_labels_action->isChecked();
    p.switches.grouping =
        menus->note_colours_action->isEnabled() && menus->note_colours_action->isChecked();
    const ToolState tools = tool_state();
    p.switches.pen_show = tools.pen_show;
    p.switches.line_show = tools.line_show;
    p.play_state = play_state();
    // A practice drag under way shows what it would set.
    if (practice_->dragging() || doc.practice.loop.active() || doc.practice.focused())
        p.practice = practice_marks(practice_->shown(), player_->sample_rate());
    return p;
}

// --- Open -------------------------------------------------------------------

void MainWindow::on_open() {
    if (const QString file = choose_recording(this, open_dialog_dir); !file.isEmpty())
        open_chosen_file(file);
}

void MainWindow::open_from_command_line(const WindowArgs& args) {
    if (!args.file.isEmpty()) open_and_remember(args.file);
    PracticeSettings p = doc.practice;
    if (args.speed_percent) p = with_speed_percent(p, *args.speed_percent);
    if (args.semitones) p = with_semitones(p, *args.semitones);
    if (args.cents) p = with_cents(p, *args.cents);
    practice_->set(p, args.loop.value_or(doc.practice_loop));
}

bool MainWindow::open_chosen_file(const QString& path) {
    last_open_path = path;
    open_dialog_dir = default_dir_of(path);
    return open_and_remember(path);
}

bool MainWindow::open_and_remember(const QString& path) {
    if (!open_recording(path)) return false;
    // Stored at once, as a user expects of this list; when it cannot be, the
    // list still serves this session (a message at every open would only be
    // in the way).
    recent_files = settings_file_.add_recent_file(QFileInfo(path).absoluteFilePath());
    show_recent_files();
    return true;
}

void MainWindow::on_recent_file(int index) {
    const QString file = recent_files.value(index);
    if (file.isEmpty()) return;
    if (!QFileInfo(file).isFile()) {
        // Moved or deleted since: it leaves the list, and the message says which file it was.
        recent_files = settings_file_.remove_recent_file(file);
        show_recent_files();
        show_error(text_of(OpenStatus::cannot_open) + u'\n' + file);
        return;
    }
    open_chosen_file(file);
}

void MainWindow::show_recent_files() {
    menus->show_recent_files(recent_files);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    accept_file_drop(event);
}

void MainWindow::dropEvent(QDropEvent* event) {
    const QString file = accept_file_drop(event);
    // Opened once the drop has returned, so that the file manager is not
    // held while the file is analysed or a question waits for an answer.
    if (!file.isEmpty()) QTimer::singleShot(0, this, [this, file] { open_chosen_file(file); });
}

bool MainWindow::open_recording(const QString& path) {
    const std::filesystem::path file = path.toStdString();
    // The new file is read and analysed first, on a job's thread, while the
    // window goes on painting and answering: a refused or abandoned file, or
    // a cancelled question about the drawing, leaves the open recording, its
    // drawing and the view as they were.
    OpenJob::Outcome staged = stage(file);
    const LoadResult& r = staged.result;
    if (r.cancelled) return false;
    if (!r.ok) {
        // The file's name on the first line: the file may have come from a
        // drop or the recent list, where the user did not just pick it.
        const QString name = QFileInfo(path).fileName();
        show_error((name.isEmpty() ? path : name) + u'\n' + text_of(r.status, r.detail));
        return false;
    }
    if (!session_->settle_unsaved()) return false;

    transport_->reset_recording();
    player_->prime(file.string(), r.audio);
    practice_->graph_click = {};
    practice_->set(for_new_recording(doc.practice), {});
    session_->adopt(file, std::move(*staged.store));
    menus->save_drawing_as_action->setEnabled(true);
    transport_->stop_playback();
    doc.refresh(play_state() != PlayState::no_recording, menus->loudness_action->isChecked());
    write_graph();
    show_title();
    strip->play_button->setFocus();
    return true;
}

OpenJob::Outcome MainWindow::stage(const std::filesystem::path& file) {
    cancel_open(); // an open under way is abandoned for this one
    QEventLoop loop;
    OpenJob job(file, doc.band_tables, threads_, this, [&loop] { loop.quit(); });
    open_job_ = &job;
    strip->follow_open(job, loop);
    open_job_ = nullptr;
    return job.take();
}

void MainWindow::cancel_open() {
    if (open_job_) open_job_->cancel();
}

void MainWindow::on_save_drawing_as() {
    if (play_state() == PlayState::no_recording) return;
    const QString chosen = choose_drawing_file(this, QFile::decodeName(doc.draw_file.c_str()));
    if (!chosen.isEmpty() && session_->save_as(QFile::encodeName(chosen).toStdString()))
        write_graph();
}

// --- Crash recovery -----------------------------------------------------------

void MainWindow::recovery_tick() {
    session_->recovery_tick(std::chrono::steady_clock::now());
}

// --- Menu commands ------------------------------------------------------------

void MainWindow::on_save_settings() {
    Settings s = current_settings();
    s.default_dir = last_open_path.isEmpty() ? open_dialog_dir : default_dir_of(last_open_path);
    if (!settings_file_.save(s)) show_error(settings_file_.path() + tr_text(texts::cannot_write));
}

void MainWindow::on_export_midi() {
    if (play_state() != PlayState::no_recording) exchange_->export_midi();
}
void MainWindow::on_import_midi() {
    if (play_state() != PlayState::no_recording) exchange_->import_midi();
}
void MainWindow::on_export_image() {
    if (play_state() != PlayState::no_recording) exchange_->export_image();
}
void MainWindow::on_export_csv() {
    if (play_state() != PlayState::no_recording) exchange_->export_csv();
}

void MainWindow::on_exit() {
    close();
}

void MainWindow::on_loudness_toggled() {
    doc.refresh(play_state() != PlayState::no_recording, menus->loudness_action->isChecked());
    write_graph();
}

void MainWindow::on_note_colours_toggled() {
    view_->build_palette();
    view_->prepare_columns();
    write_graph();
}

void MainWindow::on_left_labels_toggled() {
    write_graph();
}
void MainWindow::on_right_labels_toggled() {
    write_graph();
}

void MainWindow::on_line_width_chosen(int n) {
    doc.view.line_width = n;
    layout_view();
}

void MainWindow::on_show_drawing_tools() {
    tools_->show();
    write_graph();
}

void MainWindow::on_midi_settings() {
    MidiPort& midi = doc.midi;
    if (!midi.midi_ok()) return;
    // The drawing file keeps the drawing channels' instruments and volumes:
    // changing them is a change of the drawing to be saved, and the
    // dialog's changes together are one step.
    // Both keep on top; the dialog belongs to the shown tool window so that
    // the window manager keeps it above even when the tool window is clicked.
    midi_dialog_->winId();
    midi_dialog_->windowHandle()->setTransientParent(tools_->isVisible() ? tools_->windowHandle()
                                                                         : windowHandle());
    record_step(&doc.history, doc.drawing, doc.channel_settings, [this] { midi_dialog_->exec(); });
}

void MainWindow::on_undo() {
    step_history(true);
}
void MainWindow::on_redo() {
    step_history(false);
}

void MainWindow::step_history(bool back) {
    const HistoryMove m = back ? doc.history.undo(doc.drawing, doc.channel_settings)
                               : doc.history.redo(doc.drawing, doc.channel_settings);
    if (!m.moved) return;
    if (m.channels) doc.midi.set_midi_program();
    write_graph();
}

void MainWindow::show_history() {
    menus->undo_action->setEnabled(doc.history.can_undo());
    menus->redo_action->setEnabled(doc.history.can_redo());
    if (tools_) tools_->show_history();
    // Every step, undo and redo comes through here: the unsaved mark follows.
    show_title();
}

void MainWindow::show_closed_title(const QString& caption) {
    setWindowModified(false);
    setWindowTitle(caption);
    setWindowFilePath({});
    strip->time_display->setToolTip({});
}

void MainWindow::show_title() {
    const QString recording = QFile::decodeName(session_->recording().c_str());
    const bool open = play_state() != PlayState::no_recording && !recording.isEmpty();
    if (!open) {
        show_closed_title(texts::app_title);
        return;
    }
    // "[*]" is where Qt shows the mark; one in the name itself is doubled
    // to stay literal.
    QString name = QFileInfo(recording).fileName();
    name.replace(QLatin1String("[*]"), QLatin1String("[*][*]"));
    setWindowTitle(QString(texts::caption_prefix) + name + QLatin1String("[*]"));
    setWindowModified(doc.drawing.modified);
    setWindowFilePath(recording);
    strip->time_display->setToolTip(QDir::toNativeSeparators(recording));
}

QUrl MainWindow::manual_url(Language language) const {
    const auto file = manual_file(language, find_data_file);
    return QUrl::fromLocalFile(QString::fromStdString(file.string()));
}

void MainWindow::on_support_page() {
    const QUrl url = manual_url(language());
    const QString message = tr_text(texts::no_browser) + u'\n' + url.toLocalFile();
    if (open_url_) {
        if (!open_url_(url)) show_error(message);
        return;
    }
    open_in_browser(QStringLiteral("xdg-open"), url, this,
                    [this, message] { show_error(message); });
}

void MainWindow::on_language_chosen(Language language) {
    set_language(language);
    if (uses_settings_file_) settings_file_.set_language(language_code(language));
}

void MainWindow::set_language(Language language) {
    language_.set(language);
    menus->language_actions[std::size_t(language)]->setChecked(true);
    // The tool window, the MIDI dialog and the popups are this window's
    // children.
    retranslate_tree(this);
    show_composed_texts();
}

void MainWindow::show_composed_texts() {
    practice_tools_->show(doc.practice, doc.practice_loop);
    strip->set_audio_status(strip->audio_status());
    if (tools_) tools_->show_tool_tips();
    if (midi_dialog_) midi_dialog_->show_program_names();
}

void MainWindow::on_about() {
    const QUrl url = manual_url(language());
    QMessageBox::information(this, texts::app_title,
                             QString("PitkaD  Ver.1.00  ") + tr_text(texts::about_notice) + "\n\n" +
                                 url.toString());
}

// --- Transport controls -------------------------------------------------------

void MainWindow::on_play() {
    transport_->start_playback();
    practice_->apply_again(); // the loop, now that the player knows the rate
    strip->pause_button->setFocus();
}
void MainWindow::on_stop() {
    transport_->stop_playback();
}
void MainWindow::on_pause() {
    transport_->toggle_pause();
}
void MainWindow::on_skip_forward() {
    transport_->seek_relative(skip_amounts[0]);
}
void MainWindow::on_skip_back() {
    transport_->seek_relative(skip_amounts[1]);
}
void MainWindow::on_skip_back_short() {
    transport_->seek_relative(skip_amounts[2]);
}

void MainWindow::show_skip_menu(int which, QPoint press_in_button) {
    // The application's filter sees presses on disabled buttons too.
    QPushButton* buttons[] = {strip->skip_forward_button, strip->skip_back_button,
                              strip->skip_back_short_button};
    if (buttons[which]->isEnabled())
        strip->show_skip_menu(which, skip_amounts[std::size_t(which)], press_in_button);
}

void MainWindow::on_skip_amount_chosen(int which, int ms) {
    set_skip_amount(*hosts_, which, ms);
}

void MainWindow::change_scroll_speed() {
    const PlayState s = play_state();
    pitkad::change_scroll_speed(*hosts_, doc.view, s,
                                cursor_shown(s) ? player_->position() : 0, doc.store.frame_count);
}

void MainWindow::on_gain_changed() {
    write_graph();
    strip->time_display->setFocus();
}

void MainWindow::on_colour_changed() {
    write_graph();
    strip->time_display->setFocus();
}

// --- Keys and mouse -------------------------------------------------------------

bool MainWindow::handle_key(int key, bool alt) {
    return pitkad::handle_key(*hosts_, key, alt);
}

bool MainWindow::handle_practice_key(int key) {
    // Esc abandons an open under way, and does nothing else then.
    if (key == Qt::Key_Escape && opening()) {
        cancel_open();
        return true;
    }
    // Digits and signs typed into a number box of the panel are the box's.
    if (qobject_cast<QAbstractSpinBox*>(focusWidget())) return false;
    return practice_->run_key(key);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
        // Key preview: the window sees each key once, at its window, before
        // the focused control, which gets it too. A key that ran an action
        // is kept from the position slider: its own paging would be a
        // second seek.
        if (watched == static_cast<QObject*>(windowHandle()) && isActiveWindow()) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (handle_key(key->key(), key->modifiers() & Qt::AltModifier) &&
                focusWidget() == strip->position_slider)
                return true;
            // A practice key that ran goes no further: Space would also
            // press a focused button, a sign or digit move a slider.
            if (handle_practice_key(key->key())) return true;
        }
        break;
    case QEvent::MouseButtonPress: {
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() == Qt::LeftButton) left_pressed_latch_ = true;
        // The column pressed while stopped is where "play from here" starts.
        if (watched == graph && me->button() == Qt::LeftButton &&
            play_state() == PlayState::stopped)
            practice_->graph_click = {doc.view.x_to_frame(me->position().toPoint().x()),
                                      doc.view.first_frame};
        if (me->button() == Qt::RightButton) {
            if (watched == strip->skip_forward_button)
                show_skip_menu(0, me->position().toPoint());
            else if (watched == strip->skip_back_button)
                show_skip_menu(1, me->position().toPoint());
            else if (watched == strip->skip_back_short_button)
                show_skip_menu(2, me->position().toPoint());
        }
        break;
    }
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::graph_mouse(GraphWidget::MouseEventKind kind, MouseButton button, MouseShift shift,
                             QPoint p) {
    bool redraw = false;
    switch (kind) {
    case GraphWidget::MouseEventKind::press: {
        editor_->press(button, shift, p.x(), p.y());
        PracticeDragZones z;
        z.recording_open = play_state() != PlayState::no_recording;
        z.mode = tool_state().mode;
        z.graph_width = view_->graph_bitmap.width();
        const bool labels = menus->left_labels_action->isEnabled();
        z.left_labels = labels && menus->left_labels_action->isChecked();
        z.right_labels = labels && menus->right_labels_action->isChecked();
        redraw = practice_->drag_press(button, z, p.x(), p.y());
        break;
    }
    case GraphWidget::MouseEventKind::move:
        editor_->move(shift, p.x(), p.y());
        redraw = practice_->drag_move(p.x(), p.y()); // shows where it would go
        break;
    case GraphWidget::MouseEventKind::release:
        editor_->release(button, shift, p.x(), p.y());
        redraw = practice_->drag_release(button, p.x(), p.y());
        break;
    }
    if (redraw) write_graph();
}

// --- Closing --------------------------------------------------------------------

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!confirm_drawing_saved()) {
        event->ignore();
        return;
    }
    shut_down();
    event->accept();
}

void MainWindow::shut_down() {
    cancel_open();
    closing_ = true;
    // A normal exit: whatever was to be kept has been saved or discarded.
    if (recovery_timer_) recovery_timer_->stop();
    session_->close();
    if (tools_) tools_->hide();
    transport_->reset_recording();
    doc.midi.close(); // detaches the synthesizer from the audio stream
    std::error_code ec;
    std::filesystem::remove(fallback_cache_file(), ec);
}

// --- What the controllers and the tests read of the window -----------------------

PlayState MainWindow::play_state() const {
    return transport_ ? transport_->state() : PlayState::no_recording;
}

ToolState MainWindow::tool_state() const {
    return tools_ ? tools_->tool_state() : ToolState{};
}

void MainWindow::write_graph() {
    view_->write_graph();
}

void MainWindow::set_transport_enabled(bool enabled) {
    strip->set_transport_enabled(enabled);
    // They follow the transport: disabled exactly while no recording is open.
    menus->set_recording_open(enabled);
}

void MainWindow::show_error(const QString& text) {
    QMessageBox::warning(this, texts::app_title, text);
}

} // namespace pitkad
