#pragma once
// Reading and checking a RIFF/WAVE recording: the chunk walk, the format
// check, the frame count, and the analysed samples of the data chunk.

#include "analysis/analysis_channel.h"
#include "analysis/open_status.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <span>
#include <stop_token>
#include <vector>

namespace pitkad {

// The four bytes as a big-endian identifier: "RIFF" 1, "WAVE" 2, "fmt " 3,
// "fact" 4, "data" 5, "LIST" 6, anything else 0. Case matters.
int chunk_id(const unsigned char* four_bytes);

struct WavFormat {
    int format_tag = 0;
    int channels = 0;
    std::uint32_t sample_rate = 0;
    int bits_per_sample = 0;
    bool pcm_subformat = false; // EXTENSIBLE with the PCM subformat
};

// How the chunk walk ended.
enum class WavWalk {
    ok,               // at the data chunk
    not_riff_wave,    // the file does not start with "RIFF" … "WAVE"
    bad_format_chunk, // a "fmt " chunk shorter than 16 bytes or cut off
    bad_chunk,        // an unreadable chunk header, a garbled identifier, a
                      // chunk past the end of the file, or no data chunk
};

struct WavLayout {
    WavWalk walk = WavWalk::bad_chunk;
    bool format_seen = false; // a "fmt " chunk was read before the walk ended
    WavFormat format;         // the last "fmt " chunk's fields
    std::uint64_t data_offset = 0;
    std::uint64_t data_size = 0; // limited to the bytes the file holds
};

// Fills `into` from the bytes at `offset`; how many it got (fewer at the end
// of the file or on a read error).
using WavByteReader =
    std::function<std::size_t(std::uint64_t offset, std::span<std::uint8_t> into)>;

// The chunk walk of a file of `size` bytes, up to the data chunk: known
// chunks as they stand, other chunks with a printable identifier skipped,
// each odd-sized payload followed by its pad byte, every chunk before the
// data chunk within the file (a size is never trusted for an allocation).
WavLayout walk_wav_chunks(std::uint64_t size, const WavByteReader& read);
// The same over a whole file in memory.
WavLayout walk_wav_chunks(std::span<const std::uint8_t> bytes);

struct WavRecording {
    bool ok = false;
    OpenStatus status = OpenStatus::ok; // why not, when !ok
    std::int32_t file_size = 0;         // the validity key of the cache
    WavFormat format;
    std::uint64_t data_offset = 0;
    std::uint64_t data_size = 0;  // limited to the bytes the file holds
    std::int32_t frame_count = 0; // whole 20 ms frames in the data chunk
    // The analysed value of every sample frame (the first channel, the
    // second or their mid), from the data chunk only.
    std::vector<float> samples;
};

// Where read_wav_data hands the data chunk's bytes, read once in file order.
struct WavDataSink {
    // Whole sample frames: `frames` × channels little-endian 16-bit values.
    std::function<void(std::span<const std::uint8_t> bytes, std::size_t frames)> frames;
    // The bytes of a last, incomplete frame.
    std::function<void(std::span<const std::uint8_t> bytes)> tail;
    // Every byte of the file in order, headers and trailing chunks included
    // (for a fingerprint); may be empty.
    std::function<void(std::span<const std::uint8_t> bytes)> file_bytes;
};

// Reads the data chunk of a checked recording (read_wav's header fields) from
// the open file, in blocks of whole frames; false on a read error, or when
// `stop` was requested (checked before each block).
bool read_wav_data(std::FILE* file, const WavRecording& header, const WavDataSink& sink,
                   const std::stop_token& stop = {});

// Reads and checks the file; with read_samples false only the header is
// walked (samples stays empty).
WavRecording read_wav(const std::filesystem::path& file, bool read_samples = true,
                      AnalysisChannel channel = AnalysisChannel::first);

} // namespace pitkad
