#include "audio/reference_resampler.h"

#include <samplerate.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

namespace pitkad {

namespace {

struct StateCloser {
    void operator()(SRC_STATE* s) const { src_delete(s); }
};

// Samples taken from the reader's stream at a time.
constexpr std::int64_t piece = 1 << 15;

} // namespace

void resample_for_reference(SampleStream& from, SampleStream& to, AnalysisReference reference) {
    int error = 0;
    // The fastest band-limited converter: far above the highest band, its
    // passband and its 97 dB of rejection leave the bands' powers as they are.
    const std::unique_ptr<SRC_STATE, StateCloser> state(src_new(SRC_SINC_FASTEST, 1, &error));
    if (!state) {
        from.close_reading();
        to.abandon();
        return;
    }
    const double ratio = reference.ratio();
    std::vector<float> in(static_cast<std::size_t>(piece));
    std::vector<float> out(static_cast<std::size_t>(double(piece) * ratio) + 64);
    std::int64_t at = 0;
    bool announced = false;
    for (;;) {
        const std::int64_t end = at + piece;
        if (!from.wait_for(end)) {
            to.abandon();
            return;
        }
        if (!announced && from.frames() >= 0) {
            to.announce_frames(from.frames());
            announced = true;
        }
        const std::int64_t n = std::max<std::int64_t>(std::min(end, from.size()) - at, 0);
        const bool last = n < piece; // the stream has finished
        from.copy(at, int(n), in.data());
        at += n;
        from.release_before(at);
        // Everything given is converted: at the end the converter is drained.
        const float* data = in.data();
        long left = long(n);
        for (;;) {
            SRC_DATA d{};
            d.data_in = data;
            d.input_frames = left;
            d.data_out = out.data();
            d.output_frames = long(out.size());
            d.src_ratio = ratio;
            d.end_of_input = last ? 1 : 0;
            if (src_process(state.get(), &d) != 0) {
                from.close_reading();
                to.abandon();
                return;
            }
            data += d.input_frames_used;
            left -= d.input_frames_used;
            if (!to.append({out.data(), std::size_t(d.output_frames_gen)})) {
                from.close_reading();
                return;
            }
            if (left == 0 && (!last || d.output_frames_gen == 0)) break;
        }
        if (last) {
            to.finish(from.frames());
            return;
        }
    }
}

} // namespace pitkad
