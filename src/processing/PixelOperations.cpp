// The operations that keep the picture's size and geometry: filters, threshold and morphology, tone
// tables and noise.
#include "processing/ImageProcessor.h"

#include "processing/ipl/Ipl.h"

#include <FreeImage.h>
#include <algorithm>
#include <cstring>
#include <new>

FIBITMAP* CImageProcessor::RunAperture(FnAperture fnFilter, int nCols, int nRows, int nAnchorX, int nAnchorY)
{
    if (!m_pSrcBitmap || nAnchorX >= nCols || nAnchorY >= nRows)
        return nullptr;
    return RunSameSize(
        [=](const IplImage* pSrc, IplImage* pDst) { return fnFilter(pSrc, pDst, nCols, nRows, nAnchorX, nAnchorY); });
}

FIBITMAP* CImageProcessor::Blur(int nCols, int nRows, int nAnchorX, int nAnchorY)
{
    return RunAperture(&iplBlur, nCols, nRows, nAnchorX, nAnchorY);
}

FIBITMAP* CImageProcessor::MedianFilter(int nCols, int nRows, int nAnchorX, int nAnchorY)
{
    return RunAperture(&iplMedianFilter, nCols, nRows, nAnchorX, nAnchorY);
}

FIBITMAP* CImageProcessor::MinFilter(int nCols, int nRows, int nAnchorX, int nAnchorY)
{
    return RunAperture(&iplMinFilter, nCols, nRows, nAnchorX, nAnchorY);
}

FIBITMAP* CImageProcessor::MaxFilter(int nCols, int nRows, int nAnchorX, int nAnchorY)
{
    return RunAperture(&iplMaxFilter, nCols, nRows, nAnchorX, nAnchorY);
}

FIBITMAP* CImageProcessor::FixedFilter(int nFilter)
{
    if (!m_pSrcBitmap)
        return nullptr;
    return RunSameSize([=](const IplImage* pSrc, IplImage* pDst) { return iplFixedFilter(pSrc, pDst, nFilter); });
}

FIBITMAP* CImageProcessor::Threshold(int nLevel)
{
    if (!m_pSrcBitmap || TranslateSource() != STATUS_OK)
        return nullptr;
    // One grey channel of bits, laid out like the source otherwise.
    IplImage layout = *m_pSrcImage;
    layout.nChannels = 1;
    layout.alphaChannel = 0;
    layout.depth = IPL_DEPTH_1U;
    std::memcpy(layout.colorModel, "GRAY", 4);
    std::memcpy(layout.channelSeq, "GRAY", 4);
    if (!CreateResultImage(m_pSrcImage->width, m_pSrcImage->height, &layout))
        return nullptr;
    return Finish(iplThreshold(m_pSrcImage, m_pDstImage, nLevel));
}

FIBITMAP* CImageProcessor::Invert()
{
    if (!m_pSrcBitmap)
        return nullptr;
    return RunSameSize([](const IplImage* pSrc, IplImage* pDst) { return iplNot(pSrc, pDst); });
}

FIBITMAP* CImageProcessor::RunMorphology(FnMorphology fnMorphology, int nIterations)
{
    if (!m_pSrcBitmap)
        return nullptr;
    return RunSameSize([=](const IplImage* pSrc, IplImage* pDst) { return fnMorphology(pSrc, pDst, nIterations); });
}

FIBITMAP* CImageProcessor::Erode(int nIterations)
{
    return RunMorphology(&iplErode, nIterations);
}

FIBITMAP* CImageProcessor::Dilate(int nIterations)
{
    return RunMorphology(&iplDilate, nIterations);
}

FIBITMAP* CImageProcessor::MorphOpen(int nIterations)
{
    return RunMorphology(&iplOpen, nIterations);
}

FIBITMAP* CImageProcessor::MorphClose(int nIterations)
{
    return RunMorphology(&iplClose, nIterations);
}

IplLUT** CImageProcessor::AllocLUTs(int nChannels, int nMode, int nKeys)
{
    if (nChannels < 1 || nKeys < 2)
        return nullptr;
    IplLUT** ppLuts = new (std::nothrow) IplLUT*[size_t(nChannels)]();
    if (!ppLuts)
        return nullptr;
    for (int c = 0; c < nChannels; ++c) {
        IplLUT* pLut = ppLuts[c] = new (std::nothrow) IplLUT{};
        if (pLut) {
            pLut->num = nKeys;
            pLut->interpolateType = nMode;
            pLut->key = new (std::nothrow) int[size_t(nKeys)]();
            pLut->value = new (std::nothrow) int[size_t(nKeys - 1)]();
            pLut->factor = new (std::nothrow) int[size_t(nKeys - 1)]();
        }
        if (!pLut || !pLut->key || !pLut->value || !pLut->factor) {
            FreeLUTs(ppLuts, nChannels);
            return nullptr;
        }
    }
    return ppLuts;
}

void CImageProcessor::FreeLUTs(IplLUT** ppLuts, int nChannels)
{
    if (!ppLuts)
        return;
    for (int c = 0; c < nChannels; ++c) {
        if (IplLUT* pLut = ppLuts[c]) {
            delete[] pLut->key;
            delete[] pLut->value;
            delete[] pLut->factor;
            delete pLut;
        }
    }
    delete[] ppLuts;
}

IplLUT** CImageProcessor::ComputeHisto(int* pnChannels)
{
    if (!m_pSrcBitmap || TranslateSource() != STATUS_OK)
        return nullptr;
    const int nChannels = m_pSrcImage->nChannels;
    // 257 keys bound the 256 levels; the histogram needs no factors, but they cost nothing.
    IplLUT** ppLuts = AllocLUTs(nChannels, IPL_LUT_LOOKUP, 257);
    if (!ppLuts)
        return nullptr;
    for (int c = 0; c < nChannels; ++c)
        for (int k = 0; k < 257; ++k)
            ppLuts[c]->key[k] = k;
    *pnChannels = nChannels;
    iplComputeHisto(m_pSrcImage, ppLuts);
    return ppLuts;
}

FIBITMAP* CImageProcessor::HistoEqualize()
{
    int nChannels = 0;
    IplLUT** ppLuts = m_pSrcBitmap ? ComputeHisto(&nChannels) : nullptr;
    if (!ppLuts)
        return nullptr;
    FIBITMAP* pResult = CreateResultImage(m_pSrcImage->width, m_pSrcImage->height)
                            ? Finish(iplHistoEqualize(m_pSrcImage, m_pDstImage, ppLuts))
                            : nullptr;
    FreeLUTs(ppLuts, nChannels);
    return pResult;
}

void CImageProcessor::FillContrastCurve(int nCurve, int* pValues)
{
    for (int k = 0; k < 255; ++k) {
        int v = k;
        switch (nCurve) {
        case 2: v = 255 - (255 - k) * (255 - k) / 256; break;
        case 3: v = k * k / 256; break;
        case 4: v = k <= 127 ? k * k / 127 : 255 - (255 - k) * (255 - k) / 128; break;
        case 5: v = k <= 127 ? 127 - (127 - k) * (127 - k) / 127 : 128 + (k - 128) * (k - 128) / 127; break;
        }
        pValues[k] = v;
    }
}

FIBITMAP* CImageProcessor::ContrastStretch(int nCurve)
{
    if (!m_pSrcBitmap || nCurve < 2 || nCurve > 5 || TranslateSource() != STATUS_OK)
        return nullptr;
    const int nChannels = m_pSrcImage->nChannels;
    IplLUT** ppLuts = AllocLUTs(nChannels, IPL_LUT_LOOKUP, 256);
    if (!ppLuts)
        return nullptr;
    if (!CreateResultImage(m_pSrcImage->width, m_pSrcImage->height)) {
        FreeLUTs(ppLuts, nChannels);
        return nullptr;
    }
    // Levels 0 .. 254 interpolated through the curve; level 255, beyond the last key, stays 255.
    for (int c = 0; c < nChannels; ++c) {
        IplLUT* pLut = ppLuts[c];
        for (int k = 0; k < 256; ++k)
            pLut->key[k] = k;
        pLut->num = 255;
        pLut->interpolateType = IPL_LUT_INTER;
        FillContrastCurve(nCurve, pLut->value);
    }
    FIBITMAP* pResult = Finish(iplContrastStretch(m_pSrcImage, m_pDstImage, ppLuts));
    FreeLUTs(ppLuts, nChannels);
    return pResult;
}

IplImage* CImageProcessor::PrepareAdjust()
{
    if (!m_pSrcBitmap || TranslateSource() != STATUS_OK)
        return nullptr;
    IplImage* pWork = iplCloneImage(m_pSrcImage);
    if (!pWork)
        return nullptr;
    if (m_pDstImage)
        iplDeallocate(m_pDstImage, IPL_IMAGE_ALL);
    m_pDstImage = iplCloneImage(m_pSrcImage);
    if (!m_pDstImage) {
        iplDeallocate(pWork, IPL_IMAGE_ALL);
        return nullptr;
    }
    return pWork;
}

IplLUT** CImageProcessor::AllocAdjustLUTs(int nChannels)
{
    IplLUT** ppLuts = AllocLUTs(nChannels, IPL_LUT_LOOKUP, 257);
    for (int c = 0; ppLuts && c < nChannels; ++c)
        for (int k = 0; k < 257; ++k)
            ppLuts[c]->key[k] = k;
    return ppLuts;
}

FIBITMAP* CImageProcessor::BrightnessContrast(int nBrightness, int nContrast)
{
    IplImage* pWork = PrepareAdjust();
    if (!pWork)
        return nullptr;
    const int nChannels = pWork->nChannels;
    IplLUT** ppLuts = AllocAdjustLUTs(nChannels);
    for (int c = 0; ppLuts && c < nChannels; ++c)
        FillAdjustTable(nContrast, ppLuts[c]->value);
    FIBITMAP* pResult = AdjustBrightnessContrast(pWork, nBrightness, ppLuts);
    m_pDstBitmap = nullptr; // the caller's now
    FreeLUTs(ppLuts, nChannels);
    iplDeallocate(pWork, IPL_IMAGE_ALL);
    return pResult;
}

void CImageProcessor::FillAdjustTable(int nContrast, int* pValues)
{
    const int s = nContrast;
    for (int k = 0; k < 256; ++k) {
        if (s >= 0)
            pValues[k] = k <= s ? 0 : (k - s) * 255 / (255 - s); // [s, 255] stretched onto [0, 255]
        else
            pValues[k] = 255 * (k - s) / (255 - s); // [0, 255] pressed into [255 |s| / (255 + |s|), 255]
    }
}

FIBITMAP* CImageProcessor::AdjustBrightnessContrast(IplImage* pWork, int nBrightness, IplLUT** ppLuts)
{
    if (!pWork || !ppLuts || !m_pSrcImage || !m_pDstImage)
        return nullptr;
    iplAddS(m_pSrcImage, pWork, nBrightness);
    iplContrastStretch(pWork, m_pDstImage, ppLuts);
    ConvertResult();
    return m_pDstBitmap;
}

namespace {
// Adds the noise of param to a copy of the source.
int AddNoise(const IplImage* pSrc, IplImage* pDst, const IplNoiseParam& param)
{
    const size_t nRow = size_t(std::min(pSrc->widthStep, pDst->widthStep));
    for (int y = 0; y < pSrc->height; ++y)
        std::memcpy(pDst->imageData + size_t(y) * pDst->widthStep, pSrc->imageData + size_t(y) * pSrc->widthStep, nRow);
    return iplNoiseImage(pDst, &param);
}
} // namespace

FIBITMAP* CImageProcessor::UniformNoise(int nLow, int nHigh)
{
    if (!m_pSrcBitmap)
        return nullptr;
    IplNoiseParam param{};
    iplNoiseUniformInit(&param, 1, nLow, nHigh);
    return RunSameSize([&](const IplImage* pSrc, IplImage* pDst) { return AddNoise(pSrc, pDst, param); });
}

FIBITMAP* CImageProcessor::GaussianNoise(int nMean, int nStDev)
{
    if (!m_pSrcBitmap)
        return nullptr;
    IplNoiseParam param{};
    iplNoiseGaussianInit(&param, 1, nMean, nStDev);
    return RunSameSize([&](const IplImage* pSrc, IplImage* pDst) { return AddNoise(pSrc, pDst, param); });
}
