#pragma once
// Bitmaps and QImages: the bridge to Qt's painting, clipboard and capture, kept apart from the rest
// of the bitmap code so that programs without a display do not load Qt's GUI library.
class QImage;
struct FIBITMAP;

// A QImage over the bitmap's pixels in storage order (the first row is the bottom of the picture),
// sharing its memory for 1-, 8-, 16-, 24- and 32-bit bitmaps; 4-bit ones are converted to 8-bit.
// The result stays valid while the bitmap lives. Null image for other depths.
QImage BitmapToQImage(FIBITMAP* pBitmap);
// A new 24-bit (opaque) or 32-bit (with alpha) bitmap holding the picture of a QImage.
FIBITMAP* BitmapFromQImage(const QImage& image);
