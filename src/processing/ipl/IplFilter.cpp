// Neighbourhood filters, fixed kernels, threshold and morphology. Edges are replicated; an alpha channel
// keeps its values.
#include "processing/ipl/IplCore.h"

#include <algorithm>
#include <opencv2/imgproc.hpp>

using namespace ipl;

namespace {

constexpr int kMaxMedianAperture = 31;

bool ApertureOk(int nCols, int nRows, int nAnchorX, int nAnchorY)
{
    return nCols >= 1 && nRows >= 1 && nAnchorX >= 0 && nAnchorX < nCols && nAnchorY >= 0 && nAnchorY < nRows;
}

// Runs fnFilter(in, out) from src into dst of the same size and channels.
template <class F> IPLStatus Filter(const IplImage* src, IplImage* dst, bool bArgsOk, F&& fnFilter)
{
    if (!bArgsOk || !Compatible(src, dst, true))
        return IPL_StsBadArg;
    cv::Mat in = Source8u(src, dst);
    CTarget8u out(dst);
    fnFilter(in, out.Mat());
    KeepAlpha(src, in, out.Mat());
    out.Commit();
    return IPL_StsOk;
}

struct SKernel {
    int nSize;
    int nDivisor;
    int coefficients[25];
};

// Indexed by IplFilter.
const SKernel kKernels[] = {
    {3, 1, {-1, 0, 1, -1, 0, 1, -1, 0, 1}},
    {3, 1, {1, 1, 1, 0, 0, 0, -1, -1, -1}},
    {3, 1, {-1, 0, 1, -2, 0, 2, -1, 0, 1}},
    {3, 1, {1, 2, 1, 0, 0, 0, -1, -2, -1}},
    {3, 1, {-1, -1, -1, -1, 8, -1, -1, -1, -1}},
    {5, 1, {-1, -3, -4, -3, -1, -3, 0, 6, 0, -3, -4, 6, 20, 6, -4, -3, 0, 6, 0, -3, -1, -3, -4, -3, -1}},
    {3, 16, {1, 2, 1, 2, 4, 2, 1, 2, 1}},
    {5, 571, {2, 7, 12, 7, 2, 7, 31, 52, 31, 7, 12, 52, 127, 52, 12, 7, 31, 52, 31, 7, 2, 7, 12, 7, 2}},
    {3, 1, {-1, -1, -1, -1, 9, -1, -1, -1, -1}},
    {5, 1, {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 25, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1}},
    {3, 8, {-1, -1, -1, -1, 16, -1, -1, -1, -1}},
};

// The kernels above that are a column times a row, with divisor 1: their sums are whole, so a row pass
// then a column pass give the same results in half the arithmetic.
struct SSeparable {
    int nFilter;
    float column[3];
    float row[3];
};
const SSeparable kSeparable[] = {
    {IPL_PREWITT_3x3_V, {1, 1, 1}, {-1, 0, 1}},
    {IPL_PREWITT_3x3_H, {1, 0, -1}, {1, 1, 1}},
    {IPL_SOBEL_3x3_V, {1, 2, 1}, {-1, 0, 1}},
    {IPL_SOBEL_3x3_H, {1, 0, -1}, {1, 2, 1}},
};

// Bytes of grey levels a band of iplThreshold holds.
constexpr int kBandBytes = 1 << 16;

IPLStatus Morphology(const IplImage* src, IplImage* dst, int nIterations, int nOperation)
{
    return Filter(src, dst, nIterations >= 1, [&](const cv::Mat& in, cv::Mat& out) {
        cv::morphologyEx(in, out, nOperation, cv::Mat(), cv::Point(-1, -1), nIterations, cv::BORDER_REPLICATE);
    });
}

} // namespace

IPLStatus iplBlur(const IplImage* src, IplImage* dst, int nCols, int nRows, int anchorX, int anchorY)
{
    return Run([&] {
        return Filter(src, dst, ApertureOk(nCols, nRows, anchorX, anchorY), [&](const cv::Mat& in, cv::Mat& out) {
            const int n = nCols * nRows;
            if ((n & (n - 1)) != 0) {
                cv::blur(in, out, cv::Size(nCols, nRows), cv::Point(anchorX, anchorY), cv::BORDER_REPLICATE);
                return;
            }
            // OpenCV's 8-bit blur divides by a power-of-two area with a fixed-point shortcut that comes out
            // one too high on some pixels (the mean of 176 and 176 is 177): whole sums, rounded here.
            cv::Mat sums;
            cv::boxFilter(in, sums, CV_32S, cv::Size(nCols, nRows), cv::Point(anchorX, anchorY), false,
                          cv::BORDER_REPLICATE);
            out.create(in.size(), in.type());
            const int nValues = in.cols * in.channels();
            for (int y = 0; y < in.rows; ++y) {
                const int* pSum = sums.ptr<int>(y);
                uchar* pOut = out.ptr(y);
                for (int i = 0; i < nValues; ++i)
                    pOut[i] = uchar((2 * pSum[i] + n) / (2 * n));
            }
        });
    });
}

IPLStatus iplMedianFilter(const IplImage* src, IplImage* dst, int nCols, int nRows, int anchorX, int anchorY)
{
    return Run([&] {
        const bool bOk =
            ApertureOk(nCols, nRows, anchorX, anchorY) && nCols <= kMaxMedianAperture && nRows <= kMaxMedianAperture;
        return Filter(src, dst, bOk, [&](const cv::Mat& in, cv::Mat& out) {
            // OpenCV's own sorting networks are the faster ones for the centred 3 x 3 and 5 x 5
            if (nCols == nRows && (nCols == 3 || nCols == 5) && anchorX == nCols / 2 && anchorY == nRows / 2)
                cv::medianBlur(in, out, nCols);
            else
                RankFilter(in, out, nCols, nRows, anchorX, anchorY, nCols * nRows / 2);
        });
    });
}

IPLStatus iplMaxFilter(const IplImage* src, IplImage* dst, int nCols, int nRows, int anchorX, int anchorY)
{
    return Run([&] {
        return Filter(src, dst, ApertureOk(nCols, nRows, anchorX, anchorY), [&](const cv::Mat& in, cv::Mat& out) {
            cv::dilate(in, out, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(nCols, nRows)),
                       cv::Point(anchorX, anchorY), 1, cv::BORDER_REPLICATE);
        });
    });
}

IPLStatus iplMinFilter(const IplImage* src, IplImage* dst, int nCols, int nRows, int anchorX, int anchorY)
{
    return Run([&] {
        return Filter(src, dst, ApertureOk(nCols, nRows, anchorX, anchorY), [&](const cv::Mat& in, cv::Mat& out) {
            cv::erode(in, out, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(nCols, nRows)),
                      cv::Point(anchorX, anchorY), 1, cv::BORDER_REPLICATE);
        });
    });
}

IPLStatus iplFixedFilter(const IplImage* src, IplImage* dst, int filter)
{
    return Run([&] {
        const bool bKnown = filter >= 0 && filter < int(std::size(kKernels));
        return Filter(src, dst, bKnown, [&](const cv::Mat& in, cv::Mat& out) {
            const SKernel& k = kKernels[filter];
            for (const SSeparable& sep : kSeparable)
                if (sep.nFilter == filter) {
                    cv::sepFilter2D(in, out, CV_8U, cv::Mat(1, 3, CV_32F, const_cast<float*>(sep.row)),
                                    cv::Mat(3, 1, CV_32F, const_cast<float*>(sep.column)), cv::Point(-1, -1), 0,
                                    cv::BORDER_REPLICATE);
                    return;
                }
            cv::Mat kernel(k.nSize, k.nSize, CV_32F);
            for (int i = 0; i < k.nSize * k.nSize; ++i)
                kernel.at<float>(i) = float(k.coefficients[i]) / float(k.nDivisor);
            // the quarter step lifts exact halves so that they round up, not to even; it is below every
            // other distance from a half, so no other result changes
            cv::filter2D(in, out, CV_8U, kernel, cv::Point(-1, -1), 0.25 / k.nDivisor, cv::BORDER_REPLICATE);
        });
    });
}

IPLStatus iplThreshold(const IplImage* src, IplImage* dst, int threshold)
{
    return Run([&] {
        if (!IsPixelImage(src) || !IsPixelImage(dst) || dst->nChannels != 1 || src->width != dst->width ||
            src->height != dst->height)
            return IPL_StsBadArg;
        const cv::Mat in = Source8u(src, dst);
        const bool bBits = dst->depth == IPL_DEPTH_1U;
        // bands of rows small enough for their grey levels to stay in cache between the conversion and the
        // threshold, so that no full-size buffer is needed
        const int nBandRows = std::clamp(kBandBytes / in.cols, 1, in.rows);
        const int nBands = (in.rows + nBandRows - 1) / nBandRows;
        cv::parallel_for_(cv::Range(0, nBands), [&](const cv::Range& bands) {
            cv::Mat grey;
            for (int b = bands.start; b < bands.end; ++b) {
                const int y0 = b * nBandRows, y1 = std::min(in.rows, y0 + nBandRows);
                cv::Mat band = in.rowRange(y0, y1);
                if (band.channels() > 1) {
                    cv::cvtColor(band, grey, band.channels() == 4 ? cv::COLOR_BGRA2GRAY : cv::COLOR_BGR2GRAY);
                    band = grey;
                }
                if (!bBits) {
                    cv::Mat out = View(dst).rowRange(y0, y1);
                    cv::threshold(band, out, double(threshold) - 1, 255, cv::THRESH_BINARY);
                    continue;
                }
                for (int y = y0; y < y1; ++y)
                    PackBits(band.ptr(y - y0), reinterpret_cast<uchar*>(dst->imageData + size_t(y) * dst->widthStep),
                             in.cols, threshold);
            }
        });
        return IPL_StsOk;
    });
}

IPLStatus iplErode(const IplImage* src, IplImage* dst, int nIterations)
{
    return Run([&] { return Morphology(src, dst, nIterations, cv::MORPH_ERODE); });
}

IPLStatus iplDilate(const IplImage* src, IplImage* dst, int nIterations)
{
    return Run([&] { return Morphology(src, dst, nIterations, cv::MORPH_DILATE); });
}

IPLStatus iplOpen(const IplImage* src, IplImage* dst, int nIterations)
{
    return Run([&] { return Morphology(src, dst, nIterations, cv::MORPH_OPEN); });
}

IPLStatus iplClose(const IplImage* src, IplImage* dst, int nIterations)
{
    return Run([&] { return Morphology(src, dst, nIterations, cv::MORPH_CLOSE); });
}
