#include "app/exchange_commands.h"

#include "drawing/draw_history.h"

#include "app/app_texts.h"
#include "app/language.h"
#include "app/retranslate.h"
#include "app/status_texts.h"
#include "app/store_workers.h"
#include "base/atomic_file.h"
#include "base/file_bytes.h"
#include "control/document.h"
#include "control/model_note_suggestions.h"
#include "control/score_marks.h"
#include "control/suggested_notes.h"
#include "control/suggestions.h"
#include "drawing/csv_export.h"
#include "drawing/draw_ops.h"
#include "drawing/midi_file.h"
#include "view/graph_image.h"
#include "view/graph_view.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <filesystem>
#include <vector>

namespace pitkad {

namespace {

std::span<const std::uint8_t> bytes_of(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// A dialog of the given rows with OK and Cancel.
struct OptionsDialog {
    explicit OptionsDialog(QWidget* parent, const char* title) : dialog(parent) {
        dialog.setWindowTitle(tr_text(title));
        dialog.setObjectName(QStringLiteral("ExchangeOptions"));
        // Wide enough for the whole title in the frame.
        dialog.setMinimumWidth(dialog.fontMetrics().horizontalAdvance(dialog.windowTitle()) + 160);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        buttons->button(QDialogButtonBox::Cancel)->setText(tr_text(texts::cancel));
        QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
        QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
        auto* outer = new QVBoxLayout(&dialog);
        outer->addLayout(form);
        outer->addWidget(buttons);
    }
    template <typename W> W* add(W* w, const char* name, const QString& label = {}) {
        w->setObjectName(QLatin1String(name));
        if (label.isEmpty())
            form->addRow(w);
        else
            form->addRow(label, w);
        return w;
    }
    bool ask() {
        retranslate_tree(&dialog);
        return dialog.exec() == QDialog::Accepted;
    }

    QDialog dialog;
    QFormLayout* form = new QFormLayout;
};

} // namespace

ExchangeCommands::ExchangeCommands(QWidget& parent, Document& doc, GraphView& view,
                                   ExchangeHost& host, StoreWorkers& workers)
    : parent_(parent), doc_(doc), view_(view), host_(host), workers_(workers) {}

QString ExchangeCommands::choose_save_file(const QString& default_name, const char* filter) {
    QFileDialog dialog(&parent_);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters({tr_text(filter), tr_text(texts::open_filter_all)});
    const QFileInfo beside(QString::fromStdString(doc_.draw_file));
    dialog.setDirectory(beside.absolutePath());
    dialog.selectFile(beside.completeBaseName() + default_name);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front();
}

bool ExchangeCommands::write_export(const QString& path, std::span<const std::uint8_t> bytes) {
    if (!bytes.empty() && write_file_atomically(std::filesystem::path(path.toStdString()), bytes))
        return true;
    host_.show_error(path + tr_text(texts::cannot_write));
    return false;
}

void ExchangeCommands::export_midi() {
    const ToolState tools = host_.tool_state();
    OptionsDialog d(&parent_, texts::export_midi_item);
    auto* beats = d.add(new QRadioButton(texts::lines_are_beats), "LinesBeats");
    auto* bars = d.add(new QRadioButton(texts::lines_are_bars), "LinesBars");
    beats->setChecked(true);
    auto* per_bar = d.add(new QSpinBox, "BeatsPerBar", texts::beats_per_bar);
    per_bar->setRange(2, 7);
    per_bar->setValue(4);
    per_bar->setEnabled(false);
    QObject::connect(bars, &QRadioButton::toggled, per_bar, &QSpinBox::setEnabled);
    auto* quantise =
        d.add(new QCheckBox(tr_text(texts::quantise_to) + QString::number(tools.quantize_division)),
              "Quantise");
    quantise->setChecked(tools.quantize);
    auto* selected = d.add(new QCheckBox(texts::selected_only), "SelectedOnly");
    selected->setEnabled(has_selected_notes(doc_.drawing, doc_.store.frame_count));
    auto* steady = d.add(new QCheckBox(texts::tempo_per_bar), "TempoPerBar");
    if (!d.ask()) return;

    MidiExportOptions options;
    options.lines_are_bars = bars->isChecked();
    options.beats_per_bar = per_bar->value();
    options.quantize_division = quantise->isChecked() ? tools.quantize_division : 0;
    if (selected->isEnabled() && selected->isChecked()) options.include_note = selected_notes_only;
    if (steady->isChecked()) options.tempo = MidiTempoMarks::per_bar;
    const QString path = choose_save_file(QStringLiteral(".mid"), texts::midi_filter);
    if (path.isEmpty()) return;
    write_export(path, build_midi_file(doc_.drawing, doc_.store.frame_count, doc_.channel_settings,
                                       options));
}

void ExchangeCommands::import_midi() {
    QFileDialog files(&parent_);
    files.setFileMode(QFileDialog::ExistingFile);
    files.setNameFilters({tr_text(texts::midi_filter), tr_text(texts::open_filter_all)});
    files.setDirectory(QFileInfo(QString::fromStdString(doc_.draw_file)).absolutePath());
    if (files.exec() != QDialog::Accepted || files.selectedFiles().isEmpty()) return;
    const QString path = files.selectedFiles().front();
    const auto bytes = read_file_bytes(path.toStdString(), midi_file_max_bytes);
    if (!bytes) {
        host_.show_error(QFileInfo(path).fileName() + u'\n' + text_of(OpenStatus::cannot_open));
        return;
    }

    OptionsDialog d(&parent_, texts::import_midi_item);
    QRadioButton* replace = nullptr;
    if (!drawing_is_empty(doc_.drawing, doc_.store.frame_count)) {
        replace = d.add(new QRadioButton(texts::import_replace), "ImportReplace");
        d.add(new QRadioButton(texts::import_add), "ImportAdd");
        replace->setChecked(true);
    }
    auto* lines = d.add(new QComboBox, "ImportLines");
    lines->addItems({texts::import_no_lines, texts::import_beat_lines, texts::import_bar_lines});
    auto* drums = d.add(new QCheckBox(texts::import_drums), "ImportDrums");
    if (!d.ask()) return;

    MidiImportOptions options;
    options.replace = !replace || replace->isChecked();
    options.lines = MidiImportLines(lines->currentIndex());
    options.line_colour = host_.tool_state().colour;
    if (drums->isChecked()) options.drums_colour = host_.tool_state().colour;
    // Notes the drawing player holds must not outlive the cells they came from.
    doc_.midi.midi_off();
    // One step of the drawing's history: the import can be undone.
    MidiImportResult r;
    record_step(&doc_.history, doc_.drawing, doc_.channel_settings, [&] {
        r = import_midi_file(*bytes, doc_.drawing, doc_.store.frame_count, doc_.channel_settings,
                             options);
    });
    if (!r.ok) {
        host_.show_error(text_of(r));
        return;
    }
    doc_.midi.set_midi_program();
    host_.write_graph();
    QMessageBox::information(&parent_, texts::app_title, text_of(r));
}

void ExchangeCommands::set_meter() {
    const int frames = doc_.store.frame_count;
    const int line = meter_target_line(doc_.drawing, frames, host_.edit_frame());
    if (line < 0) {
        host_.show_error(tr_text(texts::meter_needs_line));
        return;
    }
    DrawAnnotations& notes = doc_.drawing.annotations;
    OptionsDialog d(&parent_, texts::meter_title);
    auto* meters = d.add(new QComboBox, "Meter", texts::meter_label);
    meters->addItem(texts::meter_default);
    const MeterMark now = meter_at(notes, line);
    for (const MeterChoice& m : meter_choices) {
        meters->addItem(QString::fromStdString(meter_text(m.numerator, m.denominator)));
        if (m.numerator == now.numerator && m.denominator == now.denominator &&
            std::any_of(notes.meters.begin(), notes.meters.end(),
                        [&](const MeterMark& k) { return k.frame == line; }))
            meters->setCurrentIndex(meters->count() - 1);
    }
    if (!d.ask()) return;
    const int i = meters->currentIndex();
    std::optional<MeterMark> mark;
    if (i > 0)
        mark = MeterMark{line, meter_choices[std::size_t(i - 1)].numerator,
                         meter_choices[std::size_t(i - 1)].denominator};
    record_step(&doc_.history, doc_.drawing, doc_.channel_settings,
                [&] { pitkad::set_meter(notes, line, mark); });
    host_.write_graph();
}

void ExchangeCommands::suggest_beats() {
    workers_.run<BeatSuggestion>(
        StoreWorkers::Job::beats, tr_text(texts::finding_beats),
        over_analysed_levels<BeatSuggestion>(
            doc_, [](const SpectrogramStore& levels) { return pitkad::suggest_beats(levels); }),
        [this](BeatSuggestion found) {
            doc_.suggested_beats = std::move(found);
            if (doc_.suggested_beats.beats.empty())
                host_.show_error(tr_text(texts::no_beats_found));
            host_.write_graph();
        });
}

void ExchangeCommands::accept_suggested_beats() {
    const PracticeMarks marks = host_.graph_params().practice;
    const int frames = doc_.store.frame_count;
    const int first = marks.loop_shown() ? marks.loop_first : 0;
    const int end = marks.loop_shown() ? marks.loop_end : frames;
    const int colour = host_.tool_state().colour;
    record_step(&doc_.history, doc_.drawing, doc_.channel_settings, [&] {
        pitkad::accept_suggested_beats(doc_.drawing, doc_.suggested_beats, frames, first, end,
                                       colour);
    });
    host_.write_graph();
}

void ExchangeCommands::clear_suggested_beats() {
    doc_.suggested_beats = {};
    host_.write_graph();
}

void ExchangeCommands::suggest_harmony() {
    workers_.run<HarmonySuggestion>(
        StoreWorkers::Job::harmony, tr_text(texts::finding_harmony),
        over_analysed_levels<HarmonySuggestion>(
            doc_,
            [beats = doc_.suggested_beats](const SpectrogramStore& levels) {
                return pitkad::suggest_harmony(levels, beats);
            }),
        [this](HarmonySuggestion found) { show_harmony(std::move(found)); });
}

void ExchangeCommands::show_harmony(HarmonySuggestion found) {
    const bool any_chord = std::any_of(found.chords.begin(), found.chords.end(),
                                       [](const HarmonySpan& c) { return c.label != "N"; });
    doc_.suggested_chords = any_chord ? std::move(found.chords) : std::vector<HarmonySpan>{};
    doc_.suggested_keys = std::move(found.keys);
    if (!any_chord) host_.show_error(tr_text(texts::no_chords_found));
    host_.write_graph();
}

void ExchangeCommands::clear_suggested_harmony() {
    doc_.suggested_chords.clear();
    doc_.suggested_keys.clear();
    host_.write_graph();
}

void ExchangeCommands::suggest_notes() {
    // The note model reads the recording's sound, not the store: the store
    // is let go at once. Without the model (or when it cannot read the
    // recording) the notes come from the analysis.
    const std::filesystem::path file = host_.recording_file();
    const int frames = doc_.store.frame_count;
    if (!file.empty() && model_reads(frames)) {
        workers_.run<std::optional<NoteSuggestions>>(
            StoreWorkers::Job::notes, tr_text(texts::finding_notes),
            [file, frames, channel = host_.analysis_channel(),
             reference = doc_.store.reference](const std::function<void()>& store_read) {
                store_read();
                ModelNotesResult found = suggest_notes_by_model(file, frames, channel, reference);
                if (found.outcome != ModelNotesResult::Outcome::notes)
                    return std::optional<NoteSuggestions>{};
                return std::optional<NoteSuggestions>{make_note_suggestions(std::move(found.notes))};
            },
            [this](std::optional<NoteSuggestions> found) {
                if (found)
                    show_suggested_notes(std::move(*found));
                else
                    suggest_notes_from_analysis();
            });
        return;
    }
    suggest_notes_from_analysis();
}

void ExchangeCommands::show_suggested_notes(NoteSuggestions found) {
    doc_.suggested_notes = std::move(found);
    if (doc_.suggested_notes.notes.empty()) host_.show_error(tr_text(texts::no_notes_found));
    host_.write_graph();
}

void ExchangeCommands::suggest_notes_from_analysis() {
    workers_.run<NoteSuggestions>(
        StoreWorkers::Job::notes, tr_text(texts::finding_notes),
        over_analysed_levels<NoteSuggestions>(doc_,
                                              [](const SpectrogramStore& levels) {
                                                  return make_note_suggestions(
                                                      pitkad::suggest_notes(levels));
                                              }),
        [this](NoteSuggestions found) { show_suggested_notes(std::move(found)); });
}

void ExchangeCommands::accept_suggested_notes() {
    const int frames = doc_.store.frame_count;
    const PracticeMarks marks = host_.graph_params().practice;
    const NoteArea area =
        suggested_notes_area(doc_.drawing, frames, marks.loop_first, marks.loop_end);
    const int colour = host_.tool_state().colour;
    record_step(&doc_.history, doc_.drawing, doc_.channel_settings, [&] {
        pitkad::accept_suggested_notes(doc_.drawing, doc_.suggested_notes, frames, area, colour);
    });
    host_.write_graph();
}

void ExchangeCommands::clear_suggested_notes() {
    doc_.suggested_notes = {};
    host_.write_graph();
}

void ExchangeCommands::set_key() {
    workers_.run<std::optional<KeySignature>>(
        StoreWorkers::Job::key, tr_text(texts::finding_key),
        over_analysed_levels<std::optional<KeySignature>>(
            doc_, [beats = doc_.suggested_beats](
                      const SpectrogramStore& levels) { return predominant_key(levels, beats); }),
        [this](std::optional<KeySignature> heard) { ask_key(heard); });
}

void ExchangeCommands::ask_key(std::optional<KeySignature> heard) {
    DrawAnnotations& notes = doc_.drawing.annotations;
    OptionsDialog d(&parent_, texts::key_title);
    auto* keys = d.add(new QComboBox, "Key", texts::key_label);
    keys->addItem(texts::key_none);
    std::vector<KeySignature> offered;
    for (int fifths = -7; fifths <= 7; ++fifths)
        for (const bool minor : {false, true}) {
            const KeySignature k{fifths, minor};
            offered.push_back(k);
            keys->addItem(tr_text(minor ? texts::key_minor : texts::key_major)
                              .arg(QString::fromStdString(key_tonic(k))));
            if (notes.key == k) keys->setCurrentIndex(keys->count() - 1);
        }
    // The key heard in the recording is offered while the drawing has none.
    if (heard) {
        const QString name = tr_text(heard->minor ? texts::key_minor : texts::key_major)
                                 .arg(QString::fromStdString(key_tonic(*heard)));
        d.add(new QLabel(name), "SuggestedKey", tr_text(texts::key_heard));
        if (!notes.key) {
            const auto at = std::find(offered.begin(), offered.end(), *heard);
            if (at != offered.end()) keys->setCurrentIndex(int(at - offered.begin()) + 1);
        }
    }
    if (!d.ask()) return;
    const int i = keys->currentIndex();
    record_step(&doc_.history, doc_.drawing, doc_.channel_settings, [&] {
        notes.key = i > 0 ? std::optional(offered[std::size_t(i - 1)]) : std::nullopt;
    });
}

void ExchangeCommands::export_image() {
    QMessageBox box(QMessageBox::Question, texts::app_title, tr_text(texts::image_prompt),
                    QMessageBox::NoButton, &parent_);
    QPushButton* visible = box.addButton(tr_text(texts::image_visible), QMessageBox::AcceptRole);
    QPushButton* whole = box.addButton(tr_text(texts::image_whole), QMessageBox::AcceptRole);
    QPushButton* cancel = box.addButton(tr_text(texts::cancel), QMessageBox::RejectRole);
    box.setDefaultButton(visible);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() != visible && box.clickedButton() != whole) return;

    QImage image;
    if (box.clickedButton() == visible) {
        image = view_.graph_bitmap;
    } else {
        const WholeGraph w = whole_graph(doc_.view, doc_.store.frame_count);
        image =
            render_graph_image({doc_.store, doc_.drawing, view_.font_bitmap, view_.colour_bitmap},
                               w.view, host_.graph_params(), w.width);
    }
    const QString path = choose_save_file(QStringLiteral(".png"), texts::png_filter);
    if (path.isEmpty()) return;
    write_export(path, png_bytes(image));
}

void ExchangeCommands::export_csv() {
    const QString path = choose_save_file(QStringLiteral(".csv"), texts::csv_filter);
    if (path.isEmpty()) return;
    if (!write_export(path, bytes_of(analysis_csv(doc_.store)))) return;
    if (drawn_notes(doc_.drawing, doc_.store.frame_count).empty()) return;

    const QFileInfo csv(path);
    const QString notes_path =
        csv.absolutePath() + u'/' + csv.completeBaseName() + texts::notes_csv_suffix;
    QMessageBox box(QMessageBox::Question, texts::app_title,
                    tr_text(texts::notes_csv_prompt) + u'\n' + QFileInfo(notes_path).fileName(),
                    QMessageBox::NoButton, &parent_);
    QPushButton* yes = box.addButton(tr_text(texts::notes_csv_yes), QMessageBox::YesRole);
    QPushButton* no = box.addButton(tr_text(texts::notes_csv_no), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    if (box.clickedButton() == yes)
        write_export(notes_path, bytes_of(notes_csv(doc_.drawing, doc_.store.frame_count)));
}

} // namespace pitkad
