#pragma once
// A look at an image file's header before FreeImage reads it. It guards resources and the decoder:
// a header claiming more than the limits, data that ends before the pixels it announces, and
// run-length streams that run past the image. Headers are
// read exactly as FreeImage's readers read them, so the size measured is the size FreeImage allocates.
// No Qt: the decoder helper and the fuzz targets use it as it is.
#include <cstdint>

class CByteSource;

// Largest image we agree to decode, in bytes of pixel data: a header claiming more is refused
// before any memory is reserved for it. Below 2 GiB, as FreeImage's readers compute some sizes in
// 32-bit signed arithmetic.
constexpr uint64_t MAX_IMAGE_BYTES = (uint64_t(2) << 30) - 1;

// True when the header of the file describes an image that the file can hold and that we agree to
// decode. Every format: width and height at least 1, claimed pixel bytes at most MAX_IMAGE_BYTES and
// at most 4096 times the file size plus 1 MiB (no codec we read packs pixels tighter). BMP, ICO, TGA,
// PCX, PCD and PNM have rules of their own (see FileCheck.cpp); JPEG, PNG and TIFF must start with
// their signature; these and other formats are measured with FreeImage's header-only read where it has
// one. fif is a FreeImage format. Reads the header and a few fixed places, and walks through the
// run-length streams of BMP, TGA and PCX files (FreeImage trusts them), never holding more than 64 KiB.
// pClaimedBytes, when given, receives the pixel bytes the header claims (the largest of its images; 0
// where the format's check reads no size, or when the file is refused).
bool IsPlausibleImage(int fif, CByteSource& source, uint64_t* pClaimedBytes = nullptr);
// Where the samples of a PNM file start, its header read as FreeImage's reader reads it; 0 when the
// header cannot be read.
uint64_t PnmDataOffset(CByteSource& source);
