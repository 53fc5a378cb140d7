// Operations on sample values: complement, scalar addition, lookup tables, histograms and noise. Each
// works per channel; an alpha channel keeps its values.
#include "processing/ipl/IplCore.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>
#include <vector>

using namespace ipl;

namespace {

using CTable = std::array<uchar, 256>;

CTable Identity()
{
    CTable t;
    for (int v = 0; v < 256; ++v)
        t[v] = uchar(v);
    return t;
}

uchar Saturate(long long v)
{
    return uchar(std::clamp<long long>(v, 0, 255));
}

bool IsAlpha(const IplImage* p, int nChannel)
{
    return p->alphaChannel == nChannel + 1;
}

// Maps every colour channel c of src through fnTable(c) into dst; alpha passes unchanged.
template <class F> IPLStatus MapValues(const IplImage* src, IplImage* dst, F&& fnTable)
{
    if (!Compatible(src, dst, true))
        return IPL_StsBadArg;
    std::vector<CTable> tables;
    for (int c = 0; c < src->nChannels; ++c)
        tables.push_back(IsAlpha(src, c) ? Identity() : fnTable(c));
    // one table for all channels when they agree: OpenCV's faster path
    const bool bShared = std::all_of(tables.begin(), tables.end(), [&](const CTable& t) { return t == tables[0]; });
    const int cn = bShared ? 1 : src->nChannels;
    cv::Mat lut(1, 256, CV_8UC(cn));
    for (int c = 0; c < cn; ++c)
        for (int v = 0; v < 256; ++v)
            lut.ptr()[v * cn + c] = tables[c][v];
    cv::Mat in = Source8u(src, dst);
    CTarget8u out(dst);
    cv::LUT(in, lut, out.Mat());
    out.Commit();
    return IPL_StsOk;
}

bool LutOk(const IplLUT* p)
{
    return p && p->num >= 2 && p->key && p->value;
}

bool LutsOk(const IplImage* p, const IplLUT* const* ppLuts)
{
    if (!p || !ppLuts)
        return false;
    for (int c = 0; c < p->nChannels; ++c)
        if (!IsAlpha(p, c) && !LutOk(ppLuts[c]))
            return false;
    return true;
}

// The table of an IplLUT; levels it does not cover keep their value.
CTable TableOf(const IplLUT& lut)
{
    CTable t = Identity();
    const bool bInter = lut.interpolateType == IPL_LUT_INTER;
    for (int k = 0; k + 1 < lut.num; ++k) {
        const long long k0 = lut.key[k], k1 = lut.key[k + 1];
        for (long long v = std::max(k0, 0LL); v <= std::min(k1, 255LL); ++v) {
            if (!bInter) {
                if (v < k1)
                    t[v] = Saturate(lut.value[k]);
                continue;
            }
            // rounded half up; in double, where no table value can overflow
            const double dStep =
                k1 > k0 ? (double(lut.value[k + 1]) - lut.value[k]) * double(v - k0) / double(k1 - k0) : 0;
            const double d = std::floor(lut.value[k] + dStep + 0.5);
            t[v] = d < 0 ? 0 : d > 255 ? 255 : uchar(d);
        }
    }
    return t;
}

// Counts of every level of every channel.
std::vector<std::array<long long, 256>> Histogram(const cv::Mat& m)
{
    const int cn = m.channels();
    std::vector<std::array<long long, 256>> counts(static_cast<size_t>(cn));
    for (auto& a : counts)
        a.fill(0);
    for (int y = 0; y < m.rows; ++y) {
        const uchar* p = m.ptr(y);
        for (int x = 0; x < m.cols; ++x)
            for (int c = 0; c < cn; ++c)
                ++counts[c][*p++];
    }
    return counts;
}

// The cumulative histogram of the table's bins, stretched so that the lowest occupied bin maps to 0 and
// the whole count to 255; levels outside the bins keep their value.
CTable EqualisingTable(const IplLUT& lut)
{
    CTable t = Identity();
    long long nTotal = 0, nFirst = -1;
    for (int k = 0; k + 1 < lut.num; ++k) {
        nTotal += std::max(lut.value[k], 0);
        if (nFirst < 0 && lut.value[k] > 0)
            nFirst = nTotal;
    }
    if (nFirst < 0 || nTotal == nFirst)
        return t; // empty or a single level: nothing to spread
    long long nSum = 0;
    for (int k = 0; k + 1 < lut.num; ++k) {
        nSum += std::max(lut.value[k], 0);
        const uchar v = Saturate(((std::max(nSum - nFirst, 0LL)) * 510 + (nTotal - nFirst)) / (2 * (nTotal - nFirst)));
        for (long long level = std::max<long long>(lut.key[k], 0); level < std::min<long long>(lut.key[k + 1], 256);
             ++level)
            t[level] = v;
    }
    return t;
}

// The noise generator: splitmix64, whose n-th output is a function of the seed and n alone, so that
// rows can be filled in any order and on any number of threads with the same result.
uint64_t Draw(uint64_t nSeed, uint64_t n)
{
    uint64_t z = nSeed + (n + 1) * 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// Uniform in [0, 1) from the top 53 bits.
double Unit(uint64_t z)
{
    return double(z >> 11) * 0x1p-53;
}

// log u for u in (0, 1] and the cosine and sine of 2 pi u for u in [0, 1), by series in plain arithmetic
// (errors below 1e-10): unlike the maths library's, their results do not change with the library's
// version or the processor's features, so seed 1 gives the same noise on every machine.
double Log(double u)
{
    // u = m 2^e with m in [sqrt(1/2), sqrt(2)), taken apart in the bits; no branch, since half the draws
    // go either way
    constexpr uint64_t kFraction = (uint64_t(1) << 52) - 1;
    constexpr uint64_t kHalfSqrt2 = 0x6A09E667F3BCDull; // the fraction bits of sqrt(1/2)
    uint64_t nBits = 0;
    std::memcpy(&nBits, &u, sizeof u);
    const uint64_t nLow = (nBits & kFraction) < kHalfSqrt2;
    const int e = int((nBits >> 52) & 0x7FF) - 1022 - int(nLow);
    nBits = (nBits & kFraction) | ((1022 + nLow) << 52);
    double m = 0;
    std::memcpy(&m, &nBits, sizeof m);
    const double t = (m - 1) / (m + 1), t2 = t * t;
    const double series = 1 + t2 * (1.0 / 3 + t2 * (1.0 / 5 + t2 * (1.0 / 7 + t2 * (1.0 / 9 + t2 * (1.0 / 11)))));
    return e * std::numbers::ln2 + 2 * t * series;
}

std::pair<double, double> CosSinTurn(double u)
{
    const int q = int(4 * u + 0.5);                        // nearest quarter turn
    const double x = (4 * u - q) * (std::numbers::pi / 2); // the rest, within an eighth of a turn
    const double x2 = x * x;
    const double cs[2] = {
        1 + x2 * (-1.0 / 2 + x2 * (1.0 / 24 + x2 * (-1.0 / 720 + x2 * (1.0 / 40320 + x2 * (-1.0 / 3628800 +
                                                                                           x2 * (1.0 / 479001600)))))),
        x * (1 +
             x2 * (-1.0 / 6 + x2 * (1.0 / 120 + x2 * (-1.0 / 5040 + x2 * (1.0 / 362880 + x2 * (-1.0 / 39916800)))))),
    };
    // turned by q quarters: (c, s), (-s, c), (-c, -s), (s, -c); picked without a branch
    return {cs[q & 1] * (1 - ((q + 1) & 2)), cs[(q & 1) ^ 1] * (1 - (q & 2))};
}

// A pair of independent standard normal values (Box-Muller) from draws 2n and 2n + 1.
std::pair<double, double> NormalPair(uint64_t nSeed, uint64_t n)
{
    const double r = std::sqrt(-2.0 * Log(1.0 - Unit(Draw(nSeed, 2 * n))));
    const auto [c, s] = CosSinTurn(Unit(Draw(nSeed, 2 * n + 1)));
    return {r * c, r * s};
}

// The noise of colour samples n0, n0 + 1 ... in storage order, one draw each (Gaussian samples 2k and
// 2k + 1 share the Box-Muller pair k).
void FillNoise(const IplNoiseParam& param, uint64_t n0, std::vector<double>& noise)
{
    const uint64_t nSeed = param.seed, nEnd = n0 + noise.size();
    if (param.noise == IPL_NOISE_UNIFORM) {
        const double dLow = param.lowInt, dRange = double(param.highInt) - param.lowInt;
        for (uint64_t n = n0; n < nEnd; ++n)
            noise[n - n0] = dLow + dRange * Unit(Draw(nSeed, n));
        return;
    }
    for (uint64_t k = n0 / 2; 2 * k < nEnd; ++k) {
        const auto [a, b] = NormalPair(nSeed, k);
        if (2 * k >= n0)
            noise[2 * k - n0] = param.mean + double(param.stDev) * a;
        if (2 * k + 1 < nEnd)
            noise[2 * k + 1 - n0] = param.mean + double(param.stDev) * b;
    }
}

} // namespace

IPLStatus iplNot(const IplImage* src, IplImage* dst)
{
    return Run([&] {
        return MapValues(src, dst, [](int) {
            CTable t;
            for (int v = 0; v < 256; ++v)
                t[v] = uchar(255 - v);
            return t;
        });
    });
}

IPLStatus iplAddS(const IplImage* src, IplImage* dst, int value)
{
    return Run([&] {
        return MapValues(src, dst, [&](int) {
            CTable t;
            for (int v = 0; v < 256; ++v)
                t[v] = Saturate(static_cast<long long>(v) + value);
            return t;
        });
    });
}

IPLStatus iplContrastStretch(const IplImage* src, IplImage* dst, const IplLUT* const* ppLuts)
{
    return Run([&] {
        if (!LutsOk(src, ppLuts))
            return IPL_StsBadArg;
        return MapValues(src, dst, [&](int c) { return TableOf(*ppLuts[c]); });
    });
}

IPLStatus iplComputeHisto(const IplImage* src, IplLUT** ppLuts)
{
    return Run([&] {
        if (!IsPixelImage(src) || !ppLuts)
            return IPL_StsBadArg;
        for (int c = 0; c < src->nChannels; ++c)
            if (!LutOk(ppLuts[c]))
                return IPL_StsBadArg;
        const auto counts = Histogram(Source8u(src, nullptr));
        for (int c = 0; c < src->nChannels; ++c) {
            std::array<long long, 257> below{}; // below[v]: samples under level v
            for (int v = 0; v < 256; ++v)
                below[v + 1] = below[v] + counts[c][v];
            const IplLUT& lut = *ppLuts[c];
            for (int k = 0; k + 1 < lut.num; ++k) {
                const long long k0 = std::clamp<long long>(lut.key[k], 0, 256);
                const long long k1 = std::clamp<long long>(lut.key[k + 1], 0, 256);
                lut.value[k] = int(std::min<long long>(k1 > k0 ? below[k1] - below[k0] : 0, INT32_MAX));
            }
        }
        return IPL_StsOk;
    });
}

IPLStatus iplHistoEqualize(const IplImage* src, IplImage* dst, const IplLUT* const* ppLuts)
{
    return Run([&] {
        if (!LutsOk(src, ppLuts))
            return IPL_StsBadArg;
        return MapValues(src, dst, [&](int c) { return EqualisingTable(*ppLuts[c]); });
    });
}

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
        const size_t nRowSamples = size_t(m.cols) * size_t(cn - (nAlpha >= 0 ? 1 : 0));
        cv::parallel_for_(cv::Range(0, m.rows), [&](const cv::Range& rows) {
            std::vector<double> noise(nRowSamples);
            for (int y = rows.start; y < rows.end; ++y) {
                FillNoise(*pParam, uint64_t(y) * nRowSamples, noise);
                uchar* p = m.ptr(y);
                size_t i = 0;
                for (int x = 0; x < m.cols; ++x, p += cn)
                    for (int c = 0; c < cn; ++c)
                        if (c != nAlpha) {
                            // rounded half up and saturated (truncation rounds down once not negative)
                            const double dValue = p[c] + noise[i++] + 0.5;
                            p[c] = dValue < 0 ? 0 : dValue >= 255 ? 255 : uchar(dValue);
                        }
            }
        });
        target.Commit();
        return IPL_StsOk;
    });
}
