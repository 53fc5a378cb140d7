// Rank filters (the median) by a selection network run on whole strips of a row at once.
//
// The network is built for the window size and rank: each column of the window is sorted, sorted
// columns are merged into sorted runs of 2, 4 ... neighbouring columns (each run computed once per
// position and shared by every window that contains it), and the runs that make up a window are merged
// down to the one sample of the wanted rank. Samples whose rank inside a run already rules them out are
// replaced by constants, and every comparison that does not lead to the result is dropped. Because the
// columns of neighbouring pixels are a fixed number of bytes apart, one min or max over a strip of
// bytes serves every channel and every pixel of the strip alike.
#include "processing/ipl/IplCore.h"
#include "processing/ipl/IplSimd.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr int kNegInf = -1; // a sample known to lie below the result
constexpr int kPosInf = -2; // a sample known to lie above it

// A value of the network: buffer nBuf read nShift bytes to the right, or a constant.
struct SWire {
    int nBuf;
    int nShift;
};

// nDst = min or max of a and b, over a strip.
struct SOp {
    int nDst;
    SWire a, b;
    bool bMax;
};

bool IsConstant(const SWire& w)
{
    return w.nBuf < 0;
}

class CNetworkBuilder {
public:
    explicit CNetworkBuilder(int nInputs) : m_nBufs(nInputs) {}

    // Orders lo <= hi, folding the constants.
    void CompareExchange(SWire& lo, SWire& hi)
    {
        if (lo.nBuf == kNegInf || hi.nBuf == kPosInf)
            return;
        if (lo.nBuf == kPosInf || hi.nBuf == kNegInf) {
            std::swap(lo, hi);
            return;
        }
        const SWire mn{m_nBufs++, 0}, mx{m_nBufs++, 0};
        m_ops.push_back({mn.nBuf, lo, hi, false});
        m_ops.push_back({mx.nBuf, lo, hi, true});
        lo = mn;
        hi = mx;
    }

    // Merges two sorted lists (Batcher's odd-even merge, padded to a power of two).
    std::vector<SWire> Merge(const std::vector<SWire>& a, const std::vector<SWire>& b)
    {
        size_t p = 1;
        while (p < a.size() || p < b.size())
            p *= 2;
        std::vector<SWire> v(2 * p, SWire{kPosInf, 0});
        std::copy(a.begin(), a.end(), v.begin());
        std::copy(b.begin(), b.end(), v.begin() + std::ptrdiff_t(p));
        OddEvenMerge(v, 0, int(2 * p), 1);
        v.resize(a.size() + b.size());
        return v;
    }

    std::vector<SWire> Sort(const std::vector<SWire>& v)
    {
        if (v.size() <= 1)
            return v;
        const auto mid = v.begin() + std::ptrdiff_t(v.size() / 2);
        return Merge(Sort({v.begin(), mid}), Sort({mid, v.end()}));
    }

    int m_nBufs;
    std::vector<SOp> m_ops;

private:
    void OddEvenMerge(std::vector<SWire>& v, int lo, int n, int r)
    {
        const int step = r * 2;
        if (step < n) {
            OddEvenMerge(v, lo, n, step);
            OddEvenMerge(v, lo + r, n, step);
            for (int i = lo + r; i + r < lo + n; i += step)
                CompareExchange(v[i], v[i + r]);
        } else {
            CompareExchange(v[lo], v[lo + r]);
        }
    }
};

// Replaces the samples of a sorted part of the window that cannot have rank m among n.
void Prune(std::vector<SWire>& v, int n, int m)
{
    const int g = int(v.size());
    for (int i = 0; i < g; ++i) {
        if (i > m)
            v[i] = {kPosInf, 0};
        else if (g - 1 - i > n - 1 - m)
            v[i] = {kNegInf, 0};
    }
}

std::vector<SWire> Shifted(std::vector<SWire> v, int nShift)
{
    for (SWire& w : v)
        if (!IsConstant(w))
            w.nShift += nShift;
    return v;
}

// The network in run order. Slots 0 .. nRows-1 are the window's rows; the others are scratch strips,
// reused once their value is dead. nDeficit of an op: how many bytes short of the strip's end its
// result stops being valid, because its inputs were read shifted.
struct SNetwork {
    std::vector<SOp> ops;
    std::vector<int> deficit;
    int nSlots = 0;
    SWire out{};
};

SNetwork BuildNetwork(int nCols, int nRows, int nPixelBytes, int nRank)
{
    const int n = nCols * nRows;
    CNetworkBuilder b(nRows);
    std::vector<SWire> column;
    for (int j = 0; j < nRows; ++j)
        column.push_back({j, 0});
    // runs[k]: 2^k neighbouring sorted columns merged
    std::vector<std::vector<SWire>> runs{b.Sort(column)};
    Prune(runs[0], n, nRank);
    for (int k = 1; (1 << k) <= nCols; ++k) {
        runs.push_back(b.Merge(runs[k - 1], Shifted(runs[k - 1], (1 << (k - 1)) * nPixelBytes)));
        Prune(runs[k], n, nRank);
    }
    // the window: one run per bit of nCols, smallest first
    std::vector<SWire> window;
    int nOffset = 0;
    for (int k = 0; k < int(runs.size()); ++k) {
        if (!(nCols & (1 << k)))
            continue;
        const auto part = Shifted(runs[k], nOffset * nPixelBytes);
        nOffset += 1 << k;
        window = window.empty() ? part : b.Merge(window, part);
        Prune(window, n, nRank);
    }
    const SWire out = window[nRank];

    // keep only what the result depends on
    std::vector<char> live(size_t(b.m_nBufs), 0);
    live[out.nBuf] = 1;
    std::vector<SOp> kept;
    for (auto it = b.m_ops.rbegin(); it != b.m_ops.rend(); ++it)
        if (live[it->nDst]) {
            live[it->a.nBuf] = live[it->b.nBuf] = 1;
            kept.push_back(*it);
        }
    std::reverse(kept.begin(), kept.end());

    // scratch slots, reused after the last read of their value
    std::vector<int> lastUse(size_t(b.m_nBufs), -1), slotOf(size_t(b.m_nBufs), -1), deficitOf(size_t(b.m_nBufs), 0);
    for (int i = 0; i < int(kept.size()); ++i)
        lastUse[kept[i].a.nBuf] = lastUse[kept[i].b.nBuf] = i;
    lastUse[out.nBuf] = INT_MAX;
    for (int j = 0; j < nRows; ++j)
        slotOf[j] = j;
    SNetwork net;
    net.nSlots = nRows;
    std::vector<int> freeSlots;
    for (int i = 0; i < int(kept.size()); ++i) {
        SOp op = kept[i];
        int nSlot = net.nSlots;
        if (freeSlots.empty()) {
            ++net.nSlots;
        } else {
            nSlot = freeSlots.back();
            freeSlots.pop_back();
        }
        deficitOf[op.nDst] = std::max(deficitOf[op.a.nBuf] + op.a.nShift, deficitOf[op.b.nBuf] + op.b.nShift);
        net.deficit.push_back(deficitOf[op.nDst]);
        slotOf[op.nDst] = nSlot;
        if (op.a.nBuf >= nRows && lastUse[op.a.nBuf] == i)
            freeSlots.push_back(slotOf[op.a.nBuf]);
        if (op.b.nBuf >= nRows && lastUse[op.b.nBuf] == i && op.b.nBuf != op.a.nBuf)
            freeSlots.push_back(slotOf[op.b.nBuf]);
        op.nDst = nSlot;
        op.a.nBuf = slotOf[op.a.nBuf];
        op.b.nBuf = slotOf[op.b.nBuf];
        net.ops.push_back(op);
    }
    net.out = {slotOf[out.nBuf], out.nShift};
    return net;
}

using VBytes = uint8_t __attribute__((vector_size(32)));

// d = min or max of a and b over n bytes.
[[gnu::always_inline]] inline void MinMaxLoop(uint8_t* d, const uint8_t* a, const uint8_t* b, size_t n, bool bMax)
{
    size_t i = 0;
    VBytes va, vb, r;
    if (bMax) {
        for (; i + 32 <= n; i += 32) {
            std::memcpy(&va, a + i, 32);
            std::memcpy(&vb, b + i, 32);
            r = va > vb ? va : vb;
            std::memcpy(d + i, &r, 32);
        }
    } else {
        for (; i + 32 <= n; i += 32) {
            std::memcpy(&va, a + i, 32);
            std::memcpy(&vb, b + i, 32);
            r = va < vb ? va : vb;
            std::memcpy(d + i, &r, 32);
        }
    }
    for (; i < n; ++i)
        d[i] = bMax ? std::max(a[i], b[i]) : std::min(a[i], b[i]);
}

#if LUMIVO_X86_VARIANTS
__attribute__((target("avx2"))) void MinMaxAvx2(uint8_t* d, const uint8_t* a, const uint8_t* b, size_t n, bool bMax)
{
    MinMaxLoop(d, a, b, n, bMax);
}
#endif

// The loop in the variant chosen at run time for the processor.
void MinMax(uint8_t* d, const uint8_t* a, const uint8_t* b, size_t n, bool bMax)
{
#if LUMIVO_X86_VARIANTS
    if (ipl::ActiveSimd() >= ipl::ESimd::Avx2)
        return MinMaxAvx2(d, a, b, n, bMax);
#endif
    MinMaxLoop(d, a, b, n, bMax);
}

constexpr int kStrip = 1024; // bytes of output per network run: the scratch strips stay in cache

} // namespace

namespace ipl {

void RankFilter(const cv::Mat& src, cv::Mat& dst, int nCols, int nRows, int nAnchorX, int nAnchorY, int nRank)
{
    const int cn = int(src.elemSize()), nWidth = src.cols, nHeight = src.rows;
    const int nRowBytes = nWidth * cn, nPad = (nCols - 1) * cn;
    const SNetwork net = BuildNetwork(nCols, nRows, cn, nRank);
    const int nOps = int(net.ops.size());
    // the last op writes the result into the row itself when it computes exactly that value
    const bool bDirect = nOps > 0 && net.out.nShift == 0 && net.ops.back().nDst == net.out.nBuf;

    cv::parallel_for_(
        cv::Range(0, nHeight),
        [&](const cv::Range& range) {
            // rows of the source padded left and right with copies of the edge pixels, in a ring: the
            // window's row t lives in slot t mod nRows
            const size_t nPadded = size_t(nRowBytes + nPad + 64);
            std::vector<uint8_t> rows(nPadded * nRows);
            std::vector<int> rowIn(size_t(nRows), INT_MIN);
            const size_t nScratch = size_t(kStrip + nPad + 64) & ~size_t(31);
            std::vector<uint8_t> scratch(nScratch * size_t(net.nSlots) + 64);
            std::vector<uint8_t*> slot(size_t(net.nSlots));
            for (int s = nRows; s < net.nSlots; ++s)
                slot[s] = scratch.data() + nScratch * size_t(s);
            std::vector<uint8_t*> rowStart(static_cast<size_t>(nRows));

            for (int y = range.start; y < range.end; ++y) {
                for (int j = 0; j < nRows; ++j) {
                    const int t = y - nAnchorY + j, k = ((t % nRows) + nRows) % nRows;
                    uint8_t* p = rows.data() + nPadded * size_t(k);
                    if (rowIn[k] != t) {
                        rowIn[k] = t;
                        const uint8_t* pSrc = src.ptr(std::clamp(t, 0, nHeight - 1));
                        for (int q = 0; q < nAnchorX; ++q)
                            std::memcpy(p + q * cn, pSrc, size_t(cn));
                        std::memcpy(p + nAnchorX * cn, pSrc, size_t(nRowBytes));
                        for (int q = nAnchorX; q < nCols - 1; ++q)
                            std::memcpy(p + nRowBytes + q * cn, pSrc + nRowBytes - cn, size_t(cn));
                    }
                    rowStart[j] = p;
                }
                uint8_t* pOut = dst.ptr(y);
                for (int b0 = 0; b0 < nRowBytes; b0 += kStrip) {
                    const int nLen = std::min(kStrip, nRowBytes - b0);
                    for (int j = 0; j < nRows; ++j)
                        slot[j] = rowStart[j] + b0;
                    for (int i = 0; i < nOps; ++i) {
                        const SOp& op = net.ops[i];
                        const uint8_t* a = slot[op.a.nBuf] + op.a.nShift;
                        const uint8_t* b = slot[op.b.nBuf] + op.b.nShift;
                        if (i == nOps - 1 && bDirect)
                            MinMax(pOut + b0, a, b, size_t(nLen), op.bMax); // the result, straight into the row
                        else
                            MinMax(slot[op.nDst], a, b, size_t(nLen + nPad - net.deficit[i] + 31) & ~size_t(31),
                                   op.bMax);
                    }
                    if (!bDirect)
                        std::memcpy(pOut + b0, slot[net.out.nBuf] + net.out.nShift, size_t(nLen));
                }
            }
        },
        std::max(1, nHeight / 64)); // bands of about 64 rows: each band pads its first rows afresh
}

} // namespace ipl
