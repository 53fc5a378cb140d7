#include "processing/ImageProcessor.h"

#include "processing/ipl/Ipl.h"

#include <FreeImage.h>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <opencv2/core.hpp>

int MulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const int64_t nProduct = int64_t(a) * b;
    const int64_t nHalf = std::abs(int64_t(c)) / 2;
    const bool bNegative = (nProduct < 0) != (c < 0);
    const int64_t nRounded = (std::abs(nProduct) + nHalf) / std::abs(int64_t(c));
    if (nRounded > INT32_MAX)
        return -1;
    return int(bNegative ? -nRounded : nRounded);
}

CImageProcessor::CImageProcessor(FIBITMAP* pBitmap) : m_pSrcBitmap(pBitmap) {}

CImageProcessor::~CImageProcessor()
{
    if (m_pSrcImage) {
        iplDeallocate(m_pSrcImage, IPL_IMAGE_ALL);
        m_pSrcImage = nullptr;
    }
    if (m_pDstImage) {
        iplDeallocate(m_pDstImage, IPL_IMAGE_ALL);
        m_pDstImage = nullptr;
    }
}

int CImageProcessor::TranslateSource()
{
    // A fresh translation replaces the previous one (a colour-palette or 16-bit source is a copy).
    if (m_pSrcImage) {
        iplDeallocate(m_pSrcImage, IPL_IMAGE_ALL);
        m_pSrcImage = nullptr;
    }
    const unsigned nBpp = FreeImage_GetBPP(m_pSrcBitmap);
    RGBQUAD* pPalette = FreeImage_GetPalette(m_pSrcBitmap);
    const FREE_IMAGE_COLOR_TYPE eType = FreeImage_GetColorType(m_pSrcBitmap);
    if (nBpp != 1 && nBpp != 8 && nBpp != 16 && nBpp != 24 && nBpp != 32)
        return STATUS_UNSUPPORTED;

    auto fnSetEntries = [pPalette](BYTE nFirst, BYTE nSecond) {
        pPalette[0].rgbBlue = pPalette[0].rgbGreen = pPalette[0].rgbRed = nFirst;
        pPalette[1].rgbBlue = pPalette[1].rgbGreen = pPalette[1].rgbRed = nSecond;
    };
    // A min-is-white 1-bit bitmap is translated as black then white, then given its palette back.
    const bool bMinIsWhite = nBpp == 1 && eType == FIC_MINISWHITE && pPalette;
    if (bMinIsWhite)
        fnSetEntries(0, 255);
    const unsigned masks[3] = {FreeImage_GetRedMask(m_pSrcBitmap), FreeImage_GetGreenMask(m_pSrcBitmap),
                               FreeImage_GetBlueMask(m_pSrcBitmap)};
    const bool bMasks = nBpp == 16 && (masks[0] | masks[1] | masks[2]) != 0;
    int nCloned = 0;
    m_pSrcImage = iplTranslateDIB(FreeImage_GetInfoHeader(m_pSrcBitmap), pPalette, bMasks ? masks : nullptr,
                                  FreeImage_GetBits(m_pSrcBitmap), &nCloned);
    if (bMinIsWhite)
        fnSetEntries(255, 0);
    return m_pSrcImage ? STATUS_OK : STATUS_FAILED;
}

IplImage* CImageProcessor::CreateResultImage(int nWidth, int nHeight, const IplImage* pLayout)
{
    const IplImage* pSrc = pLayout ? pLayout : m_pSrcImage;
    m_pDstImage = iplCreateImageHeader(pSrc->nChannels, pSrc->alphaChannel, pSrc->depth, pSrc->colorModel,
                                       pSrc->channelSeq, pSrc->dataOrder, pSrc->origin, pSrc->align, nWidth, nHeight,
                                       nullptr, nullptr, nullptr, nullptr);
    if (!m_pDstImage) {
        iplGetErrStatus();
        return nullptr;
    }
    // Where the layout allows, the result lives in the bitmap ConvertResult hands over (FreeImage
    // allocates it zero-filled), so converting back needs no copy of the pixels.
    const int nDepth = m_pDstImage->depth * m_pDstImage->nChannels;
    if (m_pDstImage->origin == IPL_ORIGIN_BL && (nDepth == 1 || nDepth == 8 || nDepth == 24 || nDepth == 32)) {
        m_pDstBitmap = FreeImage_Allocate(nWidth, nHeight, nDepth, 0, 0, 0);
        if (m_pDstBitmap && int(FreeImage_GetPitch(m_pDstBitmap)) == m_pDstImage->widthStep) {
            m_pDstImage->imageData = reinterpret_cast<char*>(FreeImage_GetBits(m_pDstBitmap));
            m_pDstImage->imageSize = m_pDstImage->widthStep * nHeight;
            return m_pDstImage; // imageDataOrigin stays null: the layer never frees the bitmap's pixels
        }
        FreeImage_Unload(m_pDstBitmap);
        m_pDstBitmap = nullptr;
    }
    if (iplAllocateImage(m_pDstImage, 1, 0) != IPL_StsOk) {
        // No storage: drop the header so that nothing writes into it.
        iplDeallocate(m_pDstImage, IPL_IMAGE_ALL);
        m_pDstImage = nullptr;
    }
    return m_pDstImage;
}

int CImageProcessor::ConvertResult()
{
    if (!m_pDstImage)
        return 0;
    const int nDepth = m_pDstImage->depth * m_pDstImage->nChannels;
    if (!m_pDstBitmap)
        m_pDstBitmap = FreeImage_Allocate(m_pDstImage->width, m_pDstImage->height, nDepth, 0, 0, 0);
    if (!m_pDstBitmap)
        return STATUS_FAILED;
    if (nDepth != 1 && nDepth != 8 && nDepth != 24 && nDepth != 32)
        return STATUS_UNSUPPORTED;
    return iplConvertToDIBSep(m_pDstImage, FreeImage_GetInfoHeader(m_pDstBitmap), FreeImage_GetPalette(m_pDstBitmap),
                              FreeImage_GetBits(m_pDstBitmap), nDepth == 1 ? 1 : 2, 1);
}

FIBITMAP* CImageProcessor::Run(const FnSize& fnSize, const FnApply& fnApply)
{
    if (!m_pSrcBitmap || TranslateSource() != STATUS_OK)
        return nullptr;
    const SSize size = fnSize(m_pSrcImage->width, m_pSrcImage->height);
    if (!CreateResultImage(size.nWidth, size.nHeight))
        return nullptr;
    return Finish(fnApply(m_pSrcImage, m_pDstImage));
}

FIBITMAP* CImageProcessor::Finish(int nStatus)
{
    if (nStatus == IPL_StsOk && ConvertResult() == STATUS_OK)
        return m_pDstBitmap;
    FreeImage_Unload(m_pDstBitmap);
    m_pDstBitmap = nullptr;
    return nullptr;
}

FIBITMAP* CImageProcessor::RunSameSize(const FnApply& fnApply)
{
    return Run([](int nWidth, int nHeight) { return SSize{nWidth, nHeight}; }, fnApply);
}

namespace {
bool FactorsPositive(int nDstX, int nSrcX, int nDstY, int nSrcY)
{
    return nDstX > 0 && nSrcX > 0 && nDstY > 0 && nSrcY > 0;
}
} // namespace

CImageProcessor::FnSize CImageProcessor::ScaledSize(int nDstX, int nSrcX, int nDstY, int nSrcY)
{
    return [=](int nWidth, int nHeight) { return SSize{MulDiv(nWidth, nDstX, nSrcX), MulDiv(nHeight, nDstY, nSrcY)}; };
}

FIBITMAP* CImageProcessor::Zoom(int nDstX, int nSrcX, int nDstY, int nSrcY, int nInterpolation)
{
    if (!m_pSrcBitmap || !FactorsPositive(nDstX, nSrcX, nDstY, nSrcY) || nDstX < nSrcX || nDstY < nSrcY)
        return nullptr;
    return Run(ScaledSize(nDstX, nSrcX, nDstY, nSrcY), [=](const IplImage* pSrc, IplImage* pDst) {
        return iplZoom(pSrc, pDst, nDstX, nSrcX, nDstY, nSrcY, nInterpolation);
    });
}

FIBITMAP* CImageProcessor::Decimate(int nDstX, int nSrcX, int nDstY, int nSrcY, int nInterpolation)
{
    if (!m_pSrcBitmap || !FactorsPositive(nDstX, nSrcX, nDstY, nSrcY) || nDstX > nSrcX || nDstY > nSrcY)
        return nullptr;
    return Run(ScaledSize(nDstX, nSrcX, nDstY, nSrcY), [=](const IplImage* pSrc, IplImage* pDst) {
        return iplDecimate(pSrc, pDst, nDstX, nSrcX, nDstY, nSrcY, nInterpolation);
    });
}

FIBITMAP* CImageProcessor::Resize(int nDstX, int nSrcX, int nDstY, int nSrcY, int nInterpolation)
{
    if (!m_pSrcBitmap || !FactorsPositive(nDstX, nSrcX, nDstY, nSrcY))
        return nullptr;
    return Run(ScaledSize(nDstX, nSrcX, nDstY, nSrcY), [=](const IplImage* pSrc, IplImage* pDst) {
        return iplResize(pSrc, pDst, nDstX, nSrcX, nDstY, nSrcY, nInterpolation);
    });
}

FIBITMAP* CImageProcessor::DecimateBlur(int nDstX, int nSrcX, int nDstY, int nSrcY, int nInterpolation, int nMaskX,
                                        int nMaskY)
{
    if (!m_pSrcBitmap || !FactorsPositive(nDstX, nSrcX, nDstY, nSrcY) || nDstX > nSrcX || nDstY > nSrcY ||
        nMaskX <= 0 || nMaskY <= 0 || nMaskX % 2 == 0 || nMaskY % 2 == 0)
        return nullptr;
    return Run(ScaledSize(nDstX, nSrcX, nDstY, nSrcY), [=](const IplImage* pSrc, IplImage* pDst) {
        return iplDecimateBlur(pSrc, pDst, nDstX, nSrcX, nDstY, nSrcY, nInterpolation, nMaskX, nMaskY);
    });
}

FIBITMAP* CImageProcessor::Mirror(int nAxis)
{
    if (!m_pSrcBitmap)
        return nullptr;
    return RunSameSize([=](const IplImage* pSrc, IplImage* pDst) { return iplMirror(pSrc, pDst, nAxis); });
}

FIBITMAP* CImageProcessor::Rotate(double dAngle, double dShiftX, double dShiftY, int nInterpolation)
{
    if (!m_pSrcBitmap)
        return nullptr;
    const double a = dAngle * 0.01745329222222;
    const double dCos = std::abs(std::cos(a));
    const double dSin = std::abs(std::sin(a));
    double dShiftXLib = 0;
    double dShiftYLib = 0;
    auto fnSize = [&](int nWidth, int nHeight) {
        const SSize size{int(std::trunc(nWidth * dCos + nHeight * dSin + dShiftX)),
                         int(std::trunc(nWidth * dSin + nHeight * dCos + dShiftY))};
        // Shifts that keep the whole rotated picture inside the result: the centres of the source's
        // corner pixels (0 .. W - 1, 0 .. H - 1) land on the result's first row and column, so at 90,
        // 180 and 270 degrees every source pixel is present and no black line is left along an edge.
        const double dLastX = nWidth - 1, dLastY = nHeight - 1;
        if (dAngle <= 90)
            dShiftXLib = 0, dShiftYLib = dLastX * std::sin(a);
        else if (dAngle <= 180)
            dShiftXLib = dLastX * dCos, dShiftYLib = dLastX * dSin + dLastY * dCos;
        else if (dAngle <= 270)
            dShiftXLib = dLastX * dCos + dLastY * dSin, dShiftYLib = dLastY * dCos;
        else
            dShiftXLib = dLastY * dSin, dShiftYLib = 0;
        return size;
    };
    return Run(fnSize, [&](const IplImage* pSrc, IplImage* pDst) {
        return iplRotate(pSrc, pDst, dAngle, dShiftXLib, dShiftYLib, nInterpolation);
    });
}

FIBITMAP* CImageProcessor::Shear(double dShearX, double dShearY, double dShiftX, double dShiftY, int nInterpolation)
{
    if (!m_pSrcBitmap)
        return nullptr;
    auto fnSize = [=](int nWidth, int nHeight) {
        return SSize{int(std::trunc(nWidth + nHeight * dShearX)), int(std::trunc(nHeight + nWidth * dShearY))};
    };
    return Run(fnSize, [=](const IplImage* pSrc, IplImage* pDst) {
        return iplShear(pSrc, pDst, dShearX, dShearY, dShiftX, dShiftY, nInterpolation);
    });
}

namespace {
constexpr float kPi = 3.1415927f;
constexpr double kTenPi = 31.41592653589793;

// The run-time library's generator: seeded like srand, each draw 0 .. 32767 like rand.
class CRandom {
public:
    explicit CRandom(unsigned nSeed) : m_nState(nSeed) {}
    int Next()
    {
        m_nState = m_nState * kMul + kAdd;
        return int((m_nState >> 16) & 0x7fff);
    }
    // Moves on n draws in O(log n) steps: a step is the map s -> a s + c (mod 2^32), and n steps are
    // the composition of its powers of two picked by the bits of n.
    void Skip(uint64_t n)
    {
        uint32_t nMul = 1, nAdd = 0;               // the steps taken so far
        uint32_t nStepMul = kMul, nStepAdd = kAdd; // 2^k steps
        for (; n; n >>= 1) {
            if (n & 1)
                nMul *= nStepMul, nAdd = nAdd * nStepMul + nStepAdd;
            nStepAdd *= nStepMul + 1;
            nStepMul *= nStepMul;
        }
        m_nState = m_nState * nMul + nAdd;
    }

private:
    static constexpr uint32_t kMul = 214013u, kAdd = 2531011u;
    uint32_t m_nState;
};

struct SIplDeleter {
    void operator()(IplImage* p) const { iplDeallocate(p, IPL_IMAGE_ALL); }
};
using CIplPtr = std::unique_ptr<IplImage, SIplDeleter>;

// A header over rows y0 .. y0 + nRows - 1 of p, sharing its storage.
CIplPtr RowsOf(const IplImage* p, int y0, int nRows)
{
    CIplPtr pRows(iplCreateImageHeader(p->nChannels, p->alphaChannel, p->depth, p->colorModel, p->channelSeq,
                                       p->dataOrder, p->origin, p->align, p->width, nRows, nullptr, nullptr, nullptr,
                                       nullptr));
    if (pRows) {
        pRows->imageData = p->imageData + size_t(y0) * p->widthStep;
        pRows->widthStep = p->widthStep;
        pRows->imageSize = p->widthStep * nRows;
    }
    return pRows;
}

// A zero-filled 1-channel image of nWidth x nHeight with depth nDepth (8u samples or 32f map values).
CIplPtr NewGrey(int nDepth, int nWidth, int nHeight, int nAlign)
{
    CIplPtr p(iplCreateImageHeader(1, 0, nDepth, "GRAY", "GRAY", IPL_DATA_ORDER_PIXEL, IPL_ORIGIN_BL, nAlign, nWidth,
                                   nHeight, nullptr, nullptr, nullptr, nullptr));
    const IPLStatus nStatus = !p                        ? IPL_StsNoMem
                              : nDepth == IPL_DEPTH_32F ? iplAllocateImageFP(p.get(), 0, 0.0f)
                                                        : iplAllocateImage(p.get(), 0, 0);
    if (nStatus != IPL_StsOk)
        p.reset();
    return p;
}

// Remaps pSrc into pDst band by band: a band's maps are filled, then its rows of pDst remapped, so the
// maps never exist whole. Bands run in parallel; each writes only its own rows. Returns the first
// failure of any band (such as no memory for its maps), else IPL_StsOk.
IPLStatus RemapInBands(const CEffectMap& map, const IplImage* pSrc, IplImage* pDst)
{
    const int nWidth = pDst->width, nHeight = pDst->height;
    const int nBandRows = std::clamp(CEffectMap::kBandPixels / nWidth, 1, nHeight);
    const int nBands = (nHeight + nBandRows - 1) / nBandRows;
    const int nStripes = std::min(nBands, 4 * std::max(1, cv::getNumThreads()));
    std::atomic<IPLStatus> nFailure{IPL_StsOk};
    cv::parallel_for_(
        cv::Range(0, nBands),
        [&](const cv::Range& bands) {
            const CIplPtr pX = NewGrey(IPL_DEPTH_32F, nWidth, nBandRows, pSrc->align);
            const CIplPtr pY = NewGrey(IPL_DEPTH_32F, nWidth, nBandRows, pSrc->align);
            IPLStatus nStatus = pX && pY ? IPL_StsOk : IPL_StsNoMem;
            for (int b = bands.start; b < bands.end && nStatus == IPL_StsOk; ++b) {
                const int y0 = b * nBandRows, nRows = std::min(nBandRows, nHeight - y0);
                map.Fill(y0, y0 + nRows, reinterpret_cast<float*>(pX->imageData),
                         reinterpret_cast<float*>(pY->imageData), size_t(pX->widthStep));
                const CIplPtr pBandX = RowsOf(pX.get(), 0, nRows), pBandY = RowsOf(pY.get(), 0, nRows);
                const CIplPtr pBand = RowsOf(pDst, y0, nRows);
                nStatus = pBandX && pBandY && pBand
                              ? iplRemap(pSrc, pBandX.get(), pBandY.get(), pBand.get(), IPL_INTER_LINEAR)
                              : IPL_StsNoMem;
            }
            IPLStatus nNone = IPL_StsOk;
            if (nStatus != IPL_StsOk)
                nFailure.compare_exchange_strong(nNone, nStatus);
        },
        nStripes);
    return nFailure;
}
} // namespace

struct CEffectMap::SRow {
    int y;
    double dSinY, dCosY; // sin(y aH), cos(y aH)
    float fWave;         // V. Wave's w(y)
    CRandom* pRandom;    // Explosion's generator, at the row's first pixel
};

CEffectMap::CEffectMap(int nCode, int nWidth, int nHeight, unsigned nSeed)
    : m_eKind(nCode >= 0 && nCode < EFFECT_STAR ? EffectKind(nCode) : EFFECT_STAR), m_nWidth(nWidth),
      m_nHeight(nHeight), m_nSeed(nSeed), m_dCx(nWidth / 2), m_dCy(nHeight / 2), m_dR(std::min(m_dCx, m_dCy)),
      m_fAW(kPi / float(nWidth)), m_fAH(kPi / float(nHeight)),
      m_dDiagonal(std::sqrt(double(nWidth) * nWidth + double(nHeight) * nHeight)), m_dFishNorm(1 / std::asin(1.0))
{
    const bool bAngular = m_eKind == EFFECT_CONCAVITY || m_eKind == EFFECT_CONVEXITY || m_eKind == EFFECT_MADNESS;
    for (int x = 0; bAngular && x < nWidth; ++x) {
        m_colSin.push_back(std::sin(x * double(m_fAW)));
        m_colCos.push_back(std::cos(x * double(m_fAW)));
    }
    for (int x = 0; m_eKind == EFFECT_H_WAVE && x < nWidth; ++x)
        m_colWave.push_back(10 * std::sin(kTenPi * x / nWidth));
}

void CEffectMap::Fill(int y0, int y1, float* pX, float* pY, size_t nStep) const
{
    // Two draws per pixel before row y0.
    CRandom random(m_nSeed);
    if (m_eKind == EFFECT_EXPLOSION)
        random.Skip(2 * uint64_t(y0) * uint64_t(m_nWidth));
    for (int y = y0; y < y1; ++y) {
        const double dAngle = y * double(m_fAH);
        const SRow row{y, std::sin(dAngle), std::cos(dAngle), float(10 * std::sin(kTenPi * y / m_nHeight)), &random};
        const size_t nOffset = size_t(y - y0) * nStep;
        FillRow(row, reinterpret_cast<float*>(reinterpret_cast<char*>(pX) + nOffset),
                reinterpret_cast<float*>(reinterpret_cast<char*>(pY) + nOffset));
    }
}

void CEffectMap::FillRow(const SRow& row, float* pX, float* pY) const
{
    const double y = row.y, dy = y - m_dCy;
    for (int nX = 0; nX < m_nWidth; ++nX) {
        const double x = nX, dx = x - m_dCx;
        // the terms the formulas share, computed only by the effects that use them
        auto fnS = [&] { return m_colSin[nX] * row.dSinY; };
        auto fnCx = [&] { return m_colCos[nX]; };
        auto fnD = [&] { return std::sqrt(dx * dx + dy * dy); };
        auto fnTheta = [&] { return std::atan2(dy, dx); };
        double xs = x, ys = y;
        switch (m_eKind) {
        case EFFECT_CONCAVITY: {
            const double S = fnS();
            xs = x - 60 * S * fnCx(), ys = y - 60 * S * row.dCosY;
            break;
        }
        case EFFECT_CONVEXITY: {
            const double S = fnS();
            xs = x + 40 * S * fnCx(), ys = y + 40 * S * row.dCosY;
            break;
        }
        case EFFECT_EXPLOSION: {
            const int p = row.pRandom->Next() % 10;
            const int q = row.pRandom->Next() % 10;
            xs = x + 5 - p, ys = y + 5 - q;
            break;
        }
        case EFFECT_MADNESS: {
            const double S = fnS();
            xs = x + m_nWidth * S * fnCx(), ys = y + m_nHeight * S * row.dCosY;
            break;
        }
        case EFFECT_V_WAVE: xs = x + row.fWave; break;
        case EFFECT_H_WAVE: ys = y + m_colWave[nX]; break;
        case EFFECT_FISH_EYE: {
            const double d = fnD();
            if (d > 0 && d < m_dR) {
                const double f = m_dR * std::asin(d / m_dR) * m_dFishNorm / d;
                xs = m_dCx + dx * f, ys = m_dCy + dy * f;
            }
            break;
        }
        case EFFECT_RIPPLES: {
            const double s = std::sin(0.8 * std::sqrt(0.6 * dx * dx + dy * dy));
            xs = x + 10 * s, ys = y + 6.25 * s;
            break;
        }
        case EFFECT_MOSAIC:
            // v / 10.1 truncated, as v times 0.09900990099009901
            xs = (x + y) - 10.1 * int(y * 0.09900990099009901);
            ys = (x + y) - 10.1 * int(x * 0.09900990099009901);
            break;
        case EFFECT_TWIRL: {
            const double d = fnD(), a = fnTheta() + 12 * d / m_nHeight;
            xs = m_dCx + d * std::cos(a), ys = m_dCy + d * std::sin(a);
            break;
        }
        case EFFECT_STAR: {
            const double d = fnD(), theta = fnTheta();
            const double rho = d * (1 + 0.0005 * m_dDiagonal * std::sin(12 * theta));
            xs = m_dCx + rho * std::cos(theta), ys = m_dCy + rho * std::sin(theta);
            break;
        }
        }
        pX[nX] = float(xs);
        pY[nX] = float(ys);
    }
}

FIBITMAP* CImageProcessor::Effect(int nCode)
{
    if (!m_pSrcBitmap)
        return nullptr;
    const unsigned nSeed = unsigned(m_pfnTime(nullptr));
    return RunSameSize([&](const IplImage* pSrc, IplImage* pDst) {
        // Every band samples the whole source: a 1-bit source is unpacked to 0/255 samples once here
        // rather than by every band's remap.
        CIplPtr pGrey;
        if (pSrc->depth == IPL_DEPTH_1U) {
            pGrey = NewGrey(IPL_DEPTH_8U, pSrc->width, pSrc->height, pSrc->align);
            if (pGrey && iplThreshold(pSrc, pGrey.get(), 128) == IPL_StsOk)
                pSrc = pGrey.get();
        }
        return RemapInBands(CEffectMap(nCode, pSrc->width, pSrc->height, nSeed), pSrc, pDst);
    });
}
