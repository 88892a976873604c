#pragma once
// The band kernel: power of one semitone band for the sample history around
// one frame centre. Pure functions over caller-owned buffers; threads are the
// caller's business. A scalar path and vectorised paths (chosen at run time)
// give bit-identical results.

#include <span>

#include "analysis/band_tables.h"

namespace pitkad {

enum class KernelPath { scalar, avx2, avx512 };

// Whether this processor can run the path (scalar always can).
bool kernel_path_supported(KernelPath path);
// The fastest supported path.
KernelPath best_kernel_path();
const char* kernel_path_name(KernelPath path);

// Frames one call may compute together, the largest coefficient index of any
// band (with room to spare), and the floats of working space a call needs:
// the windowed samples plus each frame's fold sums.
inline constexpr int kernel_batch_frames = 16;
inline constexpr int kernel_max_pairs = 255;
inline constexpr int kernel_sums_stride = kernel_max_pairs + 1;
// The windowed samples have a margin on both sides: the vectorised fold's last
// block may run past the band's last coefficient index, reading (not using)
// up to 16 values beyond either end of a period.
inline constexpr int kernel_y_margin = 32;
inline constexpr int kernel_work_length =
    history_length + 2 * kernel_y_margin + 2 * kernel_batch_frames * kernel_sums_stride;

// P(b) for band b = 2 … 75: the band's windowed single-bin power of the
// history, in squared raw sample units. The history holds 16-bit sample
// values as floats (exact), centre at index 12816.
float band_power(const BandTables& tables, int band, std::span<const float, history_length> history,
                 std::span<float> work, KernelPath path = KernelPath::scalar);

// P(b) for `count` (≤ 16) frames whose histories start at first_history +
// k × stride, k = 0 … count − 1, into out[k]. The frames' coefficient chains
// run interleaved; each frame's value is exactly band_power's.
void band_power_frames(const BandTables& tables, int band, const float* first_history, int stride,
                       int count, std::span<float> work, float* out,
                       KernelPath path = KernelPath::scalar);

// Frames the frame-parallel form of a path computes at once (1 for scalar).
int kernel_lanes(KernelPath path);

// Histories of up to kernel_lanes(path) frames (frame k at first_history +
// k × stride) interleaved for the frame-parallel form: out[i × lanes + k] is
// element i of frame k; missing frames are zeros. out holds history_length ×
// lanes floats.
void interleave_histories(const float* first_history, int stride, int count, float* out,
                          KernelPath path);

// P(b) of the kernel_lanes(path) frames interleaved in `interleaved`, into
// out[0 … lanes − 1]; bit-identical to band_power of each frame. work holds
// kernel_lanes_work_length floats. For the vectorised paths only.
inline constexpr int kernel_lanes_work_length = 4 * kernel_sums_stride * 16;
void band_power_lanes(const BandTables& tables, int band, const float* interleaved,
                      std::span<float> work, float* out, KernelPath path);

// Raw powers of all 74 bands into cells 2 … 75 of column (cells 0, 1 untouched).
void analyse_frame(const BandTables& tables, std::span<const float, history_length> history,
                   std::span<float> work, std::span<float, cells_per_frame> column,
                   KernelPath path);

namespace detail {

// Pieces shared by the scalar and vectorised paths (see band_kernel.cpp).
enum class FoldVariant { quarter_mirror, half_odd, whole_odd };
FoldVariant fold_variant(int fold);
// Fold period P (samples) and the coefficient index range [1, last] of the band.
int fold_period(const Band& band);
int fold_last_j(const Band& band);
// Windowed samples for quarter entries j in [j_begin, j_end] (inclusive).
void window_range(const Band& band, const float* low, const float* high, const float* x, float* y,
                  int j_begin, int j_end);
// Fold sums p(j), q(j) for j in [j_begin, j_end] into sums_p[j], sums_q[j].
void fold_range(const Band& band, const float* y, float* sums_p, float* sums_q, int j_begin,
                int j_end);
// The terms of coefficient index 0 (Re, Im before the chain), from y.
void direct_terms(const Band& band, const float* y, float& re, float& im);
// The coefficient chains of `count` frames (sums of frame k at k × stride)
// and their powers.
void finish_powers(const Band& band, const float* coef, int count, int stride, const float* sums_p,
                   const float* sums_q, float* re, float* im, float* out);

// Vectorised windowing, folding and direct terms of a whole band, period by
// period; y is a buffer of one period with kernel_y_margin floats of margin
// on both sides. Compiled for their instruction sets; call only where
// supported.
void window_fold_avx2(const Band& band, const float* low, const float* high, const float* x,
                      float* y, float* sums_p, float* sums_q, float& re, float& im);
void window_fold_avx512(const Band& band, const float* low, const float* high, const float* x,
                        float* y, float* sums_p, float* sums_q, float& re, float& im);

// Frame-parallel vectorised kernel: `lanes` frames (8 for AVX2, 16 for
// AVX-512) with interleaved histories; sums needs 4 × 256 × lanes floats.
void band_power_lanes_avx2(const Band& band, const float* low, const float* high, const float* coef,
                           const float* transposed, float* sums, float* out);
void band_power_lanes_avx512(const Band& band, const float* low, const float* high,
                             const float* coef, const float* transposed, float* sums, float* out);

void interleave_avx2(const float* first_history, int stride, float* out);
void interleave_avx512(const float* first_history, int stride, float* out);

} // namespace detail

} // namespace pitkad
