// The bridge between device-independent bitmaps and images: translation over the bitmap's pixels where
// the layouts agree, expanded copies where they do not, and conversion back.
#include "image/Pixel16.h"
#include "processing/ipl/IplCore.h"

#include <FreeImage.h>
#include <climits>
#include <cstring>

namespace {

constexpr unsigned kMask565[3] = {0xF800, 0x07E0, 0x001F};

// Bytes from one bitmap row to the next: rows are padded to 4 bytes.
long long DibPitch(long long nWidth, int nBpp)
{
    return (nWidth * nBpp + 31) / 32 * 4;
}

IplImage* NewImage(int nChannels, int nDepth, int nWidth, int nHeight)
{
    const bool bColour = nChannels > 1;
    return iplCreateImageHeader(nChannels, nChannels == 4 ? 4 : 0, nDepth,
                                bColour ? (nChannels == 4 ? "RGBA" : "RGB") : "GRAY",
                                bColour ? (nChannels == 4 ? "BGRA" : "BGR") : "GRAY", IPL_DATA_ORDER_PIXEL,
                                IPL_ORIGIN_BL, IPL_ALIGN_DWORD, nWidth, nHeight, nullptr, nullptr, nullptr, nullptr);
}

// An image over the bitmap's own rows.
IplImage* Shared(int nChannels, int nDepth, int nWidth, int nHeight, void* pBits, int nPitch)
{
    IplImage* p = NewImage(nChannels, nDepth, nWidth, nHeight);
    if (p) {
        p->imageData = static_cast<char*>(pBits);
        p->widthStep = nPitch;
    }
    return p;
}

// A 3-channel BGR copy; fnRow expands one bitmap row.
template <class F> IplImage* Expanded(int nWidth, int nHeight, const uchar* pBits, long long nPitch, F&& fnRow)
{
    IplImage* p = NewImage(3, IPL_DEPTH_8U, nWidth, nHeight);
    if (!p)
        return nullptr;
    if (iplAllocateImage(p, 0, 0) != IPL_StsOk) {
        iplDeallocate(p, IPL_IMAGE_ALL);
        return nullptr;
    }
    for (int y = 0; y < nHeight; ++y)
        fnRow(pBits + y * nPitch, reinterpret_cast<uchar*>(p->imageData + size_t(y) * p->widthStep));
    return p;
}

IplImage* Translate(const BITMAPINFOHEADER* pHeader, const RGBQUAD* pPalette, const unsigned* pMasks, void* pBits,
                    int* pCloneData)
{
    if (!pHeader || !pBits || pHeader->biWidth < 1 || pHeader->biHeight < 1 ||
        (pHeader->biCompression != 0 && pHeader->biCompression != 3))
        return nullptr;
    const int nWidth = pHeader->biWidth, nHeight = pHeader->biHeight, nBpp = pHeader->biBitCount;
    const long long nPitch = DibPitch(nWidth, nBpp);
    if (nPitch * nHeight > INT_MAX)
        return nullptr;
    const auto* pRows = static_cast<const uchar*>(pBits);
    *pCloneData = 0;
    switch (nBpp) {
    case 1: return Shared(1, IPL_DEPTH_1U, nWidth, nHeight, pBits, int(nPitch));
    case 8: {
        if (!pPalette || pHeader->biClrUsed > 256)
            return nullptr;
        const int nColours = pHeader->biClrUsed ? int(pHeader->biClrUsed) : 256;
        bool bGrey = true;
        for (int k = 0; k < nColours; ++k)
            bGrey = bGrey && pPalette[k].rgbRed == k && pPalette[k].rgbGreen == k && pPalette[k].rgbBlue == k;
        if (bGrey)
            return Shared(1, IPL_DEPTH_8U, nWidth, nHeight, pBits, int(nPitch));
        uchar table[256][3] = {}; // indices past the colour table are black
        for (int k = 0; k < nColours; ++k) {
            table[k][0] = pPalette[k].rgbBlue;
            table[k][1] = pPalette[k].rgbGreen;
            table[k][2] = pPalette[k].rgbRed;
        }
        *pCloneData = 1;
        return Expanded(nWidth, nHeight, pRows, nPitch, [&](const uchar* pIn, uchar* pOut) {
            for (int x = 0; x < nWidth; ++x, pOut += 3)
                std::memcpy(pOut, table[pIn[x]], 3);
        });
    }
    case 16: {
        const bool b565 = pMasks && std::memcmp(pMasks, kMask565, sizeof kMask565) == 0;
        *pCloneData = 1;
        return Expanded(nWidth, nHeight, pRows, nPitch, [&](const uchar* pIn, uchar* pOut) {
            for (int x = 0; x < nWidth; ++x, pOut += 3) {
                const unsigned v = pIn[2 * x] | (pIn[2 * x + 1] << 8);
                const SRgb8 c = b565 ? Expand16<6>(v) : Expand16<5>(v);
                pOut[0] = c.b, pOut[1] = c.g, pOut[2] = c.r;
            }
        });
    }
    case 24: return Shared(3, IPL_DEPTH_8U, nWidth, nHeight, pBits, int(nPitch));
    case 32: return Shared(4, IPL_DEPTH_8U, nWidth, nHeight, pBits, int(nPitch));
    default: return nullptr;
    }
}

} // namespace

IplImage* iplTranslateDIB(const tagBITMAPINFOHEADER* pHeader, const tagRGBQUAD* pPalette, const unsigned* pMasks,
                          void* pBits, int* pCloneData)
{
    int nClone = 0;
    IplImage* p = Translate(pHeader, pPalette, pMasks, pBits, &nClone);
    if (pCloneData)
        *pCloneData = nClone;
    ipl::SetStatus(p ? IPL_StsOk : IPL_StsBadArg);
    return p;
}

IPLStatus iplConvertToDIBSep(const IplImage* pImage, const tagBITMAPINFOHEADER* pHeader, tagRGBQUAD* pPalette,
                             void* pBits, int dither, int paletteConversion)
{
    return ipl::Run([&] {
        if (!ipl::IsPixelImage(pImage) || !pHeader || !pBits || pHeader->biWidth != pImage->width ||
            pHeader->biHeight != pImage->height || pHeader->biBitCount != pImage->depth * pImage->nChannels)
            return IPL_StsBadArg;
        const int nBpp = pHeader->biBitCount;
        if (nBpp <= 8 && !pPalette)
            return IPL_StsBadArg;
        const long long nPitch = DibPitch(pImage->width, nBpp);
        const size_t nRow = size_t(ipl::RowBytes(pImage->width, pImage->nChannels, pImage->depth));
        for (int y = 0; y < pImage->height; ++y) {
            const int nFrom = pImage->origin == IPL_ORIGIN_BL ? y : pImage->height - 1 - y;
            uchar* pTo = static_cast<uchar*>(pBits) + y * nPitch;
            const char* pRow = pImage->imageData + size_t(nFrom) * pImage->widthStep;
            if (pTo != reinterpret_cast<const uchar*>(pRow)) // an image over the bitmap's own rows needs no copy
                std::memcpy(pTo, pRow, nRow);
        }
        if (nBpp <= 8) {
            // black then white for 1 bit, a grey ramp for 8
            const int nColours = 1 << nBpp;
            for (int k = 0; k < nColours; ++k) {
                const auto v = BYTE(k * 255 / (nColours - 1));
                pPalette[k] = RGBQUAD{};
                pPalette[k].rgbRed = pPalette[k].rgbGreen = pPalette[k].rgbBlue = v;
            }
        }
        return IPL_StsOk;
    });
}
