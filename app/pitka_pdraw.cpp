#include "app/pitka_pdraw.h"

#include "app/app_texts.h"
#include "app/colour_grid.h"
#include "app/language.h"
#include "drawing/draw_file.h"
#include "drawing/draw_ops.h"
#include "drawing/drawing_texts.h"

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

TForm2::TForm2(DrawData& draw, MidiPort& midi, DrawHistory& history, Form2Host& host,
               QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      draw_(draw), midi_(midi), history_(history), host_(host) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(text(drawing_texts::tool_caption));
    setFixedSize(tool_window_width, 120);
    setFocusPolicy(Qt::StrongFocus);
    FormCreate();
}

QToolButton* TForm2::add_button(QToolBar* bar, const char* name, bool checkable) {
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
void TForm2::show_tool_tips() {
    struct ButtonTip {
        QToolButton* button;
        const char* command;
        QKeySequence key;
    };
    const ButtonTip tips[] = {
        {PenDrawButton, PITKAD_TR("PitkaD", "ペン描画"), QKeySequence(Qt::Key_F1)},
        {LineDrawButton, PITKAD_TR("PitkaD", "ライン描画"), QKeySequence(Qt::Key_F2)},
        {PenSelectButton, PITKAD_TR("PitkaD", "ペン選択"), QKeySequence(Qt::Key_F3)},
        {LineselectButton, PITKAD_TR("PitkaD", "ライン選択"), QKeySequence(Qt::Key_F4)},
        {ClipboardButton, PITKAD_TR("PitkaD", "クリップボードへコピー"), {}},
        {SelectDelButton, PITKAD_TR("PitkaD", "選択を削除"), QKeySequence(Qt::Key_Delete)},
        {AllSelectButton, PITKAD_TR("PitkaD", "すべて選択"), {}},
        {DrawLeftLineButton, PITKAD_TR("PitkaD", "線の間隔を左へ複製"), {}},
        {DrawRightLineButton, PITKAD_TR("PitkaD", "線の間隔を右へ複製"), {}},
        {PenMidiSwitch, PITKAD_TR("PitkaD", "描画をMIDIで鳴らす"), {}},
        {PenShowSwitch, PITKAD_TR("PitkaD", "音符を表示"), {}},
        {LineShowSwitch, PITKAD_TR("PitkaD", "線を表示"), {}},
        {QuantizeButton, PITKAD_TR("PitkaD", "量子化"), {}},
        {LoadDrawButton, PITKAD_TR("PitkaD", "描画を読み込む"), {}},
        {SaveDrawButton, PITKAD_TR("PitkaD", "描画を保存"), {}},
        {UndoButton, texts::undo_item, QKeySequence(Qt::CTRL | Qt::Key_Z)},
        {RedoButton, texts::redo_item, QKeySequence(Qt::CTRL | Qt::Key_Y)},
    };
    for (const ButtonTip& t : tips) {
        QString tip = tr_text(t.command);
        if (!t.key.isEmpty())
            tip += QStringLiteral(" (%1)").arg(t.key.toString(QKeySequence::NativeText));
        t.button->setToolTip(tip);
    }
}

void TForm2::FormCreate() {
    ToolBar2 = new QToolBar(this);
    ToolBar2->setObjectName(QStringLiteral("ToolBar2"));
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    for (QToolBar* bar : {ToolBar2, ToolBar1}) {
        bar->setMovable(false);
        bar->setFloatable(false);
        bar->setIconSize(QSize(16, 16));
        bar->setContextMenuPolicy(Qt::PreventContextMenu);
        bar->setStyleSheet(QStringLiteral("QToolBar { spacing: 0px; padding: 0px; border: 0px; }"));
    }
    ToolBar2->setGeometry(0, 0, tool_window_width, 29);
    ToolBar1->setGeometry(0, 29, tool_window_width, 29);

    add_gap(ToolBar2, 8);
    SelectDelButton = add_button(ToolBar2, "SelectDelButton", false);
    AllSelectButton = add_button(ToolBar2, "AllSelectButton", false);
    DrawLeftLineButton = add_button(ToolBar2, "DrawLeftLineButton", false);
    DrawRightLineButton = add_button(ToolBar2, "DrawRightLineButton", false);
    add_gap(ToolBar2, 12);
    PenMidiSwitch = add_button(ToolBar2, "PenMidiSwitch", true);
    PenShowSwitch = add_button(ToolBar2, "PenShowSwitch", true);
    LineShowSwitch = add_button(ToolBar2, "LineShowSwitch", true);
    QuantizeButton = add_button(ToolBar2, "QuantizeButton", true);

    add_gap(ToolBar1, 8);
    PenDrawButton = add_button(ToolBar1, "PenDrawButton", true);
    LineDrawButton = add_button(ToolBar1, "LineDrawButton", true);
    PenSelectButton = add_button(ToolBar1, "PenSelectButton", true);
    LineselectButton = add_button(ToolBar1, "LineselectButton", true);
    ClipboardButton = add_button(ToolBar1, "ClipboardButton", true);
    add_gap(ToolBar1, 12);
    LoadDrawButton = add_button(ToolBar1, "LoadDrawButton", false);
    SaveDrawButton = add_button(ToolBar1, "SaveDrawButton", false);
    add_gap(ToolBar1, 8);
    UndoButton = add_button(ToolBar1, "UndoButton", false);
    RedoButton = add_button(ToolBar1, "RedoButton", false);
    UndoButton->setIcon(
        QIcon::fromTheme(QStringLiteral("edit-undo"), style()->standardIcon(QStyle::SP_ArrowBack)));
    RedoButton->setIcon(QIcon::fromTheme(QStringLiteral("edit-redo"),
                                         style()->standardIcon(QStyle::SP_ArrowForward)));
    show_history();

    show_tool_tips();

    const auto icons = load_image_list();
    const std::pair<QToolButton*, int> images[] = {
        {PenDrawButton, 0},    {LineDrawButton, 1},     {PenSelectButton, 2},
        {LineselectButton, 3}, {ClipboardButton, 4},    {SelectDelButton, 5},
        {AllSelectButton, 6},  {DrawLeftLineButton, 7}, {DrawRightLineButton, 8},
        {PenMidiSwitch, 9},    {PenShowSwitch, 10},     {LineShowSwitch, 11},
        {LoadDrawButton, 12},  {SaveDrawButton, 13},    {QuantizeButton, 14},
    };
    for (const auto& [button, image] : images)
        button->setIcon(icons[std::size_t(image)]);

    PenMidiSwitch->setChecked(true);
    PenShowSwitch->setChecked(true);
    LineShowSwitch->setChecked(true);
    QuantizeButton->setProperty("Tag", QuantizeButtonTag);

    mode_buttons_ = {PenDrawButton, LineDrawButton, PenSelectButton, LineselectButton,
                     ClipboardButton};
    using Handler = void (TForm2::*)();
    const Handler mode_handlers[] = {&TForm2::PenDrawButtonClick, &TForm2::LineDrawButtonClick,
                                     &TForm2::PenSelectButtonClick, &TForm2::LineselectButtonClick,
                                     &TForm2::ClipboardButtonClick};
    for (std::size_t i = 0; i < mode_buttons_.size(); ++i) {
        QToolButton* b = mode_buttons_[i];
        const Handler h = mode_handlers[i];
        connect(b, &QToolButton::clicked, this, [this, b, h] {
            press_mode_button(b);
            (this->*h)();
        });
        b->installEventFilter(this);
    }
    QuantizeButton->installEventFilter(this);
    SaveDrawButton->installEventFilter(this);

    connect(SelectDelButton, &QToolButton::clicked, this, &TForm2::SelectDelButtonClick);
    connect(AllSelectButton, &QToolButton::clicked, this, &TForm2::AllSelectButtonClick);
    connect(DrawLeftLineButton, &QToolButton::clicked, this, &TForm2::DrawLeftLineButtonClick);
    connect(DrawRightLineButton, &QToolButton::clicked, this, &TForm2::DrawRightLineButtonClick);
    connect(PenMidiSwitch, &QToolButton::clicked, this, &TForm2::PenMidiSwitchClick);
    connect(PenShowSwitch, &QToolButton::clicked, this, &TForm2::PenShowSwitchClick);
    connect(LineShowSwitch, &QToolButton::clicked, this, &TForm2::LineShowSwitchClick);
    connect(LoadDrawButton, &QToolButton::clicked, this, &TForm2::LoadDrawButtonClick);
    connect(SaveDrawButton, &QToolButton::clicked, this, &TForm2::SaveDrawButtonClick);
    connect(UndoButton, &QToolButton::clicked, this, &TForm2::UndoButtonClick);
    connect(RedoButton, &QToolButton::clicked, this, &TForm2::RedoButtonClick);

    ColorGrid1 = new ColorGrid(this);
    ColorGrid1->setObjectName(QStringLiteral("ColorGrid1"));
    ColorGrid1->setGeometry(8, 64, 200, 48);
    connect(ColorGrid1, &ColorGrid::clicked, this, &TForm2::ColorGrid1Click);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    quantize_group_ = new QActionGroup(PopupMenu1);
    quantize_group_->setExclusive(true);
    QAction** items[] = {&N121, &N141, &N181, &N1161, &N1321, &N1641, &N11281, &N12561};
    const Handler item_handlers[] = {&TForm2::N121Click,   &TForm2::N141Click,  &TForm2::N181Click,
                                     &TForm2::N1161Click,  &TForm2::N1321Click, &TForm2::N1641Click,
                                     &TForm2::N11281Click, &TForm2::N12561Click};
    const char* item_names[] = {"N121",  "N141",  "N181",   "N1161",
                                "N1321", "N1641", "N11281", "N12561"};
    for (std::size_t i = 0; i < 8; ++i) {
        QAction* a = PopupMenu1->addAction(text(drawing_texts::quantize_items[i].caption));
        a->setObjectName(QString::fromLatin1(item_names[i]));
        a->setCheckable(true);
        quantize_group_->addAction(a);
        *items[i] = a;
        connect(a, &QAction::triggered, this, item_handlers[i]);
    }
    N1161->setChecked(true);

    SaveMenu = new QMenu(this);
    SaveMenu->setObjectName(QStringLiteral("SaveMenu"));
    SaveAsItem = SaveMenu->addAction(text(drawing_texts::save_as));
    SaveAsItem->setObjectName(QStringLiteral("SaveAsItem"));
    connect(SaveAsItem, &QAction::triggered, this, &TForm2::SaveAsItemClick);

    // The palette of draw values comes from the grid, as it shows the colours;
    // stepping through the cells leaves the foreground at cell 15.
    draw_.draw_palette.fill(draw_highlight);
    for (int i = 0; i < 16; ++i) {
        ColorGrid1->setForegroundIndex(i);
        const QColor c = ColorGrid1->foregroundColor();
        draw_.draw_palette[std::size_t(i + 1)] =
            Rgb{std::uint8_t(c.red()), std::uint8_t(c.green()), std::uint8_t(c.blue())};
    }
}

void TForm2::place_window(const QRect& main_frame) {
    move(main_frame.left() + main_frame.width() - frameGeometry().width(), main_frame.top() + 30);
}

DrawMode TForm2::mode() const {
    if (PenDrawButton->isChecked()) return DrawMode::pen_draw;
    if (LineDrawButton->isChecked()) return DrawMode::line_draw;
    if (PenSelectButton->isChecked()) return DrawMode::pen_select;
    if (LineselectButton->isChecked()) return DrawMode::line_select;
    if (ClipboardButton->isChecked()) return DrawMode::clipboard;
    return DrawMode::none;
}

ToolState TForm2::tool_state() const {
    ToolState t;
    t.mode = mode();
    t.pen_midi = PenMidiSwitch->isChecked();
    t.pen_show = PenShowSwitch->isChecked();
    t.line_show = LineShowSwitch->isChecked();
    t.quantize = QuantizeButton->isChecked();
    t.quantize_division = QuantizeButtonTag;
    t.colour = ColorGrid1->foregroundIndex() + 1;
    return t;
}

int TForm2::frame_count() const {
    return host_.frame_count();
}

void TForm2::redraw() {
    host_.write_graph();
}

void TForm2::reset_draw_select() {
    pitkad::reset_draw_select(draw_, frame_count());
}

// Pressing a grouped button puts it down and the others up; pressing the
// one that is down leaves it down.
void TForm2::press_mode_button(QToolButton* button) {
    for (QToolButton* b : mode_buttons_)
        b->setChecked(b == button);
}

void TForm2::release_mode_buttons() {
    for (QToolButton* b : mode_buttons_)
        b->setChecked(false);
}

bool TForm2::toggle_mode_key(int f) {
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

void TForm2::PenDrawButtonClick() {
    reset_draw_select();
    redraw();
}
void TForm2::LineDrawButtonClick() {
    reset_draw_select();
    redraw();
}
void TForm2::PenSelectButtonClick() {
    reset_draw_select();
    redraw();
}
void TForm2::LineselectButtonClick() {
    reset_draw_select();
    redraw();
}
void TForm2::ClipboardButtonClick() {
    reset_draw_select();
    redraw();
}

void TForm2::DrawModeSelectButtonDown(Qt::MouseButtons buttons) {
    if (!(buttons & Qt::RightButton)) return;
    release_mode_buttons();
    reset_draw_select();
    redraw();
}

void TForm2::FormHide() {
    release_mode_buttons();
    reset_draw_select();
    redraw();
}

void TForm2::FormKeyDown(int key, Qt::KeyboardModifiers shift) {
    host_.form_key_down(key, shift);
}

template <typename Fn> void TForm2::edit(Fn fn) {
    record_step(&history_, draw_, midi_.tables, fn);
}

void TForm2::AllSelectButtonClick() {
    all_select(draw_, frame_count(), mode());
    redraw();
}

void TForm2::SelectDelButtonClick() {
    edit([&] { select_del(draw_, frame_count(), mode()); });
    redraw();
}

void TForm2::ColorGrid1Click() {
    edit([&] {
        recolour_selected(draw_, frame_count(), mode(), ColorGrid1->foregroundIndex() + 1);
    });
    redraw();
}

void TForm2::DrawLeftLineButtonClick() {
    if (mode() != DrawMode::line_select) return;
    bool laid = false;
    edit([&] {
        laid = copy_line_interval(draw_, frame_count(), CopyDirection::left,
                                  ColorGrid1->foregroundIndex() + 1);
    });
    if (laid) redraw();
}

void TForm2::DrawRightLineButtonClick() {
    if (mode() != DrawMode::line_select) return;
    bool laid = false;
    edit([&] {
        laid = copy_line_interval(draw_, frame_count(), CopyDirection::right,
                                  ColorGrid1->foregroundIndex() + 1);
    });
    if (laid) redraw();
}

void TForm2::PenShowSwitchClick() {
    redraw();
}
void TForm2::LineShowSwitchClick() {
    redraw();
}
void TForm2::PenMidiSwitchClick() {
    host_.midi_off();
}

void TForm2::QuantizeButtonMouseDown(Qt::MouseButtons buttons) {
    if (!(buttons & Qt::RightButton)) return;
    PopupMenu1->exec(QCursor::pos());
}

void TForm2::set_quantize_division(QAction* item, int division) {
    item->setChecked(true);
    QuantizeButtonTag = division;
    QuantizeButton->setProperty("Tag", division);
}

void TForm2::N121Click() {
    set_quantize_division(N121, 2);
}
void TForm2::N141Click() {
    set_quantize_division(N141, 4);
}
void TForm2::N181Click() {
    set_quantize_division(N181, 8);
}
void TForm2::N1161Click() {
    set_quantize_division(N1161, 16);
}
void TForm2::N1321Click() {
    set_quantize_division(N1321, 32);
}
void TForm2::N1641Click() {
    set_quantize_division(N1641, 64);
}
void TForm2::N11281Click() {
    set_quantize_division(N11281, 128);
}
void TForm2::N12561Click() {
    set_quantize_division(N12561, 256);
}

bool TForm2::loaddrawdat() {
    const auto image =
        read_draw_file(QFile::encodeName(host_.draw_file_name()).toStdString(), frame_count());
    if (!image) return false;
    host_.midi_off();
    apply_draw_file(*image, draw_, midi_.tables);
    midi_.set_midi_program();
    history_.clear();
    return true;
}

void TForm2::LoadDrawButtonClick() {
    if (host_.play_state() == PlayState::no_recording) return;
    const QString name = host_.draw_file_name();
    if (!QFileInfo::exists(name)) {
        host_.show_message(name + text(drawing_texts::not_found));
    } else {
        // Loading replaces the drawing: an unsaved one is asked about first.
        // After a save the file read is the one just written.
        if (!host_.confirm_drawing_saved()) return;
        if (!loaddrawdat()) host_.show_message(name + text(drawing_texts::cannot_read));
    }
    redraw();
}

void TForm2::UndoButtonClick() {
    host_.undo();
}

void TForm2::RedoButtonClick() {
    host_.redo();
}

void TForm2::show_history() {
    UndoButton->setEnabled(history_.can_undo());
    RedoButton->setEnabled(history_.can_redo());
}

bool TForm2::save_draw() {
    if (host_.play_state() == PlayState::no_recording) return true;
    const QString name = host_.draw_file_name();
    if (!save_draw_data(QFile::encodeName(name).toStdString(), draw_, frame_count(),
                        midi_.tables)) {
        host_.show_message(name + text(drawing_texts::cannot_write));
        return false;
    }
    host_.drawing_saved();
    return true;
}

void TForm2::SaveDrawButtonMouseDown(Qt::MouseButtons buttons) {
    if (!(buttons & Qt::RightButton)) return;
    SaveMenu->exec(QCursor::pos());
}

void TForm2::SaveAsItemClick() {
    if (host_.play_state() == PlayState::no_recording) return;
    host_.save_drawing_as();
    redraw();
}

void TForm2::SaveDrawButtonClick() {
    if (host_.play_state() == PlayState::no_recording) return;
    save_draw();
    // Saving cleared the selection; show that.
    redraw();
}

bool TForm2::drawing_modified() const {
    return draw_.modified && host_.play_state() != PlayState::no_recording;
}

bool TForm2::settle_unsaved(UnsavedChoice choice) {
    switch (choice) {
    case UnsavedChoice::save:
        return save_draw();
    case UnsavedChoice::discard:
        return true;
    case UnsavedChoice::cancel:
        return false;
    }
    return false;
}

bool TForm2::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        const auto* m = static_cast<QMouseEvent*>(event);
        if (watched == QuantizeButton) {
            if (m->button() == Qt::RightButton) {
                QuantizeButtonMouseDown(m->buttons());
                return true;
            }
        } else if (watched == SaveDrawButton) {
            if (m->button() == Qt::RightButton) {
                SaveDrawButtonMouseDown(m->buttons());
                return true;
            }
        } else if (std::find(mode_buttons_.begin(), mode_buttons_.end(), watched) !=
                   mode_buttons_.end()) {
            if (m->buttons() & Qt::RightButton) {
                DrawModeSelectButtonDown(m->buttons());
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TForm2::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (!event->spontaneous()) FormHide();
}

void TForm2::keyPressEvent(QKeyEvent* event) {
    FormKeyDown(event->key(), event->modifiers());
    QWidget::keyPressEvent(event);
}

} // namespace pitkad
