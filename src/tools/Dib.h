#pragma once
// A small in-memory device-independent bitmap: one block holding the header, the colour table and
// bottom-up rows, with a table of row pointers counted from the top.
#include <FreeImage.h>

class QPainter;

class CDIB {
public:
    CDIB() = default;
    virtual ~CDIB();
    CDIB(const CDIB&) = delete;
    CDIB& operator=(const CDIB&) = delete;

    // Releases what it held and makes an uncompressed bitmap of the size and depth; false on failure.
    bool Create(int nWidth, int nHeight, int nBitsPerPixel);
    // Makes the block and the row table for the header; false when the header is unusable or the
    // memory cannot be had.
    bool Init(const BITMAPINFOHEADER& header);
    // Row i counted from the top of the picture.
    BYTE* Row(int i) const { return m_ppRows[i]; }
    // Each colour-table entry takes the next red, green, blue triple; null changes nothing.
    void SetPalette(const BYTE* pRgb);
    // Draws the source rectangle (nSrcX, nSrcY counted from the top, nWidth x nHeight) at (x, y);
    // parts outside the bitmap are left as they were.
    void Draw(QPainter& painter, int x, int y, int nWidth, int nHeight, int nSrcX, int nSrcY) const;

    BYTE* m_pBits = nullptr;
    BITMAPINFOHEADER* m_pInfoHeader = nullptr;
    RGBQUAD* m_pColorTable = nullptr;
    void* m_pBlock = nullptr;
    BYTE** m_ppRows = nullptr;
    int m_nHeight = 0;
    int m_nBytesPerRow = 0;
    int m_nWidth = 0;
    int m_nBpp = 0;
    WORD m_wReserved = 0;

private:
    void Release();
    int ColorTableEntries() const;
};
