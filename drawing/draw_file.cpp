#include "drawing/draw_file.h"

#include "base/atomic_file.h"
#include "base/le_bytes.h"
#include "drawing/draw_ops.h"

#include <filesystem>
#include <fstream>
#include <system_error>
#include <iterator>

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
    const int n = std::clamp(frame_count, 0, draw_frames);
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
    return out;
}

std::optional<DrawFileImage> read_draw_file(const std::string& path, int frame_count) {
    if (frame_count < 0 || frame_count > draw_frames) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    const std::size_t body = std::size_t(frame_count) * std::size_t(draw_record_size);
    if (bytes.size() < std::size_t(draw_body_offset) + body) return std::nullopt;
    if (le::i32(bytes, 0) != frame_count) return std::nullopt;

    DrawFileImage image;
    for (int i = 0; i < 8; ++i) {
        image.programs[std::size_t(i)] = bytes[std::size_t(draw_header_size + i)];
        image.volume_bytes[std::size_t(i)] = bytes[std::size_t(draw_header_size + 8 + i)];
        // Programs and velocities are MIDI data bytes, 0 … 127.
        if (image.programs[std::size_t(i)] > 127 || image.volume_bytes[std::size_t(i)] > 127)
            return std::nullopt;
    }
    image.body.assign(bytes.begin() + draw_body_offset,
                      bytes.begin() + draw_body_offset + std::ptrdiff_t(body));
    for (std::uint8_t v : image.body)
        if (!is_draw_value(v)) return std::nullopt;
    return image;
}

void apply_draw_file(const DrawFileImage& image, DrawData& draw, MidiChannelSettings& settings) {
    for (int i = 0; i < 8; ++i) {
        settings.program[std::size_t(i + 1)] = image.programs[std::size_t(i)];
        settings.volume[std::size_t(i + 1)] = 127 - image.volume_bytes[std::size_t(i)];
    }
    const int n = int(image.body.size() / draw_record_size);
    for (int f = 0; f < n; ++f)
        std::copy_n(image.body.begin() + std::ptrdiff_t(f) * draw_record_size, draw_record_size,
                    draw[f].slot.begin());
    draw.modified = false;
}

std::string backup_file_name(const std::string& path) { return path + ".bak"; }

namespace {

// Copies the file at `path`, when there is one, to its backup name.
void keep_backup(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return;
    std::ifstream in(path, std::ios::binary);
    if (!in) return;
    const std::vector<std::uint8_t> old((std::istreambuf_iterator<char>(in)),
                                        std::istreambuf_iterator<char>());
    if (in.bad()) return;
    write_file_atomically(backup_file_name(path), old);
}

} // namespace

bool save_draw_data(const std::string& path, DrawData& draw, int frame_count,
                    const MidiChannelSettings& settings) {
    reset_draw_select(draw, frame_count);
    keep_backup(path);
    if (!write_file_atomically(path, build_draw_file(draw, frame_count, settings))) return false;
    draw.modified = false;
    return true;
}

bool load_draw_data(const std::string& path, DrawData& draw, int frame_count,
                    MidiChannelSettings& settings) {
    const auto image = read_draw_file(path, frame_count);
    if (!image) return false;
    apply_draw_file(*image, draw, settings);
    return true;
}

} // namespace pitkad
