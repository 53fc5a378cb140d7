#include "image/BitmapImage.h"

#include <FreeImage.h>
#include <QImage>
#include <cstring>

QImage BitmapToQImage(FIBITMAP* pBitmap)
{
    if (!pBitmap)
        return {};
    const int nWidth = int(FreeImage_GetWidth(pBitmap));
    const int nHeight = int(FreeImage_GetHeight(pBitmap));
    const qsizetype nPitch = FreeImage_GetPitch(pBitmap);
    uchar* pBits = FreeImage_GetBits(pBitmap);
    const RGBQUAD* pPalette = FreeImage_GetPalette(pBitmap);
    const unsigned nBpp = FreeImage_GetBPP(pBitmap);
    if (!pBits || nWidth < 1 || nHeight < 1)
        return {};

    QList<QRgb> colours;
    if (pPalette && nBpp <= 8)
        for (unsigned i = 0; i < (1u << nBpp); ++i)
            colours.append(qRgb(pPalette[i].rgbRed, pPalette[i].rgbGreen, pPalette[i].rgbBlue));
    QImage image;
    switch (nBpp) {
    case 1: image = QImage(pBits, nWidth, nHeight, nPitch, QImage::Format_Mono); break;
    case 4: {
        // No 4-bit QImage format: expand the nibbles once into an 8-bit copy.
        image = QImage(nWidth, nHeight, QImage::Format_Indexed8);
        if (image.isNull())
            return {};
        for (int y = 0; y < nHeight; ++y) {
            const uchar* pSrc = pBits + nPitch * y;
            uchar* pDst = image.scanLine(y);
            for (int x = 0; x < nWidth; ++x)
                pDst[x] = (x % 2 == 0) ? pSrc[x / 2] >> 4 : pSrc[x / 2] & 0x0F;
        }
        break;
    }
    case 8: image = QImage(pBits, nWidth, nHeight, nPitch, QImage::Format_Indexed8); break;
    case 16: {
        const bool b565 = FreeImage_GetRedMask(pBitmap) == FI16_565_RED_MASK &&
                          FreeImage_GetGreenMask(pBitmap) == FI16_565_GREEN_MASK &&
                          FreeImage_GetBlueMask(pBitmap) == FI16_565_BLUE_MASK;
        image = QImage(pBits, nWidth, nHeight, nPitch, b565 ? QImage::Format_RGB16 : QImage::Format_RGB555);
        break;
    }
    case 24: image = QImage(pBits, nWidth, nHeight, nPitch, QImage::Format_BGR888); break;
    case 32: image = QImage(pBits, nWidth, nHeight, nPitch, QImage::Format_RGB32); break;
    default: return {};
    }
    if (!colours.isEmpty())
        image.setColorTable(colours);
    return image;
}

FIBITMAP* BitmapFromQImage(const QImage& image)
{
    if (image.isNull())
        return nullptr;
    const bool bAlpha = image.hasAlphaChannel();
    const QImage source = image.convertToFormat(bAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB888);
    const int nWidth = source.width();
    const int nHeight = source.height();
    FIBITMAP* pBitmap =
        FreeImage_Allocate(nWidth, nHeight, bAlpha ? 32 : 24, FI_RGBA_RED_MASK, FI_RGBA_GREEN_MASK, FI_RGBA_BLUE_MASK);
    if (!pBitmap)
        return nullptr;
    for (int y = 0; y < nHeight; ++y) {
        const uchar* pSrc = source.constScanLine(nHeight - 1 - y);
        BYTE* pDst = FreeImage_GetScanLine(pBitmap, y);
        if (bAlpha) {
            std::memcpy(pDst, pSrc, size_t(nWidth) * 4); // ARGB32 is B, G, R, A in memory, as FreeImage
            continue;
        }
        for (int x = 0; x < nWidth; ++x) {
            pDst[3 * x + FI_RGBA_RED] = pSrc[3 * x];
            pDst[3 * x + FI_RGBA_GREEN] = pSrc[3 * x + 1];
            pDst[3 * x + FI_RGBA_BLUE] = pSrc[3 * x + 2];
        }
    }
    return pBitmap;
}
