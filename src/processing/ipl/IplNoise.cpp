// Noise on sample values: uniform or Gaussian, added to every channel but alpha. Built with its own
// compiler options (see CMakeLists.txt) so that the noise is the same on every processor.
#include "processing/ipl/IplCore.h"
#include "processing/ipl/IplSimd.h"

#include <cstdint>
#include <cstring>
#include <numbers>
#include <utility>
#include <vector>

using namespace ipl;

namespace {

// The noise generator: splitmix64, whose n-th output is a function of the seed and n alone, so that
// rows can be filled in any order and on any number of threads with the same result. Draws and their
// formulas run on N lanes at once; each lane does the same IEEE operations in the same order as a lone
// value would (no contraction into fused multiply-adds), so every vector width, and every processor,
// gives the same noise.
// The 64-byte vectors are only ever returned from inlined functions, so the compiler's warning about
// how they would be returned otherwise does not apply (it comes at the end of the file, hence no pop).
#pragma GCC diagnostic ignored "-Wpsabi"

// The vectors of N lanes: eight in the portable loop and with AVX-512, four with AVX2, whose registers
// hold four doubles (there the compiler does comparisons and broadcasts of eight-lane vectors lane by
// lane). One specialisation per width: GCC drops vector_size from types that depend on N.
template <int N> struct SLanes;
template <> struct SLanes<4> {
    using VDoubles = double __attribute__((vector_size(32)));
    using VWords = uint64_t __attribute__((vector_size(32)));
    using VInts = int64_t __attribute__((vector_size(32)));
    using VSmallInts = int32_t __attribute__((vector_size(16)));
    using VBytes = uchar __attribute__((vector_size(16))); // the bytes of VSmallInts
    using VPixels = uchar __attribute__((vector_size(4)));
    static constexpr VWords kIndex = {0, 1, 2, 3};
};
template <> struct SLanes<8> {
    using VDoubles = double __attribute__((vector_size(64)));
    using VWords = uint64_t __attribute__((vector_size(64)));
    using VInts = int64_t __attribute__((vector_size(64)));
    using VSmallInts = int32_t __attribute__((vector_size(32)));
    using VBytes = uchar __attribute__((vector_size(32)));
    using VPixels = uchar __attribute__((vector_size(8)));
    static constexpr VWords kIndex = {0, 1, 2, 3, 4, 5, 6, 7};
};
constexpr int kMaxLanes = 8;

template <int N> struct SNoise : SLanes<N> {
    using typename SLanes<N>::VDoubles;
    using typename SLanes<N>::VWords;
    using typename SLanes<N>::VInts;
    using typename SLanes<N>::VSmallInts;
    using typename SLanes<N>::VBytes;
    using typename SLanes<N>::VPixels;
    using SLanes<N>::kIndex;

    // Draw n is Mix(seed + (n + 1) golden), all modulo 2^64: the argument of draw n + m is that of n
    // plus m golden, so the loops step it by an addition.
    static constexpr uint64_t kGolden = 0x9E3779B97F4A7C15ull;
    [[gnu::always_inline]] static VWords Counter(uint64_t nSeed, const VWords& n) { return nSeed + (n + 1) * kGolden; }
    [[gnu::always_inline]] static VWords Mix(VWords z)
    {
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // Whole numbers to doubles through the bits of a double (2^52 + 2^51 + v is a double whose low
    // mantissa bits hold v, |v| < 2^51), and choices by bit masks: exactly what conversions and
    // comparisons give, but in instructions every x86-64 vector set has (without AVX-512 the compiler
    // would do those lane by lane).
    static constexpr int64_t kMagicBits = 0x4338000000000000;
    static constexpr double kMagic = 0x1.8p52;
    [[gnu::always_inline]] static VDoubles SmallToDouble(const VInts& v) { return (VDoubles)(v + kMagicBits) - kMagic; }
    // mask all ones: a, all zeros: b
    [[gnu::always_inline]] static VDoubles Select(const VInts& mask, const VDoubles& a, const VDoubles& b)
    {
        return (VDoubles)(((VInts)a & mask) | ((VInts)b & ~mask));
    }

    // Uniform in [0, 1) from the top 53 bits v: v 2^-53 times 2^k, and 1 less v 2^-53, in (0, 1]. Both
    // are one subtraction of doubles made from the bits, whose exact result is a double: 2^k (1 + the
    // top 52 bits 2^-52), less 2^k or, when the 53rd bit is set, the double below 2^k; and 1 + the
    // complement of the top 52 bits 2^-52, less the double below 1 or the one below that.
    template <int k = 0> [[gnu::always_inline]] static VDoubles Unit(const VWords& z)
    {
        constexpr uint64_t kOne = uint64_t(1023 + k) << 52;
        return (VDoubles)((z >> 12) | kOne) - (VDoubles)(kOne - ((z >> 11) & 1));
    }
    [[gnu::always_inline]] static VDoubles OneLessUnit(const VWords& z)
    {
        return (VDoubles)((z >> 12) ^ 0x3FFFFFFFFFFFFFFFull) - (VDoubles)(0x3FEFFFFFFFFFFFFEull + ((z >> 11) & 1));
    }

    // log u for u in (0, 1] and the cosine and sine of 2 pi u for u in [0, 1), by series in plain
    // arithmetic (errors below 1e-10): unlike the maths library's, their results do not change with the
    // library's version or the processor's features, so seed 1 gives the same noise on every machine.
    [[gnu::always_inline]] static VDoubles Log(const VDoubles& u)
    {
        // u = m 2^e with m in [sqrt(1/2), sqrt(2)), taken apart in the bits
        constexpr uint64_t kFraction = (uint64_t(1) << 52) - 1;
        constexpr uint64_t kHalfSqrt2 = 0x6A09E667F3BCD; // the fraction bits of sqrt(1/2)
        VWords nBits = (VWords)u;
        // 1 where the fraction is below sqrt(1/2)'s: the sign of the difference (both below 2^52)
        const VWords nLow = ((nBits & kFraction) - kHalfSqrt2) >> 63;
        const VInts e = VInts(nBits >> 52) - 1022 - VInts(nLow); // u > 0: no sign bit
        nBits = (nBits & kFraction) | ((1022 + nLow) << 52);
        const VDoubles m = (VDoubles)nBits;
        const VDoubles t = (m - 1.0) / (m + 1.0), t2 = t * t;
        const VDoubles series =
            1.0 + t2 * (1.0 / 3 + t2 * (1.0 / 5 + t2 * (1.0 / 7 + t2 * (1.0 / 9 + t2 * (1.0 / 11)))));
        return SmallToDouble(e) * std::numbers::ln2 + 2.0 * t * series;
    }

    // (u4 = 4u, exact)
    [[gnu::always_inline]] static std::pair<VDoubles, VDoubles> CosSinTurn(const VDoubles& u4)
    {
        // nearest quarter turn, the whole part q of y = 4u + 0.5: y rounded to the nearest, in the low
        // bits of 2^52 + y, less one where that rounded up (the difference's sign bit)
        const VDoubles y = u4 + 0.5;
        const VDoubles shifted = y + 0x1p52, r = shifted - 0x1p52;
        const VWords nUp = (VWords)(y - r) >> 63;
        const VInts q = VInts((VWords)shifted - nUp);                     // low bits
        const VDoubles dq = r - (VDoubles)(-nUp & 0x3FF0000000000000ull); // q, less 1.0 or 0.0
        const VDoubles x = (u4 - dq) * (std::numbers::pi / 2);            // the rest
        const VDoubles x2 = x * x;
        const VDoubles c =
            1.0 + x2 * (-1.0 / 2 +
                        x2 * (1.0 / 24 +
                              x2 * (-1.0 / 720 + x2 * (1.0 / 40320 + x2 * (-1.0 / 3628800 + x2 * (1.0 / 479001600))))));
        const VDoubles s =
            x * (1.0 + x2 * (-1.0 / 6 +
                             x2 * (1.0 / 120 + x2 * (-1.0 / 5040 + x2 * (1.0 / 362880 + x2 * (-1.0 / 39916800))))));
        // turned by q quarters: (c, s), (-s, c), (-c, -s), (s, -c), the signs flipped in the bits (as
        // multiplying by -1 does)
        const VInts odd = -(q & 1);
        return {(VDoubles)((VInts)Select(odd, s, c) ^ (((q + 1) & 2) << 62)),
                (VDoubles)((VInts)Select(odd, c, s) ^ ((q & 2) << 62))};
    }

    // Pairs of independent standard normal values (Box-Muller) from draws 2k and 2k + 1, whose counters
    // are z and z + golden.
    [[gnu::always_inline]] static std::pair<VDoubles, VDoubles> NormalPairs(const VWords& z)
    {
        VDoubles r = -2.0 * Log(OneLessUnit(Mix(z)));
        // correctly rounded, as the instruction is: the same noise everywhere; with the maths library's
        // errno off (see CMakeLists.txt) the compiler takes the lanes' roots in one instruction
        for (int i = 0; i < N; ++i)
            r[i] = __builtin_sqrt(r[i]);
        const auto [c, s] = CosSinTurn(Unit<2>(Mix(z + kGolden)));
        return {r * c, r * s};
    }

    // The noise of colour samples n0 - nLead ... n0 + nCount - 1 in storage order, one draw each
    // (Gaussian samples 2k and 2k + 1 share the Box-Muller pair k), where nLead is 1 when n0 is odd for
    // Gaussian noise (the first pair starts a sample early) and 0 otherwise. pNoise holds whole vectors
    // beyond the end: nCount + 2 * kMaxLanes values.
    [[gnu::always_inline]] static void Fill(const IplNoiseParam& param, uint64_t n0, size_t nCount, double* pNoise)
    {
        const uint64_t nSeed = param.seed;
        if (param.noise == IPL_NOISE_UNIFORM) {
            const double dLow = param.lowInt, dRange = double(param.highInt) - param.lowInt;
            VWords z = Counter(nSeed, n0 + kIndex);
            for (size_t i = 0; i < nCount; i += N, z += N * kGolden) {
                const VDoubles v = dLow + dRange * Unit(Mix(z));
                std::memcpy(pNoise + i, &v, sizeof v);
            }
            return;
        }
        const double dMean = param.mean, dStDev = param.stDev;
        VWords z = Counter(nSeed, 2 * (n0 / 2 + kIndex));
        for (size_t j = 0; 2 * j < nCount + (n0 & 1); j += N, z += 2 * N * kGolden) {
            const auto [a, b] = NormalPairs(z);
            const VDoubles first = dMean + dStDev * a, second = dMean + dStDev * b;
            VDoubles lower, upper;
            if constexpr (N == 4) {
                // pairs within halves, then halves (one instruction each)
                const VDoubles even = __builtin_shuffle(first, second, VInts{0, 4, 2, 6});
                const VDoubles odd = __builtin_shuffle(first, second, VInts{1, 5, 3, 7});
                lower = __builtin_shuffle(even, odd, VInts{0, 1, 4, 5});
                upper = __builtin_shuffle(even, odd, VInts{2, 3, 6, 7});
            } else {
                lower = __builtin_shuffle(first, second, VInts{0, 8, 1, 9, 2, 10, 3, 11});
                upper = __builtin_shuffle(first, second, VInts{4, 12, 5, 13, 6, 14, 7, 15});
            }
            std::memcpy(pNoise + 2 * j, &lower, sizeof lower);
            std::memcpy(pNoise + 2 * j + N, &upper, sizeof upper);
        }
    }

    // Bytes to doubles and doubles in [0, 256) to bytes. On four lanes through 32-bit integers, which
    // vector instructions convert, the bytes moved by shuffles (the compiler would convert bytes lane by
    // lane); the portable loop converts directly.
    [[gnu::always_inline]] static VDoubles PixelsToDoubles(const VPixels& pixels)
    {
        if constexpr (N == 4) {
            constexpr uchar z = 4; // a byte of the zero vector
            const VBytes bytes =
                __builtin_shufflevector(pixels, VPixels{}, 0, z, z, z, 1, z, z, z, 2, z, z, z, 3, z, z, z);
            return __builtin_convertvector((VSmallInts)bytes, VDoubles);
        } else {
            return __builtin_convertvector(pixels, VDoubles);
        }
    }
    [[gnu::always_inline]] static VPixels DoublesToPixels(const VDoubles& d)
    {
        if constexpr (N == 4) {
            const VBytes bytes = (VBytes) __builtin_convertvector(d, VSmallInts);
            return __builtin_shufflevector(bytes, bytes, 0, 4, 8, 12);
        } else {
            return __builtin_convertvector(d, VPixels);
        }
    }

    // p[i] += noise[i], rounded half up and saturated, for n samples; noise holds whole vectors beyond n.
    [[gnu::always_inline]] static void Add(uchar* p, const double* pNoise, size_t n)
    {
        uchar tail[N] = {};
        for (size_t i = 0; i < n; i += N) {
            // the last part vector goes through a copy
            uchar* pPixels = i + N <= n ? p + i : static_cast<uchar*>(std::memcpy(tail, p + i, n - i));
            VPixels pixels;
            VDoubles noise;
            std::memcpy(&pixels, pPixels, sizeof pixels);
            std::memcpy(&noise, pNoise + i, sizeof noise);
            // truncation rounds down once not negative
            VDoubles value = PixelsToDoubles(pixels) + noise + 0.5;
            value = value < 0 ? 0.0 : value;
            value = value >= 255 ? 255.0 : value;
            pixels = DoublesToPixels(value);
            std::memcpy(pPixels, &pixels, sizeof pixels);
            if (pPixels == tail)
                std::memcpy(p + i, tail, n - i);
        }
    }
};

#if LUMIVO_X86_VARIANTS
__attribute__((target("arch=x86-64-v4"))) void FillNoiseAvx512(const IplNoiseParam& param, uint64_t n0, size_t nCount,
                                                               double* pNoise)
{
    SNoise<8>::Fill(param, n0, nCount, pNoise);
}
__attribute__((target("avx2"))) void FillNoiseAvx2(const IplNoiseParam& param, uint64_t n0, size_t nCount,
                                                   double* pNoise)
{
    SNoise<4>::Fill(param, n0, nCount, pNoise);
}
// four lanes with AVX-512 too: the compiler converts eight bytes lane by lane
__attribute__((target("arch=x86-64-v4"))) void AddNoiseAvx512(uchar* p, const double* pNoise, size_t n)
{
    SNoise<4>::Add(p, pNoise, n);
}
__attribute__((target("avx2"))) void AddNoiseAvx2(uchar* p, const double* pNoise, size_t n)
{
    SNoise<4>::Add(p, pNoise, n);
}
#endif

// The noise of colour samples n0 - nLead ... n0 + nCount - 1 (see SNoise::Fill), in the variant chosen
// at run time for the processor.
void FillNoise(const IplNoiseParam& param, uint64_t n0, size_t nCount, double* pNoise)
{
#if LUMIVO_X86_VARIANTS
    if (ActiveSimd() == ESimd::Avx512)
        return FillNoiseAvx512(param, n0, nCount, pNoise);
    if (ActiveSimd() == ESimd::Avx2)
        return FillNoiseAvx2(param, n0, nCount, pNoise);
#endif
    SNoise<8>::Fill(param, n0, nCount, pNoise);
}

// p[i] += noise[i] (see SNoise::Add), in the variant chosen at run time for the processor.
void AddNoise(uchar* p, const double* pNoise, size_t n)
{
#if LUMIVO_X86_VARIANTS
    if (ActiveSimd() == ESimd::Avx512)
        return AddNoiseAvx512(p, pNoise, n);
    if (ActiveSimd() == ESimd::Avx2)
        return AddNoiseAvx2(p, pNoise, n);
#endif
    SNoise<8>::Add(p, pNoise, n);
}

} // namespace

IPLStatus iplNoiseUniformInit(IplNoiseParam* pParam, unsigned seed, int low, int high)
{
    if (!pParam)
        return SetStatus(IPL_StsBadArg);
    *pParam = IplNoiseParam{IPL_NOISE_UNIFORM, seed, low, high, 0, 0};
    return SetStatus(IPL_StsOk);
}

IPLStatus iplNoiseGaussianInit(IplNoiseParam* pParam, unsigned seed, int mean, int stDev)
{
    if (!pParam)
        return SetStatus(IPL_StsBadArg);
    *pParam = IplNoiseParam{IPL_NOISE_GAUSSIAN, seed, 0, 0, mean, stDev};
    return SetStatus(IPL_StsOk);
}

IPLStatus iplNoiseImage(IplImage* pImage, const IplNoiseParam* pParam)
{
    return Run([&] {
        if (!IsPixelImage(pImage) || !pParam ||
            (pParam->noise != IPL_NOISE_UNIFORM && pParam->noise != IPL_NOISE_GAUSSIAN))
            return IPL_StsBadArg;
        CTarget8u target(pImage, true);
        cv::Mat& m = target.Mat();
        const int cn = m.channels(), nAlpha = pImage->alphaChannel - 1;
        const bool bAlpha = nAlpha >= 0 && nAlpha < cn;
        const size_t nRowBytes = size_t(m.cols) * size_t(cn);
        const size_t nRowSamples = size_t(m.cols) * size_t(cn - (bAlpha ? 1 : 0));
        cv::parallel_for_(cv::Range(0, m.rows), [&](const cv::Range& rows) {
            std::vector<double> noise(nRowSamples + 2 * kMaxLanes), spread(bAlpha ? nRowBytes + kMaxLanes : 0);
            for (int y = rows.start; y < rows.end; ++y) {
                const uint64_t n0 = uint64_t(y) * nRowSamples;
                FillNoise(*pParam, n0, nRowSamples, noise.data());
                const double* pNoise = noise.data() + (pParam->noise == IPL_NOISE_GAUSSIAN ? n0 & 1 : 0);
                if (bAlpha) {
                    // no draw for alpha: it gets 0, which leaves it as it is
                    for (size_t i = 0, k = 0; i < nRowBytes; ++i)
                        spread[i] = int(i % size_t(cn)) == nAlpha ? 0.0 : pNoise[k++];
                    pNoise = spread.data();
                }
                AddNoise(m.ptr(y), pNoise, nRowBytes);
            }
        });
        target.Commit();
        return IPL_StsOk;
    });
}
