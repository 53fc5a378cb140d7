#include "decoder/Decode.h"

#include "image/ByteSource.h"

#include <FreeImage.h>
#include <algorithm>
#include <cstring>
#include <iterator>
#include <string_view>

namespace {

// Warnings after which the reader still gives the whole picture: libjpeg's notes about stray bytes
// and markers it resynchronised on, its check of ICC markers, and libpng's notes about profiles.
constexpr std::string_view HARMLESS_MESSAGES[] = {
    "extraneous bytes before marker", "premature end of data segment", "bad ICC marker",
    "known incorrect sRGB profile",   "iCCP: ",                        "cHRM: ",
};

bool g_bPixelsLost = false;

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

FIBITMAP* DecodeImage(int fif, CByteSource& source)
{
    FreeImageIO io = SourceIO();
    SSourceCursor cursor{&source};
    g_bPixelsLost = false;
    FIBITMAP* pBitmap = FreeImage_LoadFromHandle(FREE_IMAGE_FORMAT(fif), &io, &cursor, 0);
    if (!pBitmap || g_bPixelsLost || !FreeImage_HasPixels(pBitmap)) {
        FreeImage_Unload(pBitmap);
        return nullptr;
    }
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
