// The one AVX2 check of the wide loops.
#include "cpu/cpu.h"

bool cpu_has_avx2() {
#if defined(__GNUC__) && defined(__x86_64__)
    static const bool yes = __builtin_cpu_supports("avx2");
    return yes;
#else
    return false;
#endif
}
