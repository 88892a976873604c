// The recording decoder on any bytes: the containers and decoders FFmpeg is
// allowed to use for a recording, the playback audio (mixed down and kept at
// a bounded rate) and the analysis samples (resampled to 44100 Hz).
#include "analysis/band_tables.h"
#include "analysis/sample_stream.h"
#include "analysis/spectrogram_store.h"
#include "audio/recording_decoder.h"
#include "tests/fuzz/fuzz_support.h"

#include <chrono>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pitkad;
    const auto file = fuzz::scratch() / "input";
    fuzz::write_file(file, data, size);
    OpenFailure failure;
    // A short step limit: a demuxer looping on its input is a finding only
    // when the limit does not end it.
    auto decoder = RecordingDecoder::open(file, failure, {}, std::chrono::milliseconds(2000));
    if (!decoder) {
        PITKAD_FUZZ_CHECK(failure.status != OpenStatus::ok);
        return 0;
    }
    PITKAD_FUZZ_CHECK(decoder->expected_frames() >= 0);
    SampleStream analysis(std::int64_t(frame_limit + 1) * frame_step);
    analysis.close_reading(); // counted, not kept
    const DecodeOutcome out = decoder->run(&analysis, false, true);
    PITKAD_FUZZ_CHECK(analysis.size() <= std::int64_t(frame_limit + 1) * frame_step);
    if (out.ok) {
        const PcmAudio& a = *out.audio;
        PITKAD_FUZZ_CHECK(a.channels == 1 || a.channels == 2);
        PITKAD_FUZZ_CHECK(a.rate >= 8000 && a.rate <= highest_playback_rate);
        PITKAD_FUZZ_CHECK(a.samples.size() == std::size_t(a.frames) * std::size_t(a.channels));
    } else {
        PITKAD_FUZZ_CHECK(out.status != OpenStatus::ok);
    }
    return 0;
}
