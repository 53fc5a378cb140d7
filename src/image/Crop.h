#pragma once
// Cutting a rectangle out of a FreeImage bitmap.
struct FIBITMAP;

// A new bitmap of the source's depth holding columns left .. right - 1 and stored scan lines
// bottom .. top - 1 (counted bottom-up, as FreeImage stores them). Palettes and 16-bit colour layouts
// are carried over. Null for an empty rectangle, one reaching outside the source, or no memory.
FIBITMAP* CropBitmap(FIBITMAP* pSource, int nLeft, int nBottom, int nRight, int nTop);
