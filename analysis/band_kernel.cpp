#include "analysis/band_kernel.h"

#include <algorithm>

namespace pitkad {

namespace detail {

namespace {

// One update of the kernel: the expression is evaluated in double, left to
// right, and rounded to single precision once.
inline float round1(double value) {
    return float(value);
}

} // namespace

FoldVariant fold_variant(int fold) {
    switch (fold) {
    case 36:
    case 12:
    case 4:
        return FoldVariant::quarter_mirror;
    case 18:
    case 6:
    case 2:
        return FoldVariant::half_odd;
    default:
        return FoldVariant::whole_odd;
    }
}

int fold_period(const Band& band) {
    switch (fold_variant(band.fold)) {
    case FoldVariant::quarter_mirror:
        return 4 * band.pairs_h;
    case FoldVariant::half_odd:
        return 2 * band.count_v;
    case FoldVariant::whole_odd:
        break;
    }
    return band.count_v;
}

int fold_last_j(const Band& band) {
    return fold_variant(band.fold) == FoldVariant::quarter_mirror ? band.pairs_h - 1 : band.pairs_h;
}

void window_range(const Band& band, const float* low, const float* high, const float* x, float* y,
                  int j_begin, int j_end) {
    const int n = band.window_length;
    const int half = n / 2;
    for (int j = j_begin; j <= j_end; ++j) {
        const float a = low[j];
        const float a2 = high[j];
        y[j] = x[j] * a;
        y[n - j] = x[n - j] * a;
        y[half + j] = x[half + j] * a2;
        y[half - j] = x[half - j] * a2;
    }
}

void fold_range(const Band& band, const float* y, float* sums_p, float* sums_q, int j_begin,
                int j_end) {
    const int period = fold_period(band);
    const int periods = band.window_length / period;
    const int v = band.count_v;
    const FoldVariant variant = fold_variant(band.fold);
    // Offsets of a pair's terms: o + j, o + j + s1, o + s1 − j, o + s2 − j.
    const int s1 = variant == FoldVariant::quarter_mirror ? 2 * band.pairs_h : v;
    const int s2 = 2 * s1;
    for (int j = j_begin; j <= j_end; ++j)
        sums_p[j] = sums_q[j] = 0.0f;
    // Periods outer: successive updates of one sum are independent of the
    // neighbouring sums, so they overlap instead of waiting on each other.
    for (int m = 0, o = 0; m < periods; ++m, o += period) {
        if (variant == FoldVariant::whole_odd) {
            for (int j = j_begin; j <= j_end; ++j) {
                const float a = y[o + j];
                const float b = y[o + v - j];
                sums_p[j] = round1(double(sums_p[j]) + double(a) + double(b));
                sums_q[j] = round1(double(sums_q[j]) + double(a) - double(b));
            }
        } else {
            for (int j = j_begin; j <= j_end; ++j) {
                const float t1 = y[o + j] - y[o + j + s1];
                const float t2 = y[o + s1 - j] - y[o + s2 - j];
                sums_p[j] = round1(double(sums_p[j]) + double(t1) - double(t2));
                sums_q[j] = round1(double(sums_q[j]) + double(t1) + double(t2));
            }
        }
    }
}

void direct_terms(const Band& band, const float* y, float& re_out, float& im_out) {
    const int period = fold_period(band);
    const int periods = band.window_length / period;
    const int h = band.pairs_h;
    const int v = band.count_v;
    float re = 0.0f, im = 0.0f;
    switch (fold_variant(band.fold)) {
    case FoldVariant::quarter_mirror:
        for (int m = 0, o = 0; m < periods; ++m, o += period) {
            re = round1(double(re) + double(y[o]) - double(y[o + 2 * h]));
            im = round1(double(im) + double(y[o + h]) - double(y[o + 3 * h]));
        }
        break;
    case FoldVariant::half_odd:
        for (int m = 0, o = 0; m < periods; ++m, o += period)
            re = round1(double(re) + double(y[o]) - double(y[o + v]));
        break;
    case FoldVariant::whole_odd:
        for (int m = 0, o = 0; m < periods; ++m, o += period)
            re = round1(double(re) + double(y[o]));
        break;
    }
    re_out = re;
    im_out = im;
}

void finish_powers(const Band& band, const float* coef, int count, int stride, const float* sums_p,
                   const float* sums_q, float* re, float* im, float* out) {
    const int h = band.pairs_h;
    // Each frame's chain is sequential in j; the frames' chains are
    // independent and interleaved so that they overlap in the processor.
    if (fold_variant(band.fold) == FoldVariant::quarter_mirror) {
        for (int j = 1; j < h; ++j) {
            const double c = coef[j];
            const double s = coef[h - j];
            for (int k = 0; k < count; ++k) {
                re[k] = round1(double(re[k]) + double(sums_p[k * stride + j]) * c);
                im[k] = round1(double(im[k]) + double(sums_q[k * stride + j]) * s);
            }
        }
    } else {
        for (int j = 1; j <= h; ++j) {
            const double c = coef[2 * j - 2];
            const double s = coef[2 * j - 1];
            for (int k = 0; k < count; ++k) {
                re[k] = round1(double(re[k]) + double(sums_p[k * stride + j]) * c);
                im[k] = round1(double(im[k]) + double(sums_q[k * stride + j]) * s);
            }
        }
    }
    // N² fits a signed 32-bit value (at most 25632²).
    const int n2 = band.window_length * band.window_length;
    for (int k = 0; k < count; ++k)
        out[k] =
            float((double(re[k]) * double(re[k]) + double(im[k]) * double(im[k])) / double(n2));
}

} // namespace detail

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

void band_power_frames(const BandTables& tables, int band, const float* first_history, int stride,
                       int count, std::span<float> work, float* out, KernelPath path) {
    const Band& bd = tables.bands[std::size_t(band)];
    const int n = bd.window_length;
    count = std::min(count, kernel_batch_frames);
    if (n == 0 || work.size() < std::size_t(kernel_work_length)) {
        for (int k = 0; k < count; ++k)
            out[k] = 0.0f;
        return;
    }
    const float* low = tables.window_low.data() + bd.window_offset;
    const float* high = tables.window_high.data() + bd.window_offset;
    float* y = work.data() + kernel_y_margin;
    float* sums_p = y + history_length + kernel_y_margin;
    float* sums_q = sums_p + kernel_batch_frames * kernel_sums_stride;
    float re[kernel_batch_frames], im[kernel_batch_frames];

    for (int k = 0; k < count; ++k) {
        const float* x = first_history + std::ptrdiff_t(k) * stride + history_centre - n / 2;
        float* p = sums_p + k * kernel_sums_stride;
        float* q = sums_q + k * kernel_sums_stride;
        // The end points of the window have the weights 4/23 and 50/23.
        switch (path) {
        case KernelPath::avx512:
            detail::window_fold_avx512(bd, low, high, x, y, p, q, re[k], im[k]);
            break;
        case KernelPath::avx2:
            detail::window_fold_avx2(bd, low, high, x, y, p, q, re[k], im[k]);
            break;
        case KernelPath::scalar:
            y[0] = float(double(x[0]) * (4.0 / 23.0));
            y[n / 2] = float(double(x[n / 2]) * (50.0 / 23.0));
            detail::window_range(bd, low, high, x, y, 1, bd.quarter);
            detail::fold_range(bd, y, p, q, 1, detail::fold_last_j(bd));
            detail::direct_terms(bd, y, re[k], im[k]);
            break;
        }
    }
    detail::finish_powers(bd, tables.coef.data() + bd.coef_offset, count, kernel_sums_stride,
                          sums_p, sums_q, re, im, out);
}

int kernel_lanes(KernelPath path) {
    switch (path) {
    case KernelPath::avx2:
        return 8;
    case KernelPath::avx512:
        return 16;
    case KernelPath::scalar:
        break;
    }
    return 1;
}

void interleave_histories(const float* first_history, int stride, int count, float* out,
                          KernelPath path) {
    const int lanes = kernel_lanes(path);
    count = std::clamp(count, 0, lanes);
    const bool whole = count == lanes && stride > 0 && stride <= history_length;
    if (whole && path == KernelPath::avx512)
        return detail::interleave_avx512(first_history, stride, out);
    if (whole && path == KernelPath::avx2)
        return detail::interleave_avx2(first_history, stride, out);
    for (int i = 0; i < history_length; ++i) {
        float* row = out + std::size_t(i) * std::size_t(lanes);
        for (int k = 0; k < count; ++k)
            row[k] = first_history[i + std::ptrdiff_t(k) * stride];
        for (int k = count; k < lanes; ++k)
            row[k] = 0.0f;
    }
}

void band_power_lanes(const BandTables& tables, int band, const float* interleaved,
                      std::span<float> work, float* out, KernelPath path) {
    const Band& bd = tables.bands[std::size_t(band)];
    const int lanes = kernel_lanes(path);
    if (bd.window_length == 0 || path == KernelPath::scalar ||
        work.size() < std::size_t(kernel_lanes_work_length)) {
        for (int k = 0; k < lanes; ++k)
            out[k] = 0.0f;
        return;
    }
    const float* low = tables.window_low.data() + bd.window_offset;
    const float* high = tables.window_high.data() + bd.window_offset;
    const float* coef = tables.coef.data() + bd.coef_offset;
    if (path == KernelPath::avx512)
        detail::band_power_lanes_avx512(bd, low, high, coef, interleaved, work.data(), out);
    else
        detail::band_power_lanes_avx2(bd, low, high, coef, interleaved, work.data(), out);
}

float band_power(const BandTables& tables, int band, std::span<const float, history_length> history,
                 std::span<float> work, KernelPath path) {
    float out = 0.0f;
    band_power_frames(tables, band, history.data(), 0, 1, work, &out, path);
    return out;
}

void analyse_frame(const BandTables& tables, std::span<const float, history_length> history,
                   std::span<float> work, std::span<float, cells_per_frame> column,
                   KernelPath path) {
    for (int b = first_band; b <= last_band; ++b)
        column[std::size_t(b)] = band_power(tables, b, history, work, path);
}

} // namespace pitkad
