#pragma once
// The drawing-tools window: drawing modes, display and MIDI switches, the
// colour grid, the quantise setting, the selection commands, the
// drawing file's buttons and undo and redo. Each command that edits is one
// step of the drawing history. Its buttons are the tool state the editor, the
// renderer and the playback tick read through tool_state().

#include "drawing/draw_data.h"
#include "drawing/draw_history.h"
#include "drawing/tool_state.h"
#include "midi/channel_settings.h"
#include "view/view_state.h"

#include <QString>
#include <QWidget>

#include <array>

class QAction;
class QActionGroup;
class QMenu;
class QToolBar;
class QToolButton;

namespace pitkad {

class ColorGrid;

// What the tool window needs from the main window.
class DrawingToolsHost {
  public:
    virtual ~DrawingToolsHost() = default;
    virtual void write_graph() = 0;
    // Silences every sounding note.
    virtual void midi_off() = 0;
    // The main window's keyboard map.
    virtual void key_down(int key, Qt::KeyboardModifiers shift) = 0;
    virtual PlayState play_state() const = 0;
    virtual int frame_count() const = 0;
    // The drawing file's commands, carried out by the open document.
    virtual void save_drawing() = 0;
    // "名前を付けて保存": asks for a file, saves there and remembers it.
    virtual void save_drawing_as() = 0;
    // Reads the drawing file again, after asking about an unsaved drawing.
    virtual void load_drawing() = 0;
    // The main window's undo and redo commands.
    virtual void undo() = 0;
    virtual void redo() = 0;
};

class DrawingToolsWindow : public QWidget {
    Q_OBJECT
  public:
    DrawingToolsWindow(DrawData& draw, const MidiChannelSettings& channels, DrawHistory& history,
                       DrawingToolsHost& host, QWidget* parent = nullptr);

    ToolState tool_state() const;
    DrawMode mode() const;

    // Puts the window beside the main window's frame (place_beside), on
    // the screen the main window is on.
    void place_window(const QRect& main_frame);

    // F1 … F4 while the window is visible: toggles the pen drawing, line
    // drawing, pen selection or line selection button, clears the selection
    // and redraws. Returns false (nothing done) while hidden.
    bool toggle_mode_key(int f);

    void reset_draw_select();
    // The drawing file's buttons: the open document loads and saves.
    void on_load_drawing();
    void on_save_drawing();
    // The save button's right-click menu: its one item saves under a new name.
    void show_save_menu(Qt::MouseButtons buttons);
    void on_save_as_item();

    void on_pen_draw();
    void on_line_draw();
    void on_pen_select();
    void on_line_select();
    void on_copy_to_clipboard();
    void on_mode_button_pressed(Qt::MouseButtons buttons);
    void on_hidden();
    void handle_key(int key, Qt::KeyboardModifiers shift);
    void on_select_all();
    void on_delete_selection();
    void on_colour_chosen();
    void on_draw_left_line();
    void on_draw_right_line();
    void on_pen_show_toggled();
    void on_line_show_toggled();
    void on_pen_midi_toggled();
    void show_quantize_menu(Qt::MouseButtons buttons);
    void on_quantize_2();
    void on_quantize_4();
    void on_quantize_8();
    void on_quantize_16();
    void on_quantize_32();
    void on_quantize_64();
    void on_quantize_128();
    void on_quantize_256();
    void on_undo_button();
    void on_redo_button();
    // Enables the undo and redo buttons as the history allows.
    void show_history();
    // The buttons' tool tips in the language in force.
    void show_tool_tips();

    // Controls, by their names.
    QToolBar* mode_bar = nullptr;
    QToolBar* file_bar = nullptr;
    QToolButton* pen_draw_button = nullptr;
    QToolButton* line_draw_button = nullptr;
    QToolButton* pen_select_button = nullptr;
    QToolButton* line_select_button = nullptr;
    QToolButton* clipboard_button = nullptr;
    QToolButton* delete_selection_button = nullptr;
    QToolButton* select_all_button = nullptr;
    QToolButton* draw_left_line_button = nullptr;
    QToolButton* draw_right_line_button = nullptr;
    QToolButton* pen_midi_switch = nullptr;
    QToolButton* pen_show_switch = nullptr;
    QToolButton* line_show_switch = nullptr;
    QToolButton* quantize_button = nullptr;
    QToolButton* load_drawing_button = nullptr;
    QToolButton* save_drawing_button = nullptr;
    QToolButton* undo_button = nullptr;
    QToolButton* redo_button = nullptr;
    ColorGrid* colour_grid = nullptr;
    QMenu* quantize_menu = nullptr;
    QMenu* save_menu = nullptr;
    QAction* save_as_item = nullptr;
    QAction* quantize_2_action = nullptr;
    QAction* quantize_4_action = nullptr;
    QAction* quantize_8_action = nullptr;
    QAction* quantize_16_action = nullptr;
    QAction* quantize_32_action = nullptr;
    QAction* quantize_64_action = nullptr;
    QAction* quantize_128_action = nullptr;
    QAction* quantize_256_action = nullptr;
    // quantize_button's tag: the quantise division.
    int quantize_division = 16;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void start_up();
    void build_buttons();
    void connect_buttons();
    // The colour grid, the quantise and save popups, and the palette.
    void build_grid_and_menus();
    QToolButton* add_button(QToolBar* bar, const char* name, bool checkable);
    void press_mode_button(QToolButton* button);
    void release_mode_buttons();
    void set_quantize_division(QAction* item, int division);
    void redraw();
    int frame_count() const;

    std::array<QToolButton*, 5> mode_buttons_{};
    QActionGroup* quantize_group_ = nullptr;
    // Runs an edit of the drawing as one step of the history.
    template <typename Fn> void edit(Fn fn);

    DrawData& draw_;
    const MidiChannelSettings& channels_;
    DrawHistory& history_;
    DrawingToolsHost& host_;
};

} // namespace pitkad
