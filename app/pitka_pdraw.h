#pragma once
// TForm2, the drawing-tool window: drawing modes, display and MIDI switches,
// the colour grid, the quantise setting, the selection commands, the
// drawing file's buttons and undo and redo. Each command that edits is one
// step of the drawing history. Its buttons are the tool state the editor, the
// renderer and the playback tick read through tool_state().

#include "drawing/draw_data.h"
#include "drawing/draw_history.h"
#include "drawing/tool_state.h"
#include "midi/midi_port.h"
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
class Form2Host {
  public:
    virtual ~Form2Host() = default;
    virtual void write_graph() = 0;
    // Silences every sounding note.
    virtual void midi_off() = 0;
    // The main window's keyboard map.
    virtual void form_key_down(int key, Qt::KeyboardModifiers shift) = 0;
    virtual PlayState play_state() const = 0;
    virtual int frame_count() const = 0;
    virtual QString draw_file_name() const = 0;
    // A message box with OK.
    virtual void show_message(const QString& text) = 0;
    // "名前を付けて保存": asks for a file, saves there and remembers it.
    virtual void save_drawing_as() = 0;
    // The drawing was written to its file (its recovery copy may go).
    virtual void drawing_saved() = 0;
    // The main window's question about an unsaved drawing (the one opening
    // a recording asks); false when the user cancelled or the save failed.
    virtual bool confirm_drawing_saved() = 0;
    // The main window's undo and redo commands.
    virtual void undo() = 0;
    virtual void redo() = 0;
};

class TForm2 : public QWidget {
    Q_OBJECT
  public:
    TForm2(DrawData& draw, MidiPort& midi, DrawHistory& history, Form2Host& host,
           QWidget* parent = nullptr);

    ToolState tool_state() const;
    DrawMode mode() const;

    // Puts the window's top 30 pixels below the main window's top and its
    // right edge on the main window's right edge.
    void place_window(const QRect& main_frame);

    // F1 … F4 while the window is visible: toggles the pen drawing, line
    // drawing, pen selection or line selection button, clears the selection
    // and redraws. Returns false (nothing done) while hidden.
    bool toggle_mode_key(int f);

    void reset_draw_select();
    // The drawing file: silent load for the open sequence (true when the
    // file was read and applied; the history is then cleared), and the two
    // buttons with their messages. The load button asks about an unsaved
    // drawing first.
    bool loaddrawdat();
    void LoadDrawButtonClick();
    void SaveDrawButtonClick();
    // The save button's right-click menu: its one item saves under a new name.
    void SaveDrawButtonMouseDown(Qt::MouseButtons buttons);
    void SaveAsItemClick();
    // Saves like the button; true when saved, or when no recording is open.
    bool save_draw();
    // The drawing of the open recording differs from its file.
    bool drawing_modified() const;
    // Before opening another recording or closing, the main window asks
    // drawing_texts::unsaved_prompt when drawing_modified() and passes the
    // answer here: true when it may go on (saved, or discarded), false when
    // cancelled or the save failed (its message has been shown).
    enum class UnsavedChoice { save, discard, cancel };
    bool settle_unsaved(UnsavedChoice choice);

    void PenDrawButtonClick();
    void LineDrawButtonClick();
    void PenSelectButtonClick();
    void LineselectButtonClick();
    void ClipboardButtonClick();
    void DrawModeSelectButtonDown(Qt::MouseButtons buttons);
    void FormHide();
    void FormKeyDown(int key, Qt::KeyboardModifiers shift);
    void AllSelectButtonClick();
    void SelectDelButtonClick();
    void ColorGrid1Click();
    void DrawLeftLineButtonClick();
    void DrawRightLineButtonClick();
    void PenShowSwitchClick();
    void LineShowSwitchClick();
    void PenMidiSwitchClick();
    void QuantizeButtonMouseDown(Qt::MouseButtons buttons);
    void N121Click();
    void N141Click();
    void N181Click();
    void N1161Click();
    void N1321Click();
    void N1641Click();
    void N11281Click();
    void N12561Click();
    void UndoButtonClick();
    void RedoButtonClick();
    // Enables the undo and redo buttons as the history allows.
    void show_history();
    // The buttons' tool tips in the language in force.
    void show_tool_tips();

    // Controls, by their names.
    QToolBar* ToolBar1 = nullptr;
    QToolBar* ToolBar2 = nullptr;
    QToolButton* PenDrawButton = nullptr;
    QToolButton* LineDrawButton = nullptr;
    QToolButton* PenSelectButton = nullptr;
    QToolButton* LineselectButton = nullptr;
    QToolButton* ClipboardButton = nullptr;
    QToolButton* SelectDelButton = nullptr;
    QToolButton* AllSelectButton = nullptr;
    QToolButton* DrawLeftLineButton = nullptr;
    QToolButton* DrawRightLineButton = nullptr;
    QToolButton* PenMidiSwitch = nullptr;
    QToolButton* PenShowSwitch = nullptr;
    QToolButton* LineShowSwitch = nullptr;
    QToolButton* QuantizeButton = nullptr;
    QToolButton* LoadDrawButton = nullptr;
    QToolButton* SaveDrawButton = nullptr;
    QToolButton* UndoButton = nullptr;
    QToolButton* RedoButton = nullptr;
    ColorGrid* ColorGrid1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QMenu* SaveMenu = nullptr;
    QAction* SaveAsItem = nullptr;
    QAction* N121 = nullptr;
    QAction* N141 = nullptr;
    QAction* N181 = nullptr;
    QAction* N1161 = nullptr;
    QAction* N1321 = nullptr;
    QAction* N1641 = nullptr;
    QAction* N11281 = nullptr;
    QAction* N12561 = nullptr;
    // QuantizeButton's tag: the quantise division.
    int QuantizeButtonTag = 16;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void FormCreate();
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
    MidiPort& midi_;
    DrawHistory& history_;
    Form2Host& host_;
};

} // namespace pitkad
