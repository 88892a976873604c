// The band kernel's AVX2 path.
#include "analysis/band_kernel.h"

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2,fma"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2,fma")
#endif

#define KERNEL_WIDTH 8
#define KERNEL_FN slab_powers_avx2
#include "analysis/band_kernel_simd.inc"

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
