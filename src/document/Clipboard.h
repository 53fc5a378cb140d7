#pragma once
// The desktop clipboard carrying images: a BMP file ("image/bmp", the 14-byte file header and the
// packed device-independent bitmap) for programs that take bitmaps, and an image for all others.
struct FIBITMAP;
class CLumivoDoc;
class QMimeData;

// Puts the bitmap on the clipboard; false when the clipboard refused it.
bool CopyBitmapToClipboard(FIBITMAP* pBitmap);
// True while the clipboard offers an image, as a BMP file or in any format the toolkit reads.
bool ClipboardOffersImage(const QMimeData* pData);
// Fills doc from the clipboard: the BMP file when offered and sound, otherwise any image offered.
// The document stays empty when neither gives a bitmap.
void PasteClipboardInto(CLumivoDoc& doc);
