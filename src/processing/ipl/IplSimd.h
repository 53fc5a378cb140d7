#pragma once
// The vector instruction sets of the pixel loops that have variants chosen at run time. Every variant
// gives the portable loop's result; LUMIVO_SIMD ("portable", "avx2" or "avx512", read once) or
// SetSimd() caps the choice, so that tests and benchmarks can run each variant the processor has.

// The x86-64 variants are built unless LUMIVO_PORTABLE_ONLY is defined, which shows that the portable
// code builds without them, as on other processors.
#if defined(__x86_64__) && !defined(LUMIVO_PORTABLE_ONLY)
#define LUMIVO_X86_VARIANTS 1
#else
#define LUMIVO_X86_VARIANTS 0
#endif

namespace ipl {

// In rising order: a set includes the ones before it.
enum class ESimd { Portable, Avx2, Avx512 };

// The best set the processor has.
ESimd SupportedSimd();
// The set the loops use now.
ESimd ActiveSimd();
// Uses eSimd from now on, or the supported set when the processor lacks eSimd; gives the set in use.
ESimd SetSimd(ESimd eSimd);

} // namespace ipl
