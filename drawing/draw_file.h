#pragma once
// The drawing file beside the recording (".pkc"): a 48-byte header whose
// first field is the frame count, a 16-byte block with the programs and
// (127 - velocity) of MIDI channels 1 … 8, then the drawing's records as
// they lie in memory. Little-endian, no magic number. A drawing of a
// recording longer than draw_frames records (19:20) has the same layout
// with a larger frame count, up to draw_file_frames.

#include "analysis/spectrogram_store.h"
#include "base/atomic_file.h"
#include "drawing/draw_data.h"
#include "midi/channel_settings.h"

#include <array>
#include <cstdint>
#include <string>
#include <system_error>
#include <vector>

namespace pitkad {

inline constexpr int draw_header_size = 48;
inline constexpr int draw_midi_block_size = 16;
inline constexpr int draw_body_offset = draw_header_size + draw_midi_block_size;
// The most records a drawing file holds: one per frame of the longest
// recording, and one more.
inline constexpr int draw_file_frames = recording_frame_limit + 1;
// The largest drawing file without annotations: the header, the MIDI block
// and draw_file_frames records.
inline constexpr std::size_t draw_file_max_bytes =
    std::size_t(draw_body_offset) + std::size_t(draw_file_frames) * std::size_t(draw_record_size);
// The largest drawing file read: that and an annotation block.
inline constexpr std::size_t draw_file_read_max_bytes =
    draw_file_max_bytes + annotation_block_max_bytes;

// The recording's path with the extension of its file name replaced by
// ".pkc" (appended when the name has none).
std::string draw_file_name(const std::string& wav_path);

// The whole file for records 0 … frame_count - 1, followed by the drawing's
// annotation block when it has annotations. The selection is not cleared
// here; callers save an unselected drawing.
std::vector<std::uint8_t> build_draw_file(const DrawData& draw, int frame_count,
                                          const MidiChannelSettings& settings);

// A checked drawing file, not yet applied.
struct DrawFileImage {
    std::array<std::uint8_t, 8> programs{};     // channels 1 … 8
    std::array<std::uint8_t, 8> volume_bytes{}; // 127 - velocity of channels 1 … 8
    std::vector<std::uint8_t> body;             // frame_count records
    DrawAnnotations annotations;                // those within frame_count frames
    // An annotation block follows the records but is cut off or malformed:
    // the records are read, the annotations left empty.
    bool annotations_damaged = false;
};

enum class DrawFileStatus {
    ok,         // read; `image` holds it
    absent,     // no file at the path (nor a link to one)
    unreadable, // the path cannot be opened or read: `error` tells why
    refused,    // read, but not a drawing file: `refusal` tells why
};

enum class DrawFileRefusal {
    none,
    not_a_file,     // a device, pipe or socket
    too_large,      // longer than draw_file_read_max_bytes
    bad_header,     // the header's frame count is below 0 or above draw_file_frames
    truncated,      // ends before the MIDI block or the records its header counts
    bad_midi_block, // a program or velocity byte above 127
    bad_record,     // a record byte that is no draw value
};

struct DrawFileRead {
    DrawFileStatus status = DrawFileStatus::absent;
    std::error_code error;                           // unreadable: the system's reason
    DrawFileRefusal refusal = DrawFileRefusal::none; // refused: the reason
    int frame_count = 0;                             // the recording's, as asked for
    int file_frames = 0;                             // ok: the frame count the file was made for
    DrawFileImage image;                             // ok: frame_count records

    bool ok() const { return status == DrawFileStatus::ok; }
    // Made for another frame count than the recording's: its records past
    // the recording were dropped, or the recording's frames past its
    // records left empty.
    bool resized() const { return ok() && file_frames != frame_count; }
};

// Reads and checks the whole file for a recording of frame_count frames
// (0 … draw_file_frames; another count is refused as bad_header): it must be
// long enough for its header's frame count, the MIDI block must hold MIDI
// data bytes and every record byte a draw value. A file made for another
// frame count is loaded cut or padded to frame_count records. After the
// counted records an annotation block is read; other bytes there are
// ignored. A file longer than draw_file_read_max_bytes is refused unread,
// and so is anything but a regular file.
DrawFileRead read_draw_file(const std::string& path, int frame_count);

// Puts a checked file into the drawing and the settings of channels 1 … 8;
// the drawing then matches its file (not modified).
void apply_draw_file(const DrawFileImage& image, DrawData& draw, MidiChannelSettings& settings);

// Where a save keeps the file it replaces: "<path>.bak".
std::string backup_file_name(const std::string& path);

// Saving: clears the selection, writes the file (write_file_atomically: a
// failed save leaves the previous file as it was, and a name that holds a
// link or anything else but a regular file is refused as
// not_a_regular_file); success also clears DrawData::modified. A file that
// is replaced is first kept as backup_file_name(path) (itself written
// atomically, with the file's permissions); when that cannot be written the
// save goes ahead without it.
FileWrite save_draw_data(const std::string& path, DrawData& draw, int frame_count,
                         const MidiChannelSettings& settings);

// Loading without the tool window (the open sequence, the render command):
// read and check, and when the file is read, apply it. Anything but a read
// file changes nothing; the caller silences the port before new programs go
// out. The result tells what happened; its image's records and annotations
// are not kept.
DrawFileRead load_draw_data(const std::string& path, DrawData& draw, int frame_count,
                            MidiChannelSettings& settings);

} // namespace pitkad
