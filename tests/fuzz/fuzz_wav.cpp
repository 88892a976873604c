// The WAV reader of the analysis (header walk and samples) and the player's
// loader, on any bytes.
#include "analysis/spectrogram_store.h"
#include "analysis/wav_reader.h"
#include "audio/pcm_audio.h"
#include "tests/fuzz/fuzz_support.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pitkad;
    const auto file = fuzz::scratch() / "input.wav";
    fuzz::write_file(file, data, size);
    const WavRecording r = read_wav(file);
    if (r.ok) {
        PITKAD_FUZZ_CHECK(r.data_offset + r.data_size <= size);
        PITKAD_FUZZ_CHECK(r.frame_count >= 0 && r.frame_count < recording_frame_limit);
    }
    const PcmLoadResult p = parse_wav_for_playback(std::vector<std::uint8_t>(data, data + size));
    if (p.audio) PITKAD_FUZZ_CHECK(p.audio->samples.size() ==
                                   std::size_t(p.audio->frames) * std::size_t(p.audio->channels));
    return 0;
}
