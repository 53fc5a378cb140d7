#include "processing/ImageProcessor.h"

#include "processing/ipl/Ipl.h"

#include <FreeImage.h>
#include <cmath>
#include <cstdint>
#include <cstdlib>

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

IplImage* CImageProcessor::CreateResultImage(int nWidth, int nHeight)
{
    const IplImage* pSrc = m_pSrcImage;
    m_pDstImage = iplCreateImageHeader(pSrc->nChannels, pSrc->alphaChannel, pSrc->depth, pSrc->colorModel,
                                       pSrc->channelSeq, pSrc->dataOrder, pSrc->origin, pSrc->align, nWidth,
                                       nHeight, nullptr, nullptr, nullptr, nullptr);
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
    fnApply(m_pSrcImage, m_pDstImage);
    ConvertResult();
    return m_pDstBitmap;
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
    return [=](int nWidth, int nHeight) {
        return SSize{MulDiv(nWidth, nDstX, nSrcX), MulDiv(nHeight, nDstY, nSrcY)};
    };
}

FIBITMAP* CImageProcessor::Zoom(int nDstX, int nSrcX, int nDstY, int nSrcY, int nInterpolation)
{
    if (!m_pSrcBitmap || !FactorsPositive(nDstX, nSrcX, nDstY, nSrcY) || nDstX < nSrcX || nDstY < nSrcY)
        return nullptr;
    return Run(ScaledSize(nDstX, nSrcX, nDstY, nSrcY), [=](const IplImage* pSrc, IplImage* pDst) {
        iplZoom(pSrc, pDst, nDstX, nSrcX, nDstY, nSrcY, nInterpolation);
    });
}

FIBITMAP* CImageProcessor::Decimate(int nDstX, int nSrcX, int nDstY, int nSrcY, int nInterpolation)
{
    if (!m_pSrcBitmap || !FactorsPositive(nDstX, nSrcX, nDstY, nSrcY) || nDstX > nSrcX || nDstY > nSrcY)
        return nullptr;
    return Run(ScaledSize(nDstX, nSrcX, nDstY, nSrcY), [=](const IplImage* pSrc, IplImage* pDst) {
        iplDecimate(pSrc, pDst, nDstX, nSrcX, nDstY, nSrcY, nInterpolation);
    });
}

FIBITMAP* CImageProcessor::Resize(int nDstX, int nSrcX, int nDstY, int nSrcY, int nInterpolation)
{
    if (!m_pSrcBitmap || !FactorsPositive(nDstX, nSrcX, nDstY, nSrcY))
        return nullptr;
    return Run(ScaledSize(nDstX, nSrcX, nDstY, nSrcY), [=](const IplImage* pSrc, IplImage* pDst) {
        iplResize(pSrc, pDst, nDstX, nSrcX, nDstY, nSrcY, nInterpolation);
    });
}

FIBITMAP* CImageProcessor::DecimateBlur(int nDstX, int nSrcX, int nDstY, int nSrcY, int nInterpolation, int nMaskX,
                                        int nMaskY)
{
    if (!m_pSrcBitmap || !FactorsPositive(nDstX, nSrcX, nDstY, nSrcY) || nDstX > nSrcX || nDstY > nSrcY ||
        nMaskX <= 0 || nMaskY <= 0 || nMaskX % 2 == 0 || nMaskY % 2 == 0)
        return nullptr;
    return Run(ScaledSize(nDstX, nSrcX, nDstY, nSrcY), [=](const IplImage* pSrc, IplImage* pDst) {
        iplDecimateBlur(pSrc, pDst, nDstX, nSrcX, nDstY, nSrcY, nInterpolation, nMaskX, nMaskY);
    });
}

FIBITMAP* CImageProcessor::Mirror(int nAxis)
{
    if (!m_pSrcBitmap)
        return nullptr;
    return RunSameSize([=](const IplImage* pSrc, IplImage* pDst) { iplMirror(pSrc, pDst, nAxis); });
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
        // Shifts that keep the whole rotated picture inside the result.
        if (dAngle <= 90)
            dShiftXLib = 0, dShiftYLib = nWidth * std::sin(a);
        else if (dAngle <= 180)
            dShiftXLib = nWidth * dCos, dShiftYLib = size.nHeight - 1;
        else if (dAngle <= 270)
            dShiftXLib = size.nWidth - 1, dShiftYLib = nHeight * dCos;
        else
            dShiftXLib = nHeight * dSin, dShiftYLib = 0;
        return size;
    };
    return Run(fnSize, [&](const IplImage* pSrc, IplImage* pDst) {
        iplRotate(pSrc, pDst, dAngle, dShiftXLib, dShiftYLib, nInterpolation);
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
        iplShear(pSrc, pDst, dShearX, dShearY, dShiftX, dShiftY, nInterpolation);
    });
}
