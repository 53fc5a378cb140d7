#include "decoder/Decode.h"

#include "image/ByteSource.h"
#include "image/FileCheck.h"

#include <FreeImage.h>
#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Warnings after which the reader still gives the whole picture: libjpeg's notes about stray bytes
// and markers it resynchronised on, its check of ICC markers, and libpng's notes about profiles.
constexpr std::string_view HARMLESS_MESSAGES[] = {
    "extraneous bytes before marker", "premature end of data segment", "bad ICC marker",
    "known incorrect sRGB profile",   "iCCP: ",                        "cHRM: ",
};

bool g_bPixelsLost = false;

// A source made of pieces: ranges of the file and bytes held here. The file is shown to FreeImage
// with a header rewritten this way where its reader would fail on or corrupt itself with the original.
class CSplicedSource final : public CByteSource {
public:
    explicit CSplicedSource(CByteSource& base) : m_base(base) {}
    void AddRange(uint64_t nPos, uint64_t nSize) { m_pieces.push_back({nPos, nSize, {}}), m_nSize += nSize; }
    void AddBytes(std::string bytes)
    {
        m_nSize += bytes.size();
        m_pieces.push_back({0, bytes.size(), std::move(bytes)});
    }
    uint64_t Size() const override { return m_nSize; }
    size_t ReadAt(uint64_t nPos, void* pDest, size_t nCount) override
    {
        size_t nDone = 0;
        uint64_t nStart = 0;
        for (const SPiece& piece : m_pieces) {
            if (nDone == nCount)
                break;
            const uint64_t nEnd = nStart + piece.nSize;
            if (nPos + nDone < nEnd) {
                const uint64_t nOffset = nPos + nDone - nStart;
                const size_t nWanted = size_t(std::min<uint64_t>(nCount - nDone, piece.nSize - nOffset));
                char* pOut = static_cast<char*>(pDest) + nDone;
                size_t nGot = nWanted;
                if (piece.bytes.empty())
                    nGot = m_base.ReadAt(piece.nPos + nOffset, pOut, nWanted);
                else
                    std::memcpy(pOut, piece.bytes.data() + nOffset, nWanted);
                nDone += nGot;
                if (nGot < nWanted)
                    break;
            }
            nStart = nEnd;
        }
        return nDone;
    }

private:
    struct SPiece {
        uint64_t nPos, nSize;
        std::string bytes; // held bytes; a range of the base when empty
    };
    CByteSource& m_base;
    std::vector<SPiece> m_pieces;
    uint64_t m_nSize = 0;
};

std::string ReadString(CByteSource& source, uint64_t nPos, size_t nCount)
{
    std::string bytes(nCount, '\0');
    bytes.resize(source.ReadAt(nPos, bytes.data(), nCount));
    return bytes;
}

uint32_t Get(const std::string& b, size_t nPos, int nBytes, bool bBigEndian = false)
{
    uint32_t nValue = 0;
    for (int i = 0; i < nBytes; ++i) {
        const uint32_t nByte = nPos + size_t(i) < b.size() ? uint8_t(b[nPos + size_t(i)]) : 0;
        nValue |= nByte << (8 * (bBigEndian ? nBytes - 1 - i : i));
    }
    return nValue;
}

void Put(std::string& b, size_t nPos, uint32_t nValue, int nBytes, bool bBigEndian = false)
{
    for (int i = 0; i < nBytes; ++i)
        b[nPos + size_t(i)] = char(nValue >> (8 * (bBigEndian ? nBytes - 1 - i : i)));
}

// FreeImage's BMP reader refuses the V2 to V5 info headers (52, 56, 108, 124 bytes). Their first 40
// bytes are a BITMAPINFOHEADER and the bit-field masks follow it, so the file is shown with a 40-byte
// header, the masks after it for bit fields, and the colour table and pixels moved up to match.
bool ShowBmpWithPlainHeader(CByteSource& file, CSplicedSource& shown)
{
    const std::string head = ReadString(file, 0, 14 + 52);
    const uint32_t nInfoSize = Get(head, 14, 4);
    if (head.size() < 14 + 52 || !(nInfoSize == 52 || nInfoSize == 56 || nInfoSize == 108 || nInfoSize == 124))
        return false;
    const bool bFields = Get(head, 30, 4) == 3;
    const uint32_t nKept = 40 + (bFields ? 12 : 0);
    const uint32_t nOffBits = Get(head, 10, 4);
    if (nOffBits < 14 + nInfoSize)
        return false;
    std::string header = head.substr(0, 14 + nKept);
    Put(header, 2, Get(head, 2, 4) - (nInfoSize - nKept), 4);
    Put(header, 10, nOffBits - (nInfoSize - nKept), 4);
    Put(header, 14, 40, 4);
    shown.AddBytes(std::move(header));
    shown.AddRange(14 + nInfoSize, file.Size() - (14 + nInfoSize));
    return true;
}

// FreeImage places only some BMP bit fields right: 5-5-5 and 5-6-5 at 16 bits, 8-8-8 in the low three
// bytes at 32. Other masks are unpacked here into a 24-bit BMP (32-bit with an alpha mask), each
// channel's top 8 bits taken (narrower ones shifted up, as ImageMagick reads them), and FreeImage is
// shown that one.
bool ShowBmpFieldsUnpacked(CByteSource& file, CSplicedSource& shown)
{
    const std::string head = ReadString(file, 0, 14 + 56);
    const uint32_t nInfoSize = Get(head, 14, 4);
    const uint32_t nBpp = Get(head, 28, 2);
    if (head.size() < 14 + 52 || Get(head, 30, 4) != 3 || !(nBpp == 16 || nBpp == 32))
        return false;
    const uint32_t masks[4] = {Get(head, 54, 4), Get(head, 58, 4), Get(head, 62, 4),
                               nInfoSize >= 56 ? Get(head, 66, 4) : 0};
    const bool bPlaced = nBpp == 16 ? (masks[0] == 0x7C00 && masks[1] == 0x3E0 && masks[2] == 0x1F) ||
                                          (masks[0] == 0xF800 && masks[1] == 0x7E0 && masks[2] == 0x1F)
                                    : masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF;
    if (bPlaced)
        return false;
    // The file check has measured the rows against the file and the size limits.
    const int32_t nWidth = int32_t(Get(head, 18, 4));
    const int32_t nRawHeight = int32_t(Get(head, 22, 4));
    const uint64_t nHeight = uint64_t(nRawHeight < 0 ? -int64_t(nRawHeight) : nRawHeight);
    const uint32_t nOutBpp = masks[3] ? 32 : 24;
    const uint64_t nInRow = (uint64_t(nWidth) * nBpp + 31) / 32 * 4;
    const uint64_t nOutRow = (uint64_t(nWidth) * nOutBpp + 31) / 32 * 4;
    const std::string rows = ReadString(file, Get(head, 10, 4), size_t(nInRow * nHeight));
    if (nWidth < 1 || rows.size() != nInRow * nHeight)
        return false;
    std::string bmp(14 + 40, '\0');
    bmp[0] = 'B', bmp[1] = 'M';
    Put(bmp, 2, uint32_t(14 + 40 + nOutRow * nHeight), 4);
    Put(bmp, 10, 14 + 40, 4);
    bmp.replace(14, 40, head, 14, 40);
    Put(bmp, 14, 40, 4);
    Put(bmp, 28, nOutBpp, 2);
    Put(bmp, 30, 0, 4);
    bmp.resize(size_t(14 + 40 + nOutRow * nHeight), '\0');
    for (uint64_t y = 0; y < nHeight; ++y)
        for (uint64_t x = 0; x < uint64_t(nWidth); ++x) {
            const uint32_t nPixel = Get(rows, size_t(y * nInRow + x * nBpp / 8), int(nBpp / 8));
            const size_t nOut = size_t(14 + 40 + y * nOutRow + x * nOutBpp / 8);
            for (int c = 0; c < int(nOutBpp / 8); ++c) {
                const uint32_t nMask = masks[2 - c < 0 ? 3 : 2 - c]; // blue, green, red, alpha
                const int nShift = nMask ? __builtin_ctz(nMask) : 0;
                const int nWidthBits = nMask ? 32 - __builtin_clz(nMask) - nShift : 0;
                const uint32_t nValue = (nPixel & nMask) >> nShift;
                bmp[nOut + size_t(c)] = char(nWidthBits >= 8 ? nValue >> (nWidthBits - 8) : nValue << (8 - nWidthBits));
            }
        }
    shown.AddBytes(std::move(bmp));
    return true;
}

// FreeImage reads a TGA colour map as if it started at entry 0 and takes a 15-bit map for something
// else than the 16-bit layout it shares. The map is shown to it from entry 0 (the entries before the
// first one blank) and with 16 bits.
bool ShowTgaMapFromZero(CByteSource& file, CSplicedSource& shown)
{
    std::string header = ReadString(file, 0, 18);
    const uint32_t nFirst = Get(header, 3, 2);
    const uint32_t nBits = Get(header, 7, 1);
    if (header.size() < 18 || Get(header, 1, 1) != 1 || (nFirst == 0 && nBits != 15))
        return false;
    const uint32_t nEntryBytes = (nBits + 7) / 8;
    Put(header, 3, 0, 2);
    Put(header, 5, nFirst + Get(header, 5, 2), 2);
    if (nBits == 15)
        Put(header, 7, 16, 1);
    const uint64_t nMapStart = 18 + Get(header, 0, 1);
    shown.AddBytes(std::move(header));
    shown.AddRange(18, nMapStart - 18);
    shown.AddBytes(std::string(size_t(nFirst) * nEntryBytes, '\0'));
    shown.AddRange(nMapStart, file.Size() - nMapStart);
    return true;
}

// Plain PBM writers put no blank between the 0s and 1s of a row, but FreeImage's reader reads each
// sample as a number ended by a non-digit. The samples are shown to it with a blank after each.
constexpr uint64_t MAX_PLAIN_PBM_BYTES = uint64_t(256) << 20;

bool ShowPlainPbmSpaced(CByteSource& file, CSplicedSource& shown)
{
    const uint64_t nDataOffset = PnmDataOffset(file);
    if (ReadString(file, 0, 2) != "P1" || nDataOffset == 0 || file.Size() > MAX_PLAIN_PBM_BYTES)
        return false;
    const std::string samples = ReadString(file, nDataOffset, size_t(file.Size() - nDataOffset));
    std::string spaced;
    spaced.reserve(2 * samples.size());
    for (const char c : samples) {
        spaced += c;
        if (c == '0' || c == '1')
            spaced += ' ';
    }
    shown.AddRange(0, nDataOffset);
    shown.AddBytes(std::move(spaced));
    return true;
}

constexpr uint32_t TIFF_ICC_TAG = 34675;
constexpr uint32_t UNKNOWN_TAG = 65000;

// FreeImage 3.18 copies a TIFF's ICC profile after libtiff has freed it, which corrupts its heap. The
// first directory's profile is read here instead, and FreeImage is shown the file with that tag renamed
// to one it skips; the profile is attached to the bitmap afterwards.
bool ShowTiffWithoutProfile(CByteSource& file, CSplicedSource& shown, std::string& profile)
{
    const std::string head = ReadString(file, 0, 8);
    const bool bBig = head.substr(0, 2) == "MM";
    if (head.size() < 8 || !(bBig || head.substr(0, 2) == "II") || Get(head, 2, 2, bBig) != 42)
        return false;
    const uint32_t nIfd = Get(head, 4, 4, bBig);
    const uint32_t nEntries = Get(ReadString(file, nIfd, 2), 0, 2, bBig);
    const std::string entries = ReadString(file, uint64_t(nIfd) + 2, 12 * size_t(nEntries));
    for (uint32_t i = 0; i < nEntries && 12 * size_t(i + 1) <= entries.size(); ++i) {
        const size_t nEntry = 12 * size_t(i);
        const uint32_t nCount = Get(entries, nEntry + 4, 4, bBig);
        const uint32_t nType = Get(entries, nEntry + 2, 2, bBig);
        if (Get(entries, nEntry, 2, bBig) != TIFF_ICC_TAG || !(nType == 1 || nType == 7) || nCount > file.Size())
            continue;
        profile = nCount <= 4 ? entries.substr(nEntry + 8, nCount)
                              : ReadString(file, Get(entries, nEntry + 8, 4, bBig), nCount);
        if (profile.size() != nCount)
            return false;
        const uint64_t nTagPos = uint64_t(nIfd) + 2 + nEntry;
        std::string renamed(2, '\0');
        Put(renamed, 0, UNKNOWN_TAG, 2, bBig);
        shown.AddRange(0, nTagPos);
        shown.AddBytes(std::move(renamed));
        shown.AddRange(nTagPos + 2, file.Size() - nTagPos - 2);
        return true;
    }
    return false;
}

void NoteMessage(FREE_IMAGE_FORMAT, const char* pszMessage)
{
    const std::string_view message(pszMessage ? pszMessage : "");
    if (std::none_of(std::begin(HARMLESS_MESSAGES), std::end(HARMLESS_MESSAGES),
                     [&](std::string_view harmless) { return message.find(harmless) != std::string_view::npos; }))
        g_bPixelsLost = true;
}

bool IsPlainBitmap(FIBITMAP* p)
{
    const unsigned nBpp = FreeImage_GetBPP(p);
    if (FreeImage_GetImageType(p) != FIT_BITMAP)
        return false;
    if (nBpp == 16)
        return (FreeImage_GetRedMask(p) == FI16_555_RED_MASK && FreeImage_GetGreenMask(p) == FI16_555_GREEN_MASK &&
                FreeImage_GetBlueMask(p) == FI16_555_BLUE_MASK) ||
               (FreeImage_GetRedMask(p) == FI16_565_RED_MASK && FreeImage_GetGreenMask(p) == FI16_565_GREEN_MASK &&
                FreeImage_GetBlueMask(p) == FI16_565_BLUE_MASK);
    return nBpp == 1 || nBpp == 4 || nBpp == 8 || nBpp == 24 || nBpp == 32;
}

// Float RGBA tone-mapped to 24 bits, with its alpha (clamped to 0..1) added as the fourth channel.
FIBITMAP* ToneMapWithAlpha(FIBITMAP* pSource)
{
    FIBITMAP* pColour = FreeImage_ToneMapping(pSource, FITMO_DRAGO03);
    FIBITMAP* pResult = pColour ? FreeImage_ConvertTo32Bits(pColour) : nullptr;
    FreeImage_Unload(pColour);
    if (!pResult)
        return nullptr;
    const unsigned nWidth = FreeImage_GetWidth(pSource);
    for (unsigned y = 0; y < FreeImage_GetHeight(pSource); ++y) {
        const FIRGBAF* pSrc = reinterpret_cast<const FIRGBAF*>(FreeImage_GetScanLine(pSource, int(y)));
        BYTE* pDst = FreeImage_GetScanLine(pResult, int(y));
        for (unsigned x = 0; x < nWidth; ++x)
            pDst[4 * x + FI_RGBA_ALPHA] = BYTE(std::clamp(pSrc[x].alpha, 0.0f, 1.0f) * 255.0f + 0.5f);
    }
    return pResult;
}

// The six depths from every other type: 16-bit grey to 8-bit (its high byte), 48 and 64-bit RGB to 24
// and 32 bits (high bytes), float and HDR tone-mapped, other numbers scaled from their range to 8-bit grey.
FIBITMAP* ConvertToPlainDepth(FIBITMAP* p)
{
    switch (FreeImage_GetImageType(p)) {
    case FIT_BITMAP: return nullptr; // a layout of its own (16 bits with other masks): no faithful conversion
    case FIT_UINT16: return FreeImage_ConvertTo8Bits(p);
    case FIT_RGB16: return FreeImage_ConvertTo24Bits(p);
    case FIT_RGBA16: return FreeImage_ConvertTo32Bits(p);
    case FIT_FLOAT:
    case FIT_RGBF: return FreeImage_ToneMapping(p, FITMO_DRAGO03);
    case FIT_RGBAF: return ToneMapWithAlpha(p);
    default: return FreeImage_ConvertToStandardType(p, TRUE);
    }
}

// Metadata and ICC profile go with the converted picture, so that saving it keeps them.
void CopyDescription(FIBITMAP* pDest, FIBITMAP* pSource)
{
    FreeImage_CloneMetadata(pDest, pSource);
    const FIICCPROFILE* pIcc = FreeImage_GetICCProfile(pSource);
    const FIICCPROFILE* pDestIcc = FreeImage_GetICCProfile(pDest);
    if (pIcc && pIcc->data && pIcc->size > 0 && !(pDestIcc && pDestIcc->data))
        FreeImage_CreateICCProfile(pDest, pIcc->data, pIcc->size);
    FreeImage_SetDotsPerMeterX(pDest, FreeImage_GetDotsPerMeterX(pSource));
    FreeImage_SetDotsPerMeterY(pDest, FreeImage_GetDotsPerMeterY(pSource));
}

} // namespace

void PrepareDecoding()
{
    FreeImage_SetOutputMessage(NoteMessage);
}

FIBITMAP* DecodeImage(int fif, CByteSource& file)
{
    CSplicedSource shown(file);
    std::string profile;
    const bool bShown = (fif == FIF_BMP && (ShowBmpFieldsUnpacked(file, shown) || ShowBmpWithPlainHeader(file, shown))) ||
                        (fif == FIF_TARGA && ShowTgaMapFromZero(file, shown)) ||
                        (fif == FIF_TIFF && ShowTiffWithoutProfile(file, shown, profile)) ||
                        (fif == FIF_PBM && ShowPlainPbmSpaced(file, shown));
    FreeImageIO io = SourceIO();
    SSourceCursor cursor{bShown ? static_cast<CByteSource*>(&shown) : &file};
    // JPEG: the accurate DCT and smooth chroma upsampling, the picture other decoders show.
    const int nFlags = fif == FIF_JPEG ? JPEG_ACCURATE : 0;
    g_bPixelsLost = false;
    FIBITMAP* pBitmap = FreeImage_LoadFromHandle(FREE_IMAGE_FORMAT(fif), &io, &cursor, nFlags);
    if (!pBitmap || g_bPixelsLost || !FreeImage_HasPixels(pBitmap)) {
        FreeImage_Unload(pBitmap);
        return nullptr;
    }
    if (!profile.empty())
        FreeImage_CreateICCProfile(pBitmap, profile.data(), long(profile.size()));
    if (IsPlainBitmap(pBitmap))
        return pBitmap;
    FIBITMAP* pConverted = ConvertToPlainDepth(pBitmap);
    if (pConverted)
        CopyDescription(pConverted, pBitmap);
    FreeImage_Unload(pBitmap);
    if (pConverted && !IsPlainBitmap(pConverted)) {
        FreeImage_Unload(pConverted);
        return nullptr;
    }
    return pConverted;
}
