#pragma once
// The analysis cache beside a recording ("song.wav" → "song.pkd"): a 64-byte
// header (WAV size, frame count, fourteen reserved words) and the normalised
// columns, 304 bytes each, exactly as the store holds them. The reserved
// words carry a fingerprint of the recording (a marker word and the XXH3-64
// of the whole WAV file); a cache without the marker is validated by the WAV
// size alone. The analysis of the first channel is cached as "song.pkd"; the
// second channel's as "song.ch2.pkd" and the mid's as "song.mid.pkd", whose
// reserved word 3 names the choice as well, so that no cache is taken for
// another choice's. An analysis at another reference pitch than the bands'
// own is cached as "song.tuned.pkd" ("song.ch2.tuned.pkd", …), with the
// reference in reserved word 5: a cache of another reference is stale.
//
// A recording of more than frame_limit columns (19:20) has a cache of the
// same layout whose frame count is larger and whose reserved word 4 is the
// mark "PKL1"; it is always fingerprinted. Such a cache is written and read
// a piece at a time, never built whole in memory, and the analysis it holds
// is read back from it when the display is rebuilt (KeptCacheFile).

#include <cstdint>
#include <cstdio>
#include <memory>
#include <filesystem>
#include <stop_token>

#include "analysis/analysis_channel.h"
#include "analysis/analysis_reference.h"
#include "analysis/spectrogram_store.h"

namespace pitkad {

inline constexpr int cache_header_bytes = 64;
inline constexpr int cache_column_bytes = cells_per_frame * 4;
// The largest cache of the original layout: the header and frame_limit
// columns; and the largest of all, for the longest recording.
inline constexpr std::uintmax_t cache_max_bytes =
    cache_header_bytes + std::uintmax_t(frame_limit) * cache_column_bytes;
inline constexpr std::uintmax_t cache_long_max_bytes =
    cache_header_bytes + std::uintmax_t(recording_frame_limit) * cache_column_bytes;
// Reserved word 4 of a cache of more than frame_limit columns ("PKL1").
inline constexpr std::uint32_t cache_long_marker = 0x314c4b50;
// Reserved word 0 of a fingerprinted header ("PKF1" in file order); words 1
// and 2 hold the hash's low and high halves.
inline constexpr std::uint32_t cache_fingerprint_marker = 0x31464b50;
// Reserved word 3: 0 for the first channel (as every cache before the
// choice), "PKC2" for the second channel, "PKCM" for the mid.
std::uint32_t cache_channel_word(AnalysisChannel channel);
// Reserved word 5: 0 at the bands' own reference, else the reference in
// hundredths of a hertz.
std::uint32_t cache_reference_word(AnalysisReference reference);

// "song.wav" → "song.pkd" (the first channel), "song.ch2.pkd" (the second),
// "song.mid.pkd" (the mid), with ".tuned" before ".pkd" at another
// reference; a name without extension gets the ending appended.
std::filesystem::path cache_name_for(const std::filesystem::path& wav,
                                     AnalysisChannel channel = AnalysisChannel::first,
                                     AnalysisReference reference = {});

// XXH3-64 of the whole file; ok is false when it is unreadable, or when a
// stop was asked for before the end.
struct FileHash {
    bool ok = false;
    std::uint64_t value = 0;
};
FileHash hash_file(const std::filesystem::path& file, std::stop_token stop = {});

// Writes columns 0 … frame_count − 1 to the cache beside the recording (via a
// temporary file renamed into place, so no reader sees a partial cache), or
// to `fallback` when that cannot be written. Sets store.cache_file_name to
// the file written and keeps the columns as the store's analysis, or empties
// the name and returns false when neither could be written.
// `known` is the recording's fingerprint when the caller has it already;
// `channel` is the part of the recording the store holds the analysis of,
// `reference` the pitch it was analysed at (their cache name and header words).
bool write_analysis_cache(const std::filesystem::path& wav, SpectrogramStore& store,
                          const std::filesystem::path& fallback, const FileHash* known = nullptr,
                          AnalysisChannel channel = AnalysisChannel::first,
                          AnalysisReference reference = {});
// The same with this instance's fallback file in the user cache folder.
bool write_analysis_cache(const std::filesystem::path& wav, SpectrogramStore& store,
                          const FileHash* known = nullptr,
                          AnalysisChannel channel = AnalysisChannel::first,
                          AnalysisReference reference = {});

// Loads the cache beside the recording when it is valid for it: the WAV size
// and the fingerprint match (a cache of an older version without one must
// also have the frame count the WAV header gives), at most 58000 columns or,
// marked as long, fewer than recording_frame_limit; body complete and finite. On success sets frame_count, wav_file_size,
// cache_file_name, the columns and the kept analysis; on failure the store
// is unchanged. With `hash`, a fingerprint computed here is left there for
// the caller (a stale cache is rewritten without hashing the file again), and
// one already there is used. A stop asked for while the recording is hashed
// ends the check as if the cache did not fit. Only a cache of `channel` and
// `reference` is valid: its name and header words are that choice's (a
// cache without a fingerprint is one of the first channel at 440 Hz).
bool read_analysis_cache(const std::filesystem::path& wav, SpectrogramStore& store,
                         FileHash* hash = nullptr, std::stop_token stop = {},
                         AnalysisChannel channel = AnalysisChannel::first,
                         AnalysisReference reference = {});

// Restores the current frame_count columns from the analysis kept at open
// (what the cache holds): from memory, or for a long recording from the
// cache file held open since. Without a kept analysis the store keeps what
// it holds. False when the kept file can no longer be read whole (changed
// in place by another program): the columns are then not to be trusted.
bool reload_analysis_cache(SpectrogramStore& store);

// A cache file held open for reading its columns back.
class KeptCacheFile {
  public:
    // Null when the file cannot be opened as a regular file.
    static std::shared_ptr<const KeptCacheFile> open(const std::filesystem::path& cache,
                                                     int frames);
    // Takes over a file already open (null: none).
    static std::shared_ptr<const KeptCacheFile> hold(std::FILE* file, int frames);
    ~KeptCacheFile();
    KeptCacheFile(const KeptCacheFile&) = delete;
    KeptCacheFile& operator=(const KeptCacheFile&) = delete;
    // Reads the frames' columns into `out`; false when they are not all there
    // or not all finite.
    bool read(float* out) const;

  private:
    KeptCacheFile(std::FILE* file, int frames) : file_(file), frames_(frames) {}
    std::FILE* file_;
    int frames_;
};

} // namespace pitkad
