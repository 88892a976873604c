#include "analysis/band_kernel.h"

#include <algorithm>

#define KERNEL_WIDTH 4
#define KERNEL_FN slab_powers_scalar
#include "analysis/band_kernel_simd.inc"
#undef KERNEL_FN
#undef KERNEL_WIDTH

namespace pitkad {

bool kernel_path_supported(KernelPath path) {
    switch (path) {
    case KernelPath::scalar:
        return true;
    case KernelPath::avx2:
        return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    case KernelPath::avx512:
        return __builtin_cpu_supports("avx512f");
    }
    return false;
}

KernelPath best_kernel_path() {
    if (kernel_path_supported(KernelPath::avx512)) return KernelPath::avx512;
    if (kernel_path_supported(KernelPath::avx2)) return KernelPath::avx2;
    return KernelPath::scalar;
}

const char* kernel_path_name(KernelPath path) {
    switch (path) {
    case KernelPath::scalar:
        return "scalar";
    case KernelPath::avx2:
        return "avx2";
    case KernelPath::avx512:
        return "avx512";
    }
    return "?";
}

void analyse_slab(const BandTables& tables, const float* slab, int length, int stride, int count,
                  int band_begin, int band_end, KernelWork& work, float* out, int out_stride,
                  KernelPath path) {
    band_begin = std::max(band_begin, first_band);
    band_end = std::min(band_end, last_band);
    count = std::clamp(count, 0, kernel_batch_frames);
    // Only frames whose whole history lies in the slab.
    if (stride < 0 || length < history_length)
        count = 0;
    else if (stride > 0)
        count = std::min(count, (length - history_length) / stride + 1);
    if (count == 0 || band_begin > band_end) return;
    // Only as many levels as the bands asked for need computing.
    detail::SlabLevels levels;
    for (int b = band_begin; b <= band_end; ++b)
        levels.top = std::max(levels.top, tables.bands[std::size_t(b)].top_level);

    // Each level padded on both sides; the scratch holds a level's odd and
    // even samples while the next is made.
    constexpr int pad = detail::level_pad;
    std::size_t total = 0;
    int n = length;
    for (int l = 0; l <= levels.top; ++l, n = (n + 1) / 2) {
        levels.length[l] = n;
        total += std::size_t(n) + 2 * pad;
    }
    if (work.levels.size() < total) work.levels.resize(total);
    const std::size_t scratch = std::size_t(length) + 4 * pad;
    if (work.scratch.size() < scratch) work.scratch.resize(scratch);
    float* p = work.levels.data();
    for (int l = 0; l <= levels.top; ++l) {
        std::fill(p, p + pad, 0.0f);
        levels.level[l] = p + pad;
        std::fill(levels.level[l] + levels.length[l], levels.level[l] + levels.length[l] + pad,
                  0.0f);
        p += levels.length[l] + 2 * pad;
    }
    levels.scratch = work.scratch.data();

    const detail::KernelTablesView view{tables.bands.data(), tables.pieces.data(),
                                        tables.runs.data(), tables.weights.data(),
                                        tables.halfband.data()};
    if (!kernel_path_supported(path)) path = KernelPath::scalar;
    switch (path) {
    case KernelPath::avx512:
        return detail::slab_powers_avx512(view, slab, levels, stride, count, band_begin, band_end,
                                          out, out_stride);
    case KernelPath::avx2:
        return detail::slab_powers_avx2(view, slab, levels, stride, count, band_begin, band_end,
                                        out, out_stride);
    case KernelPath::scalar:
        break;
    }
    detail::slab_powers_scalar(view, slab, levels, stride, count, band_begin, band_end, out,
                               out_stride);
}

float band_power(const BandTables& tables, int band, std::span<const float, history_length> history,
                 KernelWork& work, KernelPath path) {
    if (band < first_band || band > last_band) return 0.0f;
    float column[cells_per_frame] = {};
    analyse_slab(tables, history.data(), history_length, 0, 1, band, band, work, column,
                 cells_per_frame, path);
    return column[band];
}

void analyse_frame(const BandTables& tables, std::span<const float, history_length> history,
                   KernelWork& work, std::span<float, cells_per_frame> column, KernelPath path) {
    analyse_slab(tables, history.data(), history_length, 0, 1, first_band, last_band, work,
                 column.data(), cells_per_frame, path);
}

} // namespace pitkad
