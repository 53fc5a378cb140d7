#include "image/FileCheck.h"

#include "image/ByteSource.h"

#include <FreeImage.h>
#include <algorithm>
#include <iterator>
#include <initializer_list>
#include <string>
#include <string_view>

namespace {

constexpr size_t HEAD_BYTES = 8192;                   // every header parsed here, an icon directory of 256 entries too
constexpr uint64_t MAX_PACKING = 4096;                // claimed pixel bytes per byte of file, at most
constexpr uint64_t PACKING_SLACK = uint64_t(1) << 20; // small images pass whatever their file size
constexpr uint64_t MAX_ROW_BITS = 0x7FFFFFFF;         // FreeImage counts a row's bits in 32 bits

using CBytes = std::string;

// A source, its length and its first HEAD_BYTES bytes.
class CImageFile {
public:
    explicit CImageFile(CByteSource& source) : m_source(source), m_head(ReadAt(0, HEAD_BYTES)) {}
    uint64_t Size() const { return m_source.Size(); }
    const CBytes& Head() const { return m_head; }
    CBytes ReadAt(uint64_t nPos, size_t nCount)
    {
        CBytes bytes(nCount, '\0');
        bytes.resize(m_source.ReadAt(nPos, bytes.data(), nCount));
        return bytes;
    }
    CByteSource& Source() { return m_source; }
    // The pixel bytes of the largest image the header claims, once PlausibleClaim has accepted it.
    uint64_t ClaimedBytes() const { return m_nClaimedBytes; }
    void NoteClaim(uint64_t nBytes) { m_nClaimedBytes = std::max(m_nClaimedBytes, nBytes); }

private:
    CByteSource& m_source;
    CBytes m_head;
    uint64_t m_nClaimedBytes = 0;
};

// Bytes of the file one at a time from a position on, read in blocks: for walking run-length streams.
class CStreamReader {
public:
    CStreamReader(CImageFile& file, uint64_t nPos) : m_file(file), m_nPos(nPos) {}
    uint64_t Pos() const { return m_nPos; }
    // The next byte, or -1 at the end of the file.
    int Next()
    {
        if (m_nPos < m_nBlockStart || m_nPos >= m_nBlockStart + m_block.size()) {
            m_block = m_file.ReadAt(m_nPos, size_t(1) << 16);
            m_nBlockStart = m_nPos;
            if (m_block.empty())
                return -1;
        }
        return uint8_t(m_block[size_t(m_nPos++ - m_nBlockStart)]);
    }
    void Skip(uint64_t nCount) { m_nPos += nCount; }

private:
    CImageFile& m_file;
    uint64_t m_nPos;
    CBytes m_block;
    uint64_t m_nBlockStart = 0;
};

// Fields of a block read from a file; bytes past its end read as 0, which every rule below refuses
// or measures against the file size.
uint32_t Byte(const CBytes& b, size_t i)
{
    return i < b.size() ? uint8_t(b[i]) : 0;
}
uint32_t U16(const CBytes& b, size_t i)
{
    return Byte(b, i) | Byte(b, i + 1) << 8;
}
uint32_t U32(const CBytes& b, size_t i)
{
    return U16(b, i) | U16(b, i + 2) << 16;
}
uint32_t U32Be(const CBytes& b, size_t i)
{
    return Byte(b, i) << 24 | Byte(b, i + 1) << 16 | Byte(b, i + 2) << 8 | Byte(b, i + 3);
}
bool StartsWith(const CBytes& b, std::string_view prefix)
{
    return std::string_view(b).substr(0, prefix.size()) == prefix;
}

bool IsOneOf(uint32_t nValue, std::initializer_list<uint32_t> values)
{
    return std::find(values.begin(), values.end(), nValue) != values.end();
}

// Bytes of a row of a FreeImage bitmap: padded to 32 bits.
uint64_t RowBytes(uint64_t nWidth, uint64_t nBpp)
{
    return (nWidth * nBpp + 31) / 32 * 4;
}

// The rule every format meets: a real size whose bitmap fits under the cap and which a file of this
// size could plausibly hold.
bool PlausibleClaim(CImageFile& file, int64_t nWidth, int64_t nHeight, uint64_t nBpp)
{
    if (nWidth < 1 || nHeight < 1 || nHeight > INT32_MAX || nWidth > INT32_MAX || uint64_t(nWidth) * nBpp > MAX_ROW_BITS)
        return false;
    const uint64_t nRow = RowBytes(uint64_t(nWidth), nBpp);
    if (uint64_t(nHeight) > MAX_IMAGE_BYTES / nRow)
        return false;
    if (nRow * uint64_t(nHeight) > file.Size() * MAX_PACKING + PACKING_SLACK)
        return false;
    file.NoteClaim(nRow * uint64_t(nHeight));
    return true;
}

// The run-length streams are walked to the end: FreeImage 3.18 trusts them. Each must give exactly the
// pixels of the image, nothing past its end, and lie inside the file.

// TGA packets: a header byte with a count of 1 to 128 pixels, then one value repeated (0x80 set) or
// the count's values. FreeImage writes past its bitmap on some packets crossing the end of the image.
bool TgaPacketsFit(CImageFile& file, uint64_t nPos, uint64_t nPixels, uint64_t nPixelBytes)
{
    CStreamReader stream(file, nPos);
    while (nPixels > 0) {
        const int nHeader = stream.Next();
        const uint64_t nCount = uint64_t(nHeader & 0x7F) + 1;
        if (nHeader < 0 || nCount > nPixels)
            return false;
        nPixels -= nCount;
        stream.Skip(((nHeader & 0x80) ? 1 : nCount) * nPixelBytes);
    }
    return stream.Pos() <= file.Size();
}

// PCX runs: a byte of 0xC0 or more repeats the next byte (its low 6 bits) times; any other is itself.
// FreeImage reads missing data as whatever its buffer held.
bool PcxRunsFit(CImageFile& file, uint64_t nDataEnd, uint64_t nBytes)
{
    CStreamReader stream(file, 128);
    while (nBytes > 0) {
        const int nCode = stream.Next();
        const uint64_t nCount = nCode >= 0xC0 ? uint64_t(nCode & 0x3F) : 1;
        if (nCode < 0 || (nCode >= 0xC0 && stream.Next() < 0) || nCount > nBytes)
            return false;
        nBytes -= nCount;
    }
    return stream.Pos() <= nDataEnd;
}

// BMP RLE8/RLE4 codes, in byte pairs: a count and a value; or 0 and 0 (end of line), 1 (end of bitmap),
// 2 (move by the next two bytes) or a count of values that follow, padded to 16 bits.
bool BmpRunsFit(CImageFile& file, uint64_t nPos, uint64_t nWidth, uint64_t nHeight, uint32_t nBpp)
{
    CStreamReader stream(file, nPos);
    uint64_t x = 0, y = 0;
    for (;;) {
        const int nFirst = stream.Next();
        const int nSecond = stream.Next();
        if (nSecond < 0)
            return false;
        if (nFirst == 0 && nSecond == 1)
            return true;
        if (nFirst == 0 && nSecond == 0) {
            x = 0, ++y;
        } else if (nFirst == 0 && nSecond == 2) {
            const int nDx = stream.Next();
            const int nDy = stream.Next();
            if (nDy < 0)
                return false;
            x += uint64_t(nDx), y += uint64_t(nDy);
        } else {
            const uint64_t nCount = uint64_t(nFirst ? nFirst : nSecond);
            if (y >= nHeight || x + nCount > nWidth)
                return false;
            x += nCount;
            if (nFirst == 0) {
                const uint64_t nBytes = (nCount * nBpp + 7) / 8;
                stream.Skip(nBytes + (nBytes & 1));
            }
        }
        if (x > nWidth || y > nHeight)
            return false;
    }
}

bool IsPlausibleBmp(CImageFile& file)
{
    const CBytes& h = file.Head();
    if (!StartsWith(h, "BM"))
        return false;
    const uint32_t nOffBits = U32(h, 10);
    const uint32_t nInfoSize = U32(h, 14);
    const bool bCore = nInfoSize == 12; // OS/2 header: 16-bit unsigned sizes, no compression, 3-byte colours
    if (!bCore && !IsOneOf(nInfoSize, {40, 52, 56, 64, 108, 124}))
        return false;
    const int64_t nWidth = bCore ? int64_t(U16(h, 18)) : int64_t(int32_t(U32(h, 18)));
    const int64_t nRawHeight = bCore ? int64_t(U16(h, 20)) : int64_t(int32_t(U32(h, 22)));
    const uint32_t nBpp = U16(h, bCore ? 24 : 28);
    const uint32_t nCompression = bCore ? 0 : U32(h, 30);
    const uint32_t nClrUsed = bCore ? 0 : U32(h, 46);
    // 0 uncompressed, 1 RLE8, 2 RLE4, 3 bit fields; run-length images are stored bottom-up only.
    const bool bRle = nCompression == 1 || nCompression == 2;
    const bool bKnown = (nCompression == 0 && IsOneOf(nBpp, {1, 4, 8, 16, 24, 32})) ||
                        (nCompression == 1 && nBpp == 8) || (nCompression == 2 && nBpp == 4) ||
                        (nCompression == 3 && IsOneOf(nBpp, {16, 32}));
    const int64_t nHeight = nRawHeight < 0 ? -nRawHeight : nRawHeight;
    if (!bKnown || (bRle && nRawHeight < 0) || !PlausibleClaim(file, nWidth, nHeight, nBpp))
        return false;
    // A Windows colour table (and the masks after a 40-byte header) lie between the header and the
    // pixels; FreeImage reads at most 2^bpp entries into a table of that size. An OS/2 table may be
    // shorter than 2^bpp: FreeImage then takes the pixels from the offset the file header gives.
    const uint64_t nMaxColours = nBpp <= 8 ? uint64_t(1) << nBpp : 256;
    if (nClrUsed > nMaxColours)
        return false;
    const uint64_t nColours = bCore ? 0 : nClrUsed ? nClrUsed : (nBpp <= 8 ? nMaxColours : 0);
    const uint64_t nTableEnd = 14 + nInfoSize + (nCompression == 3 && nInfoSize == 40 ? 12 : 0) + nColours * 4;
    if (nTableEnd > nOffBits || nOffBits >= file.Size())
        return false;
    if (bRle)
        return BmpRunsFit(file, nOffBits, uint64_t(nWidth), uint64_t(nHeight), nBpp);
    return nOffBits + RowBytes(uint64_t(nWidth), nBpp) * uint64_t(nHeight) <= file.Size();
}

// One image of an icon: a PNG file, or a BITMAPINFOHEADER (or a V4/V5 one), a colour table and the
// colour rows (the transparency mask after them is not read).
bool IsPlausibleIconImage(CImageFile& file, const CBytes& image, uint64_t nBytes)
{
    if (StartsWith(image, std::string_view("\x89PNG\r\n\x1A\n", 8)))
        return PlausibleClaim(file, U32Be(image, 16), U32Be(image, 20), 32);
    const uint32_t nHeaderSize = U32(image, 0);
    const int64_t nWidth = int32_t(U32(image, 4));
    const int64_t nHeight = int32_t(U32(image, 8)) / 2; // the height counts the colour and the mask rows
    const uint32_t nBpp = U16(image, 14);
    if (!IsOneOf(nHeaderSize, {40, 108, 124}) || U32(image, 16) != 0 || !IsOneOf(nBpp, {1, 4, 8, 16, 24, 32}) ||
        !PlausibleClaim(file, nWidth, nHeight, nBpp))
        return false;
    const uint64_t nColours = nBpp <= 8 ? uint64_t(1) << nBpp : 0; // FreeImage reads a full table
    return nHeaderSize + 4 * nColours + RowBytes(uint64_t(nWidth), nBpp) * uint64_t(nHeight) <= nBytes;
}

bool IsPlausibleIco(CImageFile& file)
{
    const CBytes& h = file.Head();
    const uint32_t nCount = U16(h, 4);
    const uint64_t nDirectoryEnd = 6 + 16 * uint64_t(nCount);
    if (U16(h, 0) != 0 || U16(h, 2) != 1 || nCount < 1 || nCount > 256 || nDirectoryEnd > file.Size())
        return false;
    for (uint32_t i = 0; i < nCount; ++i) {
        const size_t nEntry = 6 + 16 * size_t(i);
        const uint64_t nBytes = U32(h, nEntry + 8);
        const uint64_t nOffset = U32(h, nEntry + 12);
        if (nOffset < nDirectoryEnd || nBytes < 40 || nOffset + nBytes > file.Size() ||
            !IsPlausibleIconImage(file, file.ReadAt(nOffset, 40), nBytes))
            return false;
    }
    return true;
}

bool IsPlausibleTga(CImageFile& file)
{
    const CBytes& h = file.Head();
    const uint32_t nMapType = Byte(h, 1);
    const uint32_t nType = Byte(h, 2);
    const uint32_t nMapFirst = U16(h, 3);
    const uint32_t nMapLength = U16(h, 5);
    const uint32_t nMapBits = Byte(h, 7);
    const uint32_t nDepth = Byte(h, 16);
    // Types 1 to 3 (colour-mapped, true colour, grey), and 9 to 11 their run-length versions. The map
    // with the entries before its first one must fit the 16-bit count FreeImage reads it with.
    const uint32_t nKind = nType & ~8u;
    const bool bKnown = (nKind == 1 && nDepth == 8 && nMapType == 1 && nMapLength > 0 &&
                         nMapFirst + nMapLength <= 0xFFFF && IsOneOf(nMapBits, {15, 16, 24, 32})) ||
                        (nKind == 2 && IsOneOf(nDepth, {15, 16, 24, 32})) || (nKind == 3 && nDepth == 8);
    const uint64_t nPixelBytes = (nDepth + 7) / 8;
    if (file.Size() < 18 || nMapType > 1 || !bKnown ||
        !PlausibleClaim(file, U16(h, 12), U16(h, 14), 8 * nPixelBytes))
        return false;
    // Image ID and colour map come first, then the pixels, all of them.
    const uint64_t nDataOffset = 18 + Byte(h, 0) + (nMapType ? uint64_t(nMapLength) * ((nMapBits + 7) / 8) : 0);
    const uint64_t nPixels = uint64_t(U16(h, 12)) * U16(h, 14);
    if (nType & 8)
        return TgaPacketsFit(file, nDataOffset, nPixels, nPixelBytes);
    return nDataOffset + nPixels * nPixelBytes <= file.Size();
}

bool IsPlausiblePcx(CImageFile& file)
{
    // The plane layouts FreeImage reads, and the depth of the bitmap it makes of them.
    static constexpr struct {
        uint32_t nBits, nPlanes, nBpp;
    } layouts[] = {{1, 1, 1}, {1, 4, 4}, {8, 1, 8}, {8, 3, 24}};
    const CBytes& h = file.Head();
    const uint32_t nEncoding = Byte(h, 2); // 0 raw, 1 run-length
    const uint32_t nBits = Byte(h, 3);
    const uint32_t nXMin = U16(h, 4), nYMin = U16(h, 6), nXMax = U16(h, 8), nYMax = U16(h, 10);
    const uint32_t nPlanes = Byte(h, 65);
    const uint32_t nLineBytes = U16(h, 66);
    const auto pLayout = std::find_if(std::begin(layouts), std::end(layouts),
                                      [&](const auto& l) { return l.nBits == nBits && l.nPlanes == nPlanes; });
    if (file.Size() < 128 || Byte(h, 0) != 0x0A || nEncoding > 1 || pLayout == std::end(layouts) || nXMax < nXMin ||
        nYMax < nYMin)
        return false;
    const uint64_t nWidth = nXMax - nXMin + 1;
    const uint64_t nHeight = nYMax - nYMin + 1;
    if (nLineBytes < (nWidth * nBits + 7) / 8 || !PlausibleClaim(file, nWidth, nHeight, pLayout->nBpp))
        return false;
    // 256-colour images keep their palette in the last 769 bytes, after a 0x0C marker.
    const bool bPalette = nBits == 8 && nPlanes == 1;
    const uint64_t nDataEnd = file.Size() - (bPalette ? 769 : 0);
    if (bPalette && (file.Size() < 128 + 769 || file.ReadAt(nDataEnd, 1) != CBytes(1, '\x0C')))
        return false;
    const uint64_t nBytes = uint64_t(nLineBytes) * nPlanes * nHeight;
    return nEncoding ? PcxRunsFit(file, nDataEnd, nBytes) : 128 + nBytes <= nDataEnd;
}

// A header number as FreeImage's PNM reader takes it: every byte up to the first digit is skipped, a
// '#' met there skips to the end of its line; the digits are summed in a 32-bit int (which wraps), and
// the byte that ends them is consumed. Gives false at the end of the data, as the reader fails there.
bool ReadPnmNumber(CStreamReader& stream, int32_t& nValue)
{
    int c = stream.Next();
    for (;;) {
        if (c == '#')
            while (c >= 0 && c != '\n')
                c = stream.Next();
        if (c < 0)
            return false;
        if (c >= '0' && c <= '9')
            break;
        c = stream.Next();
    }
    uint32_t nSum = 0;
    for (; c >= '0' && c <= '9'; c = stream.Next())
        nSum = nSum * 10 + uint32_t(c - '0');
    nValue = int32_t(nSum);
    return c >= 0;
}

// A PNM header: its kind (1 to 3 text, 4 to 6 binary; bitmap, grey map, pixmap), width, height, the
// largest sample (1 for bitmaps, which have none) and where the samples start.
struct SPnmHeader {
    int nKind = 0;
    int32_t values[3] = {0, 0, 1};
    uint64_t nDataOffset = 0;
};

bool ReadPnmHeader(CImageFile& file, SPnmHeader& header)
{
    const CBytes& h = file.Head();
    if (h.size() < 3 || h[0] != 'P' || h[1] < '1' || h[1] > '6')
        return false;
    header.nKind = h[1] - '0';
    const bool bBitmap = header.nKind == 1 || header.nKind == 4;
    CStreamReader stream(file, 2);
    for (int n = 0; n < (bBitmap ? 2 : 3); ++n)
        if (!ReadPnmNumber(stream, header.values[n]))
            return false;
    header.nDataOffset = stream.Pos();
    return true;
}

bool IsPlausiblePnm(CImageFile& file)
{
    SPnmHeader header;
    if (!ReadPnmHeader(file, header))
        return false;
    const int nKind = header.nKind;
    const bool bBitmap = nKind == 1 || nKind == 4;
    const uint64_t nChannels = nKind == 3 || nKind == 6 ? 3 : 1;
    const uint64_t nDataOffset = header.nDataOffset;
    const int64_t nWidth = header.values[0], nHeight = header.values[1], nMaxValue = header.values[2];
    const uint64_t nSampleBytes = nMaxValue > 255 ? 2 : 1;
    if (nMaxValue < 1 || nMaxValue > 65535 ||
        !PlausibleClaim(file, nWidth, nHeight, bBitmap ? 1 : 8 * nChannels * nSampleBytes))
        return false;
    // Binary data must be complete; text needs at least one character per sample.
    const uint64_t nPixels = uint64_t(nWidth) * uint64_t(nHeight);
    const uint64_t nData = nKind == 4   ? (uint64_t(nWidth) + 7) / 8 * uint64_t(nHeight)
                           : nKind >= 5 ? nPixels * nChannels * nSampleBytes
                                        : nPixels * nChannels;
    return nDataOffset + nData <= file.Size();
}

bool IsPlausiblePcd(CImageFile& file)
{
    // An image pack names itself at 0x800; the 768 x 512 base image FreeImage reads ends at 786432.
    return file.ReadAt(0x800, 7) == "PCD_IPI" && file.Size() >= 0x30000 + 768 * 512 * 3 / 2;
}

// Formats without rules of their own. FreeImage reads the signatures of JPEG, PNG and TIFF without
// checking that the read succeeded, so these are checked here; then FreeImage's header-only read gives
// the size, where it has one.
bool IsPlausibleByFreeImage(FREE_IMAGE_FORMAT fif, CImageFile& file)
{
    static constexpr struct {
        FREE_IMAGE_FORMAT fif;
        std::string_view signature;
    } signatures[] = {{FIF_JPEG, {"\xFF\xD8\xFF", 3}}, {FIF_PNG, {"\x89PNG\r\n\x1A\n", 8}},
                      {FIF_TIFF, {"II*\0", 4}},        {FIF_TIFF, {"MM\0*", 4}},
                      {FIF_TIFF, {"II+\0", 4}},        {FIF_TIFF, {"MM\0+", 4}}};
    const auto isFormat = [&](const auto& entry) { return entry.fif == fif; };
    const auto isMatch = [&](const auto& entry) { return isFormat(entry) && StartsWith(file.Head(), entry.signature); };
    if (std::any_of(std::begin(signatures), std::end(signatures), isFormat) &&
        std::none_of(std::begin(signatures), std::end(signatures), isMatch))
        return false;
    if (!FreeImage_FIFSupportsNoPixels(fif))
        return true;
    FreeImageIO io = SourceIO();
    SSourceCursor cursor{&file.Source()};
    FIBITMAP* pHeader = FreeImage_LoadFromHandle(fif, &io, &cursor, FIF_LOAD_NOPIXELS);
    if (!pHeader)
        return false;
    // A type other than a plain bitmap counts its bits per pixel in FreeImage_GetBPP too (48 for RGB16).
    const bool bPlausible = PlausibleClaim(file, FreeImage_GetWidth(pHeader), FreeImage_GetHeight(pHeader),
                                           std::max(1u, FreeImage_GetBPP(pHeader)));
    FreeImage_Unload(pHeader);
    return bPlausible;
}

} // namespace

uint64_t PnmDataOffset(CByteSource& source)
{
    CImageFile file(source);
    SPnmHeader header;
    return ReadPnmHeader(file, header) ? header.nDataOffset : 0;
}

bool IsPlausibleImage(int fif, CByteSource& source, uint64_t* pClaimedBytes)
{
    static constexpr struct {
        FREE_IMAGE_FORMAT fif;
        bool (*isPlausible)(CImageFile&);
    } checks[] = {{FIF_BMP, IsPlausibleBmp},    {FIF_ICO, IsPlausibleIco},   {FIF_TARGA, IsPlausibleTga},
                  {FIF_PCX, IsPlausiblePcx},    {FIF_PCD, IsPlausiblePcd},   {FIF_PBM, IsPlausiblePnm},
                  {FIF_PBMRAW, IsPlausiblePnm}, {FIF_PGM, IsPlausiblePnm},   {FIF_PGMRAW, IsPlausiblePnm},
                  {FIF_PPM, IsPlausiblePnm},    {FIF_PPMRAW, IsPlausiblePnm}};
    if (source.Size() == 0)
        return false;
    CImageFile file(source);
    const auto* pCheck = std::find_if(std::begin(checks), std::end(checks), [&](const auto& c) { return c.fif == fif; });
    const bool bPlausible = pCheck != std::end(checks) ? pCheck->isPlausible(file)
                                                       : IsPlausibleByFreeImage(FREE_IMAGE_FORMAT(fif), file);
    if (pClaimedBytes)
        *pClaimedBytes = bPlausible ? file.ClaimedBytes() : 0;
    return bPlausible;
}
