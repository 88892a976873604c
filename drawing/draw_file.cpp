#include "drawing/draw_file.h"

#include "base/atomic_file.h"
#include "base/le_bytes.h"
#include "drawing/draw_ops.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

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

namespace {

// Reads up to n bytes, fewer only at the end of the file; -1 on an error.
ssize_t read_up_to(int fd, std::uint8_t* p, std::size_t n) {
    std::size_t got = 0;
    while (got < n) {
        const ssize_t r = ::read(fd, p + got, n - got);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return -1;
        if (r == 0) break;
        got += std::size_t(r);
    }
    return ssize_t(got);
}

struct Fd {
    int fd;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};

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
    if (frame_count < 0 || frame_count > draw_frames)
        return refused(std::move(r), DrawFileRefusal::bad_header);
    // Not blocking: a pipe at the path must not hold the program up.
    const Fd in{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK)};
    if (in.fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) return r; // absent
        return unreadable(std::move(r), errno);
    }
    struct stat st {};
    if (::fstat(in.fd, &st) != 0) return unreadable(std::move(r), errno);
    if (S_ISDIR(st.st_mode)) return unreadable(std::move(r), EISDIR);
    if (!S_ISREG(st.st_mode)) return refused(std::move(r), DrawFileRefusal::not_a_file);

    std::array<std::uint8_t, draw_body_offset> head{};
    const ssize_t head_read = read_up_to(in.fd, head.data(), head.size());
    if (head_read < 0) return unreadable(std::move(r), errno);
    if (head_read < ssize_t(head.size())) return refused(std::move(r), DrawFileRefusal::truncated);
    const std::int32_t file_frames = le::i32(head, 0);
    if (file_frames < 0 || file_frames > draw_frames)
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
    image.body.resize(body);
    const ssize_t body_read = read_up_to(in.fd, image.body.data(), body);
    if (body_read < 0) return unreadable(std::move(r), errno);
    if (std::size_t(body_read) < body) return refused(std::move(r), DrawFileRefusal::truncated);
    for (std::uint8_t v : image.body)
        if (!is_draw_value(v)) return refused(std::move(r), DrawFileRefusal::bad_record);
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
    for (int f = 0; f < n; ++f)
        std::copy_n(image.body.begin() + std::ptrdiff_t(f) * draw_record_size, draw_record_size,
                    draw[f].slot.begin());
    draw.modified = false;
}

std::string backup_file_name(const std::string& path) {
    return path + ".bak";
}

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

DrawFileRead load_draw_data(const std::string& path, DrawData& draw, int frame_count,
                            MidiChannelSettings& settings) {
    DrawFileRead r = read_draw_file(path, frame_count);
    if (!r.ok()) return r;
    apply_draw_file(r.image, draw, settings);
    r.image = {};
    return r;
}

} // namespace pitkad
