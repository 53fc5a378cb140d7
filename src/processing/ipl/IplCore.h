#pragma once
// What the ipl operations share: the status of the last call, checks of image layouts, and cv::Mat
// views of image storage with depth-1 images unpacked to 8u samples 0 and 255.
#include "processing/ipl/Ipl.h"

#include <new>
#include <opencv2/core.hpp>

namespace ipl {

// Records the status of this thread's last call and returns it.
IPLStatus SetStatus(IPLStatus nStatus);

// Runs the body of a public function: its status is recorded, and an exception (OpenCV's checks, a
// failed allocation) becomes a status instead of leaving the layer.
template <class F> IPLStatus Run(F&& fnBody)
{
    try {
        return SetStatus(fnBody());
    } catch (const std::bad_alloc&) {
        return SetStatus(IPL_StsNoMem);
    } catch (...) {
        return SetStatus(IPL_StsBadArg);
    }
}

// Bytes of one row's samples, without alignment padding.
long long RowBytes(int nWidth, int nChannels, int nDepth);

// An image with storage whose samples the operations can read and write: pixel order, depth 1 or 8u.
bool IsPixelImage(const IplImage* p);
// Both are pixel images with the same channel count (and, when bSameSize, the same size).
bool Compatible(const IplImage* pSrc, const IplImage* pDst, bool bSameSize);

// A view of 8u or 32f storage (not depth 1).
cv::Mat View(const IplImage* p);

// The source of an operation as 8u samples: a view of 8u storage, a 0/255 copy of a depth-1 image, and
// a copy when the storage overlaps that of pAvoid (an operation writing into its own source).
cv::Mat Source8u(const IplImage* p, const IplImage* pAvoid);

// Packs nWidth samples into bits, 1 where the sample is at least nLevel, the leftmost pixel in the most
// significant bit; the bits after the last pixel of the last byte are 0.
void PackBits(const uchar* pIn, uchar* pBits, int nWidth, int nLevel);

// The destination of an operation as 8u samples: a view of 8u storage, or for depth 1 a buffer that
// Commit() packs back (128 and above is 1); it starts with the image's samples only when bCurrent is set.
class CTarget8u {
public:
    explicit CTarget8u(IplImage* p, bool bCurrent = false);
    cv::Mat& Mat() { return m_mat; }
    void Commit();

private:
    IplImage* m_pImage;
    cv::Mat m_mat;
};

// Copies src's alpha channel into dst (same size and channels) when pSrc has one: the way operations
// that change values leave alpha as it was.
void KeepAlpha(const IplImage* pSrc, const cv::Mat& src, cv::Mat& dst);

// The sample of rank nRank (0 the minimum) of every nCols x nRows window with the anchor at (nAnchorX,
// nAnchorY), edges replicated. 8u images of any channel count; dst does not overlap src.
void RankFilter(const cv::Mat& src, cv::Mat& dst, int nCols, int nRows, int nAnchorX, int nAnchorY, int nRank);

} // namespace ipl
