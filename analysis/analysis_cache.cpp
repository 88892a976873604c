#include "analysis/analysis_cache.h"

#include <xxhash.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <memory>
#include <span>
#include <system_error>
#include <vector>

#include "analysis/wav_reader.h"
#include "base/atomic_file.h"
#include "base/file_bytes.h"
#include "base/le_bytes.h"
#include "base/paths.h"

namespace pitkad {

namespace fs = std::filesystem;

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Columns as little-endian bytes after the header.
void append_columns(const SpectrogramStore& store, int frames, std::vector<std::uint8_t>& out) {
    const std::size_t floats = std::size_t(frames) * cells_per_frame;
    const std::size_t start = out.size();
    out.resize(start + floats * 4);
    for (std::size_t i = 0; i < floats; ++i)
        le::store_f32(out, start + i * 4, store.spectrogram[i]);
}

// Columns from cache bytes into the store.
void columns_from_bytes(std::span<const std::uint8_t> body, SpectrogramStore& store) {
    for (std::size_t i = 0; i < body.size() / 4; ++i)
        store.spectrogram[i] = le::f32(body, i * 4);
}

} // namespace

std::uint32_t cache_channel_word(AnalysisChannel channel) {
    switch (channel) {
    case AnalysisChannel::second:
        return 0x32434b50; // "PKC2"
    case AnalysisChannel::mid:
        return 0x4d434b50; // "PKCM"
    case AnalysisChannel::first:
        break;
    }
    return 0;
}

fs::path cache_name_for(const fs::path& wav, AnalysisChannel channel) {
    fs::path name = wav;
    switch (channel) {
    case AnalysisChannel::first:
        name.replace_extension(".pkd");
        break;
    case AnalysisChannel::second:
        name.replace_extension(".ch2.pkd");
        break;
    case AnalysisChannel::mid:
        name.replace_extension(".mid.pkd");
        break;
    }
    return name;
}

FileHash hash_file(const fs::path& file, std::stop_token stop) {
    File f(std::fopen(file.c_str(), "rb"));
    if (!f) return {};
    std::unique_ptr<XXH3_state_t, decltype(&XXH3_freeState)> state(XXH3_createState(),
                                                                   &XXH3_freeState);
    if (!state || XXH3_64bits_reset(state.get()) == XXH_ERROR) return {};
    std::vector<unsigned char> buffer(1 << 20);
    for (;;) {
        if (stop.stop_requested()) return {};
        const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), f.get());
        if (got > 0) XXH3_64bits_update(state.get(), buffer.data(), got);
        if (got < buffer.size()) break;
    }
    if (std::ferror(f.get())) return {};
    return {true, XXH3_64bits_digest(state.get())};
}

bool write_analysis_cache(const fs::path& wav, SpectrogramStore& store, const fs::path& fallback,
                          const FileHash* known, AnalysisChannel channel) {
    const int frames = std::clamp(store.frame_count, 0, frame_limit);
    std::vector<std::uint8_t> file(cache_header_bytes, 0);
    le::store_u32(file, 0, std::uint32_t(store.wav_file_size));
    le::store_u32(file, 4, std::uint32_t(frames));
    if (const FileHash h = known && known->ok ? *known : hash_file(wav); h.ok) {
        le::store_u32(file, 8, cache_fingerprint_marker);
        le::store_u32(file, 12, std::uint32_t(h.value));
        le::store_u32(file, 16, std::uint32_t(h.value >> 32));
    }
    le::store_u32(file, 20, cache_channel_word(channel));
    append_columns(store, frames, file);

    const fs::path beside = cache_name_for(wav, channel);
    if (write_file_atomically(beside, file)) {
        store.cache_file_name = beside.string();
        store.keep_analysed();
        return true;
    }
    std::error_code ec;
    if (!fallback.empty() && fallback.has_parent_path())
        fs::create_directories(fallback.parent_path(), ec);
    if (!fallback.empty() && write_file_atomically(fallback, file)) {
        store.cache_file_name = fallback.string();
        store.keep_analysed();
        return true;
    }
    store.cache_file_name.clear();
    return false;
}

bool write_analysis_cache(const fs::path& wav, SpectrogramStore& store, const FileHash* known,
                          AnalysisChannel channel) {
    return write_analysis_cache(wav, store, fallback_cache_file(), known, channel);
}

bool read_analysis_cache(const fs::path& wav, SpectrogramStore& store, FileHash* hash,
                         std::stop_token stop, AnalysisChannel channel) {
    std::error_code ec;
    const fs::path cache = cache_name_for(wav, channel);
    if (!fs::is_regular_file(wav, ec)) return false;

    std::int32_t wav_size = 0;
    {
        File w(std::fopen(wav.c_str(), "rb"));
        if (!w || ::fseeko(w.get(), 0, SEEK_END) != 0) return false;
        wav_size = std::int32_t(std::uint32_t(ftello(w.get())));
    }
    // Never more than the largest cache; a pipe or a device at its name is
    // not a cache.
    const FileRead read = read_regular_file(cache, cache_max_bytes);
    if (!read.ok() || read.bytes.size() < std::size_t(cache_header_bytes)) return false;
    const std::span<const std::uint8_t> header(read.bytes.data(), cache_header_bytes);
    if (le::i32(header, 0) != wav_size) return false;
    const std::int32_t frames = le::i32(header, 4);
    if (frames < 0 || frames > frame_limit) return false;

    bool reserved_zero = true;
    for (int i = 8; i < cache_header_bytes; ++i)
        if (header[i] != 0) reserved_zero = false;
    if (le::u32(header, 20) != cache_channel_word(channel)) return false;
    if (reserved_zero) {
        // Without a fingerprint only the size vouches for the recording: the
        // length must agree too, or a cache of another file of the same size
        // would be shown.
        const WavRecording header_only = read_wav(wav, false);
        if (!header_only.ok || header_only.frame_count != frames) return false;
    } else {
        if (le::u32(header, 8) != cache_fingerprint_marker) return false;
        FileHash local;
        FileHash& h = hash ? *hash : local;
        if (!h.ok) h = hash_file(wav, stop);
        const std::uint64_t stored =
            std::uint64_t(le::u32(header, 12)) | std::uint64_t(le::u32(header, 16)) << 32;
        if (!h.ok || h.value != stored) return false;
    }

    const std::size_t body_bytes = std::size_t(frames) * cache_column_bytes;
    if (read.bytes.size() - cache_header_bytes < body_bytes) return false;
    const std::span<const std::uint8_t> body(read.bytes.data() + cache_header_bytes, body_bytes);
    // A damaged body (levels that are not numbers) is stale, not loaded.
    for (std::size_t i = 0; i < body.size() / 4; ++i)
        if (!std::isfinite(le::f32(body, i * 4))) return false;
    columns_from_bytes(body, store);
    store.frame_count = frames;
    store.wav_file_size = wav_size;
    store.cache_file_name = cache.string();
    store.keep_analysed();
    return true;
}

void reload_analysis_cache(SpectrogramStore& store) {
    const std::size_t n = std::min(store.analysed.size(),
                                   std::size_t(std::max(store.frame_count, 0)) * cells_per_frame);
    std::copy_n(store.analysed.begin(), n, store.spectrogram.begin());
}

} // namespace pitkad
