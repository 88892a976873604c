#include "app/cli_exchange.h"

#include "app/cli_recording.h"
#include "base/atomic_file.h"
#include "base/file_bytes.h"
#include "control/transcription_check.h"
#include "drawing/csv_export.h"
#include "drawing/draw_file.h"
#include "drawing/midi_file.h"

#include "app/draw_file_texts.h"
#include "app/language.h"
#include "app/status_texts.h"

#include <algorithm>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <system_error>

namespace pitkad {

namespace {

constexpr const char* drawing_exists =
    PITKAD_TR("PitkaD", "描画データがあります. --replace で置き換えます");
// What was written: the file, then its size or the frames in it.
constexpr const char* bytes_written = PITKAD_TR("PitkaD", "%1: %2 バイト");
constexpr const char* frames_written = PITKAD_TR("PitkaD", "%1: %2 フレーム");
constexpr const char* no_drawing = PITKAD_TR("PitkaD", "描画データがありません");
// The check's file, then the notes drawn, flagged and missing.
constexpr const char* check_written =
    PITKAD_TR("PitkaD", "%1: 音符 %2、要確認 %3、描かれていない音 %4");

int fail(const std::string& file, const QString& message) {
    print_file_error(file, message);
    return 1;
}

bool write_text(const QString& path, const std::string& text) {
    return bool(write_file_atomically(
        local_path(path),
        std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size())));
}

} // namespace

int run_export_midi_cli(const ExchangeArgs& a) {
    const auto doc = open_for_command_line(a.files[0], false);
    if (!doc) return 1;
    MidiExportOptions options;
    options.lines_are_bars = a.lines == LinesOption::bars;
    options.beats_per_bar = a.beats_per_bar;
    options.quantize_division = a.quantise;
    options.tempo = a.tempo_per_bar ? MidiTempoMarks::per_bar : MidiTempoMarks::per_line;
    const auto bytes =
        build_midi_file(doc->drawing, doc->store.frame_count, doc->channel_settings, options);
    if (!write_file_atomically(local_path(a.out), bytes))
        return fail(local_path(a.out), tr_text(file_not_written));
    print_line(tr_text(bytes_written).arg(a.out, QString::number(bytes.size())));
    return 0;
}

int run_import_midi_cli(const ExchangeArgs& a) {
    const QString& midi_path = a.files[0];
    const auto doc = open_for_command_line(a.files[1], false);
    if (!doc) return 1;
    // A drawing file that cannot be read has ended the command already.
    std::error_code ec;
    if (std::filesystem::exists(doc->draw_file, ec) && !a.replace)
        return fail(doc->draw_file, tr_text(drawing_exists));
    const auto bytes = read_file_bytes(local_path(midi_path), midi_file_max_bytes);
    if (!bytes) return fail(local_path(midi_path), text_of(OpenStatus::cannot_open));
    MidiImportOptions options;
    options.lines = a.lines == LinesOption::beats  ? MidiImportLines::beats
                    : a.lines == LinesOption::bars ? MidiImportLines::bars
                                                   : MidiImportLines::none;
    options.drums_colour = a.drums;
    const MidiImportResult r = import_midi_file(*bytes, doc->drawing, doc->store.frame_count,
                                                doc->channel_settings, options);
    if (!r.ok) return fail(local_path(midi_path), text_of(r));
    if (const FileWrite saved = save_draw_data(doc->draw_file, doc->drawing, doc->store.frame_count,
                                               doc->channel_settings);
        !saved)
        return fail(doc->draw_file, saved.status == WriteStatus::not_a_regular_file
                                        ? tr_text(draw_file_texts::not_a_file)
                                        : tr_text(file_not_written));
    print_line(QString::fromLocal8Bit(doc->draw_file.c_str()) + QStringLiteral(": ") + text_of(r));
    return 0;
}

int run_export_csv_cli(const ExchangeArgs& a) {
    const auto doc = open_for_command_line(a.files[0], a.loudness, std::nullopt, a.reference);
    if (!doc) return 1;
    if (!write_text(a.out, analysis_csv(doc->store)))
        return fail(local_path(a.out), tr_text(file_not_written));
    if (!a.notes.isEmpty() && !write_text(a.notes, notes_csv(doc->drawing, doc->store.frame_count)))
        return fail(local_path(a.notes), tr_text(file_not_written));
    print_line(tr_text(frames_written).arg(a.out, QString::number(doc->store.frame_count)));
    return 0;
}

int run_check_cli(const ExchangeArgs& a) {
    const auto doc = open_for_command_line(a.files[0], false, std::nullopt, a.reference);
    if (!doc) return 1;
    std::error_code ec;
    if (doc->draw_file.empty() || !std::filesystem::is_regular_file(doc->draw_file, ec))
        return fail(local_path(a.files[0]), tr_text(no_drawing));
    const TranscriptionCheck check =
        check_transcription(NoteChecker(doc->store), doc->drawing, doc->store.frame_count);
    if (!write_text(a.out, check_csv(check))) return fail(local_path(a.out), tr_text(file_not_written));
    const auto flagged = std::count_if(check.notes.begin(), check.notes.end(), [](const CheckedNote& c) {
        return c.finding.verdict != NoteVerdict::ok;
    });
    print_line(tr_text(check_written)
                   .arg(a.out, QString::number(check.notes.size()), QString::number(flagged),
                        QString::number(check.missing.size())));
    return 0;
}

} // namespace pitkad
