// Operations on sample values: complement, scalar addition, lookup tables and histograms (noise is in
// IplNoise.cpp). Each works per channel; an alpha channel keeps its values.
#include "processing/ipl/IplCore.h"
#include "processing/ipl/IplSimd.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <mutex>
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

#if LUMIVO_X86_VARIANTS
// A byte vector of 64 lanes; with AVX-512 VBMI one instruction looks 64 bytes up in a table of 128.
using VLanes = uchar __attribute__((vector_size(64)));

bool HasByteLookup()
{
    static const bool bVbmi = __builtin_cpu_supports("avx512vbmi");
    return bVbmi && ActiveSimd() >= ESimd::Avx512;
}

// dst(x, c) = tables[c][src(x, c)] over rows [y0, y1), or through tables[0] alone when nTables is 1:
// four 64-entry lookups per table and lane, the one of the lane's level and channel kept.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) void
LookUpRows(const cv::Mat& src, cv::Mat& dst, const CTable* pTables, int nTables, int y0, int y1)
{
    VLanes quarters[4][4];
    for (int c = 0; c < nTables; ++c)
        for (int k = 0; k < 4; ++k)
            std::memcpy(&quarters[c][k], pTables[c].data() + 64 * k, 64);
    // with several tables a chunk is nTables vectors, and the channel of every lane is fixed
    VLanes channels[4];
    for (int v = 0; v < nTables; ++v)
        for (int j = 0; j < 64; ++j)
            channels[v][j] = uchar((64 * v + j) % nTables);
    const size_t n = size_t(src.cols) * size_t(src.channels()), nChunk = size_t(64) * size_t(nTables);
    for (int y = y0; y < y1; ++y) {
        const uchar* pIn = src.ptr(y);
        uchar* pOut = dst.ptr(y);
        size_t i = 0;
        for (; i + nChunk <= n; i += nChunk)
            for (int v = 0; v < nTables; ++v) {
                VLanes levels, result;
                std::memcpy(&levels, pIn + i + 64 * v, 64);
                for (int c = 0; c < nTables; ++c) {
                    const VLanes low = __builtin_shuffle(quarters[c][0], quarters[c][1], levels);
                    const VLanes high = __builtin_shuffle(quarters[c][2], quarters[c][3], levels);
                    const VLanes looked = levels > 127 ? high : low;
                    result = c == 0 ? looked : channels[v] == uchar(c) ? looked : result;
                }
                std::memcpy(pOut + i + 64 * v, &result, 64);
            }
        for (; i < n; ++i)
            pOut[i] = pTables[i % size_t(nTables)][pIn[i]];
    }
}
#endif

// The same lookup in plain code: nTables interleaved tables, one per channel of a pixel.
template <int N> void LookUpRowsPortable(const cv::Mat& src, cv::Mat& dst, const CTable* pTables, int y0, int y1)
{
    const size_t nPixels = size_t(src.cols);
    for (int y = y0; y < y1; ++y) {
        const uchar* pIn = src.ptr(y);
        uchar* pOut = dst.ptr(y);
        for (size_t x = 0; x < nPixels; ++x, pIn += N, pOut += N)
            for (int c = 0; c < N; ++c)
                pOut[c] = pTables[c][pIn[c]];
    }
}

void LookUpRowsPortable(const cv::Mat& src, cv::Mat& dst, const CTable* pTables, int nTables, int y0, int y1)
{
    // one table serves a row of any number of channels as a row of single samples
    const cv::Mat in = nTables == 1 ? src.reshape(1) : src;
    cv::Mat out = nTables == 1 ? dst.reshape(1) : dst;
    switch (nTables) {
    case 1: LookUpRowsPortable<1>(in, out, pTables, y0, y1); break;
    case 3: LookUpRowsPortable<3>(in, out, pTables, y0, y1); break;
    case 4: LookUpRowsPortable<4>(in, out, pTables, y0, y1); break;
    default:
        for (int y = y0; y < y1; ++y)
            for (size_t i = 0, n = size_t(src.cols) * size_t(nTables); i < n; ++i)
                out.ptr(y)[i] = pTables[i % size_t(nTables)][in.ptr(y)[i]];
    }
}

// Maps every colour channel c of src through fnTable(c) into dst; alpha passes unchanged.
template <class F> IPLStatus MapValues(const IplImage* src, IplImage* dst, F&& fnTable)
{
    if (!Compatible(src, dst, true))
        return IPL_StsBadArg;
    std::vector<CTable> tables;
    for (int c = 0; c < src->nChannels; ++c)
        tables.push_back(IsAlpha(src, c) ? Identity() : fnTable(c));
    // one table for all channels when they agree: the faster path
    const bool bShared = std::all_of(tables.begin(), tables.end(), [&](const CTable& t) { return t == tables[0]; });
    const int cn = bShared ? 1 : src->nChannels;
    cv::Mat in = Source8u(src, dst);
    CTarget8u out(dst);
#if LUMIVO_X86_VARIANTS
    const bool bByteLookup = HasByteLookup();
#endif
    cv::parallel_for_(cv::Range(0, in.rows), [&](const cv::Range& rows) {
#if LUMIVO_X86_VARIANTS
        if (bByteLookup)
            return LookUpRows(in, out.Mat(), tables.data(), cn, rows.start, rows.end);
#endif
        LookUpRowsPortable(in, out.Mat(), tables.data(), cn, rows.start, rows.end);
    });
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

// Counts the levels of rows [y0, y1) into two tables of 256 per channel, a row one channel at a time:
// neighbouring pixels alternate between the tables, so that a run of one level does not wait on a
// single counter, and one small pair of tables per pass counts faster than all channels' at once.
template <int CN> void CountRows(const cv::Mat& m, int y0, int y1, uint32_t* pTables)
{
    for (int y = y0; y < y1; ++y)
        for (int c = 0; c < CN; ++c) {
            uint32_t* pEven = pTables + 512 * c;
            uint32_t* pOdd = pEven + 256;
            const uchar* p = m.ptr(y) + c;
            int x = 0;
            for (; x + 4 <= m.cols; x += 4, p += 4 * CN) {
                ++pEven[p[0]];
                ++pOdd[p[CN]];
                ++pEven[p[2 * CN]];
                ++pOdd[p[3 * CN]];
            }
            for (; x < m.cols; ++x, p += CN)
                ++pEven[*p];
        }
}

// Counts of every level of every channel, bands of rows counted in parallel.
std::vector<std::array<long long, 256>> Histogram(const cv::Mat& m)
{
    const int cn = m.channels();
    std::vector<std::array<long long, 256>> counts(static_cast<size_t>(cn));
    for (auto& a : counts)
        a.fill(0);
    std::mutex mutex;
    cv::parallel_for_(cv::Range(0, m.rows), [&](const cv::Range& rows) {
        // an image holds fewer than 2^31 samples, so 32 bits count any band
        std::vector<uint32_t> tables(size_t(512 * cn), 0);
        switch (cn) {
        case 1: CountRows<1>(m, rows.start, rows.end, tables.data()); break;
        case 3: CountRows<3>(m, rows.start, rows.end, tables.data()); break;
        default: CountRows<4>(m, rows.start, rows.end, tables.data()); break;
        }
        const std::lock_guard<std::mutex> lock(mutex);
        for (int c = 0; c < cn; ++c)
            for (int v = 0; v < 256; ++v)
                counts[c][v] += tables[size_t(512 * c + v)] + tables[size_t(512 * c + 256 + v)];
    });
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
        if (!Compatible(src, dst, true))
            return IPL_StsBadArg;
        // a saturating addition, several times faster than a table; any value beyond 255 either way
        // saturates every level alike, and 0 leaves alpha as it is
        cv::Scalar add = cv::Scalar::all(std::clamp(value, -255, 255));
        if (src->alphaChannel > 0 && src->alphaChannel <= src->nChannels)
            add[src->alphaChannel - 1] = 0;
        cv::Mat in = Source8u(src, dst);
        CTarget8u out(dst);
        cv::add(in, add, out.Mat());
        out.Commit();
        return IPL_StsOk;
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
