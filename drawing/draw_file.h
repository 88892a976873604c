#pragma once
// The drawing file beside the recording (".pkc"): a 48-byte header whose
// first field is the frame count, a 16-byte block with the programs and
// (127 - velocity) of MIDI channels 1 … 8, then the drawing's records as
// they lie in memory. Little-endian, no magic number.

#include "drawing/draw_data.h"
#include "midi/channel_settings.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pitkad {

inline constexpr int draw_header_size = 48;
inline constexpr int draw_midi_block_size = 16;
inline constexpr int draw_body_offset = draw_header_size + draw_midi_block_size;

// The recording's path with the extension of its file name replaced by
// ".pkc" (appended when the name has none).
std::string draw_file_name(const std::string& wav_path);

// The whole file for records 0 … frame_count - 1. The selection is not
// cleared here; callers save an unselected drawing.
std::vector<std::uint8_t> build_draw_file(const DrawData& draw, int frame_count,
                                          const MidiChannelSettings& settings);

// A checked drawing file, not yet applied.
struct DrawFileImage {
    std::array<std::uint8_t, 8> programs{};     // channels 1 … 8
    std::array<std::uint8_t, 8> volume_bytes{}; // 127 - velocity of channels 1 … 8
    std::vector<std::uint8_t> body;             // frame_count records
};

// Reads and checks the whole file: it must exist, be long enough for its
// header's frame count, that count must equal frame_count, the MIDI block
// must hold MIDI data bytes and every record byte a draw value.
std::optional<DrawFileImage> read_draw_file(const std::string& path, int frame_count);

// Puts a checked file into the drawing and the settings of channels 1 … 8;
// the drawing then matches its file (not modified).
void apply_draw_file(const DrawFileImage& image, DrawData& draw, MidiChannelSettings& settings);

// Where a save keeps the file it replaces: "<path>.bak".
std::string backup_file_name(const std::string& path);

// Saving: clears the selection, writes the file (write_file_atomically: a
// failed save leaves the previous file as it was); true on success, which
// also clears DrawData::modified. A file that is replaced is first kept as
// backup_file_name(path) (itself written atomically); when that cannot be
// written the save goes ahead without it.
bool save_draw_data(const std::string& path, DrawData& draw, int frame_count,
                    const MidiChannelSettings& settings);

// Loading without the tool window (the open sequence, the render command):
// read and check, then apply. False, with nothing changed, when the file is
// missing or refused. The caller silences the port before new programs go out.
bool load_draw_data(const std::string& path, DrawData& draw, int frame_count,
                    MidiChannelSettings& settings);

} // namespace pitkad
