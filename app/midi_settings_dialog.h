#pragma once
// The modal MIDI settings dialog. It edits the program and volume of
// channels 0 … 8 and the drawing playback delay in the document's channel
// settings directly and sounds test notes through the port;
// every change applies at once, closing applies the programs and the delay.
// Each program shows its General MIDI name; the dialog stays above the
// drawing-tool window (both keep on top, the dialog opens later).

#include "base/translatable.h"
#include "drawing/draw_data.h"
#include "midi/channel_settings.h"
#include "midi/midi_port.h"

#include <QDialog>

#include <array>
#include <functional>

class QFrame;
class QGroupBox;
class QHideEvent;
class QLabel;
class QPushButton;
class QShowEvent;
class QSlider;
class QSpinBox;
class QTimer;

namespace pitkad {

// The dialog's texts.
namespace midi_dialog_text {
inline constexpr char caption[] = PITKAD_TR("PitkaD", "MIDI の設定");
inline constexpr char group[] = PITKAD_TR("PitkaD", "　音色と音量　");
inline constexpr char click_row[] = PITKAD_TR("PitkaD", "グラフ　クリック用");
inline constexpr char drawing_rows[] = PITKAD_TR("PitkaD", "描画データ再生用");
inline constexpr char delay[] = PITKAD_TR("PitkaD", "描画データ再生時の発音遅れ補償 (×20ms)");
inline constexpr char close[] = PITKAD_TR("PitkaD", "閉じる");
} // namespace midi_dialog_text

// The drawing-tool window's pen_midi_switch, read and set through that window
// so that its own click handling runs.
struct PenMidiAccess {
    std::function<bool()> down;
    std::function<void(bool)> set_down;
};

class MidiSettingsDialog final : public QDialog {
  public:
    // The swatches take the tool window's grid colours (colour n is grid[n - 1]).
    MidiSettingsDialog(MidiPort& port, MidiChannelSettings& channels, PenMidiAccess pen_midi,
                       QWidget* parent = nullptr, const std::array<Rgb, 16>& grid = grid_colours);

    // Handlers, run by the dialog's own events; public so tests can drive them.
    void on_shown();
    // The programs' names, and their room, in the language in force.
    void show_program_names();
    void on_hidden();
    // row 0 … 8: program_edit(row + 1) changed by a step or a typed number
    // (taken on Enter or on leaving the field).
    void on_program_changed(int row);
    void on_volume_changed();
    void on_test_note_timer();

    bool saved_pen_midi = false;

    // Controls by their 1-based names: swatch(1 … 16), program_edit(1 … 9),
    // program_name(1 … 9) beside program_edit(n), volume_slider(1 … 9).
    QFrame* swatch(int n) const { return panels_[std::size_t(n - 1)]; }
    QSpinBox* program_edit(int n) const { return spin_edits_[std::size_t(n - 1)]; }
    QLabel* program_name(int n) const { return program_names_[std::size_t(n - 1)]; }
    QSlider* volume_slider(int n) const { return track_bars_[std::size_t(n - 1)]; }
    QGroupBox* channels_group = nullptr;
    QLabel* delay_label = nullptr;
    QLabel* click_row_label = nullptr;
    QLabel* drawing_rows_label = nullptr;
    QSpinBox* delay_edit = nullptr;
    QTimer* test_note_timer = nullptr;
    QPushButton* CloseButton = nullptr; // closes like Esc

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void show_program_name(int row);
    MidiPort& port_;
    MidiChannelSettings& channels_;
    PenMidiAccess pen_midi_;
    std::array<QFrame*, 16> panels_{};
    std::array<QSpinBox*, midi_channels> spin_edits_{};
    std::array<QLabel*, midi_channels> program_names_{};
    std::array<QSlider*, midi_channels> track_bars_{};
};

} // namespace pitkad
