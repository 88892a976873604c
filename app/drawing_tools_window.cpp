#include "app/drawing_tools_window.h"

#include "app/app_texts.h"
#include "app/colour_grid.h"
#include "app/drawing_texts.h"
#include "app/language.h"
#include "app/window_placement.h"
#include "drawing/draw_file.h"
#include "drawing/draw_ops.h"

#include <algorithm>

#include <QAction>
#include <QActionGroup>
#include <QCursor>
#include <QFile>
#include <QFileInfo>
#include <QHideEvent>
#include <QIcon>
#include <QImage>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMouseEvent>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

namespace pitkad {

namespace {

QString text(std::string_view s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

// Sixteen 16 × 16 button images from the strip; aqua is transparent.
std::array<QIcon, 16> load_image_list() {
    std::array<QIcon, 16> icons;
    QImage strip(QStringLiteral(":/TOOLBARICON"));
    if (strip.isNull()) return icons;
    strip = strip.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < strip.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(strip.scanLine(y));
        for (int x = 0; x < strip.width(); ++x)
            if ((line[x] & 0xffffff) == 0x00ffff) line[x] = 0;
    }
    for (int i = 0; i < 16; ++i)
        icons[std::size_t(i)] = QIcon(QPixmap::fromImage(strip.copy(i * 16, 0, 16, 16)));
    return icons;
}

// Wide enough for the lower bar's undo and redo buttons after the file buttons.
constexpr int tool_window_width = 248;

void add_gap(QToolBar* bar, int width) {
    auto* gap = new QWidget(bar);
    gap->setFixedSize(width, 1);
    bar->addWidget(gap);
}

} // namespace

DrawingToolsWindow::DrawingToolsWindow(DrawData& draw, const MidiChannelSettings& channels,
                                       DrawHistory& history, DrawingToolsHost& host,
                                       QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      draw_(draw), channels_(channels), history_(history), host_(host) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(text(drawing_texts::tool_caption));
    setFixedSize(tool_window_width, 120);
    setFocusPolicy(Qt::StrongFocus);
    start_up();
}

QToolButton* DrawingToolsWindow::add_button(QToolBar* bar, const char* name, bool checkable) {
    auto* b = new QToolButton(bar);
    b->setObjectName(QString::fromLatin1(name));
    b->setCheckable(checkable);
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    b->setToolButtonStyle(Qt::ToolButtonIconOnly);
    b->setFixedSize(23, 22);
    b->setIconSize(QSize(16, 16));
    bar->addWidget(b);
    return b;
}

// Each button's tool tip: its command, and the key that runs the same
// command where there is one (the main window's key map and the edit menu's
// shortcuts; F1 … F4 and Delete reach it from this window too). Set again
// when the language changes.
void DrawingToolsWindow::show_tool_tips() {
    struct ButtonTip {
        QToolButton* button;
        const char* command;
        QKeySequence key;
    };
    const ButtonTip tips[] = {
        {pen_draw_button, PITKAD_TR("PitkaD", "ペン描画"), QKeySequence(Qt::Key_F1)},
        {line_draw_button, PITKAD_TR("PitkaD", "ライン描画"), QKeySequence(Qt::Key_F2)},
        {pen_select_button, PITKAD_TR("PitkaD", "ペン選択"), QKeySequence(Qt::Key_F3)},
        {line_select_button, PITKAD_TR("PitkaD", "ライン選択"), QKeySequence(Qt::Key_F4)},
        {clipboard_button, PITKAD_TR("PitkaD", "クリップボードへコピー"), {}},
        {delete_selection_button, PITKAD_TR("PitkaD", "選択を削除"), QKeySequence(Qt::Key_Delete)},
        {select_all_button, PITKAD_TR("PitkaD", "すべて選択"), {}},
        {draw_left_line_button, PITKAD_TR("PitkaD", "線の間隔を左へ複製"), {}},
        {draw_right_line_button, PITKAD_TR("PitkaD", "線の間隔を右へ複製"), {}},
        {pen_midi_switch, PITKAD_TR("PitkaD", "描画をMIDIで鳴らす"), {}},
        {pen_show_switch, PITKAD_TR("PitkaD", "音符を表示"), {}},
        {line_show_switch, PITKAD_TR("PitkaD", "線を表示"), {}},
        {quantize_button, PITKAD_TR("PitkaD", "量子化"), {}},
        {load_drawing_button, PITKAD_TR("PitkaD", "描画を読み込む"), {}},
        {save_drawing_button, PITKAD_TR("PitkaD", "描画を保存"), {}},
        {undo_button, texts::undo_item, QKeySequence(Qt::CTRL | Qt::Key_Z)},
        {redo_button, texts::redo_item, QKeySequence(Qt::CTRL | Qt::Key_Y)},
    };
    for (const ButtonTip& t : tips) {
        QString tip = tr_text(t.command);
        if (!t.key.isEmpty())
            tip += QStringLiteral(" (%1)").arg(t.key.toString(QKeySequence::NativeText));
        t.button->setToolTip(tip);
    }
}

void DrawingToolsWindow::start_up() {
    build_buttons();
    connect_buttons();
    build_grid_and_menus();
}

void DrawingToolsWindow::build_buttons() {
    file_bar = new QToolBar(this);
    file_bar->setObjectName(QStringLiteral("file_bar"));
    mode_bar = new QToolBar(this);
    mode_bar->setObjectName(QStringLiteral("mode_bar"));
    for (QToolBar* bar : {file_bar, mode_bar}) {
        bar->setMovable(false);
        bar->setFloatable(false);
        bar->setIconSize(QSize(16, 16));
        bar->setContextMenuPolicy(Qt::PreventContextMenu);
        bar->setStyleSheet(QStringLiteral("QToolBar { spacing: 0px; padding: 0px; border: 0px; }"));
    }
    file_bar->setGeometry(0, 0, tool_window_width, 29);
    mode_bar->setGeometry(0, 29, tool_window_width, 29);

    add_gap(file_bar, 8);
    delete_selection_button = add_button(file_bar, "delete_selection_button", false);
    select_all_button = add_button(file_bar, "select_all_button", false);
    draw_left_line_button = add_button(file_bar, "draw_left_line_button", false);
    draw_right_line_button = add_button(file_bar, "draw_right_line_button", false);
    add_gap(file_bar, 12);
    pen_midi_switch = add_button(file_bar, "pen_midi_switch", true);
    pen_show_switch = add_button(file_bar, "pen_show_switch", true);
    line_show_switch = add_button(file_bar, "line_show_switch", true);
    quantize_button = add_button(file_bar, "quantize_button", true);

    add_gap(mode_bar, 8);
    pen_draw_button = add_button(mode_bar, "pen_draw_button", true);
    line_draw_button = add_button(mode_bar, "line_draw_button", true);
    pen_select_button = add_button(mode_bar, "pen_select_button", true);
    line_select_button = add_button(mode_bar, "line_select_button", true);
    clipboard_button = add_button(mode_bar, "clipboard_button", true);
    add_gap(mode_bar, 12);
    load_drawing_button = add_button(mode_bar, "load_drawing_button", false);
    save_drawing_button = add_button(mode_bar, "save_drawing_button", false);
    add_gap(mode_bar, 8);
    undo_button = add_button(mode_bar, "undo_button", false);
    redo_button = add_button(mode_bar, "redo_button", false);
    undo_button->setIcon(
        QIcon::fromTheme(QStringLiteral("edit-undo"), style()->standardIcon(QStyle::SP_ArrowBack)));
    redo_button->setIcon(QIcon::fromTheme(QStringLiteral("edit-redo"),
                                          style()->standardIcon(QStyle::SP_ArrowForward)));
    show_history();

    show_tool_tips();

    const auto icons = load_image_list();
    const std::pair<QToolButton*, int> images[] = {
        {pen_draw_button, 0},      {line_draw_button, 1},      {pen_select_button, 2},
        {line_select_button, 3},   {clipboard_button, 4},      {delete_selection_button, 5},
        {select_all_button, 6},    {draw_left_line_button, 7}, {draw_right_line_button, 8},
        {pen_midi_switch, 9},      {pen_show_switch, 10},      {line_show_switch, 11},
        {load_drawing_button, 12}, {save_drawing_button, 13},  {quantize_button, 14},
    };
    for (const auto& [button, image] : images)
        button->setIcon(icons[std::size_t(image)]);
}

void DrawingToolsWindow::connect_buttons() {
    pen_midi_switch->setChecked(true);
    pen_show_switch->setChecked(true);
    line_show_switch->setChecked(true);

    mode_buttons_ = {pen_draw_button, line_draw_button, pen_select_button, line_select_button,
                     clipboard_button};
    using Handler = void (DrawingToolsWindow::*)();
    const Handler mode_handlers[] = {
        &DrawingToolsWindow::on_pen_draw, &DrawingToolsWindow::on_line_draw,
        &DrawingToolsWindow::on_pen_select, &DrawingToolsWindow::on_line_select,
        &DrawingToolsWindow::on_copy_to_clipboard};
    for (std::size_t i = 0; i < mode_buttons_.size(); ++i) {
        QToolButton* b = mode_buttons_[i];
        const Handler h = mode_handlers[i];
        connect(b, &QToolButton::clicked, this, [this, b, h] {
            press_mode_button(b);
            (this->*h)();
        });
        b->installEventFilter(this);
    }
    quantize_button->installEventFilter(this);
    save_drawing_button->installEventFilter(this);

    connect(delete_selection_button, &QToolButton::clicked, this,
            &DrawingToolsWindow::on_delete_selection);
    connect(select_all_button, &QToolButton::clicked, this, &DrawingToolsWindow::on_select_all);
    connect(draw_left_line_button, &QToolButton::clicked, this,
            &DrawingToolsWindow::on_draw_left_line);
    connect(draw_right_line_button, &QToolButton::clicked, this,
            &DrawingToolsWindow::on_draw_right_line);
    connect(pen_midi_switch, &QToolButton::clicked, this, &DrawingToolsWindow::on_pen_midi_toggled);
    connect(pen_show_switch, &QToolButton::clicked, this, &DrawingToolsWindow::on_pen_show_toggled);
    connect(line_show_switch, &QToolButton::clicked, this,
            &DrawingToolsWindow::on_line_show_toggled);
    connect(load_drawing_button, &QToolButton::clicked, this, &DrawingToolsWindow::on_load_drawing);
    connect(save_drawing_button, &QToolButton::clicked, this, &DrawingToolsWindow::on_save_drawing);
    connect(undo_button, &QToolButton::clicked, this, &DrawingToolsWindow::on_undo_button);
    connect(redo_button, &QToolButton::clicked, this, &DrawingToolsWindow::on_redo_button);
}

void DrawingToolsWindow::build_grid_and_menus() {
    using Handler = void (DrawingToolsWindow::*)();
    colour_grid = new ColorGrid(this);
    colour_grid->setObjectName(QStringLiteral("colour_grid"));
    colour_grid->setGeometry(8, 64, 200, 48);
    connect(colour_grid, &ColorGrid::clicked, this, &DrawingToolsWindow::on_colour_chosen);

    quantize_menu = new QMenu(this);
    quantize_menu->setObjectName(QStringLiteral("quantize_menu"));
    quantize_group_ = new QActionGroup(quantize_menu);
    quantize_group_->setExclusive(true);
    QAction** items[] = {&quantize_2_action,   &quantize_4_action,  &quantize_8_action,
                         &quantize_16_action,  &quantize_32_action, &quantize_64_action,
                         &quantize_128_action, &quantize_256_action};
    const Handler item_handlers[] = {
        &DrawingToolsWindow::on_quantize_2,   &DrawingToolsWindow::on_quantize_4,
        &DrawingToolsWindow::on_quantize_8,   &DrawingToolsWindow::on_quantize_16,
        &DrawingToolsWindow::on_quantize_32,  &DrawingToolsWindow::on_quantize_64,
        &DrawingToolsWindow::on_quantize_128, &DrawingToolsWindow::on_quantize_256};
    const char* item_names[] = {"quantize_2_action",   "quantize_4_action",  "quantize_8_action",
                                "quantize_16_action",  "quantize_32_action", "quantize_64_action",
                                "quantize_128_action", "quantize_256_action"};
    for (std::size_t i = 0; i < 8; ++i) {
        QAction* a = quantize_menu->addAction(text(drawing_texts::quantize_items[i].caption));
        a->setObjectName(QString::fromLatin1(item_names[i]));
        a->setCheckable(true);
        quantize_group_->addAction(a);
        *items[i] = a;
        connect(a, &QAction::triggered, this, item_handlers[i]);
    }
    quantize_16_action->setChecked(true);

    save_menu = new QMenu(this);
    save_menu->setObjectName(QStringLiteral("save_menu"));
    save_as_item = save_menu->addAction(text(drawing_texts::save_as));
    save_as_item->setObjectName(QStringLiteral("save_as_item"));
    connect(save_as_item, &QAction::triggered, this, &DrawingToolsWindow::on_save_as_item);

    // The palette of draw values comes from the grid, as it shows the colours;
    // stepping through the cells leaves the foreground at cell 15.
    draw_.draw_palette.fill(draw_highlight);
    for (int i = 0; i < 16; ++i) {
        colour_grid->setForegroundIndex(i);
        const QColor c = colour_grid->foregroundColor();
        draw_.draw_palette[std::size_t(i + 1)] =
            Rgb{std::uint8_t(c.red()), std::uint8_t(c.green()), std::uint8_t(c.blue())};
    }
}

void DrawingToolsWindow::place_window(const QRect& main_frame) {
    move(place_beside(main_frame, frameGeometry().size(),
                      screen_area_of(main_frame, available_screens())));
}

DrawMode DrawingToolsWindow::mode() const {
    if (pen_draw_button->isChecked()) return DrawMode::pen_draw;
    if (line_draw_button->isChecked()) return DrawMode::line_draw;
    if (pen_select_button->isChecked()) return DrawMode::pen_select;
    if (line_select_button->isChecked()) return DrawMode::line_select;
    if (clipboard_button->isChecked()) return DrawMode::clipboard;
    return DrawMode::none;
}

ToolState DrawingToolsWindow::tool_state() const {
    ToolState t;
    t.mode = mode();
    t.pen_midi = pen_midi_switch->isChecked();
    t.pen_show = pen_show_switch->isChecked();
    t.line_show = line_show_switch->isChecked();
    t.quantize = quantize_button->isChecked();
    t.quantize_division = quantize_division;
    t.colour = colour_grid->foregroundIndex() + 1;
    return t;
}

int DrawingToolsWindow::frame_count() const {
    return host_.frame_count();
}

void DrawingToolsWindow::redraw() {
    host_.write_graph();
}

void DrawingToolsWindow::reset_draw_select() {
    pitkad::reset_draw_select(draw_, frame_count());
}

// Pressing a grouped button puts it down and the others up; pressing the
// one that is down leaves it down.
void DrawingToolsWindow::press_mode_button(QToolButton* button) {
    for (QToolButton* b : mode_buttons_)
        b->setChecked(b == button);
}

void DrawingToolsWindow::release_mode_buttons() {
    for (QToolButton* b : mode_buttons_)
        b->setChecked(false);
}

bool DrawingToolsWindow::toggle_mode_key(int f) {
    if (!isVisible() || f < 1 || f > 4) return false;
    QToolButton* b = mode_buttons_[std::size_t(f - 1)];
    if (b->isChecked())
        b->setChecked(false);
    else
        press_mode_button(b);
    reset_draw_select();
    redraw();
    return true;
}

void DrawingToolsWindow::on_pen_draw() {
    reset_draw_select();
    redraw();
}
void DrawingToolsWindow::on_line_draw() {
    reset_draw_select();
    redraw();
}
void DrawingToolsWindow::on_pen_select() {
    reset_draw_select();
    redraw();
}
void DrawingToolsWindow::on_line_select() {
    reset_draw_select();
    redraw();
}
void DrawingToolsWindow::on_copy_to_clipboard() {
    reset_draw_select();
    redraw();
}

void DrawingToolsWindow::on_mode_button_pressed(Qt::MouseButtons buttons) {
    if (!(buttons & Qt::RightButton)) return;
    release_mode_buttons();
    reset_draw_select();
    redraw();
}

void DrawingToolsWindow::on_hidden() {
    release_mode_buttons();
    reset_draw_select();
    redraw();
}

void DrawingToolsWindow::handle_key(int key, Qt::KeyboardModifiers shift) {
    host_.key_down(key, shift);
}

template <typename Fn> void DrawingToolsWindow::edit(Fn fn) {
    record_step(&history_, draw_, channels_, fn);
}

void DrawingToolsWindow::on_select_all() {
    all_select(draw_, frame_count(), mode());
    redraw();
}

void DrawingToolsWindow::on_delete_selection() {
    edit([&] { select_del(draw_, frame_count(), mode()); });
    redraw();
}

void DrawingToolsWindow::on_colour_chosen() {
    edit([&] {
        recolour_selected(draw_, frame_count(), mode(), colour_grid->foregroundIndex() + 1);
    });
    redraw();
}

void DrawingToolsWindow::on_draw_left_line() {
    if (mode() != DrawMode::line_select) return;
    bool laid = false;
    edit([&] {
        laid = copy_line_interval(draw_, frame_count(), CopyDirection::left,
                                  colour_grid->foregroundIndex() + 1);
    });
    if (laid) redraw();
}

void DrawingToolsWindow::on_draw_right_line() {
    if (mode() != DrawMode::line_select) return;
    bool laid = false;
    edit([&] {
        laid = copy_line_interval(draw_, frame_count(), CopyDirection::right,
                                  colour_grid->foregroundIndex() + 1);
    });
    if (laid) redraw();
}

void DrawingToolsWindow::on_pen_show_toggled() {
    redraw();
}
void DrawingToolsWindow::on_line_show_toggled() {
    redraw();
}
void DrawingToolsWindow::on_pen_midi_toggled() {
    host_.midi_off();
}

void DrawingToolsWindow::show_quantize_menu(Qt::MouseButtons buttons) {
    if (!(buttons & Qt::RightButton)) return;
    quantize_menu->exec(QCursor::pos());
}

void DrawingToolsWindow::set_quantize_division(QAction* item, int division) {
    item->setChecked(true);
    quantize_division = division;
}

void DrawingToolsWindow::on_quantize_2() {
    set_quantize_division(quantize_2_action, 2);
}
void DrawingToolsWindow::on_quantize_4() {
    set_quantize_division(quantize_4_action, 4);
}
void DrawingToolsWindow::on_quantize_8() {
    set_quantize_division(quantize_8_action, 8);
}
void DrawingToolsWindow::on_quantize_16() {
    set_quantize_division(quantize_16_action, 16);
}
void DrawingToolsWindow::on_quantize_32() {
    set_quantize_division(quantize_32_action, 32);
}
void DrawingToolsWindow::on_quantize_64() {
    set_quantize_division(quantize_64_action, 64);
}
void DrawingToolsWindow::on_quantize_128() {
    set_quantize_division(quantize_128_action, 128);
}
void DrawingToolsWindow::on_quantize_256() {
    set_quantize_division(quantize_256_action, 256);
}

void DrawingToolsWindow::on_load_drawing() {
    if (host_.play_state() == PlayState::no_recording) return;
    host_.load_drawing();
    redraw();
}

void DrawingToolsWindow::on_undo_button() {
    host_.undo();
}

void DrawingToolsWindow::on_redo_button() {
    host_.redo();
}

void DrawingToolsWindow::show_history() {
    undo_button->setEnabled(history_.can_undo());
    redo_button->setEnabled(history_.can_redo());
}

void DrawingToolsWindow::show_save_menu(Qt::MouseButtons buttons) {
    if (!(buttons & Qt::RightButton)) return;
    save_menu->exec(QCursor::pos());
}

void DrawingToolsWindow::on_save_as_item() {
    if (host_.play_state() == PlayState::no_recording) return;
    host_.save_drawing_as();
    redraw();
}

void DrawingToolsWindow::on_save_drawing() {
    if (host_.play_state() == PlayState::no_recording) return;
    host_.save_drawing();
    // Saving cleared the selection; show that.
    redraw();
}

bool DrawingToolsWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        const auto* m = static_cast<QMouseEvent*>(event);
        if (watched == quantize_button) {
            if (m->button() == Qt::RightButton) {
                show_quantize_menu(m->buttons());
                return true;
            }
        } else if (watched == save_drawing_button) {
            if (m->button() == Qt::RightButton) {
                show_save_menu(m->buttons());
                return true;
            }
        } else if (std::find(mode_buttons_.begin(), mode_buttons_.end(), watched) !=
                   mode_buttons_.end()) {
            if (m->buttons() & Qt::RightButton) {
                on_mode_button_pressed(m->buttons());
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void DrawingToolsWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (!event->spontaneous()) on_hidden();
}

void DrawingToolsWindow::keyPressEvent(QKeyEvent* event) {
    handle_key(event->key(), event->modifiers());
    QWidget::keyPressEvent(event);
}

} // namespace pitkad
