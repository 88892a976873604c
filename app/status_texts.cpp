#include "app/status_texts.h"

#include "app/language.h"
#include "analysis/spectrogram_store.h"
#include "audio/audio_engine.h"
#include "view/time_ruler.h"

#include <cstdio>

namespace pitkad {

namespace t = status_texts;

namespace {

const char* source_of(OpenStatus status) {
    switch (status) {
    case OpenStatus::ok:
        break;
    case OpenStatus::cannot_open:
        return t::cannot_open;
    case OpenStatus::unsupported:
        return t::unsupported;
    case OpenStatus::bad_header:
        return t::bad_header;
    case OpenStatus::too_large:
        return t::too_large;
    case OpenStatus::cache_not_saved:
        return t::cache_not_saved;
    }
    return nullptr;
}

const char* source_of(PlaybackStatus status) {
    switch (status) {
    case PlaybackStatus::ok:
    case PlaybackStatus::not_decoded:
        break;
    case PlaybackStatus::no_file_name:
        return t::no_file_name;
    case PlaybackStatus::file_not_found:
        return t::file_not_found;
    case PlaybackStatus::file_unreadable:
        return t::file_unreadable;
    case PlaybackStatus::not_a_wav:
        return t::not_a_wav;
    case PlaybackStatus::unsupported_format:
        return t::unsupported_format;
    case PlaybackStatus::file_damaged:
        return t::file_damaged;
    }
    return nullptr;
}

const char* source_of(MidiRefusal reason) {
    switch (reason) {
    case MidiRefusal::none:
        break;
    case MidiRefusal::not_smf:
        return t::midi_not_smf;
    case MidiRefusal::bad_chunk:
        return t::midi_bad_chunk;
    case MidiRefusal::bad_format:
        return t::midi_bad_format;
    case MidiRefusal::bad_division:
        return t::midi_bad_division;
    case MidiRefusal::missing_tracks:
        return t::midi_missing_tracks;
    case MidiRefusal::bad_event:
        return t::midi_bad_event;
    case MidiRefusal::no_status:
        return t::midi_no_status;
    case MidiRefusal::unterminated:
        return t::midi_unterminated;
    case MidiRefusal::too_long:
        return t::midi_too_long;
    case MidiRefusal::too_many:
        return t::midi_too_many;
    }
    return nullptr;
}

QString words(const char* source) {
    return source ? tr_text(source) : QString();
}

} // namespace

QString text_of(OpenStatus status, const std::string& detail) {
    QString text = words(source_of(status));
    if (!detail.empty()) text += QStringLiteral(" (") + QString::fromStdString(detail) + u')';
    // A recording too long to open: say how long one may be.
    if (status == OpenStatus::too_large)
        text += QStringLiteral(" (") +
                tr_text(t::length_limit)
                    .arg(QString::fromStdString(
                        clock_text(std::int64_t(recording_frame_limit) * frame_ms, false))) +
                u')';
    return text;
}

QString text_of(const PlaybackError& error) {
    QString text = error.status == PlaybackStatus::not_decoded
                       ? text_of(error.decoding.status, error.decoding.detail)
                       : words(source_of(error.status));
    if (!error.file.empty()) text += u'\n' + QString::fromStdString(error.file);
    return text;
}

QString text_of(const MidiImportResult& result) {
    if (!result.ok) return tr_text(t::midi_refused) + words(source_of(result.refusal));
    QString text = tr_text(t::midi_read_notes) + QString::number(result.notes);
    if (result.lines_asked) text += tr_text(t::midi_read_lines) + QString::number(result.lines);
    if (result.out_of_range > 0)
        text += tr_text(t::midi_skipped_range) + QString::number(result.out_of_range);
    if (result.past_end > 0)
        text += tr_text(t::midi_skipped_end) + QString::number(result.past_end);
    if (result.merged > 0) text += tr_text(t::midi_merged) + QString::number(result.merged);
    if (result.drums > 0) text += tr_text(t::midi_skipped_drums) + QString::number(result.drums);
    return text;
}

void report_audio_device(const PlaybackAudio& audio) {
    if (audio.has_device()) return;
    std::fprintf(stderr, "pitkad: %s (%s)\n", tr_text(t::no_audio_device).toUtf8().constData(),
                 audio.device_error.c_str());
}

} // namespace pitkad
