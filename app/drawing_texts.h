#pragma once
// The drawing's texts in the windows: the tool window's caption, the
// questions about an unsaved or a recovered drawing or a drawing file
// changed on disk, saving under another name, and the quantise popup.

#include "base/translatable.h"

#include <array>
#include <string_view>

namespace pitkad::drawing_texts {

inline constexpr std::string_view tool_caption = PITKAD_TR("PitkaD", "描画ツール");

// Asked before a changed drawing would be dropped by opening another
// recording or closing the program; the answers are save, discard, cancel.
inline constexpr std::string_view unsaved_prompt =
    PITKAD_TR("PitkaD", "描画データが変更されています. 保存しますか?");
inline constexpr std::string_view unsaved_save = PITKAD_TR("PitkaD", "保存する");
inline constexpr std::string_view unsaved_discard = PITKAD_TR("PitkaD", "保存しない");
inline constexpr std::string_view unsaved_cancel = PITKAD_TR("PitkaD", "キャンセル");

// Saving the drawing to a file the user chooses, and that dialog's filter.
inline constexpr std::string_view save_as = PITKAD_TR("PitkaD", "名前を付けて保存");
inline constexpr std::string_view drawing_filter = PITKAD_TR("PitkaD", "描画データ (*.pkc)");

// Asked when a recording opens whose recovery copy is newer than its
// drawing file; the answers are restore, discard, keep for later.
inline constexpr std::string_view recovery_prompt =
    PITKAD_TR("PitkaD", "前回保存されなかった描画データがあります. 復元しますか?");
inline constexpr std::string_view recovery_restore = PITKAD_TR("PitkaD", "復元する");
inline constexpr std::string_view recovery_discard = PITKAD_TR("PitkaD", "破棄する");
inline constexpr std::string_view recovery_later = PITKAD_TR("PitkaD", "後で");

// Asked before a save would replace a drawing file (%1) that another
// program or window changed since it was read or saved; the answers are
// overwrite, save as, reload, cancel.
inline constexpr std::string_view changed_prompt = PITKAD_TR(
    "PitkaD", "描画ファイル %1 は、読み込んだ後に別のプログラムかウィンドウで変更されています。");
inline constexpr std::string_view changed_overwrite = PITKAD_TR("PitkaD", "上書き保存");
inline constexpr std::string_view changed_reload = PITKAD_TR("PitkaD", "読み直す");

// The quantise popup: caption and division of each radio item.
struct QuantizeItem {
    std::string_view caption;
    int division;
};
inline constexpr std::array<QuantizeItem, 8> quantize_items{{
    {PITKAD_TR("PitkaD", "線間の1/2"), 2},
    {PITKAD_TR("PitkaD", "線間の1/4"), 4},
    {PITKAD_TR("PitkaD", "線間の1/8"), 8},
    {PITKAD_TR("PitkaD", "線間の1/16"), 16},
    {PITKAD_TR("PitkaD", "線間の1/32"), 32},
    {PITKAD_TR("PitkaD", "線間の1/64"), 64},
    {PITKAD_TR("PitkaD", "線間の1/128"), 128},
    {PITKAD_TR("PitkaD", "線間の1/256"), 256},
}};

} // namespace pitkad::drawing_texts
