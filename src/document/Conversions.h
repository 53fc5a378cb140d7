#pragma once
// The colour-depth conversions of the Color menu: one table row per command, one handler for all.
#include <span>

struct FIBITMAP;
class CLumivoDoc;

struct SConversion {
    int nId;
    FIBITMAP* (*fnConvert)(FIBITMAP* pSource); // a FreeImage conversion; reads the source only
    bool (*fnEnabled)(int nBpp);               // by the source's bits per pixel
};

std::span<const SConversion> Conversions();

// Converts the document's image, times the call into the document's m_dElapsed and opens the result
// as "Converted image"; nothing happens when FreeImage gives no bitmap.
void RunConversion(CLumivoDoc& doc, const SConversion& conversion);
