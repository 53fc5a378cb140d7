#include "document/Conversions.h"

#include "document/LumivoDoc.h"
#include "framework/WinApp.h"
#include "image/Bitmap.h"
#include "res/CommandIds.h"

namespace {
const struct {
    int nId;
    EDepthConversion eKind;
} g_commands[] = {
    {ID_CONVERT_GRAY, CONVERT_TO_GREY},     {ID_CONVERT_WU, CONVERT_WU},         {ID_CONVERT_NEUQUANT, CONVERT_NEUQUANT},
    {ID_CONVERT_16BITS_555, CONVERT_TO_555}, {ID_CONVERT_16BITS_565, CONVERT_TO_565}, {ID_CONVERT_24BITS, CONVERT_TO_24},
    {ID_CONVERT_32BITS, CONVERT_TO_32},
};
} // namespace

void AddConversionCommands(CLumivoDoc& doc)
{
    for (const auto& command : g_commands) {
        const SDepthConversion& conversion = DepthConversions()[command.eKind];
        doc.OnCommand(
            command.nId, [&doc, &conversion] { RunConversion(doc, conversion); },
            [&doc, &conversion](CCmdUI& ui) { ui.Enable(conversion.fnApplies(doc.m_nBpp)); });
    }
}

void RunConversion(CLumivoDoc& doc, const SDepthConversion& conversion)
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
