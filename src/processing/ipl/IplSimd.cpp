#include "processing/ipl/IplSimd.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

namespace ipl {

namespace {
// The set named by LUMIVO_SIMD, or the best one when it is unset or unknown.
ESimd FromEnvironment()
{
    const char* pszName = std::getenv("LUMIVO_SIMD");
    if (pszName && std::strcmp(pszName, "portable") == 0)
        return ESimd::Portable;
    if (pszName && std::strcmp(pszName, "avx2") == 0)
        return ESimd::Avx2;
    return ESimd::Avx512;
}

std::atomic<ESimd>& Active()
{
    static std::atomic<ESimd> s_active(std::min(FromEnvironment(), SupportedSimd()));
    return s_active;
}
} // namespace

ESimd SupportedSimd()
{
#if LUMIVO_X86_VARIANTS
    static const ESimd s_supported = __builtin_cpu_supports("x86-64-v4") ? ESimd::Avx512
                                     : __builtin_cpu_supports("avx2")     ? ESimd::Avx2
                                                                          : ESimd::Portable;
    return s_supported;
#else
    return ESimd::Portable;
#endif
}

ESimd ActiveSimd()
{
    return Active().load(std::memory_order_relaxed);
}

ESimd SetSimd(ESimd eSimd)
{
    const ESimd eUsed = std::min(eSimd, SupportedSimd());
    Active().store(eUsed, std::memory_order_relaxed);
    return eUsed;
}

} // namespace ipl
