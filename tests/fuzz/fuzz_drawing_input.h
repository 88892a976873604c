#pragma once
// A drawing file as fuzz input, for the targets that work on what it holds:
// the input is the whole file, and its first four bytes (the header's
// recording length) claim the recording's length.

#include "drawing/draw_file.h"
#include "tests/fuzz/fuzz_support.h"

#include <algorithm>
#include <cstring>

namespace pitkad::fuzz {

// Loads the input into `drawing` and `channels` as the window opens a
// drawing file, for a recording of the claimed length cut to 0 … `most`
// frames. Returns that length, or -1 when the file is refused.
inline int load_drawing(const std::uint8_t* data, std::size_t size, int most, DrawData& drawing,
                        MidiChannelSettings& channels) {
    if (size < 4) return -1;
    const auto file = (scratch() / "song.pkc").string();
    write_file(file, data, size);
    std::int32_t claimed = 0;
    std::memcpy(&claimed, data, 4);
    const int frames = std::clamp(claimed, 0, most);
    const DrawFileRead read = read_draw_file(file, frames);
    if (!read.ok()) return -1;
    drawing.clear();
    apply_draw_file(read.image, drawing, channels);
    return frames;
}

} // namespace pitkad::fuzz
