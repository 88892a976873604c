#pragma once
// The band kernel: power of each semitone band for the sample history around
// frame centres. The recording is halved in rate up to six times by a
// half-band filter cascade, and each band's windowed sum is taken piece by
// piece at the rates its plan names (see band_tables.h). Pure functions over
// caller-owned buffers; threads are the caller's business. A scalar path and
// vectorised paths (chosen at run time) run the same operations in the same
// order and give bit-identical results.

#include <span>
#include <vector>

#include "analysis/band_tables.h"

namespace pitkad {

enum class KernelPath { scalar, avx2, avx512 };

// Whether this processor can run the path (scalar always can).
bool kernel_path_supported(KernelPath path);
// The fastest supported path.
KernelPath best_kernel_path();
const char* kernel_path_name(KernelPath path);

// Frames one slab holds, at most.
inline constexpr int kernel_batch_frames = 64;

// A thread's working space: the slab at every rate. Grows on first use and is
// then reused.
class KernelWork {
  public:
    std::vector<float> levels;
    std::vector<float> scratch;
};

// Raw powers of bands [band_begin, band_end] of `count` frames whose
// histories start at slab + k × stride (k = 0 … count − 1) into
// out[k × out_stride + b]: each the band's windowed single-bin power of its
// history, in squared raw sample units. The slab holds `length` 16-bit sample
// values as floats (exact) and covers every frame's history.
void analyse_slab(const BandTables& tables, const float* slab, int length, int stride, int count,
                  int band_begin, int band_end, KernelWork& work, float* out, int out_stride,
                  KernelPath path = KernelPath::scalar);

// P(b) for band b = 2 … 75 of one history (centre at index 12816).
float band_power(const BandTables& tables, int band, std::span<const float, history_length> history,
                 KernelWork& work, KernelPath path = KernelPath::scalar);

// Raw powers of all 74 bands into cells 2 … 75 of column (cells 0, 1 untouched).
void analyse_frame(const BandTables& tables, std::span<const float, history_length> history,
                   KernelWork& work, std::span<float, cells_per_frame> column, KernelPath path);

namespace detail {

// The slab at level l: level[l][i] is the filtered signal at slab sample
// i × 2^l, i in [0, length[l]), with `level_pad` zeros on both sides. The
// tables and the levels as plain pointers, so that the vectorised paths
// (compiled for their instruction sets) call no shared inline code.
inline constexpr int level_pad = 128;
struct SlabLevels {
    float* level[kernel_max_level + 1] = {};
    int length[kernel_max_level + 1] = {};
    int top = 0;
    float* scratch = nullptr; // a level's odd and even samples, while halving
};
struct KernelTablesView {
    const Band* bands;
    const KernelPiece* pieces;
    const KernelRun* runs;
    const float* weights;
    const float* halfband;
};

void slab_powers_scalar(const KernelTablesView& t, const float* slab, const SlabLevels& levels,
                        int stride, int count, int band_begin, int band_end, float* out,
                        int out_stride);
void slab_powers_avx2(const KernelTablesView& t, const float* slab, const SlabLevels& levels,
                      int stride, int count, int band_begin, int band_end, float* out,
                      int out_stride);
void slab_powers_avx512(const KernelTablesView& t, const float* slab, const SlabLevels& levels,
                        int stride, int count, int band_begin, int band_end, float* out,
                        int out_stride);

} // namespace detail

} // namespace pitkad
