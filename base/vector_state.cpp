#include "base/vector_state.h"

namespace pitkad {

#if defined(__x86_64__) || defined(__i386__)
namespace {

__attribute__((target("avx"))) void zero_upper() {
    __builtin_ia32_vzeroupper();
}

} // namespace

void clear_upper_vector_state() {
    static const bool has_avx = (__builtin_cpu_init(), __builtin_cpu_supports("avx"));
    if (has_avx) zero_upper();
}
#else
void clear_upper_vector_state() {}
#endif

} // namespace pitkad
