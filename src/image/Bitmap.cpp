#include "image/Bitmap.h"

#include "image/DecoderClient.h"
#include "image/ImageFormats.h"

#include <FreeImage.h>
#include <QFile>
#include <QFileInfo>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

void SBitmapDeleter::operator()(FIBITMAP* pBitmap) const
{
    FreeImage_Unload(pBitmap);
}

namespace {

uint32_t ReadU32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t ReadU16(const uint8_t* p)
{
    return uint16_t(p[0] | p[1] << 8);
}

} // namespace

FIBITMAP* LoadBitmapFile(const QString& strPath)
{
    const auto fif = FREE_IMAGE_FORMAT(FormatFromFileName(strPath));
    if (fif == FIF_UNKNOWN || !FreeImage_FIFSupportsReading(fif))
        return nullptr;
    // Non-blocking, so that a named pipe with an image's name cannot stall the open; only regular
    // files go to the decoder.
    const int fd = open(QFile::encodeName(strPath).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return nullptr;
    struct stat st {};
    FIBITMAP* pBitmap = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? DecodeInHelper(fif, fd) : nullptr;
    close(fd);
    return pBitmap;
}

bool SaveBitmapFile(FIBITMAP* pBitmap, const QString& strPath, int nFlags)
{
    const auto fif = FREE_IMAGE_FORMAT(FormatFromFileName(strPath));
    if (!pBitmap || fif == FIF_UNKNOWN || !FreeImage_FIFSupportsWriting(fif) ||
        !FreeImage_FIFSupportsExportBPP(fif, int(FreeImage_GetBPP(pBitmap))))
        return false;
    // A link is written through: the file it names gets the picture and the link stays.
    const QFileInfo named(strPath);
    const QString strTarget = !named.isSymLink() ? strPath
                              : named.exists()   ? named.canonicalFilePath()
                                                 : named.symLinkTarget();
    const QByteArray target = QFile::encodeName(strTarget);
    struct stat old {};
    const bool bExists = ::stat(target.constData(), &old) == 0;
    // A file nobody may write is not replaced.
    if (bExists && (!(old.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) || ::access(target.constData(), W_OK) != 0))
        return false;
    // Write beside the target, then rename over it: a failed write leaves the old file alone. The new
    // file takes the old one's permissions, so that a private picture stays private.
    const QFileInfo info(strTarget);
    const QByteArray tempName =
        QFile::encodeName(info.absolutePath() + QStringLiteral("/.~") + info.fileName() + QStringLiteral(".part"));
    const bool bOk = FreeImage_Save(fif, pBitmap, tempName.constData(), nFlags) &&
                     (!bExists || ::chmod(tempName.constData(), old.st_mode & 07777) == 0) &&
                     std::rename(tempName.constData(), target.constData()) == 0;
    if (!bOk)
        std::remove(tempName.constData());
    return bOk;
}

SPixelValue ReadBitmapPixel(FIBITMAP* pBitmap, int x, int y)
{
    SPixelValue px;
    const int nHeight = int(FreeImage_GetHeight(pBitmap));
    const BYTE* pLine = FreeImage_GetScanLine(pBitmap, nHeight - y - 1);
    if (!pLine) {
        px.nStatus = 1;
        return px;
    }
    const RGBQUAD* pPalette = FreeImage_GetPalette(pBitmap);
    switch (FreeImage_GetBPP(pBitmap)) {
    case 1: px.nIndex = (pLine[x / 8] >> (7 - x % 8)) & 1; break;
    case 4: px.nIndex = (x % 2 == 0) ? pLine[x / 2] >> 4 : pLine[x / 2] & 0x0F; break;
    case 8: px.nIndex = pLine[x]; break;
    case 24: px.rgb = pLine[3 * x] | pLine[3 * x + 1] << 8 | uint32_t(pLine[3 * x + 2]) << 16; return px;
    case 32: px.rgb = pLine[4 * x] | pLine[4 * x + 1] << 8 | uint32_t(pLine[4 * x + 2]) << 16; return px;
    default: px.nStatus = -1; return px;
    }
    if (pPalette) {
        const RGBQUAD& entry = pPalette[px.nIndex];
        px.rgb = entry.rgbBlue | entry.rgbGreen << 8 | uint32_t(entry.rgbRed) << 16;
    }
    return px;
}

namespace {
constexpr uint32_t BI_RGB_ = 0;
constexpr uint32_t BI_BITFIELDS_ = 3;
constexpr int MAX_DIB_SIDE = 1 << 20;

int MaskShift(uint32_t nMask)
{
    int nShift = 0;
    while (nMask && !(nMask & 1))
        nMask >>= 1, ++nShift;
    return nShift;
}

// One channel of a masked 32-bit pixel scaled to 8 bits.
uint8_t MaskedChannel(uint32_t nPixel, uint32_t nMask)
{
    if (!nMask)
        return 0;
    const uint32_t nMax = nMask >> MaskShift(nMask);
    return uint8_t(uint64_t((nPixel & nMask) >> MaskShift(nMask)) * 255 / nMax);
}
} // namespace

FIBITMAP* CreateBitmapFromPackedDib(const uint8_t* pData, size_t nSize)
{
    if (!pData || nSize < 40)
        return nullptr;
    const uint32_t nHeaderSize = ReadU32(pData);
    const int32_t nWidth = int32_t(ReadU32(pData + 4));
    const int32_t nRawHeight = int32_t(ReadU32(pData + 8));
    const uint16_t nBpp = ReadU16(pData + 14);
    const uint32_t nCompression = ReadU32(pData + 16);
    const uint32_t nClrUsed = ReadU32(pData + 32);
    if (nHeaderSize < 40 || nHeaderSize > nSize || nHeaderSize > 1024)
        return nullptr;
    if (nWidth < 1 || nWidth > MAX_DIB_SIDE || nRawHeight == 0 || nRawHeight < -MAX_DIB_SIDE ||
        nRawHeight > MAX_DIB_SIDE)
        return nullptr;
    if (nBpp != 1 && nBpp != 4 && nBpp != 8 && nBpp != 16 && nBpp != 24 && nBpp != 32)
        return nullptr;
    const bool bBitfields = nCompression == BI_BITFIELDS_;
    if (nCompression != BI_RGB_ && !(bBitfields && (nBpp == 16 || nBpp == 32)))
        return nullptr;
    const bool bTopDown = nRawHeight < 0;
    const int nHeight = bTopDown ? -nRawHeight : nRawHeight;
    const uint64_t nRowBytes = (uint64_t(nWidth) * nBpp + 31) / 32 * 4;
    if (nRowBytes * uint64_t(nHeight) > MAX_IMAGE_BYTES)
        return nullptr;

    // Masks: inside a larger header, or three double words after a 40-byte one.
    uint32_t masks[3] = {0, 0, 0};
    size_t nOffset = nHeaderSize;
    if (bBitfields) {
        const size_t nMaskPos = nHeaderSize >= 52 ? 40 : nHeaderSize;
        if (nMaskPos + 12 > nSize)
            return nullptr;
        for (int i = 0; i < 3; ++i)
            masks[i] = ReadU32(pData + nMaskPos + 4 * i);
        if (nHeaderSize < 52)
            nOffset += 12;
    } else if (nBpp == 16) {
        masks[0] = FI16_555_RED_MASK, masks[1] = FI16_555_GREEN_MASK, masks[2] = FI16_555_BLUE_MASK;
    }
    const uint64_t nMaxColours = nBpp <= 8 ? (uint64_t(1) << nBpp) : 0;
    const uint64_t nColours = nClrUsed ? nClrUsed : nMaxColours;
    if (nBpp <= 8 && nColours > nMaxColours)
        return nullptr;
    if (nColours > 256 || nOffset + nColours * 4 > nSize)
        return nullptr;
    const size_t nPaletteOffset = nOffset;
    nOffset += size_t(nColours) * 4;
    if (nOffset + nRowBytes * uint64_t(nHeight) > nSize)
        return nullptr;

    const bool b565 = nBpp == 16 && masks[0] == FI16_565_RED_MASK && masks[1] == FI16_565_GREEN_MASK &&
                      masks[2] == FI16_565_BLUE_MASK;
    const bool b555 = nBpp == 16 && masks[0] == FI16_555_RED_MASK && masks[1] == FI16_555_GREEN_MASK &&
                      masks[2] == FI16_555_BLUE_MASK;
    if (nBpp == 16 && !b555 && !b565)
        return nullptr;
    const bool bPlain32 =
        nBpp == 32 && (!bBitfields || (masks[0] == FI_RGBA_RED_MASK && masks[1] == FI_RGBA_GREEN_MASK &&
                                       masks[2] == FI_RGBA_BLUE_MASK));

    FIBITMAP* pBitmap = nBpp == 16 ? FreeImage_Allocate(nWidth, nHeight, 16, masks[0], masks[1], masks[2])
                                   : FreeImage_Allocate(nWidth, nHeight, nBpp, 0, 0, 0);
    if (!pBitmap)
        return nullptr;
    if (RGBQUAD* pPalette = FreeImage_GetPalette(pBitmap); pPalette && nBpp <= 8)
        std::memcpy(pPalette, pData + nPaletteOffset, size_t(nColours) * 4);
    const int32_t nXRes = int32_t(ReadU32(pData + 24));
    const int32_t nYRes = int32_t(ReadU32(pData + 28));
    if (nXRes > 0 && nYRes > 0) {
        FreeImage_SetDotsPerMeterX(pBitmap, unsigned(nXRes));
        FreeImage_SetDotsPerMeterY(pBitmap, unsigned(nYRes));
    }

    for (int y = 0; y < nHeight; ++y) {
        const uint8_t* pSrc = pData + nOffset + nRowBytes * size_t(bTopDown ? nHeight - 1 - y : y);
        BYTE* pDst = FreeImage_GetScanLine(pBitmap, y);
        if (nBpp != 32 || bPlain32) {
            std::memcpy(pDst, pSrc, nRowBytes);
            continue;
        }
        // 32-bit with other channel masks: place each channel where FreeImage keeps it.
        for (int x = 0; x < nWidth; ++x) {
            const uint32_t nPixel = ReadU32(pSrc + 4 * x);
            pDst[4 * x + FI_RGBA_RED] = MaskedChannel(nPixel, masks[0]);
            pDst[4 * x + FI_RGBA_GREEN] = MaskedChannel(nPixel, masks[1]);
            pDst[4 * x + FI_RGBA_BLUE] = MaskedChannel(nPixel, masks[2]);
            pDst[4 * x + FI_RGBA_ALPHA] = 255;
        }
    }
    return pBitmap;
}

QByteArray PackedDibFromBitmap(FIBITMAP* pBitmap)
{
    if (!pBitmap)
        return {};
    const size_t nDibSize = FreeImage_GetDIBSize(pBitmap);
    const size_t nPixels = size_t(FreeImage_GetPitch(pBitmap)) * FreeImage_GetHeight(pBitmap);
    const size_t nHeader = sizeof(BITMAPINFOHEADER);
    if (nDibSize < nHeader + nPixels)
        return {};
    // A header that declares bit fields is followed by the three masks, as readers expect.
    const BITMAPINFOHEADER* pInfo = FreeImage_GetInfoHeader(pBitmap);
    const size_t nMasks = pInfo->biCompression == BI_BITFIELDS_ ? 12 : 0;
    const size_t nPalette = nDibSize - nPixels - nHeader;
    QByteArray block(qsizetype(nDibSize + nMasks), '\0');
    char* p = block.data();
    std::memcpy(p, pInfo, nHeader);
    if (nMasks) {
        const uint32_t masks[3] = {FreeImage_GetRedMask(pBitmap), FreeImage_GetGreenMask(pBitmap),
                                   FreeImage_GetBlueMask(pBitmap)};
        std::memcpy(p + nHeader, masks, nMasks);
    }
    if (nPalette && FreeImage_GetPalette(pBitmap))
        std::memcpy(p + nHeader + nMasks, FreeImage_GetPalette(pBitmap), nPalette);
    std::memcpy(p + nHeader + nMasks + nPalette, FreeImage_GetBits(pBitmap), nPixels);
    return block;
}

namespace {
int64_t NowMilliseconds()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
} // namespace

CStopwatch::CStopwatch() : m_nStart(NowMilliseconds()) {}

double CStopwatch::Elapsed() const
{
    return double(NowMilliseconds() - m_nStart) * 0.001;
}
