#include "tools/Dib.h"

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

CDIB::~CDIB()
{
    Release();
}

void CDIB::Release()
{
    std::free(m_pBlock);
    std::free(m_ppRows);
    m_pBits = nullptr;
    m_pInfoHeader = nullptr;
    m_pColorTable = nullptr;
    m_pBlock = nullptr;
    m_ppRows = nullptr;
    m_nHeight = m_nBytesPerRow = m_nWidth = m_nBpp = 0;
}

bool CDIB::Create(int nWidth, int nHeight, int nBitsPerPixel)
{
    Release();
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = nWidth;
    header.biHeight = nHeight;
    header.biPlanes = 1;
    header.biBitCount = WORD(nBitsPerPixel);
    header.biCompression = 0;
    m_wReserved = 0;
    return Init(header);
}

int CDIB::ColorTableEntries() const
{
    switch (m_nBpp) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
    }
}

bool CDIB::Init(const BITMAPINFOHEADER& header)
{
    Release();
    const int nBpp = header.biBitCount;
    if (header.biWidth <= 0 || header.biHeight <= 0 || header.biCompression != 0 ||
        (nBpp != 1 && nBpp != 4 && nBpp != 8 && nBpp != 16 && nBpp != 24 && nBpp != 32))
        return false;
    // Whole bytes for every pixel of a row (a row of 3 one-bit pixels still needs a byte), then
    // rounded up to a multiple of 4.
    const int64_t nRowBytes = (int64_t(nBpp) * header.biWidth + 7) / 8;
    const int64_t nStride = (nRowBytes + 3) & ~int64_t(3);
    m_nBpp = nBpp;
    const int64_t nEntries = ColorTableEntries();
    const int64_t nBlock = int64_t(sizeof(BITMAPINFOHEADER)) + 4 * nEntries + nStride * header.biHeight;
    if (nStride > INT32_MAX || nBlock > INT32_MAX) {
        m_nBpp = 0;
        return false;
    }
    auto* pBlock = static_cast<BYTE*>(std::calloc(size_t(nBlock), 1));
    auto** ppRows = static_cast<BYTE**>(std::malloc(sizeof(BYTE*) * size_t(header.biHeight)));
    if (!pBlock || !ppRows) {
        std::free(pBlock);
        std::free(ppRows);
        m_nBpp = 0;
        return false;
    }
    m_pBlock = pBlock;
    m_ppRows = ppRows;
    m_pInfoHeader = reinterpret_cast<BITMAPINFOHEADER*>(pBlock);
    std::memcpy(m_pInfoHeader, &header, sizeof(BITMAPINFOHEADER));
    m_pInfoHeader->biSize = sizeof(BITMAPINFOHEADER);
    m_pColorTable = reinterpret_cast<RGBQUAD*>(pBlock + sizeof(BITMAPINFOHEADER));
    m_pBits = pBlock + sizeof(BITMAPINFOHEADER) + 4 * nEntries;
    m_nWidth = header.biWidth;
    m_nHeight = header.biHeight;
    m_nBytesPerRow = int(nStride);
    // Rows are stored bottom-up: entry 0 is the top row, the last one stored.
    for (int i = 0; i < m_nHeight; ++i)
        m_ppRows[i] = m_pBits + size_t(m_nHeight - 1 - i) * size_t(nStride);
    return true;
}

void CDIB::SetPalette(const BYTE* pRgb)
{
    if (!pRgb)
        return;
    const int nEntries = ColorTableEntries();
    for (int k = 0; k < nEntries; ++k) {
        m_pColorTable[k].rgbRed = pRgb[3 * k];
        m_pColorTable[k].rgbGreen = pRgb[3 * k + 1];
        m_pColorTable[k].rgbBlue = pRgb[3 * k + 2];
        m_pColorTable[k].rgbReserved = 0;
    }
}

void CDIB::Draw(QPainter& painter, int x, int y, int nWidth, int nHeight, int nSrcX, int nSrcY) const
{
    if (!m_pBlock || nWidth <= 0 || nHeight <= 0)
        return;
    // Only the part of the source rectangle that lies inside the bitmap is drawn.
    const int nLeft = std::max(nSrcX, 0), nRight = std::min(nSrcX + nWidth, m_nWidth);
    const int nTop = std::max(nSrcY, 0), nBottom = std::min(nSrcY + nHeight, m_nHeight);
    if (nLeft >= nRight || nTop >= nBottom)
        return;
    QImage image(nRight - nLeft, nBottom - nTop, QImage::Format_RGB32);
    const auto fnTable = [this](unsigned nIndex) {
        const RGBQUAD& entry = m_pColorTable[nIndex];
        return qRgb(entry.rgbRed, entry.rgbGreen, entry.rgbBlue);
    };
    for (int row = nTop; row < nBottom; ++row) {
        const BYTE* pRow = Row(row);
        auto* pOut = reinterpret_cast<QRgb*>(image.scanLine(row - nTop));
        for (int col = nLeft; col < nRight; ++col) {
            QRgb rgb;
            switch (m_nBpp) {
            case 1: rgb = fnTable((pRow[col >> 3] >> (7 - (col & 7))) & 1); break;
            case 4: rgb = fnTable((pRow[col >> 1] >> ((col & 1) ? 0 : 4)) & 15); break;
            case 8: rgb = fnTable(pRow[col]); break;
            case 16: {
                const unsigned n = pRow[2 * col] | (pRow[2 * col + 1] << 8);
                rgb = qRgb(((n >> 10) & 31) * 255 / 31, ((n >> 5) & 31) * 255 / 31, (n & 31) * 255 / 31);
                break;
            }
            default: {
                const BYTE* p = pRow + col * (m_nBpp / 8);
                rgb = qRgb(p[2], p[1], p[0]);
                break;
            }
            }
            *pOut++ = rgb;
        }
    }
    painter.drawImage(QPoint(x + nLeft - nSrcX, y + nTop - nSrcY), image);
}
