#include "app/midi_settings_dialog.h"

#include "app/language.h"
#include "midi/gm_names.h"

#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace pitkad {

namespace {

constexpr int test_note_band = 27; // MIDI note 60, C4
constexpr int max_midi_value = 127;
constexpr int max_midi_delay = 30;
constexpr int test_note_ms = 1000;

// Room for the widest program name in the language in force, so that the
// dialog keeps its size while the programs change.
int program_name_width(const QLabel* label) {
    const QFontMetrics fm = label->fontMetrics();
    int widest = 0;
    for (const char* name : gm_program_names)
        widest = std::max(widest, fm.horizontalAdvance(tr_text(name)));
    return widest + fm.horizontalAdvance(QLatin1Char(' '));
}

QFrame* make_swatch(QWidget* parent, Rgb c) {
    auto* panel = new QFrame(parent);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setLineWidth(1);
    panel->setFixedSize(24, 20);
    panel->setAutoFillBackground(true);
    QPalette pal = panel->palette();
    pal.setColor(QPalette::Window, QColor(c.r, c.g, c.b));
    panel->setPalette(pal);
    return panel;
}

} // namespace

MidiSettingsDialog::MidiSettingsDialog(MidiPort& port, MidiChannelSettings& channels,
                                       PenMidiAccess pen_midi, QWidget* parent,
                                       const std::array<Rgb, 16>& grid)
    : QDialog(parent), port_(port), channels_(channels), pen_midi_(std::move(pen_midi)) {
    setWindowTitle(QString::fromUtf8(midi_dialog_text::caption));
    // The drawing-tool window keeps on top of the others; so does this dialog,
    // which opens after it and therefore above it.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint |
                   Qt::WindowStaysOnTopHint);

    channels_group = new QGroupBox(QString::fromUtf8(midi_dialog_text::group), this);
    channels_group->setObjectName("channels_group");
    auto* grid_layout = new QGridLayout(channels_group);
    grid_layout->setHorizontalSpacing(8);

    click_row_label = new QLabel(QString::fromUtf8(midi_dialog_text::click_row), channels_group);
    click_row_label->setObjectName("click_row_label");
    drawing_rows_label =
        new QLabel(QString::fromUtf8(midi_dialog_text::drawing_rows), channels_group);
    drawing_rows_label->setObjectName("drawing_rows_label");

    for (int r = 0; r < midi_channels; ++r) {
        auto* spin = new QSpinBox(channels_group);
        spin->setObjectName(QStringLiteral("program_edit%1").arg(r + 1));
        spin->setRange(0, max_midi_value);
        spin->setValue(0);
        spin->setMinimumWidth(64);
        // A typed number is taken whole (on Enter or leaving the field): each
        // digit on its way would change the program and sound a test note.
        spin->setKeyboardTracking(false);
        spin_edits_[std::size_t(r)] = spin;

        auto* name = new QLabel(tr_text(gm_program_name(0)), channels_group);
        name->setObjectName(QStringLiteral("program_name%1").arg(r + 1));
        program_names_[std::size_t(r)] = name;

        auto* bar = new QSlider(Qt::Horizontal, channels_group);
        bar->setObjectName(QStringLiteral("volume_slider%1").arg(r + 1));
        bar->setRange(0, max_midi_value);
        bar->setTickPosition(QSlider::TicksBelow);
        bar->setTickInterval(43);
        bar->setValue(max_midi_value);
        bar->setMinimumWidth(180);
        track_bars_[std::size_t(r)] = bar;
    }
    // Row k = 1 … 8 shows the two colours that play on channel k.
    for (int k = 1; k <= 8; ++k) {
        for (int j = 0; j < 2; ++j) {
            const int colour = k + 8 * j;
            QFrame* p = make_swatch(channels_group, grid[std::size_t(colour - 1)]);
            p->setObjectName(QStringLiteral("swatch%1").arg(2 * k - 1 + j));
            panels_[std::size_t(2 * k - 2 + j)] = p;
        }
    }

    grid_layout->addWidget(click_row_label, 0, 0);
    grid_layout->addWidget(spin_edits_[0], 0, 1);
    grid_layout->addWidget(program_names_[0], 0, 2);
    grid_layout->addWidget(track_bars_[0], 0, 3);
    grid_layout->addWidget(drawing_rows_label, 1, 0, 1, 4);
    for (int k = 1; k <= 8; ++k) {
        auto* swatches = new QHBoxLayout;
        swatches->setSpacing(6);
        swatches->addSpacing(12);
        swatches->addWidget(swatch(2 * k - 1));
        swatches->addWidget(swatch(2 * k));
        swatches->addStretch(1);
        grid_layout->addLayout(swatches, k + 1, 0);
        grid_layout->addWidget(spin_edits_[std::size_t(k)], k + 1, 1);
        grid_layout->addWidget(program_names_[std::size_t(k)], k + 1, 2);
        grid_layout->addWidget(track_bars_[std::size_t(k)], k + 1, 3);
    }

    delay_label = new QLabel(QString::fromUtf8(midi_dialog_text::delay), this);
    delay_label->setObjectName("delay_label");
    delay_edit = new QSpinBox(this);
    delay_edit->setObjectName("delay_edit");
    delay_edit->setRange(0, max_midi_delay);
    delay_edit->setMinimumWidth(64);
    delay_label->setBuddy(delay_edit);

    auto* delay_row = new QHBoxLayout;
    delay_row->addWidget(delay_label);
    delay_row->addWidget(delay_edit);
    delay_row->addStretch(1);
    CloseButton = new QPushButton(tr_text(midi_dialog_text::close), this);
    CloseButton->setObjectName("CloseButton");
    // Enter in a field takes its number; it must not close the dialog.
    CloseButton->setAutoDefault(false);
    delay_row->addWidget(CloseButton);

    auto* outer = new QVBoxLayout(this);
    outer->addWidget(channels_group);
    outer->addLayout(delay_row);
    outer->setSizeConstraint(QLayout::SetFixedSize);

    test_note_timer = new QTimer(this);
    test_note_timer->setObjectName("test_note_timer");
    test_note_timer->setInterval(test_note_ms);

    for (int r = 0; r < midi_channels; ++r) {
        // The name follows the number also while on_shown fills the fields.
        connect(spin_edits_[std::size_t(r)], &QSpinBox::valueChanged, this, [this, r](int) {
            show_program_name(r);
            on_program_changed(r);
        });
        connect(track_bars_[std::size_t(r)], &QSlider::valueChanged, this,
                [this](int) { on_volume_changed(); });
    }
    connect(test_note_timer, &QTimer::timeout, this, [this] { on_test_note_timer(); });
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::reject);
    show_program_names();
}

void MidiSettingsDialog::on_shown() {
    saved_pen_midi = pen_midi_.down ? pen_midi_.down() : false;
    if (pen_midi_.set_down) pen_midi_.set_down(false);
    port_.midi_off();

    // Filling the controls is not a change: their signals stay quiet.
    const MidiChannelSettings& t = channels_;
    delay_edit->setValue(t.delay);
    for (int r = 0; r < midi_channels; ++r) {
        const QSignalBlocker quiet_program(program_edit(r + 1));
        const QSignalBlocker quiet_volume(volume_slider(r + 1));
        program_edit(r + 1)->setValue(t.program[std::size_t(r)]);
        volume_slider(r + 1)->setValue(t.volume[std::size_t(r)]);
    }
    show_program_names();
}

void MidiSettingsDialog::on_program_changed(int row) {
    if (row < 0 || row >= midi_channels) return;
    port_.midi_off();
    const auto r = std::size_t(row);
    channels_.program[r] = program_edit(row + 1)->value();
    // Test note: C4 on that channel, released by the timer or the next change.
    port_.active_notes[r][0] = test_note_band;
    port_.send(0xC0 + row, channels_.program[r], 0);
    port_.note_on(row, test_note_band);
    if (!test_note_timer->isActive()) test_note_timer->start();
}

void MidiSettingsDialog::on_volume_changed() {
    for (int r = 0; r < midi_channels; ++r)
        channels_.volume[std::size_t(r)] = volume_slider(r + 1)->value();
}

void MidiSettingsDialog::on_test_note_timer() {
    test_note_timer->stop();
    port_.midi_off();
}

void MidiSettingsDialog::on_hidden() {
    test_note_timer->stop();
    port_.midi_off();
    // A program still being typed counts, without a test note.
    for (int r = 0; r < midi_channels; ++r) {
        const QSignalBlocker quiet(program_edit(r + 1));
        program_edit(r + 1)->interpretText();
        channels_.program[std::size_t(r)] = program_edit(r + 1)->value();
    }
    port_.set_midi_program();
    delay_edit->interpretText(); // a value still being typed counts
    channels_.delay = delay_edit->value();
    if (pen_midi_.set_down) pen_midi_.set_down(saved_pen_midi);
}

void MidiSettingsDialog::showEvent(QShowEvent* event) {
    // A spontaneous show is the window system restoring the dialog, not an opening.
    if (!event->spontaneous()) on_shown();
    QDialog::showEvent(event);
}

void MidiSettingsDialog::hideEvent(QHideEvent* event) {
    if (!event->spontaneous()) on_hidden();
    QDialog::hideEvent(event);
}

void MidiSettingsDialog::show_program_name(int row) {
    program_names_[std::size_t(row)]->setText(
        tr_text(gm_program_name(spin_edits_[std::size_t(row)]->value())));
}

void MidiSettingsDialog::show_program_names() {
    // The labels share one font: the widest name is measured once.
    const int width = program_name_width(program_names_[0]);
    for (int r = 0; r < midi_channels; ++r) {
        program_names_[std::size_t(r)]->setMinimumWidth(width);
        show_program_name(r);
    }
}

} // namespace pitkad
