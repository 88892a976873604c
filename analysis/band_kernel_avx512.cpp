// The band kernel's AVX-512 path: sixteen lanes.
#include "analysis/band_kernel.h"

#include <immintrin.h>
#include <utility>

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx512f"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx512f,prefer-vector-width=512")
#endif

#define KERNEL_LANES 16
// GCC's own shuffle builtin generates the faster code here; Clang has only
// the other one. Both give the same lanes.
#if defined(__clang__)
#define KERNEL_REVERSE(v) __builtin_shufflevector(v, v, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0)
#define KERNEL_SHIFT(a, b) __builtin_shufflevector(a, b, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16)
#else
#define KERNEL_REVERSE(v) __builtin_shuffle(v, (vint){15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0})
#define KERNEL_SHIFT(a, b) __builtin_shuffle(a, b, (vint){1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16})
#endif
#define KERNEL_WIDEN_HALF(v) _mm512_mask_cvtps_pd(_mm512_setzero_pd(), 0xff, v)
#define KERNEL_LOW_HALF(v) __builtin_shufflevector(v, v, 0, 1, 2, 3, 4, 5, 6, 7)
#define KERNEL_HIGH_HALF(v) __builtin_shufflevector(v, v, 8, 9, 10, 11, 12, 13, 14, 15)
#define KERNEL_Y_IN_HALVES 1
#define KERNEL_INTERLEAVE_FN interleave_avx512
#define KERNEL_FMA_HALF(a, k, b) _mm512_fmadd_pd(a, _mm512_set1_pd(k), b)
#define KERNEL_FN window_fold_avx512
#define KERNEL_LANES_FN band_power_lanes_avx512
#include "analysis/band_kernel_simd.inc"

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
