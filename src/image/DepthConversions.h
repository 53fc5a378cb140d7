#pragma once
// The colour-depth conversions: FreeImage's own, each with the source depths it applies to.
#include <span>

struct FIBITMAP;

enum EDepthConversion {
    CONVERT_TO_GREY,
    CONVERT_WU,
    CONVERT_NEUQUANT,
    CONVERT_TO_555,
    CONVERT_TO_565,
    CONVERT_TO_24,
    CONVERT_TO_32,
};

struct SDepthConversion {
    EDepthConversion eKind;
    FIBITMAP* (*fnConvert)(FIBITMAP* pSource); // reads the source only; null when FreeImage fails
    bool (*fnApplies)(int nBpp);               // by the source's bits per pixel
};

// One row per conversion, in the order of the enumeration.
std::span<const SDepthConversion> DepthConversions();
