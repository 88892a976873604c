#include "analysis/width_conv.h"

#include "analysis/fftw_planner.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace pitkad {

namespace {

using Index = std::ptrdiff_t;

// Every buffer handed to the plans starts on a 64-byte boundary, as the
// ones they were made with did: FFTW may only run a plan on arrays aligned
// as those were.
constexpr std::size_t align_floats = 16;

std::size_t round_up(std::size_t n) {
    return (n + align_floats - 1) / align_floats * align_floats;
}

// `v` sized to hold `floats` floats from a 64-byte boundary, and that
// boundary.
float* aligned(std::vector<float>& v, std::size_t floats) {
    if (v.size() < floats + align_floats) v.resize(floats + align_floats);
    const auto at = reinterpret_cast<std::uintptr_t>(v.data());
    return v.data() + (64 - at % 64) % 64 / sizeof(float);
}

// Even lengths whose other factors are 3, 5 and 7 only.
bool fast_length(int n) {
    if (n % 2) return false;
    for (int p : {2, 3, 5, 7})
        while (n % p == 0)
            n /= p;
    return n == 1;
}

constexpr int lanes = 8;
// `lanes` floats as one vector, read and written straight from the floats
// (aligned as a float, aliasing them), as in the direct convolution.
typedef float Lanes
    __attribute__((vector_size(lanes * sizeof(float)), aligned(alignof(float)), may_alias));
inline Lanes load(const float* p) {
    return *reinterpret_cast<const Lanes*>(p);
}
inline void store(float* p, Lanes v) {
    *reinterpret_cast<Lanes*>(p) = v;
}

// Output channels [o, o + B) of an output row: the sum over the filter's
// rows and the input channels of the products of the spectra, kept in
// registers `lanes` bins at a time. rows[kh]: the input row's spectra under
// filter row kh, or null where the window leaves the input. Spectra are
// stored as real parts then imaginary parts, `stride` floats apart.
template <int B>
[[gnu::always_inline]] inline void sum_products(const float* const* rows, int k_h, const float* h,
                                                float* y, int o, int in_c, int out_c, int stride) {
    const Index spectrum = 2 * Index(stride);
    for (int k = 0; k < stride; k += lanes) {
        Lanes re[B], im[B];
#pragma GCC unroll 4
        for (int b = 0; b < B; ++b)
            re[b] = im[b] = Lanes{};
        for (int kh = 0; kh < k_h; ++kh) {
            if (!rows[kh]) continue;
            for (int c = 0; c < in_c; ++c) {
                const float* x = rows[kh] + c * spectrum + k;
                const Lanes xr = load(x), xi = load(x + stride);
                const float* hs = h + ((Index(kh) * in_c + c) * out_c + o) * spectrum + k;
#pragma GCC unroll 4
                for (int b = 0; b < B; ++b) {
                    const Lanes hr = load(hs + b * spectrum), hi = load(hs + b * spectrum + stride);
                    re[b] += xr * hr - xi * hi;
                    im[b] += xr * hi + xi * hr;
                }
            }
        }
#pragma GCC unroll 4
        for (int b = 0; b < B; ++b) {
            store(y + (o + b) * spectrum + k, re[b]);
            store(y + (o + b) * spectrum + stride + k, im[b]);
        }
    }
}

#if defined(__SANITIZE_THREAD__)
// ThreadSanitizer instruments the clones' resolver, which runs before it has
// started: one version there.
#define WIDE_CLONES
#else
#define WIDE_CLONES __attribute__((target_clones("arch=x86-64-v4", "arch=x86-64-v3", "default")))
#endif
WIDE_CLONES void multiply_add(const float* const* rows, int k_h, const float* h, float* y, int in_c,
                              int out_c, int stride) {
    int o = 0;
    for (; o + 4 <= out_c; o += 4)
        sum_products<4>(rows, k_h, h, y, o, in_c, out_c, stride);
    for (; o < out_c; ++o)
        sum_products<1>(rows, k_h, h, y, o, in_c, out_c, stride);
}

// The spectra of the input rows a window of the filter reaches are kept in
// a ring: row ih in slot ih mod `slots`.
int ring_slots(const WidthConvShape& s, int k_h) {
    return int(std::min<std::int64_t>(std::int64_t(k_h - 1) * s.dilation_h + 1, s.in_h));
}

// The spectra's parts are padded to a whole number of vectors.
std::size_t spectrum_floats(int n) {
    return 2 * ((std::size_t(n) / 2 + lanes) / lanes * lanes);
}

} // namespace

int WidthConvFilter::length_for(int in_w, int k_w, int out_w, int pad_left) {
    // Output column ow is sample k_w − 1 − pad_left + ow of the full linear
    // convolution of the row (in_w + k_w − 1 samples) with the reversed
    // taps; the cyclic one of length n gives the same where n spans both
    // the samples needed and those that are not zero.
    const std::int64_t first = std::int64_t(k_w) - 1 - pad_left;
    const std::int64_t lo = std::min<std::int64_t>(first, 0);
    const std::int64_t hi = std::max<std::int64_t>(first + out_w, std::int64_t(in_w) + k_w - 1);
    std::int64_t n = std::max<std::int64_t>(hi - lo, 2);
    if (n > (1 << 28)) return 0;
    while (!fast_length(int(n)))
        ++n;
    return int(n);
}

std::size_t WidthConvFilter::spectra_floats(int k_h, int in_c, int out_c, int n) {
    return std::size_t(k_h) * std::size_t(in_c) * std::size_t(out_c) * spectrum_floats(n);
}

std::size_t WidthConvFilter::scratch_floats(const WidthConvShape& s, int k_h, int in_c, int out_c,
                                            int n) {
    return 3 * round_up(std::size_t(n) + 2) +
           (std::size_t(ring_slots(s, k_h)) * std::size_t(in_c) + std::size_t(out_c)) *
               spectrum_floats(n) +
           align_floats;
}

WidthConvFilter::WidthConvFilter(const float* filter, int k_h, int k_w, int in_c, int out_c, int n)
    : k_h_(k_h), k_w_(k_w), in_c_(in_c), out_c_(out_c), n_(n), bins_(n / 2 + 1),
      stride_(int(spectrum_floats(n) / 2)) {
    std::vector<float> plan_buffer;
    const std::size_t time = round_up(std::size_t(n) + 2);
    float* in = aligned(plan_buffer, 3 * time);
    float* out = in + time;
    auto* spectrum = reinterpret_cast<fftwf_complex*>(out + time);
    {
        const std::lock_guard lock(fftw_planner_mutex());
        forward_ = fftwf_plan_dft_r2c_1d(n, in, spectrum, FFTW_ESTIMATE);
        inverse_ = fftwf_plan_dft_c2r_1d(n, spectrum, out, FFTW_ESTIMATE);
    }

    // Cross-correlation is convolution with the taps reversed; the inverse
    // transform's factor n is taken out here, once.
    float* spectra = aligned(spectra_, spectra_floats(k_h, in_c, out_c, n));
    spectra_offset_ = std::size_t(spectra - spectra_.data());
    std::fill(in, in + n, 0.0f);
    const float scale = 1.0f / float(n);
    for (int kh = 0; kh < k_h; ++kh)
        for (int c = 0; c < in_c; ++c)
            for (int o = 0; o < out_c; ++o) {
                for (int t = 0; t < k_w; ++t)
                    in[t] =
                        scale * filter[((Index(kh) * k_w + (k_w - 1 - t)) * in_c + c) * out_c + o];
                fftwf_execute_dft_r2c(forward_, in, spectrum);
                deinterleave(spectrum,
                             spectra + ((Index(kh) * in_c + c) * out_c + o) * 2 * stride_);
            }
}

WidthConvFilter::~WidthConvFilter() {
    const std::lock_guard lock(fftw_planner_mutex());
    fftwf_destroy_plan(forward_);
    fftwf_destroy_plan(inverse_);
}

void WidthConvFilter::deinterleave(const fftwf_complex* from, float* to) const {
    for (int k = 0; k < bins_; ++k) {
        to[k] = from[k][0];
        to[stride_ + k] = from[k][1];
    }
    std::fill(to + bins_, to + stride_, 0.0f);
    std::fill(to + stride_ + bins_, to + 2 * stride_, 0.0f);
}

void WidthConvFilter::run(const WidthConvShape& s, const float* x, const float* bias, float lo,
                          float hi, float* out, std::vector<float>& scratch) const {
    const int slots = ring_slots(s, k_h_);
    const Index spectrum = 2 * Index(stride_), row_spectra = Index(in_c_) * spectrum;
    // Each of the transforms' buffers on a 64-byte boundary.
    const std::size_t time = round_up(std::size_t(n_) + 2);
    float* time_in = aligned(scratch, scratch_floats(s, k_h_, in_c_, out_c_, n_) - align_floats);
    float* time_out = time_in + time;
    auto* complex = reinterpret_cast<fftwf_complex*>(time_out + time);
    float* ring = time_out + 2 * time;
    float* sums = ring + slots * row_spectra;
    std::vector<int> row_in(std::size_t(slots), -1);
    std::vector<const float*> rows(std::size_t(k_h_), nullptr);
    const float* filter = spectra_.data() + spectra_offset_;
    const Index first = Index(k_w_) - 1 - s.pad_left;

    std::fill(time_in + s.in_w, time_in + n_, 0.0f);
    for (int b = 0; b < s.batch; ++b) {
        const float* image = x + Index(b) * s.in_h * s.in_w * in_c_;
        std::fill(row_in.begin(), row_in.end(), -1);
        for (int oh = 0; oh < s.out_h; ++oh) {
            for (int kh = 0; kh < k_h_; ++kh) {
                const Index ih = Index(oh) * s.stride_h + Index(kh) * s.dilation_h - s.pad_top;
                rows[std::size_t(kh)] = nullptr;
                if (ih < 0 || ih >= s.in_h) continue;
                float* spectra = ring + (ih % slots) * row_spectra;
                rows[std::size_t(kh)] = spectra;
                if (row_in[std::size_t(ih % slots)] == ih) continue;
                row_in[std::size_t(ih % slots)] = int(ih);
                const float* row = image + ih * s.in_w * in_c_;
                for (int c = 0; c < in_c_; ++c) {
                    for (int w = 0; w < s.in_w; ++w)
                        time_in[w] = row[Index(w) * in_c_ + c];
                    fftwf_execute_dft_r2c(forward_, time_in, complex);
                    deinterleave(complex, spectra + c * spectrum);
                }
            }
            multiply_add(rows.data(), k_h_, filter, sums, in_c_, out_c_, stride_);
            float* row = out + (Index(b) * s.out_h + oh) * s.out_w * out_c_;
            for (int o = 0; o < out_c_; ++o) {
                const float* y = sums + o * spectrum;
                for (int k = 0; k < bins_; ++k) {
                    complex[k][0] = y[k];
                    complex[k][1] = y[stride_ + k];
                }
                fftwf_execute_dft_c2r(inverse_, complex, time_out);
                const float add = bias ? bias[o] : 0.0f;
                for (int ow = 0; ow < s.out_w; ++ow) {
                    Index j = first + ow;
                    if (j < 0)
                        j += n_;
                    else if (j >= n_)
                        j -= n_;
                    float v = time_out[j] + add;
                    if (lo > -INFINITY) v = v > lo ? v : lo;
                    if (v > hi) v = hi;
                    row[Index(ow) * out_c_ + o] = v;
                }
            }
        }
    }
}

} // namespace pitkad
