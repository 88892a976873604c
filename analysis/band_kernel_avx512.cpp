// The band kernel's AVX-512 path.
#include "analysis/band_kernel.h"

#include <immintrin.h>

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx512f,avx2,fma"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx512f,avx2,fma")
#endif

#define KERNEL_WIDTH 8
// All lanes through the zero-masking form: the plain intrinsic passes GCC an
// undefined vector, which GCC 12 then warns of.
#define KERNEL_WIDEN(p) _mm512_maskz_cvtps_pd(0xff, _mm256_loadu_ps(p))
#define KERNEL_NARROW_STORE(p, v) _mm256_storeu_ps(p, _mm512_maskz_cvtpd_ps(0xff, v))
#define KERNEL_FN slab_powers_avx512
#include "analysis/band_kernel_simd.inc"

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
