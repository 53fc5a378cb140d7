#pragma once
#include <cstdint>

// The program's request to the decoder helper, sent with two descriptors: the image file and the
// socket for the reply.
struct SDecoderRequest {
    int32_t nFormat;    // FREE_IMAGE_FORMAT
    int32_t nTimeoutMs; // how long the program waits for the reply
};
// The bytes on the reply socket: the child sends DECODER_TAKEN when it has the request, then
// DECODER_REPLY carrying the reply's descriptor. A socket that closes before DECODER_TAKEN lost its
// request with a helper that ended.
constexpr char DECODER_TAKEN = 0;
constexpr char DECODER_REPLY = 1;

// The decoder helper's reply: one block holding a header, the colour table, the transparency table,
// the ICC profile, the metadata tags and the pixel rows, in this order. The helper writes it into a
// memory file; the program reads it back as hostile input. No Qt: both sides use it.
class CByteSource;
struct FIBITMAP;

struct SDecoderReplyHeader {
    char szMagic[8];               // "LUMIVO\x01"
    uint32_t nType;                // FREE_IMAGE_TYPE, always FIT_BITMAP
    uint32_t nWidth, nHeight, nBpp, nPitch;
    uint32_t nRedMask, nGreenMask, nBlueMask;
    uint32_t nPaletteEntries;      // 2^bpp up to 8 bits, else 0; four bytes each
    uint32_t nTransparencyEntries; // at most 256 bytes
    uint32_t bTransparent;
    uint32_t nDotsPerMeterX, nDotsPerMeterY;
    uint32_t nIccFlags;
    uint32_t nTagCount;
    uint64_t nIccBytes;
    uint64_t nTagBytes;
    uint64_t nPixelBytes;          // pitch x height
};

// One metadata tag in the tag area: this record, the key (nKeyBytes, no terminator), then the value.
struct SDecoderReplyTag {
    uint32_t nModel;               // FREE_IMAGE_MDMODEL
    uint16_t nId;
    uint16_t nType;                // FREE_IMAGE_MDTYPE
    uint32_t nCount;
    uint32_t nLength;              // count x the type's width
    uint32_t nKeyBytes;
};

// Writes the reply for a bitmap of one of the six plain depths to the descriptor; false when the bitmap
// has another layout or the writing fails.
bool WriteDecoderReply(FIBITMAP* pBitmap, int fd);

// Seals the memory file of a written reply against any further change of its size or content, so the
// program reads what was checked even if the writer lives on; IsSealedReply tells whether a descriptor
// is such a sealed memory file.
bool SealReply(int fd);
bool IsSealedReply(int fd);

// Builds the bitmap a reply describes, checking every field and size against the block first; null
// for anything short, inconsistent or beyond the limits.
FIBITMAP* ReadDecoderReply(CByteSource& reply);
