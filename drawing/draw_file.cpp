#include "drawing/draw_file.h"

#include "base/file_bytes.h"
#include "base/le_bytes.h"
#include "drawing/draw_ops.h"

#include <algorithm>
#include <span>
#include <system_error>

namespace pitkad {

std::string draw_file_name(const std::string& wav_path) {
    const auto slash = wav_path.find_last_of('/');
    const auto dot = wav_path.find_last_of('.');
    const bool has_extension =
        dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (has_extension ? wav_path.substr(0, dot) : wav_path) + ".pkc";
}

std::vector<std::uint8_t> build_draw_file(const DrawData& draw, int frame_count,
                                          const MidiChannelSettings& settings) {
    const int n = std::clamp(frame_count, 0, int(draw.draw_data.size()));
    std::vector<std::uint8_t> out(
        std::size_t(draw_body_offset) + std::size_t(n) * std::size_t(draw_record_size), 0);
    le::store_u32(out, 0, std::uint32_t(n));
    for (int i = 0; i < 8; ++i) {
        out[std::size_t(draw_header_size + i)] = std::uint8_t(settings.program[std::size_t(i + 1)]);
        out[std::size_t(draw_header_size + 8 + i)] =
            std::uint8_t(127 - std::uint8_t(settings.volume[std::size_t(i + 1)]));
    }
    for (int f = 0; f < n; ++f)
        std::copy(draw[f].slot.begin(), draw[f].slot.end(),
                  out.begin() + draw_body_offset + std::ptrdiff_t(f) * draw_record_size);
    const std::vector<std::uint8_t> block = build_annotation_block(draw.annotations);
    out.insert(out.end(), block.begin(), block.end());
    return out;
}

namespace {

DrawFileRead refused(DrawFileRead r, DrawFileRefusal why) {
    r.status = DrawFileStatus::refused;
    r.refusal = why;
    r.image = {};
    return r;
}

DrawFileRead unreadable(DrawFileRead r, int error) {
    r.status = DrawFileStatus::unreadable;
    r.error = std::error_code(error, std::system_category());
    return r;
}

} // namespace

DrawFileRead read_draw_file(const std::string& path, int frame_count) {
    DrawFileRead r;
    r.frame_count = frame_count;
    if (frame_count < 0 || frame_count > draw_file_frames)
        return refused(std::move(r), DrawFileRefusal::bad_header);
    // A pipe or a device at the path is refused without waiting for it,
    // and nothing past the largest drawing file is read.
    FileRead file = read_regular_file(path, draw_file_read_max_bytes);
    switch (file.status) {
    case ReadStatus::ok:
        break;
    case ReadStatus::absent:
        return r;
    case ReadStatus::unreadable:
        return unreadable(std::move(r), file.error.value());
    case ReadStatus::not_a_regular_file:
        return refused(std::move(r), DrawFileRefusal::not_a_file);
    case ReadStatus::too_large:
        return refused(std::move(r), DrawFileRefusal::too_large);
    }
    const std::vector<std::uint8_t>& bytes = file.bytes;
    if (bytes.size() < std::size_t(draw_body_offset))
        return refused(std::move(r), DrawFileRefusal::truncated);
    const std::span<const std::uint8_t> head(bytes.data(), draw_body_offset);
    const std::int32_t file_frames = le::i32(head, 0);
    if (file_frames < 0 || file_frames > draw_file_frames)
        return refused(std::move(r), DrawFileRefusal::bad_header);
    r.file_frames = file_frames;

    DrawFileImage& image = r.image;
    for (int i = 0; i < 8; ++i) {
        image.programs[std::size_t(i)] = head[std::size_t(draw_header_size + i)];
        image.volume_bytes[std::size_t(i)] = head[std::size_t(draw_header_size + 8 + i)];
        // Programs and velocities are MIDI data bytes, 0 … 127.
        if (image.programs[std::size_t(i)] > 127 || image.volume_bytes[std::size_t(i)] > 127)
            return refused(std::move(r), DrawFileRefusal::bad_midi_block);
    }
    // The whole file is checked, also the records a shorter recording drops.
    const std::size_t body = std::size_t(file_frames) * std::size_t(draw_record_size);
    if (bytes.size() - std::size_t(draw_body_offset) < body)
        return refused(std::move(r), DrawFileRefusal::truncated);
    const auto body_start = bytes.begin() + draw_body_offset;
    if (!std::all_of(body_start, body_start + std::ptrdiff_t(body), is_draw_value))
        return refused(std::move(r), DrawFileRefusal::bad_record);
    image.body.assign(body_start, body_start + std::ptrdiff_t(body));
    const auto after = std::span(bytes).subspan(std::size_t(draw_body_offset) + body);
    image.annotations_damaged = read_annotation_block(after, frame_count, image.annotations) ==
                                AnnotationRead::damaged;
    image.body.resize(std::size_t(frame_count) * std::size_t(draw_record_size), 0);
    r.status = DrawFileStatus::ok;
    return r;
}

void apply_draw_file(const DrawFileImage& image, DrawData& draw, MidiChannelSettings& settings) {
    for (int i = 0; i < 8; ++i) {
        settings.program[std::size_t(i + 1)] = image.programs[std::size_t(i)];
        settings.volume[std::size_t(i + 1)] = 127 - image.volume_bytes[std::size_t(i)];
    }
    const int n = int(image.body.size() / draw_record_size);
    if (std::size_t(n) > draw.draw_data.size()) draw.fit(n);
    for (int f = 0; f < n; ++f)
        std::copy_n(image.body.begin() + std::ptrdiff_t(f) * draw_record_size, draw_record_size,
                    draw[f].slot.begin());
    draw.annotations = image.annotations;
    draw.modified = false;
}

std::string backup_file_name(const std::string& path) {
    return path + ".bak";
}

namespace {

// Copies the file at `path`, when there is one, to its backup name, with
// the file's own permissions: a private drawing has a private backup. Only
// a regular file is copied; what a link at the name points to is not ours
// to copy, and the save then refuses the name anyway.
void keep_backup(const std::string& path) {
    const FileRead old = read_regular_file(path, draw_file_read_max_bytes, Links::refuse);
    if (old.ok()) write_file_atomically(backup_file_name(path), old.bytes, old.mode);
}

} // namespace

FileWrite save_draw_data(const std::string& path, DrawData& draw, int frame_count,
                         const MidiChannelSettings& settings) {
    reset_draw_select(draw, frame_count);
    keep_backup(path);
    FileWrite written = write_file_atomically(path, build_draw_file(draw, frame_count, settings));
    if (written) draw.modified = false;
    return written;
}

DrawFileRead load_draw_data(const std::string& path, DrawData& draw, int frame_count,
                            MidiChannelSettings& settings) {
    DrawFileRead r = read_draw_file(path, frame_count);
    if (!r.ok()) return r;
    apply_draw_file(r.image, draw, settings);
    r.image.body = {};
    r.image.annotations = {};
    return r;
}

} // namespace pitkad
