#pragma once
// A look at an image file's header before FreeImage reads it. Sizes, counts and offsets are checked
// against each other and against the file's length, so damaged and hostile files are turned away
// before anything is allocated for them.
#include <QString>

// True when the header of the file describes an image that the file can hold and that we agree to
// decode. Every format: width and height at least 1, claimed pixel bytes at most MAX_IMAGE_BYTES and
// at most 4096 times the file size plus 1 MiB (no codec we read packs pixels tighter). BMP, ICO, TGA,
// PCX, PCD and PNM have rules of their own (see FileCheck.cpp); JPEG, PNG and TIFF must start with
// their signature; these and other formats are measured with FreeImage's header-only read where it has
// one. fif is a FreeImage format. Reads the header and a few fixed places, and walks through the
// run-length streams of BMP, TGA and PCX files (FreeImage trusts them), never holding more than 64 KiB.
bool IsPlausibleImageFile(int fif, const QString& strPath);
