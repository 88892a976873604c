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

#include <sys/stat.h>
#include <unistd.h>

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

// Columns converted a piece at a time: this many per piece (about 1.2 MB).
constexpr int piece_columns = 4096;

// Reads `frames` columns from the body of an open cache, checking that each
// level is a number; into `out` when given. False when the body is shorter.
bool read_columns(std::FILE* file, int frames, float* out) {
    std::vector<std::uint8_t> piece;
    for (int first = 0; first < frames; first += piece_columns) {
        const int n = std::min(piece_columns, frames - first);
        piece.resize(std::size_t(n) * cache_column_bytes);
        const off_t at = off_t(cache_header_bytes) + off_t(first) * cache_column_bytes;
        std::size_t got = 0;
        while (got < piece.size()) {
            const ssize_t r = ::pread(::fileno(file), piece.data() + got, piece.size() - got,
                                      at + off_t(got));
            if (r < 0 && errno == EINTR) continue;
            if (r <= 0) return false;
            got += std::size_t(r);
        }
        float* to = out ? out + std::size_t(first) * cells_per_frame : nullptr;
        for (std::size_t i = 0; i < piece.size() / 4; ++i) {
            const float v = le::f32(piece, i * 4);
            // A damaged body (levels that are not numbers) is stale, not loaded.
            if (!std::isfinite(v)) return false;
            if (to) to[i] = v;
        }
    }
    return true;
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

std::uint32_t cache_reference_word(AnalysisReference reference) {
    return reference.is_standard() ? 0 : std::uint32_t(reference.centihertz);
}

fs::path cache_name_for(const fs::path& wav, AnalysisChannel channel,
                        AnalysisReference reference) {
    std::string ending;
    switch (channel) {
    case AnalysisChannel::first:
        break;
    case AnalysisChannel::second:
        ending = ".ch2";
        break;
    case AnalysisChannel::mid:
        ending = ".mid";
        break;
    }
    if (!reference.is_standard()) ending += ".tuned";
    fs::path name = wav;
    name.replace_extension(ending + ".pkd");
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
                          const FileHash* known, AnalysisChannel channel,
                          AnalysisReference reference) {
    const int frames =
        std::clamp(store.frame_count, 0, std::min(store.columns(), recording_frame_limit - 1));
    const bool long_layout = frames > frame_limit;
    std::vector<std::uint8_t> header(cache_header_bytes, 0);
    le::store_u32(header, 0, std::uint32_t(store.wav_file_size));
    le::store_u32(header, 4, std::uint32_t(frames));
    const FileHash h = known && known->ok ? *known : hash_file(wav);
    if (h.ok) {
        le::store_u32(header, 8, cache_fingerprint_marker);
        le::store_u32(header, 12, std::uint32_t(h.value));
        le::store_u32(header, 16, std::uint32_t(h.value >> 32));
    }
    le::store_u32(header, 20, cache_channel_word(channel));
    le::store_u32(header, 28, cache_reference_word(reference));
    // A long cache without a fingerprint would never be read: none is written.
    if (long_layout && !h.ok) {
        store.cache_file_name.clear();
        return false;
    }
    if (long_layout) le::store_u32(header, 24, cache_long_marker);

    // The header, then the columns as little-endian bytes, a piece at a time.
    std::vector<std::uint8_t> piece;
    const auto write = [&](const fs::path& file) {
        int next = -1;
        return write_file_atomically(file, [&]() -> std::span<const std::uint8_t> {
            if (next++ < 0) return header;
            const int first = (next - 1) * piece_columns;
            if (first >= frames) return {};
            const std::size_t floats =
                std::size_t(std::min(piece_columns, frames - first)) * cells_per_frame;
            const float* from = store.spectrogram.data() + std::size_t(first) * cells_per_frame;
            piece.resize(floats * 4);
            for (std::size_t i = 0; i < floats; ++i)
                le::store_f32(piece, i * 4, from[i]);
            return piece;
        });
    };
    const auto keep = [&](const fs::path& file) {
        store.cache_file_name = file.string();
        store.keep_analysed(long_layout ? KeptCacheFile::open(file, frames) : nullptr);
        return true;
    };
    const fs::path beside = cache_name_for(wav, channel, reference);
    if (write(beside)) return keep(beside);
    std::error_code ec;
    if (!fallback.empty() && fallback.has_parent_path())
        fs::create_directories(fallback.parent_path(), ec);
    if (!fallback.empty() && write(fallback)) return keep(fallback);
    store.cache_file_name.clear();
    return false;
}

bool write_analysis_cache(const fs::path& wav, SpectrogramStore& store, const FileHash* known,
                          AnalysisChannel channel, AnalysisReference reference) {
    return write_analysis_cache(wav, store, fallback_cache_file(), known, channel, reference);
}

bool read_analysis_cache(const fs::path& wav, SpectrogramStore& store, FileHash* hash,
                         std::stop_token stop, AnalysisChannel channel,
                         AnalysisReference reference) {
    std::error_code ec;
    const fs::path cache = cache_name_for(wav, channel, reference);
    if (!fs::is_regular_file(wav, ec)) return false;

    std::int32_t wav_size = 0;
    {
        File w(std::fopen(wav.c_str(), "rb"));
        if (!w || ::fseeko(w.get(), 0, SEEK_END) != 0) return false;
        wav_size = std::int32_t(std::uint32_t(ftello(w.get())));
    }
    // Never more than the largest cache; a pipe or a device at its name is
    // not a cache.
    ReadStatus status = ReadStatus::absent;
    File file(open_regular_file(cache, status));
    struct stat st {};
    if (!file || ::fstat(::fileno(file.get()), &st) != 0 ||
        std::uintmax_t(st.st_size) > cache_long_max_bytes ||
        st.st_size < off_t(cache_header_bytes))
        return false;
    std::array<std::uint8_t, cache_header_bytes> header_bytes{};
    if (::pread(::fileno(file.get()), header_bytes.data(), header_bytes.size(), 0) !=
        ssize_t(header_bytes.size()))
        return false;
    const std::span<const std::uint8_t> header(header_bytes);
    if (le::i32(header, 0) != wav_size) return false;
    const std::int32_t frames = le::i32(header, 4);
    if (frames < 0 || frames >= recording_frame_limit) return false;
    const bool long_layout = frames > frame_limit;
    if (long_layout && le::u32(header, 24) != cache_long_marker) return false;

    bool reserved_zero = true;
    for (int i = 8; i < cache_header_bytes; ++i)
        if (header[std::size_t(i)] != 0) reserved_zero = false;
    if (le::u32(header, 20) != cache_channel_word(channel)) return false;
    if (le::u32(header, 28) != cache_reference_word(reference)) return false;
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

    const std::uintmax_t body_bytes = std::uintmax_t(frames) * cache_column_bytes;
    if (std::uintmax_t(st.st_size) - cache_header_bytes < body_bytes) return false;
    if (!long_layout) {
        std::vector<float> columns(std::size_t(frames) * cells_per_frame);
        if (!read_columns(file.get(), frames, columns.data())) return false;
        store.make_room(frames); // a store made without room gets it here
        std::copy(columns.begin(), columns.end(), store.spectrogram.begin());
    } else {
        // The whole body is checked before the store is touched, so that a
        // damaged cache leaves it unchanged; then read into it.
        if (!read_columns(file.get(), frames, nullptr)) return false;
        store.make_room(frames);
        if (!read_columns(file.get(), frames, store.spectrogram.data())) return false;
    }
    store.frame_count = frames;
    store.wav_file_size = wav_size;
    store.reference = reference;
    store.cache_file_name = cache.string();
    store.keep_analysed(long_layout ? KeptCacheFile::hold(file.release(), frames) : nullptr);
    return true;
}

bool reload_analysis_cache(SpectrogramStore& store) {
    if (store.analysed_file) return store.analysed_file->read(store.spectrogram.data());
    const std::size_t n = std::min(store.analysed.size(),
                                   std::size_t(std::max(store.frame_count, 0)) * cells_per_frame);
    std::copy_n(store.analysed.begin(), n, store.spectrogram.begin());
    return true;
}

std::shared_ptr<const KeptCacheFile> KeptCacheFile::open(const fs::path& cache, int frames) {
    ReadStatus status = ReadStatus::absent;
    return hold(open_regular_file(cache, status), frames);
}

std::shared_ptr<const KeptCacheFile> KeptCacheFile::hold(std::FILE* file, int frames) {
    if (!file) return nullptr;
    return std::shared_ptr<const KeptCacheFile>(new KeptCacheFile(file, frames));
}

KeptCacheFile::~KeptCacheFile() {
    std::fclose(file_);
}

bool KeptCacheFile::read(float* out) const {
    return read_columns(file_, frames_, out);
}

} // namespace pitkad
