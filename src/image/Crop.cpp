#include "image/Crop.h"

#include <FreeImage.h>
#include <cstring>

namespace {
// Copies the row part of a 1-bit row starting at pixel nLeft: every destination byte is the eight
// source bits from there on; bits past the source row's bytes count as 0.
void CropRow1(const BYTE* pSrc, unsigned nSrcBytes, BYTE* pDst, unsigned nLeft, unsigned nDstBytes)
{
    const unsigned nFirst = nLeft / 8, nShift = nLeft % 8;
    for (unsigned j = 0; j < nDstBytes; ++j) {
        const unsigned nHigh = pSrc[nFirst + j];
        const unsigned nLow = nShift && nFirst + j + 1 < nSrcBytes ? pSrc[nFirst + j + 1] : 0;
        pDst[j] = BYTE(nHigh << nShift | nLow >> (8 - nShift));
    }
}

// Likewise for 4-bit rows: an odd left edge moves every pixel by one nibble.
void CropRow4(const BYTE* pSrc, unsigned nSrcBytes, BYTE* pDst, unsigned nLeft, unsigned nDstBytes)
{
    const unsigned nFirst = nLeft / 2;
    if (nLeft % 2 == 0) {
        std::memcpy(pDst, pSrc + nFirst, nDstBytes);
        return;
    }
    for (unsigned j = 0; j < nDstBytes; ++j) {
        const unsigned nLow = nFirst + j + 1 < nSrcBytes ? pSrc[nFirst + j + 1] >> 4 : 0;
        pDst[j] = BYTE((pSrc[nFirst + j] & 0x0F) << 4 | nLow);
    }
}
} // namespace

FIBITMAP* CropBitmap(FIBITMAP* pSource, int nLeft, int nBottom, int nRight, int nTop)
{
    if (!pSource || nLeft >= nRight || nBottom >= nTop || nLeft < 0 || nBottom < 0)
        return nullptr;
    const unsigned nSrcWidth = FreeImage_GetWidth(pSource), nSrcHeight = FreeImage_GetHeight(pSource);
    if (unsigned(nRight) > nSrcWidth || unsigned(nTop) > nSrcHeight)
        return nullptr;
    const unsigned nBpp = FreeImage_GetBPP(pSource);
    const unsigned w = unsigned(nRight - nLeft), h = unsigned(nTop - nBottom), left = unsigned(nLeft);
    FIBITMAP* pCrop = FreeImage_Allocate(int(w), int(h), int(nBpp), FreeImage_GetRedMask(pSource),
                                         FreeImage_GetGreenMask(pSource), FreeImage_GetBlueMask(pSource));
    if (!pCrop)
        return nullptr;

    // Bytes of a source row that hold pixels; nothing past them is read.
    const unsigned nSrcBytes = (nSrcWidth * nBpp + 7) / 8;
    for (unsigned i = 0; i < h; ++i) {
        const BYTE* pSrc = FreeImage_GetScanLine(pSource, int(unsigned(nBottom) + i));
        BYTE* pDst = FreeImage_GetScanLine(pCrop, int(i));
        switch (nBpp) {
        case 1: CropRow1(pSrc, nSrcBytes, pDst, left, (w + 7) / 8); break;
        case 4: CropRow4(pSrc, nSrcBytes, pDst, left, (w + 1) / 2); break;
        case 8:
        case 16:
        case 24:
        case 32: std::memcpy(pDst, pSrc + left * (nBpp / 8), size_t(w) * (nBpp / 8)); break;
        default: break; // other depths: the bitmap is given without its pixels
        }
    }
    if (nBpp <= 8 && FreeImage_GetPalette(pSource) && FreeImage_GetPalette(pCrop))
        std::memcpy(FreeImage_GetPalette(pCrop), FreeImage_GetPalette(pSource), sizeof(RGBQUAD) << nBpp);
    return pCrop;
}
