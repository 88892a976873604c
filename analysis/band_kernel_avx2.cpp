// The band kernel's AVX2 path: eight lanes.
#include "analysis/band_kernel.h"

#include <immintrin.h>
#include <utility>

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2,fma"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2,fma")
#endif

#define KERNEL_LANES 8
// GCC's own shuffle builtin generates the faster code here; Clang has only
// the other one. Both give the same lanes.
#if defined(__clang__)
#define KERNEL_REVERSE(v) __builtin_shufflevector(v, v, 7, 6, 5, 4, 3, 2, 1, 0)
#define KERNEL_SHIFT(a, b) __builtin_shufflevector(a, b, 1, 2, 3, 4, 5, 6, 7, 8)
#else
#define KERNEL_REVERSE(v) __builtin_shuffle(v, (vint){7, 6, 5, 4, 3, 2, 1, 0})
#define KERNEL_SHIFT(a, b) __builtin_shuffle(a, b, (vint){1, 2, 3, 4, 5, 6, 7, 8})
#endif
#define KERNEL_WIDEN_HALF(v) _mm256_cvtps_pd(v)
#define KERNEL_LOW_HALF(v) _mm256_castps256_ps128(v)
#define KERNEL_HIGH_HALF(v) _mm256_extractf128_ps(v, 1)
#define KERNEL_Y_IN_HALVES 0
#define KERNEL_INTERLEAVE_FN interleave_avx2
#define KERNEL_FMA_HALF(a, k, b) _mm256_fmadd_pd(a, _mm256_set1_pd(k), b)
#define KERNEL_FN window_fold_avx2
#define KERNEL_LANES_FN band_power_lanes_avx2
#include "analysis/band_kernel_simd.inc"

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
