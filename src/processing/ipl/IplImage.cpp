// Image headers, storage, status and the 8u views the operations work on.
#include "processing/ipl/IplCore.h"
#include "processing/ipl/IplSimd.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#if LUMIVO_X86_VARIANTS
#include <immintrin.h>
#endif

namespace ipl {

namespace {
thread_local IPLStatus t_nStatus = IPL_StsOk;

void CopyName(char (&dst)[4], const char* pName)
{
    std::memset(dst, 0, sizeof dst);
    for (int i = 0; pName && i < 4 && pName[i]; ++i)
        dst[i] = pName[i];
}

bool Overlap(const IplImage* a, const IplImage* b)
{
    if (!a || !b || !a->imageData || !b->imageData)
        return false;
    return a->imageData < b->imageData + b->imageSize && b->imageData < a->imageData + a->imageSize;
}

void Unpack(const IplImage* p, cv::Mat& m)
{
    m.create(p->height, p->width, CV_8UC1);
    for (int y = 0; y < p->height; ++y) {
        auto pBits = reinterpret_cast<const uchar*>(p->imageData + size_t(y) * p->widthStep);
        uchar* pOut = m.ptr(y);
        for (int x = 0; x < p->width; ++x)
            pOut[x] = (pBits[x >> 3] >> (7 - (x & 7))) & 1 ? 255 : 0;
    }
}

void Pack(const cv::Mat& m, IplImage* p)
{
    for (int y = 0; y < p->height; ++y)
        PackBits(m.ptr(y), reinterpret_cast<uchar*>(p->imageData + size_t(y) * p->widthStep), p->width, 128);
}

using VBytes = uchar __attribute__((vector_size(32)));
using VWords = uint64_t __attribute__((vector_size(32)));
} // namespace

namespace {
[[gnu::always_inline]] inline void PackBitsLoop(const uchar* pIn, uchar* pBits, int nWidth, int nLevel)
{
    // 0 or 1 per sample: levels outside 1 .. 255 are decided for every sample alike
    const int nAbove = std::clamp(nLevel, 0, 256) - 1;
    const VBytes vAbove = VBytes{} + uchar(std::max(nAbove, 0)), vOne = VBytes{} + 1;
    const bool bAll = nAbove < 0;
    int x = 0;
    for (; x + 32 <= nWidth; x += 32) {
        VBytes v;
        std::memcpy(&v, pIn + x, 32);
        const VBytes f = bAll ? vOne : VBytes(v > vAbove) & vOne;
        // eight flags of one byte each, as a little-endian word, gather into its top byte in reverse order
        const VWords w = (VWords(f) * 0x8040201008040201ull) >> 56;
        for (int i = 0; i < 4; ++i)
            pBits[(x >> 3) + i] = uchar(w[i]);
    }
    for (; x < nWidth; x += 8) {
        unsigned nByte = 0;
        for (int i = 0; i < 8; ++i) {
            const bool bSet = x + i < nWidth && pIn[x + i] > nAbove;
            nByte = (nByte << 1) | (bSet ? 1u : 0u);
        }
        pBits[x >> 3] = uchar(nByte);
    }
}

#if LUMIVO_X86_VARIANTS
// 32 samples a step: compare, turn each group of eight around and take the bytes' top bits, so that
// the first sample of a group lands in the top bit of its byte (no 64-bit multiplies, which AVX2 lacks).
__attribute__((target("avx2"))) void PackBitsAvx2(const uchar* pIn, uchar* pBits, int nWidth, int nLevel)
{
    const int nAbove = std::clamp(nLevel, 0, 256) - 1;
    int x = 0;
    if (nAbove >= 0 && nAbove < 255) { // otherwise every sample is decided alike: the plain loop
        const __m256i reverse = _mm256_setr_epi8(7, 6, 5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3,
                                                 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8);
        const __m256i bias = _mm256_set1_epi8(char(0x80)); // unsigned order as signed
        const __m256i above = _mm256_set1_epi8(char(nAbove ^ 0x80));
        for (; x + 32 <= nWidth; x += 32) {
            const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pIn + x));
            const __m256i set = _mm256_cmpgt_epi8(_mm256_xor_si256(v, bias), above);
            const auto nMask = uint32_t(_mm256_movemask_epi8(_mm256_shuffle_epi8(set, reverse)));
            std::memcpy(pBits + (x >> 3), &nMask, sizeof nMask);
        }
    }
    PackBitsLoop(pIn + x, pBits + (x >> 3), nWidth - x, nLevel);
}
#endif
} // namespace

void PackBits(const uchar* pIn, uchar* pBits, int nWidth, int nLevel)
{
#if LUMIVO_X86_VARIANTS
    if (ActiveSimd() >= ESimd::Avx2)
        return PackBitsAvx2(pIn, pBits, nWidth, nLevel);
#endif
    PackBitsLoop(pIn, pBits, nWidth, nLevel);
}

IPLStatus SetStatus(IPLStatus nStatus)
{
    t_nStatus = nStatus;
    return nStatus;
}

long long RowBytes(int nWidth, int nChannels, int nDepth)
{
    return (static_cast<long long>(nWidth) * nChannels * nDepth + 7) / 8;
}

bool IsPixelImage(const IplImage* p)
{
    return p && p->imageData && p->dataOrder == IPL_DATA_ORDER_PIXEL &&
           (p->depth == IPL_DEPTH_8U || (p->depth == IPL_DEPTH_1U && p->nChannels == 1)) &&
           (p->nChannels == 1 || p->nChannels == 3 || p->nChannels == 4) && p->width > 0 && p->height > 0 &&
           p->widthStep >= RowBytes(p->width, p->nChannels, p->depth);
}

bool Compatible(const IplImage* pSrc, const IplImage* pDst, bool bSameSize)
{
    return IsPixelImage(pSrc) && IsPixelImage(pDst) && pSrc->nChannels == pDst->nChannels &&
           (!bSameSize || (pSrc->width == pDst->width && pSrc->height == pDst->height));
}

cv::Mat View(const IplImage* p)
{
    const int nType = p->depth == IPL_DEPTH_32F ? CV_32FC(p->nChannels) : CV_8UC(p->nChannels);
    return cv::Mat(p->height, p->width, nType, p->imageData, size_t(p->widthStep));
}

cv::Mat Source8u(const IplImage* p, const IplImage* pAvoid)
{
    cv::Mat m;
    if (p->depth == IPL_DEPTH_1U)
        Unpack(p, m);
    else if (Overlap(p, pAvoid))
        m = View(p).clone();
    else
        m = View(p);
    return m;
}

CTarget8u::CTarget8u(IplImage* p, bool bCurrent) : m_pImage(p)
{
    if (p->depth != IPL_DEPTH_1U)
        m_mat = View(p);
    else if (bCurrent)
        Unpack(p, m_mat);
    else
        m_mat.create(p->height, p->width, CV_8UC1);
}

void CTarget8u::Commit()
{
    if (m_pImage->depth == IPL_DEPTH_1U)
        Pack(m_mat, m_pImage);
}

void KeepAlpha(const IplImage* pSrc, const cv::Mat& src, cv::Mat& dst)
{
    const int nAlpha = pSrc->alphaChannel - 1;
    if (nAlpha < 0 || nAlpha >= src.channels() || src.channels() != dst.channels() || src.size() != dst.size())
        return;
    const int pairs[] = {nAlpha, nAlpha};
    cv::mixChannels(&src, 1, &dst, 1, pairs, 1);
}

} // namespace ipl

using namespace ipl;

IplImage* iplCreateImageHeader(int nChannels, int alphaChannel, int depth, const char* colorModel,
                               const char* channelSeq, int dataOrder, int origin, int align, int width, int height,
                               IplROI* roi, IplImage* maskROI, void* imageId, IplTileInfo* tileInfo)
{
    const bool bLayout =
        (nChannels == 1 || nChannels == 3 || nChannels == 4) && alphaChannel >= 0 && alphaChannel <= nChannels &&
        (depth == IPL_DEPTH_8U || depth == IPL_DEPTH_32F || (depth == IPL_DEPTH_1U && nChannels == 1)) &&
        dataOrder == IPL_DATA_ORDER_PIXEL && (origin == IPL_ORIGIN_TL || origin == IPL_ORIGIN_BL) &&
        (align == 4 || align == 8 || align == 16 || align == 32);
    if (!bLayout || width < 1 || height < 1 || roi || maskROI || imageId || tileInfo) {
        SetStatus(IPL_StsBadArg);
        return nullptr;
    }
    const long long nStep = (RowBytes(width, nChannels, depth) + align - 1) / align * align;
    if (nStep > INT_MAX || nStep * height > INT_MAX) {
        SetStatus(IPL_StsBadArg);
        return nullptr;
    }
    auto* p = new (std::nothrow) IplImage{};
    if (!p) {
        SetStatus(IPL_StsNoMem);
        return nullptr;
    }
    p->nChannels = nChannels;
    p->alphaChannel = alphaChannel;
    p->depth = depth;
    CopyName(p->colorModel, colorModel);
    CopyName(p->channelSeq, channelSeq);
    p->dataOrder = dataOrder;
    p->origin = origin;
    p->align = align;
    p->width = width;
    p->height = height;
    p->widthStep = int(nStep);
    p->imageSize = int(nStep * height);
    SetStatus(IPL_StsOk);
    return p;
}

namespace {
// Zero-filled storage for an image without any.
IPLStatus Allocate(IplImage* p, bool bFloat)
{
    if (!p || p->imageData || (p->depth == IPL_DEPTH_32F) != bFloat)
        return IPL_StsBadArg;
    p->imageDataOrigin = static_cast<char*>(std::calloc(size_t(p->imageSize), 1));
    if (!p->imageDataOrigin)
        return IPL_StsNoMem;
    p->imageData = p->imageDataOrigin;
    return IPL_StsOk;
}
} // namespace

IPLStatus iplAllocateImage(IplImage* pImage, int doFill, int fillValue)
{
    IPLStatus nStatus = Allocate(pImage, false);
    if (nStatus == IPL_StsOk && doFill && fillValue != 0) {
        const int nByte = pImage->depth == IPL_DEPTH_1U ? 0xFF : std::clamp(fillValue, 0, 255);
        std::memset(pImage->imageData, nByte, size_t(pImage->imageSize));
    }
    return SetStatus(nStatus);
}

IPLStatus iplAllocateImageFP(IplImage* pImage, int doFill, float fillValue)
{
    IPLStatus nStatus = Allocate(pImage, true);
    if (nStatus == IPL_StsOk && doFill && fillValue != 0.0f)
        std::fill_n(reinterpret_cast<float*>(pImage->imageData), pImage->imageSize / sizeof(float), fillValue);
    return SetStatus(nStatus);
}

void iplDeallocate(IplImage* pImage, int flag)
{
    SetStatus(IPL_StsOk);
    if (!pImage)
        return;
    if (flag & IPL_IMAGE_DATA) {
        std::free(pImage->imageDataOrigin);
        pImage->imageDataOrigin = nullptr;
        pImage->imageData = nullptr;
    }
    if (flag & IPL_IMAGE_HEADER)
        delete pImage;
}

IPLStatus iplGetErrStatus()
{
    return t_nStatus;
}

IplImage* iplCloneImage(const IplImage* pImage)
{
    if (!pImage || !pImage->imageData) {
        SetStatus(IPL_StsBadArg);
        return nullptr;
    }
    IplImage* pClone = iplCreateImageHeader(pImage->nChannels, pImage->alphaChannel, pImage->depth, pImage->colorModel,
                                            pImage->channelSeq, pImage->dataOrder, pImage->origin, pImage->align,
                                            pImage->width, pImage->height, nullptr, nullptr, nullptr, nullptr);
    if (!pClone)
        return nullptr;
    if (Allocate(pClone, pImage->depth == IPL_DEPTH_32F) != IPL_StsOk) {
        iplDeallocate(pClone, IPL_IMAGE_ALL);
        SetStatus(IPL_StsNoMem);
        return nullptr;
    }
    const size_t nRow = size_t(RowBytes(pImage->width, pImage->nChannels, pImage->depth));
    for (int y = 0; y < pImage->height; ++y)
        std::memcpy(pClone->imageData + size_t(y) * pClone->widthStep,
                    pImage->imageData + size_t(y) * pImage->widthStep, nRow);
    SetStatus(IPL_StsOk);
    return pClone;
}
