#pragma once
// Shared pieces of the tests that need no window: paths of test files, bitmap builders and the pixel
// comparer.
#include "image/Bitmap.h"

#include <QString>

// Path of a file under tests/data, or of a sample under samples/.
QString TestData(const QString& strName);
QString Sample(const QString& strName);

// Writes a w x h image of nBpp bits (a gradient) in the format of the path's extension.
bool WriteTestImage(const QString& strPath, int nWidth, int nHeight, int nBpp = 24);

// A bitmap of any depth whose neighbouring pixels differ (16 bits: 555, or 565 when b565); palettes
// hold distinct colours. Its padding bytes are ones, so that code reading past a row's pixels shows.
CBitmapPtr MakeVaried(int nWidth, int nHeight, int nBpp, bool b565 = false);
// A bitmap whose every byte, padding too, is a function of its position and nSeed; 8 bits and fewer
// keep FreeImage's grey ramp.
CBitmapPtr MakeBytes(int nWidth, int nHeight, int nBpp, unsigned nSeed = 0);

// Same size, depth and colour masks, the same palette, and the same pixel bytes in every row (the
// padding is not compared).
bool SamePixels(FIBITMAP* pA, FIBITMAP* pB);
