#include "support/TestImages.h"

#include <FreeImage.h>
#include <cstring>

QString TestData(const QString& strName)
{
    return QStringLiteral(LUMIVO_TEST_DATA "/") + strName;
}

QString Sample(const QString& strName)
{
    return QStringLiteral(LUMIVO_SAMPLES "/") + strName;
}

bool WriteTestImage(const QString& strPath, int nWidth, int nHeight, int nBpp)
{
    CBitmapPtr pBitmap = MakeBytes(nWidth, nHeight, nBpp);
    return pBitmap && SaveBitmapFile(pBitmap.get(), strPath);
}

CBitmapPtr MakeVaried(int nWidth, int nHeight, int nBpp, bool b565)
{
    CBitmapPtr pBitmap(nBpp == 16 && b565 ? FreeImage_Allocate(nWidth, nHeight, 16, FI16_565_RED_MASK,
                                                               FI16_565_GREEN_MASK, FI16_565_BLUE_MASK)
                                          : FreeImage_Allocate(nWidth, nHeight, nBpp));
    if (!pBitmap)
        return pBitmap;
    FIBITMAP* p = pBitmap.get();
    std::memset(FreeImage_GetBits(p), 0xFF, size_t(FreeImage_GetPitch(p)) * unsigned(nHeight));
    if (RGBQUAD* pPalette = FreeImage_GetPalette(p))
        for (unsigned i = 0; i < FreeImage_GetColorsUsed(p); ++i)
            pPalette[i] = RGBQUAD{BYTE(i * 3), BYTE(255 - i), BYTE(i * 7), 0};
    const int nBytes = nBpp / 8;
    for (int y = 0; y < nHeight; ++y) {
        BYTE* pLine = FreeImage_GetScanLine(p, y);
        for (int x = 0; x < nWidth; ++x) {
            const unsigned v = unsigned(x * 7 + y * 13 + x * y);
            if (nBpp <= 8) {
                BYTE nIndex = BYTE(v % (1u << nBpp));
                FreeImage_SetPixelIndex(p, unsigned(x), unsigned(y), &nIndex);
            } else {
                for (int k = 0; k < nBytes; ++k)
                    pLine[x * nBytes + k] = BYTE(v >> (3 * k) ^ k * 85);
            }
        }
    }
    return pBitmap;
}

CBitmapPtr MakeBytes(int nWidth, int nHeight, int nBpp, unsigned nSeed)
{
    CBitmapPtr pBitmap(FreeImage_Allocate(nWidth, nHeight, nBpp));
    if (!pBitmap)
        return pBitmap;
    BYTE* pBits = FreeImage_GetBits(pBitmap.get());
    const unsigned nPitch = FreeImage_GetPitch(pBitmap.get());
    for (unsigned y = 0; y < unsigned(nHeight); ++y)
        for (unsigned i = 0; i < nPitch; ++i)
            pBits[y * nPitch + i] = BYTE((i * 13 + y * 7) ^ (nSeed * (i / 5 + y / 3)));
    return pBitmap;
}

bool SamePixels(FIBITMAP* pA, FIBITMAP* pB)
{
    if (!pA || !pB)
        return false;
    const unsigned nBpp = FreeImage_GetBPP(pA);
    if (FreeImage_GetWidth(pA) != FreeImage_GetWidth(pB) || FreeImage_GetHeight(pA) != FreeImage_GetHeight(pB) ||
        nBpp != FreeImage_GetBPP(pB) || FreeImage_GetRedMask(pA) != FreeImage_GetRedMask(pB) ||
        FreeImage_GetGreenMask(pA) != FreeImage_GetGreenMask(pB))
        return false;
    if (nBpp <= 8 && std::memcmp(FreeImage_GetPalette(pA), FreeImage_GetPalette(pB), sizeof(RGBQUAD) << nBpp) != 0)
        return false;
    const unsigned nRow = FreeImage_GetLine(pA);
    for (unsigned y = 0; y < FreeImage_GetHeight(pA); ++y)
        if (std::memcmp(FreeImage_GetScanLine(pA, int(y)), FreeImage_GetScanLine(pB, int(y)), nRow) != 0)
            return false;
    return true;
}
