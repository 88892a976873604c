// The drawing file: whatever loads saves back to the same bytes and loads
// again unchanged, annotations included.
#include "drawing/draw_file.h"
#include "tests/fuzz/fuzz_support.h"

#include <algorithm>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pitkad;
    const auto file = (fuzz::scratch() / "song.pkc").string();
    fuzz::write_file(file, data, size);
    // The recording's length as the header claims it, so that what loads is
    // saved back whole rather than cut or padded.
    std::int32_t frames = 0;
    if (size >= 4) std::memcpy(&frames, data, 4);
    frames = std::clamp(frames, 0, draw_frames);
    const DrawFileRead read = read_draw_file(file, frames);
    if (!read.ok()) return 0;
    const DrawFileImage* image = &read.image;
    static auto drawing = std::make_unique<DrawData>();
    drawing->clear();
    MidiChannelSettings channels;
    apply_draw_file(*image, *drawing, channels);
    const std::vector<std::uint8_t> saved = build_draw_file(*drawing, frames, channels);
    PITKAD_FUZZ_CHECK(saved.size() <= size);
    fuzz::write_file(file, saved.data(), saved.size());
    const DrawFileRead again_read = read_draw_file(file, frames);
    const DrawFileImage* again = again_read.ok() ? &again_read.image : nullptr;
    PITKAD_FUZZ_CHECK(again && again->body == image->body && again->programs == image->programs &&
                      again->volume_bytes == image->volume_bytes &&
                      again->annotations == image->annotations);
    return 0;
}
