#pragma once
// FreeImage bitmaps: ownership, files, packed device-independent bitmaps and pixel reads.
#include "image/FileCheck.h"

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <memory>

struct FIBITMAP;

struct SBitmapDeleter {
    void operator()(FIBITMAP* pBitmap) const;
};
using CBitmapPtr = std::unique_ptr<FIBITMAP, SBitmapDeleter>;

// Loads a file by its extension, decoding it in the helper process (image/DecoderClient.h); null for
// an unknown extension, a file that cannot be opened, a header that IsPlausibleImage refuses (damaged,
// truncated, or claiming more than MAX_IMAGE_BYTES), a file whose reader reported lost pixels, and any
// failure of the helper. Every pixel type comes back as 1, 4, 8, 16 (555/565), 24 or 32 bits.
FIBITMAP* LoadBitmapFile(const QString& strPath);
// Writes pBitmap in the format its extension names. The file is written beside the target and
// moved over it only when complete, so a failed write leaves an existing file as it was. nFlags are
// FreeImage's save flags of that format (0: its defaults, as the program's Save As writes).
bool SaveBitmapFile(FIBITMAP* pBitmap, const QString& strPath, int nFlags = 0);

// A pixel as the readout shows it. nStatus 0 ok, 1 no scan line, -1 depth without readout (16-bit).
struct SPixelValue {
    int nStatus = 0;
    int nIndex = -1;  // palette index, -1 without palette
    uint32_t rgb = 0; // blue bits 0-7, green 8-15, red 16-23
};
// x, y count from the top-left pixel; the caller checks that they lie inside the image.
SPixelValue ReadBitmapPixel(FIBITMAP* pBitmap, int x, int y);

// Makes a bitmap from a packed DIB (BITMAPINFOHEADER, colour table, rows). The block is checked
// first: header size, width, height and bit count, compression (BI_RGB or 16/32-bit BI_BITFIELDS),
// colour table and every row inside the block. Top-down blocks are turned bottom-up. Null when the
// block is unsound; nothing outside it is read.
FIBITMAP* CreateBitmapFromPackedDib(const uint8_t* pData, size_t nSize);
// The packed DIB of a bitmap: its info header, the three colour masks when the header declares bit
// fields, FreeImage's colour table for the depth, then the rows.
QByteArray PackedDibFromBitmap(FIBITMAP* pBitmap);

// Elapsed time of an operation in seconds, counted in whole milliseconds.
class CStopwatch {
public:
    CStopwatch();
    double Elapsed() const;

private:
    int64_t m_nStart;
};
