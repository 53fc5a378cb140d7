// libFuzzer target: the file check on any bytes, for each format with rules of its own (the first
// byte picks the format). When the check passes, FreeImage decodes the bytes and the bitmap it makes
// must be no larger than the check allowed: the check must read headers as FreeImage's readers do.
#include "image/ByteSource.h"
#include "image/FileCheck.h"

#include <FreeImage.h>
#include <cstdlib>
#include <iterator>

namespace {
constexpr FREE_IMAGE_FORMAT FORMATS[] = {FIF_BMP, FIF_ICO,    FIF_TARGA, FIF_PCX,    FIF_PCD,  FIF_PBM,
                                         FIF_PBMRAW, FIF_PGM, FIF_PGMRAW, FIF_PPM,   FIF_PPMRAW};
constexpr uint64_t MAX_PACKING = 4096;
constexpr uint64_t PACKING_SLACK = uint64_t(1) << 20;

void Ignore(FREE_IMAGE_FORMAT, const char*) {}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    static const bool bQuiet = (FreeImage_SetOutputMessage(Ignore), true);
    (void)bQuiet;
    if (nSize < 2)
        return 0;
    const FREE_IMAGE_FORMAT fif = FORMATS[pData[0] % std::size(FORMATS)];
    CMemorySource source(pData + 1, nSize - 1);
    if (!IsPlausibleImage(fif, source))
        return 0;
    FreeImageIO io = SourceIO();
    SSourceCursor cursor{&source};
    FIBITMAP* pBitmap = FreeImage_LoadFromHandle(fif, &io, &cursor, 0);
    if (!pBitmap)
        return 0;
    const uint64_t nBytes = uint64_t(FreeImage_GetPitch(pBitmap)) * FreeImage_GetHeight(pBitmap);
    if (nBytes > MAX_IMAGE_BYTES || nBytes > source.Size() * MAX_PACKING + PACKING_SLACK)
        std::abort(); // FreeImage allocated more than the check measured
    FreeImage_Unload(pBitmap);
    return 0;
}
