#pragma once
// Reading a drawing file, in words: why a file was not read, and the notice
// for a file made for another frame count. The drawing layer gives the
// status and the numbers; these turn them into text in the language in force.

#include "app/language.h"
#include "app/status_texts.h"
#include "base/translatable.h"
#include "drawing/draw_file.h"

#include <QString>

namespace pitkad {

namespace draw_file_texts {

// Why a drawing file was refused.
inline constexpr const char* not_a_file = PITKAD_TR("PitkaD", "通常のファイルではありません");
inline constexpr const char* bad_header =
    PITKAD_TR("PitkaD", "ヘッダのフレーム数が正しくありません");
inline constexpr const char* truncated = PITKAD_TR("PitkaD", "ファイルが途中で終わっています");
inline constexpr const char* bad_midi_block =
    PITKAD_TR("PitkaD", "MIDIの音色か音量が正しくありません");
inline constexpr const char* bad_record = PITKAD_TR("PitkaD", "描画に正しくない値があります");

// A drawing made for another frame count: %1 its frame count, %2 the
// recording's.
inline constexpr const char* cut =
    PITKAD_TR("PitkaD", "描画データは %1 フレーム用です. %2 フレームに切り詰めました");
inline constexpr const char* padded =
    PITKAD_TR("PitkaD", "描画データは %1 フレーム用です. %2 フレームまで延ばしました");
inline constexpr const char* annotations_damaged = PITKAD_TR(
    "PitkaD", "区間マーカー・拍子・調号・トラック名の部分が壊れているため、読み込みませんでした");

} // namespace draw_file_texts

// Why the file was not read: the system's reason for an unreadable one,
// ours for a refused one; empty when it was read or is absent.
inline QString draw_file_problem(const DrawFileRead& r) {
    if (r.status == DrawFileStatus::unreadable)
        return QString::fromLocal8Bit(r.error.message().c_str());
    if (r.status != DrawFileStatus::refused) return {};
    switch (r.refusal) {
    case DrawFileRefusal::not_a_file:
        return tr_text(draw_file_texts::not_a_file);
    case DrawFileRefusal::too_large:
        return tr_text(status_texts::too_large);
    case DrawFileRefusal::bad_header:
        return tr_text(draw_file_texts::bad_header);
    case DrawFileRefusal::truncated:
        return tr_text(draw_file_texts::truncated);
    case DrawFileRefusal::bad_midi_block:
        return tr_text(draw_file_texts::bad_midi_block);
    case DrawFileRefusal::bad_record:
        return tr_text(draw_file_texts::bad_record);
    case DrawFileRefusal::none:
        break;
    }
    return {};
}

// "The drawing was made for N frames; cut/padded to M" when the
// file was made for another frame count. Then a line when its annotations
// were damaged and left out.
inline QString draw_file_notice(const DrawFileRead& r) {
    QString text;
    if (r.resized())
        text = tr_text(r.file_frames > r.frame_count ? draw_file_texts::cut
                                                      : draw_file_texts::padded)
                   .arg(r.file_frames)
                   .arg(r.frame_count);
    if (r.image.annotations_damaged) {
        if (!text.isEmpty()) text += u'\n';
        text += tr_text(draw_file_texts::annotations_damaged);
    }
    return text;
}

} // namespace pitkad
