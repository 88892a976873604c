#include "audio/reference_resampler.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

namespace pitkad {

namespace {

struct ResamplerCloser {
    void operator()(SwrContext* s) const { swr_free(&s); }
};

// Samples taken from the reader's stream at a time.
constexpr std::int64_t piece = 1 << 15;

} // namespace

void resample_for_reference(SampleStream& from, SampleStream& to, AnalysisReference reference) {
    // The SoX resampler, as the decoder uses for other rates: far above the
    // highest band, its passband leaves the bands' powers as they are, and
    // it keeps pace with the analysis.
    AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
    SwrContext* s = nullptr;
    swr_alloc_set_opts2(&s, &mono, AV_SAMPLE_FMT_FLT, reference.analysis_rate(), &mono,
                        AV_SAMPLE_FMT_FLT, 44100, 0, nullptr);
    const std::unique_ptr<SwrContext, ResamplerCloser> resampler(s);
    if (s) av_opt_set_int(s, "resampler", SWR_ENGINE_SOXR, 0);
    if (!s || swr_init(s) < 0) {
        from.close_reading();
        to.abandon();
        return;
    }
    std::vector<float> in(static_cast<std::size_t>(piece));
    std::vector<float> out;
    // Converts `n` samples (none: drains the converter) into `to`.
    auto convert = [&](const float* samples, int n) {
        const int room = std::max(swr_get_out_samples(s, n), 1);
        out.resize(std::size_t(room));
        const auto* data = reinterpret_cast<const std::uint8_t*>(samples);
        auto* dst = reinterpret_cast<std::uint8_t*>(out.data());
        const int got = swr_convert(s, &dst, room, samples ? &data : nullptr, n);
        return got >= 0 && to.append({out.data(), std::size_t(got)}) ? got : -1;
    };
    bool announced = false;
    for (std::int64_t at = 0;;) {
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
        from.copy(at, int(n), in.data());
        at += n;
        from.release_before(at);
        if (n > 0 && convert(in.data(), int(n)) < 0) break;
        if (n < piece) { // the stream has finished: drain, then finish
            int got = 0;
            while ((got = convert(nullptr, 0)) > 0) {
            }
            if (got < 0) break;
            to.finish(from.frames());
            return;
        }
    }
    // The analysis stopped taking samples (stopped), or the converter failed.
    from.close_reading();
    to.abandon();
}

} // namespace pitkad
