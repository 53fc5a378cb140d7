#include "image/DepthConversions.h"

#include <FreeImage.h>

namespace {
const SDepthConversion g_conversions[] = {
    {CONVERT_TO_GREY, [](FIBITMAP* p) { return FreeImage_ConvertTo8Bits(p); }, [](int) { return true; }},
    {CONVERT_WU, [](FIBITMAP* p) { return FreeImage_ColorQuantize(p, FIQ_WUQUANT); }, [](int nBpp) { return nBpp > 8; }},
    {CONVERT_NEUQUANT, [](FIBITMAP* p) { return FreeImage_ColorQuantize(p, FIQ_NNQUANT); },
     [](int nBpp) { return nBpp > 8; }},
    {CONVERT_TO_555, [](FIBITMAP* p) { return FreeImage_ConvertTo16Bits555(p); }, [](int nBpp) { return nBpp != 16; }},
    {CONVERT_TO_565, [](FIBITMAP* p) { return FreeImage_ConvertTo16Bits565(p); }, [](int nBpp) { return nBpp != 16; }},
    {CONVERT_TO_24, [](FIBITMAP* p) { return FreeImage_ConvertTo24Bits(p); }, [](int nBpp) { return nBpp != 24; }},
    {CONVERT_TO_32, [](FIBITMAP* p) { return FreeImage_ConvertTo32Bits(p); }, [](int nBpp) { return nBpp != 32; }},
};
} // namespace

std::span<const SDepthConversion> DepthConversions()
{
    return g_conversions;
}
