#include "app/main_window.h"

#include "app/main_window_hosts.h"

#include "analysis/analysis_cache.h"
#include "app/app_texts.h"
#include "app/file_choice.h"
#include "app/graph_widget.h"
#include "app/main_layout.h"
#include "app/midi_settings_dialog.h"
#include "app/status_texts.h"
#include "app/window_args.h"
#include "app/window_placement.h"
#include "audio/audio_output.h"
#include "base/paths.h"
#include "base/translatable.h"
#include "control/playback_units.h"
#include "control/settings_file.h"
#include "control/suggestions.h"
#include "control/view_navigation.h"
#include "drawing/draw_history.h"
#include "midi/fluidsynth_backend.h"
#include "view/data_bitmaps.h"
#include "view/graph_image.h"
#include "view/time_ruler.h"
#include "view/view_layout.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include <algorithm>
#include <filesystem>

namespace pitkad {

namespace {

QString q(std::string_view s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

// The title bar and frame the window manager adds above and below.
constexpr int title_allowance = 40;

} // namespace

MainWindow::MainWindow(StartOptions options) : QMainWindow(nullptr) {
    setWindowTitle(texts::app_title);
    setAcceptDrops(true);
    open_url_ = std::move(options.open_url);
    recovery_interval_ms_ = options.recovery_interval_ms;

    test_audio_ = std::move(options.audio);
    if (!test_audio_) playback_audio_ = open_playback_audio();
    audio_ = test_audio_ ? test_audio_.get() : &playback_audio_.output();
    hosts_ = std::make_unique<Hosts>(*this);
    session_ = std::make_unique<DocumentSession>(doc, *hosts_, recovery_session_, &drawing_files_);
    if (recovery_interval_ms_ > 0)
        session_->recovery_interval = std::chrono::milliseconds(recovery_interval_ms_);
    player_ = std::make_unique<MediaPlayer>(*audio_);
    view_ = std::make_unique<GraphView>(doc.store, doc.drawing, doc.view);
    transport_ = std::make_unique<Transport>(doc.store, doc.drawing, doc.view, doc.channel_settings,
                                             doc.midi, *player_, *hosts_);
    editor_ = std::make_unique<MouseEditor>(doc.drawing, doc.store, *hosts_, &doc.history);
    edits_ =
        std::make_unique<EditCommands>(doc.drawing, doc.store, doc.channel_settings, &doc.history);

    menus = new MainMenus(*this);
    connect_menus();
    workers_ = std::make_unique<StoreWorkers>(
        nullptr, [this](const QString& text) { statusBar()->showMessage(text); },
        [](bool busy) {
            if (busy)
                QApplication::setOverrideCursor(Qt::BusyCursor);
            else
                QApplication::restoreOverrideCursor();
        });
    exchange_ = std::make_unique<ExchangeCommands>(*this, doc, *view_, *hosts_, *workers_);
    practice_ = std::make_unique<PracticeController>(doc, *player_, *transport_, *hosts_);
    practice_tools_ = new PracticeTools(*this, menus->line_width_menu->menuAction(), *practice_,
                                        {[this](TransportAction b) {
                                             if (hosts_->action_enabled(b)) hosts_->click(b);
                                         },
                                         [this] { layout_view(); }});
    build_controls();
    sections_ = new SectionTools(*this, practice_tools_->play_menu->menuAction(), doc, *transport_,
                                 *player_, *practice_, *navigator_, [this] { write_graph(); });
    ruler->on_marker_moved = [this](int marker, int frame) {
        sections_->move_marker(marker, frame);
    };
    ruler->on_marker_double_clicked = [this](int marker) { sections_->rename_marker(marker); };
    opener_ = new OpenCommands(
        *this, *strip, *menus, settings_file_, doc, options.threads,
        {[this](const std::filesystem::path& file, OpenJob::Outcome& staged, bool again) {
             return (again && take_reanalysis(file, staged)) || adopt_recording(file, staged);
         },
         [this](const QString& text) { show_error(text); }, [this] { return early_frames(); },
         [this](std::vector<float>&& columns) { show_early_graph(std::move(columns)); },
         [this] { area_->end_early(); }});
    references_ =
        new ReferenceCommands(*this, *menus->reference_menu, *opener_,
                              {[this] {
                                   return session_->is_open()
                                              ? QFile::decodeName(session_->recording().c_str())
                                              : QString();
                               },
                               [this](int cents) { practice_->cents(cents); },
                               [this](const QString& text) { show_error(text); },
                               [this](const QString& text) { statusBar()->showMessage(text); }});
    checks_ =
        new CheckCommands(*this, *menus->check_menu, doc, *workers_,
                          {[this] { return play_state() != PlayState::no_recording; },
                           [this] { return tool_state().colour; }, [this] { write_graph(); },
                           [this](int frame) { navigator_->show_frame(frame); },
                           [this](int first, int end) {
                               practice_->set(doc.practice, {first * frame_ms, end * frame_ms});
                               if (play_state() != PlayState::playing &&
                                   hosts_->action_enabled(TransportAction::play))
                                   hosts_->click(TransportAction::play);
                           },
                           [this](const LoopMs& loop) { practice_->set(doc.practice, loop); },
                           [this](const QString& text) { statusBar()->showMessage(text); },
                           [this] { return statusBar()->currentMessage(); },
                           [this] { return play_state() == PlayState::playing; }});
    const bool settings_read = settings_file_.load(settings_file_path());
    start_up(options);

    // The tool window and the MIDI dialog come after the main window.
    tools_ = new DrawingToolsWindow(doc.drawing, doc.channel_settings, doc.history, *hosts_, this);
    doc.history.on_change = [this] { show_history(); };
    place_tools_window();
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
    // Settings that are there but cannot be read are not replaced silently:
    // the user is told once the window shows.
    if (uses_settings_file_ && !settings_read)
        QTimer::singleShot(0, this, [this] {
            show_error(settings_file_.path() + tr_text(texts::settings_unreadable));
        });
    // A missing sound device is also noted on standard error, in that language.
    if (!test_audio_) report_audio_device(playback_audio_);

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
    // The exports and the import need an open recording.
    auto with_recording = [this](void (ExchangeCommands::*command)()) {
        return [this, command] {
            if (play_state() != PlayState::no_recording) ((*exchange_).*command)();
        };
    };
    auto redraw = [this] { write_graph(); };
    const std::pair<QAction*, std::function<void()>> commands[] = {
        {menus->open_action, [this] { on_open(); }},
        {menus->save_drawing_action, [this] { on_save_drawing(); }},
        {menus->save_drawing_as_action, [this] { on_save_drawing_as(); }},
        {menus->export_midi_action, with_recording(&ExchangeCommands::export_midi)},
        {menus->import_midi_action, with_recording(&ExchangeCommands::import_midi)},
        {menus->export_image_action, with_recording(&ExchangeCommands::export_image)},
        {menus->export_csv_action, with_recording(&ExchangeCommands::export_csv)},
        {menus->meter_action, with_recording(&ExchangeCommands::set_meter)},
        {menus->key_action, with_recording(&ExchangeCommands::set_key)},
        {menus->suggest_beats_action, with_recording(&ExchangeCommands::suggest_beats)},
        {menus->accept_beats_action, with_recording(&ExchangeCommands::accept_suggested_beats)},
        {menus->clear_beats_action, with_recording(&ExchangeCommands::clear_suggested_beats)},
        {menus->suggest_harmony_action, with_recording(&ExchangeCommands::suggest_harmony)},
        {menus->clear_harmony_action, with_recording(&ExchangeCommands::clear_suggested_harmony)},
        {menus->suggest_notes_action, with_recording(&ExchangeCommands::suggest_notes)},
        {menus->accept_notes_action, with_recording(&ExchangeCommands::accept_suggested_notes)},
        {menus->clear_notes_action, with_recording(&ExchangeCommands::clear_suggested_notes)},
        {menus->save_settings_action, [this] { on_save_settings(); }},
        {menus->exit_action, [this] { close(); }},
        {menus->undo_action, [this] { on_undo(); }},
        {menus->redo_action, [this] { on_redo(); }},
        {menus->cut_action, [this] { on_cut(); }},
        {menus->copy_action, [this] { on_copy(); }},
        {menus->paste_action, [this] { on_paste(); }},
        {menus->loudness_action, [this] { on_loudness_toggled(); }},
        {menus->note_colours_action, [this] { on_note_colours_toggled(); }},
        {menus->left_labels_action, redraw},
        {menus->right_labels_action, redraw},
        {menus->time_in_seconds_action,
         [this] { transport_->set_time_in_seconds(menus->time_in_seconds_action->isChecked()); }},
        {menus->show_drawing_tools_action, [this] { on_show_drawing_tools(); }},
        {menus->midi_settings_action, [this] { on_midi_settings(); }},
        {menus->support_page_action, [this] { on_support_page(); }},
        {menus->about_action, [this] { on_about(); }},
    };
    for (const auto& [action, command] : commands)
        connect(action, &QAction::triggered, this, command);
    for (int i = 0; i < max_recent_files; ++i)
        connect(menus->recent_actions[std::size_t(i)], &QAction::triggered, this,
                [this, i] { opener_->open_recent(i); });
    for (std::size_t i = 0; i < menus->language_actions.size(); ++i)
        connect(menus->language_actions[i], &QAction::triggered, this,
                [this, language = Language(i)] { on_language_chosen(language); });
    for (int n = min_line_width; n <= max_line_width; ++n)
        connect(menus->line_width_actions[std::size_t(n)], &QAction::triggered, this,
                [this, n] { on_line_width_chosen(n); });
    // Another part of the recording analysed: the same recording opens again.
    for (std::size_t i = 0; i < menus->analysis_channel_actions.size(); ++i)
        connect(menus->analysis_channel_actions[i], &QAction::triggered, this,
                [this, channel = AnalysisChannel(i)] {
                    if (!session_->is_open() || channel == opener_->analysis_channel()) return;
                    opener_->reopen_with_channel(QFile::decodeName(session_->recording().c_str()),
                                                 channel);
                });
}

void MainWindow::build_controls() {
    auto* central = new QWidget(this);
    setCentralWidget(central);
    area_ = new GraphArea(*central, doc, *view_);
    ruler = area_->ruler;
    graph_scroll = area_->scroll;
    graph = area_->graph;
    overview = area_->overview;
    area_->params = [this] { return screen_params(); };
    area_->recording_open = [this] { return play_state() != PlayState::no_recording; };
    overview->on_seek = [this](int frame) { navigator_->show_frame(frame); };
    navigator_ = std::make_unique<ViewNavigator>(
        doc, *transport_, *player_,
        ViewNavigator::Hooks{[this] { return view_->logical_width(); }, [this] { layout_view(); },
                             [this](int pixels) { area_->scroll_rows(pixels); },
                             [this] { write_graph(); }, [this] { show_view_place(); }});
    graph->on_wheel = [this](const QWheelEvent& e, int x) { navigator_->wheel(e, x); };
    navigator_->connect_menu(*menus, *this);
    // The note labels the View menu shows, painted over the picture.
    area_->label_columns = [this] {
        const bool shown = menus->left_labels_action->isEnabled();
        return LabelColumns{shown && menus->left_labels_action->isChecked(),
                            shown && menus->right_labels_action->isChecked()};
    };
    graph->on_mouse = [this](GraphWidget::MouseEventKind kind, MouseButton button, MouseShift shift,
                             QPoint p) { graph_mouse(kind, button, shift, p); };
    graph->hint_text = [this](QPoint p) {
        auto text =
            view_->note_hint(p.y(), menus->hint_frequency_action->isChecked(),
                             menus->hint_note_number_action->isChecked(), doc.store.reference.hz());
        return text ? q(*text).replace("\r\n", "\n") : QString();
    };

    strip = new ControlStrip(*central);
    // Its line is shown before it joins the bar, which takes its height
    // from the label then.
    status_label = new QLabel(this);
    show_status_line();
    statusBar()->addWidget(status_label, 1);
    statusBar()->setSizeGripEnabled(false); // the height is fixed
    for (int b = 0; b <= int(TransportAction::skip_back_short); ++b)
        connect(strip->button(TransportAction(b)), &QPushButton::clicked, this,
                [this, b] { hosts_->click(TransportAction(b)); });
    connect(strip->scroll_speed_button, &QPushButton::clicked, this,
            [this] { change_scroll_speed(); });
    // A slider moved redraws the graph, and gives the focus back to the
    // time display so that the keys go on working.
    for (QSlider* slider : {strip->gain_slider, strip->colour_slider})
        connect(slider, &QSlider::valueChanged, this, [this] {
            write_graph();
            strip->time_display->setFocus();
        });
    connect(strip->open_cancel_button, &QPushButton::clicked, this, [this] { opener_->cancel(); });
    connect(strip->position_slider, &QSlider::valueChanged, this,
            [this] { transport_->on_position_moved(); });
    // The skip buttons' right presses reach eventFilter through the
    // application-wide filter; a filter on the buttons too would open the
    // popup twice.
    for (std::size_t i = 0; i < skip_items.size(); ++i)
        connect(strip->skip_menu_items[i], &QAction::triggered, this,
                [this, ms = skip_items[i].ms] {
                    on_skip_amount_chosen(strip->skip_menu_button(), ms);
                });

    // Every change of the window content reaches the screen in a paint event.
    view_->params = [this] { return screen_params(); };
    view_->player_position_ms = [this] { return player_->position(); };
    view_->clear_dragging = [this] { editor_->dragging = false; };
    view_->on_screen_changed = [this](QRect r) {
        graph->update(r);
        show_view_place();
    };
    view_->sounding_notes = editor_->sounding_notes;
    area_->sounding_notes = editor_->sounding_notes;
}

void MainWindow::start_up(const StartOptions& options) {
    // The colour sliders are set here, not moved: nothing redraws yet.
    const QSignalBlocker quiet_gain(strip->gain_slider);
    const QSignalBlocker quiet_colour(strip->colour_slider);
    transport_->reset_recording();
    remove_stale_fallback_caches();
    const bool midi = doc.start(
        options.midi ? options.midi()
                     : open_midi_backend(playback_audio_.synth_output(), options.program_start));
    menus->midi_settings_action->setEnabled(midi);
    menus->loudness_action->setEnabled(doc.loudness_available);
    menus->loudness_action->setChecked(doc.loudness_available);
    screen_height_ = options.screen_height > 0 ? options.screen_height : screen_height_of(*this);
    const LineWidthDefault lw = default_line_width(screen_height_);
    doc.view.line_width = lw.line_width;
    for (int n = min_line_width; n <= max_line_width; ++n)
        menus->line_width_actions[std::size_t(n)]->setEnabled(lw.enabled[std::size_t(n)]);

    // The labels and the note colours need their data files.
    const bool font = view_->load_font(find_data_file(font_file_name));
    menus->left_labels_action->setEnabled(font);
    menus->right_labels_action->setEnabled(font);
    menus->note_colours_action->setEnabled(view_->load_colour(find_data_file(colour_file_name)));

    Settings s = current_settings();
    // Without stored keys the window opens at (0, 0), 804 wide.
    const Settings design;
    s.width = design.width;
    s.left = design.left;
    s.top = design.top;
    s.maximized = design.maximized;
    if (options.read_settings) {
        s = settings_file_.settings(s);
        opener_->load_recent_files();
    }
    apply_settings(s);

    doc.midi.set_midi_program();
    strip->scroll_speed_button->setText(zoom_caption(doc.view));
    set_skip_amount(*hosts_, 0, skip_amounts[0]);
    set_skip_amount(*hosts_, 1, -skip_amounts[1]);
    set_skip_amount(*hosts_, 2, -skip_amounts[2]);
    view_->build_palette();

    layout_view_for(fitted_width(s) - frame_allowance);
    restore_window_placement(*this, s);

    if (!test_audio_ && !playback_audio_.has_device())
        set_audio_status(status_texts::no_audio_device);
}

Settings MainWindow::current_settings() const {
    Settings s;
    s.default_dir = opener_->open_dialog_dir;
    menus->store_view_options(s);
    s.check_candidates = checks_->candidates_shown();
    s.forward = skip_amounts[0];
    s.back1 = skip_amounts[1];
    s.back2 = skip_amounts[2];
    s.scroll_speed = doc.view.scroll_speed;
    s.sensitivity = strip->gain_slider->value();
    s.color = strip->colour_slider->value();
    capture_midi_settings(s, doc.channel_settings);
    // A row height off the presets is kept beside the nearest preset.
    s.line_width = effective_line_width(doc.view.line_width);
    s.row_height = doc.view.line_width == s.line_width ? 0 : doc.view.line_width;
    s.zoom = doc.view.zoom;
    capture_window_placement(*this, s);
    capture_practice_settings(s, doc.practice);
    s.tools_place = tools_place_;
    // Once shown, the tool window is where the user left it.
    if (tools_ && tools_shown_) s.tools_place = tools_->frameGeometry().topLeft();
    return s;
}

void MainWindow::apply_settings(const Settings& s) {
    opener_->open_dialog_dir = s.default_dir;
    menus->apply_view_options(s);
    checks_->show_candidates(s.check_candidates);
    transport_->set_time_in_seconds(s.time_in_seconds);
    skip_amounts = {s.forward, s.back1, s.back2};
    doc.view.scroll_speed = s.scroll_speed;
    strip->gain_slider->setValue(s.sensitivity);
    strip->colour_slider->setValue(s.color);
    apply_midi_settings(s, doc.channel_settings);
    doc.view.line_width = s.row_height > 0 ? s.row_height : s.line_width;
    doc.view.zoom = s.zoom;
    practice_->set(practice_from_settings(s, doc.practice));
    tools_place_ = s.tools_place;
}

void MainWindow::place_tools_window() {
    if (!tools_place_) {
        tools_->place_window(frameGeometry());
        return;
    }
    const QRect stored(*tools_place_, tools_->frameGeometry().size());
    tools_->move(fit_to_screens(stored, available_screens()).topLeft());
}

// --- Geometry -------------------------------------------------------------

void MainWindow::layout_view_for(int requested_client_width) {
    // Rows taller than the screen has room for scroll inside the window, with
    // a scroll bar beside the graph; the window never grows off the screen.
    const GraphArea::Placed placed = area_->place(requested_client_width, graph_room());
    const ViewLayout& lay = placed.layout;
    doc.view.line_width = lay.line_width;
    show_line_width_choice(lay.line_width);
    client_width_ = placed.client_width;
    strip->position_slider->setVisible(lay.show_position_slider);
    const int window_height = placed.upper_height + control_strip_height +
                              menuBar()->sizeHint().height() + practice_tools_->panel_height() +
                              statusBar()->sizeHint().height();
    setMinimumWidth(min_client_width + placed.client_width - lay.graph_width);
    setFixedHeight(window_height);
    if (width() != placed.client_width && !isMaximized() && !isFullScreen())
        resize(placed.client_width, window_height);
    strip->place(placed.client_width, placed.upper_height);
    show_view_place();
}

int MainWindow::graph_room() const {
    const int above_and_below = menuBar()->sizeHint().height() + practice_tools_->panel_height() +
                                ruler_height + area_->chord_lane_room() + overview_height +
                                control_strip_height + statusBar()->sizeHint().height();
    return std::max(screen_height_ - title_allowance - above_and_below, 120);
}

int MainWindow::scroll_bar_width() const {
    return area_->scroll_bar_width(graph_room());
}

void MainWindow::show_line_width_choice(int line_width) {
    // A row height between the presets checks none of them.
    for (int n = min_line_width; n <= max_line_width; ++n)
        menus->line_width_actions[std::size_t(n)]->setChecked(n == line_width);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    on_resized();
}

void MainWindow::on_resized() {
    if (!view_) return;
    // The menu bar sits above the client area: the window's width is the
    // client width.
    const int w = width() - scroll_bar_width();
    if (w != view_->logical_width() || doc.view.line_width != view_->laid_out_line_width() ||
        area_->device_scale() != view_->pixel_scale())
        layout_view_for(width());
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
    p.start_mark_frame = transport_->start_mark();
    p.suggested_beats = doc.suggested_beats.beats;
    p.suggested_downbeats = doc.suggested_beats.downbeats;
    p.suggested_notes = doc.suggested_notes.shown;
    if (checks_) {
        p.check_marks = checks_->marks();
        p.shown_levels = checks_->shown_levels();
    }
    // A practice drag under way shows what it would set.
    if (practice_->dragging() || doc.practice.loop.active() || doc.practice.focused())
        p.practice = practice_marks(practice_->shown(), player_->sample_rate());
    return p;
}

GraphParams MainWindow::screen_params() const {
    GraphParams p = graph_params();
    p.switches.show_left_checked = false;
    p.switches.show_right_checked = false;
    return p;
}

void MainWindow::write_graph() {
    // The chord lane comes or goes with the suggestions: the window grows
    // or shrinks by it.
    if (area_->chord_lane_changed()) layout_view();
    // An undo, a redo or an erasure may have emptied a taken note's cells.
    update_shown(doc.suggested_notes, doc.drawing, doc.store.frame_count);
    view_->write_graph();
    area_->content_changed();
    show_status_line();
}

void MainWindow::show_view_place() {
    OverviewWidget::Marks m;
    m.frame_count = doc.store.frame_count;
    m.first_frame = doc.view.first_frame;
    m.visible_frames = int(doc.view.offset_to_frames(view_->logical_width()));
    if (doc.practice.loop.active()) {
        const PracticeMarks marks = practice_marks(doc.practice, player_->sample_rate());
        m.loop_first = marks.loop_first;
        m.loop_end = marks.loop_end;
    }
    m.position = cursor_shown(play_state()) ? player_->position() / frame_ms : -1;
    if (area_->show_place(m)) {
        strip->scroll_speed_button->setText(zoom_caption(doc.view));
        show_status_line();
    } else {
        show_key_change();
    }
}

// --- Open -------------------------------------------------------------------

void MainWindow::on_open() {
    opener_->choose();
}

void MainWindow::open_from_command_line(const WindowArgs& args) {
    if (!args.file.isEmpty()) opener_->open_and_remember(args.file);
    PracticeSettings p = doc.practice;
    if (args.speed_percent) p = with_speed_percent(p, *args.speed_percent);
    if (args.semitones) p = with_semitones(p, *args.semitones);
    if (args.cents) p = with_cents(p, *args.cents);
    practice_->set(p, args.loop.value_or(doc.practice_loop));
}

bool MainWindow::open_recording(const QString& path) {
    return opener_->open_recording(path);
}

bool MainWindow::adopt_recording(const std::filesystem::path& file, OpenJob::Outcome& staged) {
    if (!session_->settle_unsaved()) return false;
    workers_->store_changing();
    transport_->reset_recording();
    player_->prime(file.string(), staged.result.audio);
    practice_->graph_click = {};
    practice_->set(for_new_recording(doc.practice), {});
    session_->adopt(file, std::move(*staged.store));
    menus->save_drawing_action->setEnabled(true);
    menus->save_drawing_as_action->setEnabled(true);
    transport_->stop_playback();
    show_new_levels();
    show_title();
    strip->play_button->setFocus();
    return true;
}

bool MainWindow::take_reanalysis(const std::filesystem::path& file, OpenJob::Outcome& staged) {
    workers_->store_changing();
    if (!session_->take_reanalysis(file, *staged.store)) return false;
    show_new_levels();
    return true;
}

void MainWindow::show_new_levels() {
    doc.refresh(play_state() != PlayState::no_recording, menus->loudness_action->isChecked());
    references_->show_reference(doc.store.reference);
    checks_->analysis_changed();
    show_status_line();
    write_graph();
}

int MainWindow::early_frames() const {
    return first_screen_frames(doc.view, view_->logical_width());
}

void MainWindow::show_early_graph(std::vector<float>&& columns) {
    SpectrogramStore early(std::move(columns));
    // Against the peak of these columns: the whole recording's may lie later.
    doc.show_as_displayed(early, menus->loudness_action->isChecked());
    const ViewState shown = first_screen_view(doc.view);
    area_->show_early(render_first_screen(early, shown, screen_params(), view_->colour_bitmap,
                                          view_->logical_width()),
                      shown);
    if (early_graph_shown) early_graph_shown();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    opener_->drag_enter(event);
}

void MainWindow::dropEvent(QDropEvent* event) {
    opener_->drop(event);
}

void MainWindow::on_save_drawing() {
    tools_->on_save_drawing();
}

void MainWindow::on_save_drawing_as() {
    if (play_state() == PlayState::no_recording) return;
    const QString chosen = choose_drawing_file(this, QFile::decodeName(doc.draw_file.c_str()));
    if (!chosen.isEmpty() && session_->save_as(QFile::encodeName(chosen).toStdString()))
        write_graph();
}

// --- Menu commands ------------------------------------------------------------

void MainWindow::on_save_settings() {
    Settings s = current_settings();
    const OpenCommands& o = *opener_;
    s.default_dir =
        o.last_open_path.isEmpty() ? o.open_dialog_dir : default_dir_of(o.last_open_path);
    if (!settings_file_.save(s)) show_error(settings_file_.path() + tr_text(texts::cannot_write));
}

void MainWindow::on_loudness_toggled() {
    workers_->store_changing();
    doc.refresh(play_state() != PlayState::no_recording, menus->loudness_action->isChecked());
    checks_->analysis_changed();
    write_graph();
}

void MainWindow::on_note_colours_toggled() {
    view_->build_palette();
    view_->prepare_columns();
    write_graph();
}

void MainWindow::on_line_width_chosen(int n) {
    doc.view.line_width = n;
    layout_view();
}

void MainWindow::on_show_drawing_tools() {
    // The first time, beside the main window where it is now.
    if (!tools_shown_) place_tools_window();
    tools_shown_ = true;
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

void MainWindow::step_history(bool back) {
    const HistoryMove m = back ? doc.history.undo(doc.drawing, doc.channel_settings)
                               : doc.history.redo(doc.drawing, doc.channel_settings);
    if (!m.moved) return;
    if (m.channels) doc.midi.set_midi_program();
    write_graph();
}

void MainWindow::on_cut() {
    if (edits_->cut(tool_state().mode)) write_graph();
}

void MainWindow::on_copy() {
    edits_->copy(tool_state().mode);
}

int MainWindow::edit_frame() const {
    const PlayState s = play_state();
    return paste_frame(s, cursor_shown(s) ? player_->position() / frame_ms : 0,
                       transport_->start_mark(), transport_->shown_frame());
}

void MainWindow::on_paste() {
    if (edits_->paste(edit_frame())) write_graph();
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
    opener_->cancel();
    workers_->store_changing();
    closing_ = true;
    // The view and practice state is kept for the next start, as the user
    // left it; the other settings only through the save command.
    if (uses_settings_file_) settings_file_.save_state(current_settings());
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

void MainWindow::set_transport_enabled(bool enabled) {
    strip->set_transport_enabled(enabled);
    // They follow the transport: disabled exactly while no recording is open.
    menus->set_recording_open(enabled);
}

void MainWindow::show_error(const QString& text) {
    QMessageBox::warning(this, texts::app_title, text);
}

} // namespace pitkad
