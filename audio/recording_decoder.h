#pragma once
// Reading a recording of any format once, for analysis and playback at the
// same time. A 16-bit PCM WAV at 44100 or 22050 Hz goes through the WAV
// reader; everything else through FFmpeg (first audio stream of any
// container). The analysis gets the chosen channel (the first, the second or
// the mid of the two; analysis/analysis_channel.h) on the 16-bit sample scale
// at 44100 Hz (a 22050 Hz source with a zero after each sample, any other
// rate resampled); playback gets every channel (more than two mixed down to
// stereo) at the file's own rate, or at 48000 Hz when the file's is higher.

#include "analysis/analysis_cache.h"
#include "analysis/analysis_channel.h"
#include "analysis/open_status.h"
#include "analysis/sample_stream.h"
#include "audio/pcm_audio.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <stop_token>
#include <string>

namespace pitkad {

struct DecodeOutcome {
    bool ok = false;
    OpenStatus status = OpenStatus::ok; // why not, when !ok
    std::string detail;                 // the technical reason, or empty
    std::shared_ptr<const PcmAudio> audio;
    FileHash hash; // of the whole file, when asked for
};

// The highest rate playback audio is kept at; a file of a higher rate is
// resampled to it, which bounds the memory it takes.
inline constexpr int highest_playback_rate = 48000;
// How long one step of reading a file through FFmpeg may take before the
// file is given up: opening it, probing its streams, or reading one packet.
inline constexpr std::chrono::milliseconds decode_step_limit{20000};

class RecordingDecoder {
  public:
    // Opens and checks the file. Null on failure, with `failure` set; a file
    // no reader takes is `unsupported` with the reason as its detail, e.g.
    // "ogg: no audio stream". A requested `stop` ends the opening early (a
    // failure too). `step_limit` bounds each step of the reading, now and
    // in run(). A recording of `frame_limit` frames or more is refused as
    // too_large: from its header when it says so, else once that much is read.
    static std::unique_ptr<RecordingDecoder>
    open(const std::filesystem::path& file, OpenFailure& failure, std::stop_token stop = {},
         std::chrono::milliseconds step_limit = decode_step_limit,
         int frame_limit = recording_frame_limit);
    virtual ~RecordingDecoder() = default;

    // Frames the header announces: exact for a WAV, the container's
    // estimate otherwise, 0 when unknown.
    virtual int expected_frames() const = 0;
    // The file's size, the cache's validity key.
    std::int32_t file_size() const { return file_size_; }
    // The part of the recording run() hands the analysis (the first
    // channel unless told otherwise).
    void set_analysis_channel(AnalysisChannel channel) { channel_ = channel; }

    // Decoders to run at once on a compressed recording whose format allows
    // it (ParallelDecoder), and the packets each one takes at a time; the
    // result is the same whatever the number. By default one per core.
    virtual void set_decode_threads(int threads, int chunk_packets) {
        (void)threads;
        (void)chunk_packets;
    }

    // Reads the whole recording: the analysis samples into `analysis` (null:
    // playback only), finished or abandoned before this returns, and with
    // `playback` the playback audio into the outcome; the file's fingerprint
    // when `hash`. Runs on any one thread. A requested `stop` ends the
    // reading at the next block or packet: the outcome is then not ok and
    // the stream abandoned.
    virtual DecodeOutcome run(SampleStream* analysis, bool hash, bool playback = true,
                              std::stop_token stop = {}) = 0;

  protected:
    std::int32_t file_size_ = 0;
    AnalysisChannel channel_ = AnalysisChannel::first;
};

// The playback audio alone (a recording whose analysis was cached); null
// audio when `stop` was requested.
PcmLoadResult decode_for_playback(const std::filesystem::path& file, std::stop_token stop = {});
// The sample rate decode_for_playback will give, from the file's header
// alone (a few milliseconds); 0 when the header does not say or the file
// will be refused.
int playback_rate(const std::filesystem::path& file);

} // namespace pitkad
