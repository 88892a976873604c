#pragma once
// The words for what the plain layers report as a status: a recording that
// could not be opened or played, a drawing file that could not be read or
// written, a MIDI file imported or refused, no audio device. The texts are
// the marked source texts; the functions compose a message in the language
// in force.

#include "analysis/open_status.h"
#include "audio/playback_status.h"
#include "base/translatable.h"
#include "drawing/midi_file.h"

#include <QString>

#include <string>

namespace pitkad {

struct PlaybackAudio;

namespace status_texts {

// A recording that could not be opened.
inline constexpr const char* cannot_open = PITKAD_TR("PitkaD", "ファイルがオープンできません.");
inline constexpr const char* unsupported = PITKAD_TR("PitkaD", "サポート外のファイルです");
inline constexpr const char* bad_header = PITKAD_TR("PitkaD", "ヘッダが読めません");
inline constexpr const char* too_large = PITKAD_TR("PitkaD", "ファイルが大きすぎます");
// After too_large: the longest recording that opens (%1, as 4:00:00).
inline constexpr const char* length_limit = PITKAD_TR("PitkaD", "長さの上限は %1 です");
inline constexpr const char* cache_not_saved =
    PITKAD_TR("PitkaD", "データファイルが保存できません. 中止します.");

// The player's open failures, followed by the file.
inline constexpr const char* no_file_name =
    PITKAD_TR("PitkaD", "再生するファイルが指定されていません。");
inline constexpr const char* file_not_found =
    PITKAD_TR("PitkaD", "指定されたファイルが見つかりません。");
inline constexpr const char* file_unreadable = PITKAD_TR("PitkaD", "ファイルを読み込めません。");
inline constexpr const char* not_a_wav = PITKAD_TR("PitkaD", "WAV ファイルではありません。");
inline constexpr const char* unsupported_format =
    PITKAD_TR("PitkaD", "このファイルの形式には対応していません (16 ビット PCM のみ)。");
inline constexpr const char* file_damaged = PITKAD_TR("PitkaD", "ファイルが壊れています。");
// Shown by the window when sound cannot be heard.
inline constexpr const char* no_audio_device =
    PITKAD_TR("PitkaD", "オーディオデバイスがありません");

// Shown directly after the path of the drawing file.
inline constexpr const char* cannot_write = PITKAD_TR("PitkaD", "  に書けません");
inline constexpr const char* not_found = PITKAD_TR("PitkaD", "  が見つかりません");
inline constexpr const char* cannot_read = PITKAD_TR("PitkaD", "  が読めません");

// A refused MIDI import shows midi_refused followed by the reason.
inline constexpr const char* midi_refused = PITKAD_TR("PitkaD", "MIDIファイルを読み込めません: ");
inline constexpr const char* midi_not_smf =
    PITKAD_TR("PitkaD", "Standard MIDI File ではありません");
inline constexpr const char* midi_bad_chunk =
    PITKAD_TR("PitkaD", "チャンクの長さが正しくありません");
inline constexpr const char* midi_bad_format =
    PITKAD_TR("PitkaD", "形式 0 と 1 だけを読み込めます");
inline constexpr const char* midi_bad_division = PITKAD_TR("PitkaD", "時間単位が正しくありません");
inline constexpr const char* midi_missing_tracks = PITKAD_TR("PitkaD", "トラックが足りません");
inline constexpr const char* midi_bad_event = PITKAD_TR("PitkaD", "イベントが壊れています");
inline constexpr const char* midi_no_status =
    PITKAD_TR("PitkaD", "ステータスのないデータがあります");
inline constexpr const char* midi_unterminated = PITKAD_TR("PitkaD", "トラックが終わっていません");
inline constexpr const char* midi_too_long = PITKAD_TR("PitkaD", "デルタタイムが大きすぎます");
inline constexpr const char* midi_too_many = PITKAD_TR("PitkaD", "イベントが多すぎます");
// A successful import: counts follow each part.
inline constexpr const char* midi_read_notes = PITKAD_TR("PitkaD", "読み込んだ音符: ");
inline constexpr const char* midi_read_lines = PITKAD_TR("PitkaD", "、線: ");
inline constexpr const char* midi_skipped_range = PITKAD_TR("PitkaD", "、音域外で省いた音符: ");
inline constexpr const char* midi_skipped_end = PITKAD_TR("PitkaD", "、曲の後で省いた音符: ");
inline constexpr const char* midi_merged =
    PITKAD_TR("PitkaD", "、同じ高さと色の音に重なって一つになった音符: ");
inline constexpr const char* midi_skipped_drums =
    PITKAD_TR("PitkaD", "、ドラム (チャンネル 10) で省いた音符: ");

} // namespace status_texts

// The recording's status, with the detail in brackets after it when there
// is one: "サポート外のファイルです (ogg: no audio stream)". Empty for ok.
QString text_of(OpenStatus status, const std::string& detail = {});
// The player's status (the decoder's, for a file it refused), then the
// file on the next line when there is one.
QString text_of(const PlaybackError& error);
// A refused import: midi_refused and the reason. An imported one: the notes
// read, the lines laid when lines were asked for, and the notes skipped
// when there were any.
QString text_of(const MidiImportResult& result);

// Without a device, says so on standard error with the audio library's
// reason.
void report_audio_device(const PlaybackAudio& audio);

} // namespace pitkad
