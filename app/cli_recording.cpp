#include "app/cli_recording.h"

#include "app/draw_file_texts.h"
#include "app/language.h"
#include "app/status_texts.h"
#include "control/settings_file.h"
#include "control/suggestions.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace pitkad {

std::unique_ptr<Document> open_for_command_line(const QString& file, bool loudness,
                                                std::optional<AnalysisChannel> channel,
                                                std::optional<ReferenceRequest> reference) {
    // The MIDI port stays closed: loading a drawing sends nothing.
    auto doc = std::make_unique<Document>();
    doc->load_tables();
    const CommandAnalysis analysis = command_analysis(file, channel, reference);
    const LoadResult r = doc->load_recording(local_path(file), {}, 0, true, analysis.channel,
                                             analysis.reference);
    if (!r.ok) {
        print_file_error(local_path(file), text_of(r.status, r.detail));
        return nullptr;
    }
    // A drawing saved elsewhere for this recording (名前を付けて保存) is
    // read from, and written to, where the window would.
    const QString recording = QFileInfo(file).absoluteFilePath();
    if (const QString remembered = SettingsFile(settings_file_path()).drawing_file_for(recording);
        !remembered.isEmpty())
        doc->draw_file = local_path(remembered);
    // A drawing that cannot be read, or is not a drawing file, ends the
    // command (an empty drawing would be written out, or over it); one made
    // for another frame count is used, cut or padded, after a notice.
    const DrawFileRead drawing = doc->load_drawing();
    if (drawing.status == DrawFileStatus::unreadable || drawing.status == DrawFileStatus::refused) {
        print_file_error(doc->draw_file, draw_file_problem(drawing));
        return nullptr;
    }
    if (drawing.resized() || drawing.image.annotations_damaged) print_file_error(doc->draw_file, draw_file_notice(drawing));
    doc->refresh(true, loudness);
    return doc;
}

CommandAnalysis command_analysis(const QString& file, std::optional<AnalysisChannel> channel,
                                 std::optional<ReferenceRequest> reference) {
    SettingsFile settings(settings_file_path());
    const QString full = QFileInfo(file).absoluteFilePath();
    CommandAnalysis a;
    a.channel = channel ? *channel : settings.analysis_channel_for(full);
    if (!reference)
        a.reference = settings.analysis_reference_for(full);
    else if (!reference->estimate)
        a.reference = reference->fixed;
    else if (const SuggestResult t = estimate_tuning(local_path(file), a.channel); t.ok)
        a.reference = reference_of(t.suggestions.tuning);
    return a;
}

std::string local_path(const QString& file) {
    return QFile::encodeName(file).toStdString();
}

void print_file_error(const std::string& file, const QString& message) {
    std::fprintf(stderr, "%s: %s\n", file.c_str(), message.toUtf8().constData());
}

void print_usage(const char* source) {
    std::fputs(tr_text(source).toUtf8().constData(), stderr);
}

void print_line(const QString& text) {
    std::printf("%s\n", text.toUtf8().constData());
    std::fflush(stdout);
}

} // namespace pitkad
