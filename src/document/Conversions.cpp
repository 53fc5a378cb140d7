#include "document/Conversions.h"

#include "document/Bitmap.h"
#include "document/LumivoDoc.h"
#include "framework/WinApp.h"
#include "res/CommandIds.h"

#include <FreeImage.h>

namespace {
const SConversion g_conversions[] = {
    {ID_CONVERT_GRAY, [](FIBITMAP* p) { return FreeImage_ConvertTo8Bits(p); }, [](int) { return true; }},
    {ID_CONVERT_WU, [](FIBITMAP* p) { return FreeImage_ColorQuantize(p, FIQ_WUQUANT); },
     [](int nBpp) { return nBpp > 8; }},
    {ID_CONVERT_NEUQUANT, [](FIBITMAP* p) { return FreeImage_ColorQuantize(p, FIQ_NNQUANT); },
     [](int nBpp) { return nBpp > 8; }},
    {ID_CONVERT_16BITS_555, [](FIBITMAP* p) { return FreeImage_ConvertTo16Bits555(p); },
     [](int nBpp) { return nBpp != 16; }},
    {ID_CONVERT_16BITS_565, [](FIBITMAP* p) { return FreeImage_ConvertTo16Bits565(p); },
     [](int nBpp) { return nBpp != 16; }},
    {ID_CONVERT_24BITS, [](FIBITMAP* p) { return FreeImage_ConvertTo24Bits(p); }, [](int nBpp) { return nBpp != 24; }},
    {ID_CONVERT_32BITS, [](FIBITMAP* p) { return FreeImage_ConvertTo32Bits(p); }, [](int nBpp) { return nBpp != 32; }},
};
} // namespace

std::span<const SConversion> Conversions()
{
    return g_conversions;
}

void RunConversion(CLumivoDoc& doc, const SConversion& conversion)
{
    FIBITMAP* pResult = nullptr;
    {
        CWaitCursor wait;
        const CStopwatch clock;
        pResult = doc.m_pBitmap ? conversion.fnConvert(doc.m_pBitmap) : nullptr;
        doc.m_dElapsed = clock.Elapsed();
    }
    if (pResult)
        CLumivoDoc::CreateResultDocument(pResult, QStringLiteral("Converted image"), doc.m_dElapsed);
}
