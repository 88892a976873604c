#include "analysis/band_kernel.h"

namespace pitkad {

namespace detail {

namespace {

// One update of the kernel: the expression is evaluated in double, left to
// right, and rounded to single precision once.
inline float round1(double value) { return float(value); }

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
    return fold_variant(band.fold) == FoldVariant::quarter_mirror ? band.pairs_h - 1
                                                                   : band.pairs_h;
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
    const int h = band.pairs_h;
    const int v = band.count_v;
    switch (fold_variant(band.fold)) {
    case FoldVariant::quarter_mirror:
        for (int j = j_begin; j <= j_end; ++j) {
            float p = 0.0f, q = 0.0f;
            for (int m = 0, o = 0; m < periods; ++m, o += period) {
                const float t1 = y[o + j] - y[o + j + 2 * h];
                const float t2 = y[o + 2 * h - j] - y[o + 4 * h - j];
                p = round1(double(p) + double(t1) - double(t2));
                q = round1(double(q) + double(t1) + double(t2));
            }
            sums_p[j] = p;
            sums_q[j] = q;
        }
        break;
    case FoldVariant::half_odd:
        for (int j = j_begin; j <= j_end; ++j) {
            float p = 0.0f, q = 0.0f;
            for (int m = 0, o = 0; m < periods; ++m, o += period) {
                const float t1 = y[o + j] - y[o + j + v];
                const float t2 = y[o + v - j] - y[o + 2 * v - j];
                p = round1(double(p) + double(t1) - double(t2));
                q = round1(double(q) + double(t1) + double(t2));
            }
            sums_p[j] = p;
            sums_q[j] = q;
        }
        break;
    case FoldVariant::whole_odd:
        for (int j = j_begin; j <= j_end; ++j) {
            float p = 0.0f, q = 0.0f;
            for (int m = 0, o = 0; m < periods; ++m, o += period) {
                const float a = y[o + j];
                const float b = y[o + v - j];
                p = round1(double(p) + double(a) + double(b));
                q = round1(double(q) + double(a) - double(b));
            }
            sums_p[j] = p;
            sums_q[j] = q;
        }
        break;
    }
}

float finish_power(const Band& band, const float* coef, const float* y, const float* sums_p,
                   const float* sums_q) {
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
        for (int j = 1; j < h; ++j) {
            re = round1(double(re) + double(sums_p[j]) * double(coef[j]));
            im = round1(double(im) + double(sums_q[j]) * double(coef[h - j]));
        }
        break;
    case FoldVariant::half_odd:
        for (int m = 0, o = 0; m < periods; ++m, o += period)
            re = round1(double(re) + double(y[o]) - double(y[o + v]));
        for (int j = 1; j <= h; ++j) {
            re = round1(double(re) + double(sums_p[j]) * double(coef[2 * j - 2]));
            im = round1(double(im) + double(sums_q[j]) * double(coef[2 * j - 1]));
        }
        break;
    case FoldVariant::whole_odd:
        for (int m = 0, o = 0; m < periods; ++m, o += period) re = round1(double(re) + double(y[o]));
        for (int j = 1; j <= h; ++j) {
            re = round1(double(re) + double(sums_p[j]) * double(coef[2 * j - 2]));
            im = round1(double(im) + double(sums_q[j]) * double(coef[2 * j - 1]));
        }
        break;
    }
    // N² fits a signed 32-bit value (at most 25632²).
    const int n2 = band.window_length * band.window_length;
    return float((double(re) * double(re) + double(im) * double(im)) / double(n2));
}

} // namespace detail

bool kernel_path_supported(KernelPath path) {
    switch (path) {
    case KernelPath::scalar:
        return true;
    case KernelPath::avx2:
        return __builtin_cpu_supports("avx2");
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

float band_power(const BandTables& tables, int band, std::span<const float, history_length> history,
                 std::span<float> work, KernelPath path) {
    const Band& bd = tables.bands[std::size_t(band)];
    const int n = bd.window_length;
    if (n == 0 || work.size() < std::size_t(kernel_work_length)) return 0.0f;
    const float* x = history.data() + history_centre - n / 2;
    const float* low = tables.window_low.data() + bd.window_offset;
    const float* high = tables.window_high.data() + bd.window_offset;
    float* y = work.data();
    float* sums_p = y + history_length;
    float* sums_q = sums_p + (history_length / 4 + 64);

    // The end points of the window: weights 4/23 and 50/23.
    y[0] = float(double(x[0]) * (4.0 / 23.0));
    y[n / 2] = float(double(x[n / 2]) * (50.0 / 23.0));
    switch (path) {
    case KernelPath::avx512:
        detail::window_fold_avx512(bd, low, high, x, y, sums_p, sums_q);
        break;
    case KernelPath::avx2:
        detail::window_fold_avx2(bd, low, high, x, y, sums_p, sums_q);
        break;
    case KernelPath::scalar:
        detail::window_range(bd, low, high, x, y, 1, bd.quarter);
        detail::fold_range(bd, y, sums_p, sums_q, 1, detail::fold_last_j(bd));
        break;
    }
    return detail::finish_power(bd, tables.coef.data() + bd.coef_offset, y, sums_p, sums_q);
}

void analyse_frame(const BandTables& tables, std::span<const float, history_length> history,
                   std::span<float> work, std::span<float, cells_per_frame> column,
                   KernelPath path) {
    for (int b = first_band; b <= last_band; ++b)
        column[std::size_t(b)] = band_power(tables, b, history, work, path);
}

} // namespace pitkad
