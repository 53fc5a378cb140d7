#include "image/DecoderReply.h"

#include "image/ByteSource.h"
#include "image/FileCheck.h"

#include <FreeImage.h>
#include <cerrno>
#include <fcntl.h>
#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr char MAGIC[8] = {'L', 'U', 'M', 'I', 'V', 'O', 1, 0};
constexpr uint32_t MAX_TAGS = 4096;
constexpr uint32_t MAX_KEY_BYTES = 256;
constexpr int REPLY_SEALS = F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE;

bool WriteAll(int fd, const void* pData, size_t nBytes)
{
    const char* p = static_cast<const char*>(pData);
    while (nBytes > 0) {
        const ssize_t n = write(fd, p, nBytes);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n, nBytes -= size_t(n);
    }
    return true;
}

void Append(std::string& block, const void* pData, size_t nBytes)
{
    block.append(static_cast<const char*>(pData), nBytes);
}

// Every tag of every metadata model, as FreeImage's writers find them.
uint32_t AppendTags(FIBITMAP* pBitmap, std::string& block)
{
    uint32_t nCount = 0;
    for (int nModel = FIMD_COMMENTS; nModel <= FIMD_EXIF_RAW; ++nModel) {
        FITAG* pTag = nullptr;
        FIMETADATA* pFind = FreeImage_FindFirstMetadata(FREE_IMAGE_MDMODEL(nModel), pBitmap, &pTag);
        if (!pFind)
            continue;
        do {
            const char* pszKey = FreeImage_GetTagKey(pTag);
            const void* pValue = FreeImage_GetTagValue(pTag);
            const size_t nKey = pszKey ? std::strlen(pszKey) : 0;
            if (nKey == 0 || nKey > MAX_KEY_BYTES || !pValue || nCount == MAX_TAGS)
                continue;
            const SDecoderReplyTag record{uint32_t(nModel), FreeImage_GetTagID(pTag), uint16_t(FreeImage_GetTagType(pTag)),
                                          uint32_t(FreeImage_GetTagCount(pTag)), uint32_t(FreeImage_GetTagLength(pTag)),
                                          uint32_t(nKey)};
            Append(block, &record, sizeof record);
            Append(block, pszKey, nKey);
            Append(block, pValue, record.nLength);
            ++nCount;
        } while (FreeImage_FindNextMetadata(pFind, &pTag));
        FreeImage_FindCloseMetadata(pFind);
    }
    return nCount;
}

// FreeImage's row size: rows padded to 32 bits.
uint64_t RowBytes(uint64_t nWidth, uint64_t nBpp)
{
    return (nWidth * nBpp + 31) / 32 * 4;
}

bool IsPlainDepth(uint32_t nBpp)
{
    return nBpp == 1 || nBpp == 4 || nBpp == 8 || nBpp == 16 || nBpp == 24 || nBpp == 32;
}

bool Is555Or565(uint32_t nRed, uint32_t nGreen, uint32_t nBlue)
{
    return (nRed == FI16_555_RED_MASK && nGreen == FI16_555_GREEN_MASK && nBlue == FI16_555_BLUE_MASK) ||
           (nRed == FI16_565_RED_MASK && nGreen == FI16_565_GREEN_MASK && nBlue == FI16_565_BLUE_MASK);
}

// Consecutive areas of the reply, each checked to lie inside it before it is read.
class CReplyReader {
public:
    explicit CReplyReader(CByteSource& source) : m_source(source) {}
    // The position of the next nBytes, or false when they do not fit in the reply.
    bool Take(uint64_t nBytes, uint64_t& nPos)
    {
        if (nBytes > m_source.Size() || m_nPos > m_source.Size() - nBytes)
            return false;
        nPos = m_nPos;
        m_nPos += nBytes;
        return true;
    }
    bool Read(void* pDest, uint64_t nBytes)
    {
        uint64_t nPos = 0;
        return Take(nBytes, nPos) && m_source.ReadExactly(nPos, pDest, size_t(nBytes));
    }
    // The next nBytes into a buffer sized only once they are known to be in the reply.
    bool ReadArea(uint64_t nBytes, std::vector<char>& buffer)
    {
        uint64_t nPos = 0;
        if (!Take(nBytes, nPos))
            return false;
        buffer.resize(size_t(nBytes));
        return m_source.ReadExactly(nPos, buffer.data(), size_t(nBytes));
    }

private:
    CByteSource& m_source;
    uint64_t m_nPos = 0;
};

// Bytes of one value of each FREE_IMAGE_MDTYPE; 0 for the numbers that name no type.
uint32_t TagTypeWidth(uint32_t nType)
{
    static constexpr uint32_t widths[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4, 4, 0, 8, 8, 8};
    return nType < std::size(widths) ? widths[nType] : 0;
}

bool ReadTags(CReplyReader& reader, uint32_t nCount, FIBITMAP* pBitmap)
{
    std::vector<char> key, value;
    for (uint32_t i = 0; i < nCount; ++i) {
        SDecoderReplyTag record{};
        if (!reader.Read(&record, sizeof record) || record.nModel > FIMD_EXIF_RAW || record.nKeyBytes == 0 ||
            record.nKeyBytes > MAX_KEY_BYTES || TagTypeWidth(record.nType) == 0 ||
            uint64_t(record.nCount) * TagTypeWidth(record.nType) != record.nLength)
            return false;
        if (!reader.ReadArea(record.nKeyBytes, key) || std::memchr(key.data(), 0, key.size()) ||
            !reader.ReadArea(record.nLength, value))
            return false;
        key.push_back('\0');
        value.push_back('\0'); // a value of length 0 still has an address
        FITAG* pTag = FreeImage_CreateTag();
        const bool bOk = pTag && FreeImage_SetTagKey(pTag, key.data()) && FreeImage_SetTagID(pTag, record.nId) &&
                         FreeImage_SetTagType(pTag, FREE_IMAGE_MDTYPE(record.nType)) &&
                         FreeImage_SetTagCount(pTag, record.nCount) && FreeImage_SetTagLength(pTag, record.nLength) &&
                         FreeImage_SetTagValue(pTag, value.data()) &&
                         FreeImage_SetMetadata(FREE_IMAGE_MDMODEL(record.nModel), pBitmap, key.data(), pTag);
        FreeImage_DeleteTag(pTag);
        if (!bOk)
            return false;
    }
    return true;
}

} // namespace

bool WriteDecoderReply(FIBITMAP* pBitmap, int fd)
{
    SDecoderReplyHeader header{};
    std::memcpy(header.szMagic, MAGIC, sizeof MAGIC);
    header.nType = FreeImage_GetImageType(pBitmap);
    header.nWidth = FreeImage_GetWidth(pBitmap);
    header.nHeight = FreeImage_GetHeight(pBitmap);
    header.nBpp = FreeImage_GetBPP(pBitmap);
    header.nPitch = FreeImage_GetPitch(pBitmap);
    header.nRedMask = FreeImage_GetRedMask(pBitmap);
    header.nGreenMask = FreeImage_GetGreenMask(pBitmap);
    header.nBlueMask = FreeImage_GetBlueMask(pBitmap);
    if (header.nType != FIT_BITMAP || !IsPlainDepth(header.nBpp) || !FreeImage_HasPixels(pBitmap))
        return false;
    header.nPaletteEntries = header.nBpp <= 8 ? 1u << header.nBpp : 0;
    header.nTransparencyEntries = std::min(FreeImage_GetTransparencyCount(pBitmap), 256u);
    header.bTransparent = FreeImage_IsTransparent(pBitmap);
    header.nDotsPerMeterX = FreeImage_GetDotsPerMeterX(pBitmap);
    header.nDotsPerMeterY = FreeImage_GetDotsPerMeterY(pBitmap);
    const FIICCPROFILE* pIcc = FreeImage_GetICCProfile(pBitmap);
    const bool bIcc = pIcc && pIcc->data && pIcc->size > 0;
    header.nIccBytes = bIcc ? pIcc->size : 0;
    header.nIccFlags = bIcc ? pIcc->flags : 0;
    header.nPixelBytes = uint64_t(header.nPitch) * header.nHeight;

    std::string tags;
    header.nTagCount = AppendTags(pBitmap, tags);
    header.nTagBytes = tags.size();

    std::string block;
    Append(block, &header, sizeof header);
    if (header.nPaletteEntries)
        Append(block, FreeImage_GetPalette(pBitmap), 4 * size_t(header.nPaletteEntries));
    if (header.nTransparencyEntries)
        Append(block, FreeImage_GetTransparencyTable(pBitmap), header.nTransparencyEntries);
    if (bIcc)
        Append(block, pIcc->data, pIcc->size);
    block += tags;
    return WriteAll(fd, block.data(), block.size()) && WriteAll(fd, FreeImage_GetBits(pBitmap), header.nPixelBytes);
}

bool SealReply(int fd)
{
    return fcntl(fd, F_ADD_SEALS, REPLY_SEALS | F_SEAL_SEAL) == 0;
}

bool IsSealedReply(int fd)
{
    const int nSeals = fcntl(fd, F_GET_SEALS);
    return nSeals >= 0 && (nSeals & REPLY_SEALS) == REPLY_SEALS;
}

FIBITMAP* ReadDecoderReply(CByteSource& source)
{
    CReplyReader reader(source);
    SDecoderReplyHeader h{};
    if (!reader.Read(&h, sizeof h) || std::memcmp(h.szMagic, MAGIC, sizeof MAGIC) != 0 || h.nType != FIT_BITMAP ||
        !IsPlainDepth(h.nBpp) || h.nWidth < 1 || h.nHeight < 1 || h.nWidth > INT32_MAX || h.nHeight > INT32_MAX)
        return nullptr;
    const uint64_t nRow = RowBytes(h.nWidth, h.nBpp);
    if (h.nPitch != nRow || nRow > MAX_IMAGE_BYTES || uint64_t(h.nHeight) > MAX_IMAGE_BYTES / nRow ||
        h.nPixelBytes != nRow * h.nHeight || h.nPaletteEntries != (h.nBpp <= 8 ? 1u << h.nBpp : 0) ||
        h.nTransparencyEntries > 256 || h.nTagCount > MAX_TAGS ||
        (h.nBpp == 16 && !Is555Or565(h.nRedMask, h.nGreenMask, h.nBlueMask)))
        return nullptr;

    // The areas must add up to the reply exactly before anything is allocated for them.
    uint64_t nTotal = sizeof h;
    for (const uint64_t nPart : {4 * uint64_t(h.nPaletteEntries), uint64_t(h.nTransparencyEntries), h.nIccBytes,
                                 h.nTagBytes, h.nPixelBytes}) {
        if (nPart > source.Size() || nTotal > source.Size() - nPart)
            return nullptr;
        nTotal += nPart;
    }
    if (nTotal != source.Size())
        return nullptr;

    const bool b16 = h.nBpp == 16;
    std::unique_ptr<FIBITMAP, decltype(&FreeImage_Unload)> pBitmap(
        FreeImage_Allocate(int(h.nWidth), int(h.nHeight), int(h.nBpp), b16 ? h.nRedMask : 0, b16 ? h.nGreenMask : 0,
                           b16 ? h.nBlueMask : 0),
        FreeImage_Unload);
    if (!pBitmap || FreeImage_GetPitch(pBitmap.get()) != h.nPitch)
        return nullptr;
    FIBITMAP* p = pBitmap.get();
    if (h.nPaletteEntries && !reader.Read(FreeImage_GetPalette(p), 4 * uint64_t(h.nPaletteEntries)))
        return nullptr;
    if (h.nTransparencyEntries) {
        BYTE table[256];
        if (!reader.Read(table, h.nTransparencyEntries))
            return nullptr;
        FreeImage_SetTransparencyTable(p, table, int(h.nTransparencyEntries));
    }
    FreeImage_SetTransparent(p, h.bTransparent != 0);
    FreeImage_SetDotsPerMeterX(p, h.nDotsPerMeterX);
    FreeImage_SetDotsPerMeterY(p, h.nDotsPerMeterY);
    if (h.nIccBytes) {
        std::vector<char> icc;
        FIICCPROFILE* pIcc = h.nIccBytes <= INT32_MAX && reader.ReadArea(h.nIccBytes, icc)
                                 ? FreeImage_CreateICCProfile(p, icc.data(), long(icc.size()))
                                 : nullptr;
        if (!pIcc)
            return nullptr;
        pIcc->flags = WORD(h.nIccFlags & FIICC_COLOR_IS_CMYK);
    }
    uint64_t nTagStart = 0, nTagEnd = 0;
    if (!reader.Take(0, nTagStart) || !ReadTags(reader, h.nTagCount, p) || !reader.Take(0, nTagEnd) ||
        nTagEnd - nTagStart != h.nTagBytes)
        return nullptr;
    if (!reader.Read(FreeImage_GetBits(p), h.nPixelBytes))
        return nullptr;
    return pBitmap.release();
}
