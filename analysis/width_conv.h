#pragma once
// TensorFlow's Conv2D (a cross-correlation) on NHWC input, computed along
// the width with real FFTs: for filters wide in width, with stride and
// dilation 1 in width (any in height). Each input row of each channel is
// transformed once, the filter's rows once for all runs; an output row of a
// channel is the sum over the filter's rows and the input channels of the
// products of their spectra, transformed back. The results differ from the
// direct sums by rounding only.

#include <cstddef>
#include <vector>

#include <fftw3.h>

namespace pitkad {

struct WidthConvShape {
    int batch = 0, in_h = 0, in_w = 0, in_c = 0, out_h = 0, out_w = 0;
    int stride_h = 1, dilation_h = 1;
    int pad_top = 0, pad_left = 0; // zeros before the first row and column
};

// A constant filter's spectra and the transforms' plans, for one FFT length.
// Once made, run() may be called from any number of threads at once.
class WidthConvFilter {
  public:
    // The FFT length for an input width: long enough that no output wraps
    // around, a length FFTW transforms fast.
    static int length_for(int in_w, int k_w, int out_w, int pad_left);
    // The number of floats the spectra would take, and run()'s scratch.
    static std::size_t spectra_floats(int k_h, int in_c, int out_c, int n);
    static std::size_t scratch_floats(const WidthConvShape& s, int k_h, int in_c, int out_c, int n);

    // filter: [k_h][k_w][in_c][out_c].
    WidthConvFilter(const float* filter, int k_h, int k_w, int in_c, int out_c, int n);
    ~WidthConvFilter();
    WidthConvFilter(const WidthConvFilter&) = delete;
    WidthConvFilter& operator=(const WidthConvFilter&) = delete;

    // out: [batch][out_h][out_w][out_c], each value bias (or 0) plus the
    // sum, clamped to [lo, hi]. `scratch` is resized as needed.
    void run(const WidthConvShape& s, const float* x, const float* bias, float lo, float hi,
             float* out, std::vector<float>& scratch) const;

  private:
    // A spectrum as FFTW gives it, as real parts then imaginary parts, the
    // parts padded with zeros to stride_.
    void deinterleave(const fftwf_complex* from, float* to) const;

    int k_h_, k_w_, in_c_, out_c_, n_;
    int bins_, stride_; // n / 2 + 1 bins; the spectra's real and imaginary
                        // parts stride_ floats apart (whole vectors)
    // [k_h][in_c][out_c]: real parts, then imaginary parts, each stride_
    // floats; the taps reversed and scaled by 1 / n.
    std::vector<float> spectra_;
    std::size_t spectra_offset_ = 0; // where the aligned floats start
    fftwf_plan forward_ = nullptr, inverse_ = nullptr;
};

} // namespace pitkad
