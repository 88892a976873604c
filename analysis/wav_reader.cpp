#include "analysis/wav_reader.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>

#include "analysis/spectrogram_store.h"
#include "base/file_bytes.h"
#include "base/le_bytes.h"

namespace pitkad {

namespace {

enum ChunkKind { other_chunk = 0, riff = 1, wave = 2, fmt = 3, fact = 4, data = 5, list = 6 };

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

bool printable_id(const std::uint8_t* p) {
    for (int i = 0; i < 4; ++i)
        if (p[i] < 0x20 || p[i] > 0x7e) return false;
    return true;
}

// KSDATAFORMAT_SUBTYPE_PCM as stored in a file.
constexpr std::array<unsigned char, 16> pcm_guid = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                                    0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71};

WavFormat parse_fmt(const std::vector<std::uint8_t>& payload) {
    WavFormat f;
    f.format_tag = le::u16(payload, 0);
    f.channels = le::u16(payload, 2);
    f.sample_rate = le::u32(payload, 4);
    f.bits_per_sample = le::u16(payload, 14);
    if (f.format_tag == 0xfffe && payload.size() >= 40) {
        f.pcm_subformat = true;
        for (std::size_t i = 0; i < pcm_guid.size(); ++i)
            if (payload[24 + i] != pcm_guid[i]) f.pcm_subformat = false;
    }
    return f;
}

bool supported(const WavFormat& f) {
    const bool pcm = f.format_tag == 1 || (f.format_tag == 0xfffe && f.pcm_subformat);
    return pcm && f.channels != 0 && f.bits_per_sample == 16 &&
           (f.sample_rate == 44100 || f.sample_rate == 22050);
}

WavRecording fail(WavRecording r, OpenStatus status) {
    r.ok = false;
    r.status = status;
    r.samples.clear();
    return r;
}

} // namespace

int chunk_id(const unsigned char* p) {
    const std::uint32_t id = std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 |
                             std::uint32_t(p[2]) << 8 | std::uint32_t(p[3]);
    switch (id) {
    case 0x52494646:
        return riff; // "RIFF"
    case 0x57415645:
        return wave; // "WAVE"
    case 0x666d7420:
        return fmt; // "fmt "
    case 0x66616374:
        return fact; // "fact"
    case 0x64617461:
        return data; // "data"
    case 0x4c495354:
        return list; // "LIST"
    default:
        return other_chunk;
    }
}

WavLayout walk_wav_chunks(std::uint64_t size, const WavByteReader& read) {
    WavLayout layout;
    auto stop = [&](WavWalk how) {
        layout.walk = how;
        return layout;
    };
    std::uint8_t head[12] = {};
    const std::size_t got = read(0, head);
    if (got < 4 || chunk_id(head) != riff) return stop(WavWalk::not_riff_wave);
    if (got < 12 || chunk_id(head + 8) != wave) return stop(WavWalk::not_riff_wave);

    std::uint64_t pos = 12;
    for (;;) {
        std::uint8_t ch[8];
        if (read(pos, ch) != 8) return stop(WavWalk::bad_chunk);
        pos += 8;
        const int id = chunk_id(ch);
        const std::uint32_t chunk_size = le::u32(ch, 4);
        if (id == data) {
            layout.data_offset = pos;
            // Size 0 is what a writer to a pipe leaves: the samples run to the
            // end of the file, as with the 0xFFFFFFFF of a streamed file.
            const std::uint64_t left = size > pos ? size - pos : 0;
            layout.data_size = chunk_size == 0 ? left : std::min<std::uint64_t>(chunk_size, left);
            return stop(WavWalk::ok);
        }
        if (id == riff || id == wave) continue;
        if (id == other_chunk && !printable_id(ch)) return stop(WavWalk::bad_chunk);
        const std::uint64_t padded = std::uint64_t(chunk_size) + (chunk_size & 1u);
        if (pos + padded > size)
            return stop(id == fmt ? WavWalk::bad_format_chunk : WavWalk::bad_chunk);
        if (id == fmt) {
            if (chunk_size < 16) return stop(WavWalk::bad_format_chunk);
            // Only the first 40 bytes (the extensible form) carry anything we use.
            std::vector<std::uint8_t> payload(std::min<std::uint32_t>(chunk_size, 40));
            if (read(pos, payload) != payload.size()) return stop(WavWalk::bad_format_chunk);
            layout.format = parse_fmt(payload);
            layout.format_seen = true;
        }
        pos += padded;
    }
}

WavLayout walk_wav_chunks(std::span<const std::uint8_t> bytes) {
    return walk_wav_chunks(
        bytes.size(), [bytes](std::uint64_t offset, std::span<std::uint8_t> into) {
            if (offset >= bytes.size()) return std::size_t(0);
            const std::size_t n = std::min<std::size_t>(into.size(), bytes.size() - offset);
            std::copy_n(bytes.begin() + std::ptrdiff_t(offset), n, into.begin());
            return n;
        });
}

bool read_wav_data(std::FILE* f, const WavRecording& header, const WavDataSink& sink,
                   const std::stop_token& stop) {
    std::vector<std::uint8_t> block(1 << 20);
    auto pass_through = [&](std::uint64_t from, std::uint64_t to) {
        if (::fseeko(f, off_t(from), SEEK_SET) != 0) return false;
        while (from < to) {
            const auto want = std::size_t(std::min<std::uint64_t>(block.size(), to - from));
            const std::size_t got = std::fread(block.data(), 1, want, f);
            if (got == 0) break;
            if (sink.file_bytes) sink.file_bytes({block.data(), got});
            from += got;
        }
        return !std::ferror(f);
    };
    if (sink.file_bytes && !pass_through(0, header.data_offset)) return false;
    if (::fseeko(f, off_t(header.data_offset), SEEK_SET) != 0) return false;

    // Blocks of whole frames, whatever the channel count.
    const std::size_t frame_bytes = 2 * std::size_t(std::max(header.format.channels, 1));
    const std::size_t block_bytes = block.size() - block.size() % frame_bytes;
    std::uint64_t left = header.data_size;
    while (left > 0) {
        if (stop.stop_requested()) return false;
        const auto want = std::size_t(std::min<std::uint64_t>(block_bytes, left));
        const std::size_t got = std::fread(block.data(), 1, want, f);
        const std::span<const std::uint8_t> bytes(block.data(), got);
        if (sink.file_bytes) sink.file_bytes(bytes);
        const std::size_t whole = got / frame_bytes;
        if (whole > 0 && sink.frames) sink.frames(bytes, whole);
        if (got % frame_bytes != 0 && sink.tail) sink.tail(bytes.subspan(whole * frame_bytes));
        left -= got;
        if (got < want) break;
    }
    if (std::ferror(f)) return false;
    if (sink.file_bytes) {
        ::fseeko(f, 0, SEEK_END);
        return pass_through(header.data_offset + header.data_size, std::uint64_t(ftello(f)));
    }
    return true;
}

WavRecording read_wav(const std::filesystem::path& file, bool read_samples,
                      AnalysisChannel channel) {
    WavRecording r;
    // A pipe or a device at the name is refused at once: opening a pipe
    // would wait for a writer, and a device never ends.
    ReadStatus opened = ReadStatus::ok;
    File f(open_regular_file(file, opened));
    if (!f) return fail(std::move(r), OpenStatus::cannot_open);
    if (::fseeko(f.get(), 0, SEEK_END) != 0) return fail(std::move(r), OpenStatus::cannot_open);
    const std::uint64_t size = std::uint64_t(ftello(f.get()));
    r.file_size = std::int32_t(std::uint32_t(size));

    const WavLayout layout =
        walk_wav_chunks(size, [&f](std::uint64_t offset, std::span<std::uint8_t> into) {
            if (::fseeko(f.get(), off_t(offset), SEEK_SET) != 0) return std::size_t(0);
            return std::fread(into.data(), 1, into.size(), f.get());
        });
    r.format = layout.format;
    r.data_offset = layout.data_offset;
    r.data_size = layout.data_size;
    if (layout.walk == WavWalk::not_riff_wave) return fail(std::move(r), OpenStatus::unsupported);
    if (layout.walk != WavWalk::ok) return fail(std::move(r), OpenStatus::bad_header);

    if (!supported(r.format)) return fail(std::move(r), OpenStatus::unsupported);

    const double frames =
        double(r.data_size) * 50.0 / (double(r.format.sample_rate) * 2.0 * r.format.channels);
    if (frames >= recording_frame_limit) return fail(std::move(r), OpenStatus::too_large);
    r.frame_count = std::int32_t(frames);

    if (read_samples) {
        // The analysed value of every whole sample frame present in the chunk.
        const int channels = r.format.channels;
        r.samples.reserve(std::size_t(r.data_size / 2 / std::size_t(channels) + 1));
        WavDataSink sink;
        sink.frames = [&](std::span<const std::uint8_t> bytes, std::size_t frames) {
            const std::size_t at = r.samples.size();
            r.samples.resize(at + frames);
            analysis_values(bytes, frames, channels, channel, r.samples.data() + at);
        };
        sink.tail = [&](std::span<const std::uint8_t> bytes) {
            if (const auto v = partial_frame_value(bytes, channels, channel))
                r.samples.push_back(*v);
        };
        if (!read_wav_data(f.get(), r, sink)) return fail(std::move(r), OpenStatus::bad_header);
    }
    r.ok = true;
    return r;
}

} // namespace pitkad
