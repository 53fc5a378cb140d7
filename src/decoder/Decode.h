#pragma once
// Decoding inside the helper: FreeImage reading through a byte source, messages sorted into harmless
// warnings and lost pixels, and every pixel type turned into one of the six plain depths.
struct FIBITMAP;
class CByteSource;

// Installs FreeImage's message handler; call once before DecodeImage.
void PrepareDecoding();
// The picture of the source as a FIT_BITMAP of 1, 4, 8, 16 (555/565), 24 or 32 bits, or null when the
// reader failed, reported anything but a harmless warning, or gave a layout that cannot be converted.
FIBITMAP* DecodeImage(int fif, CByteSource& source);
