// The band kernel's AVX-512 path.
#include "analysis/band_kernel.h"

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx512f,avx2,fma"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx512f,avx2,fma")
#endif

#define KERNEL_WIDTH 16
#define KERNEL_FN slab_powers_avx512
#include "analysis/band_kernel_simd.inc"

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
