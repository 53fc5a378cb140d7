// Geometric operations: scaling, rotation, shear, mirror and remap. Destination pixels whose source
// position lies outside the source get 0.
#include "processing/ipl/IplCore.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <opencv2/core/hal/intrin.hpp>
#include <opencv2/imgproc.hpp>
#include <vector>

using namespace ipl;

namespace {

// How far outside the pixel centres a source position may lie and still count as inside: absorbs the
// rounding of positions that are exact in theory (a rotation by 90 degrees).
constexpr double kTolerance = 1.0 / 64;

// The border OpenCV assumes past the edge. Taps outside only reach positions that we clear anyway, except
// with cubic interpolation, whose taps reach one pixel further: those take the edge pixels. (A constant
// border is the faster one.)
int CvBorder(int nCvInterpolation)
{
    return nCvInterpolation == cv::INTER_CUBIC ? cv::BORDER_REPLICATE : cv::BORDER_CONSTANT;
}

int CvInterpolation(int nInterpolate)
{
    switch (nInterpolate) {
    case IPL_INTER_NN: return cv::INTER_NEAREST;
    case IPL_INTER_LINEAR: return cv::INTER_LINEAR;
    case IPL_INTER_CUBIC: return cv::INTER_CUBIC;
    default: return -1;
    }
}

// Nearest neighbour: dst(x, y) = src(x * xSrc / xDst, y * ySrc / yDst) rounded down, in exact integers.
template <size_t nPixel> void ScaleNearest(const cv::Mat& src, cv::Mat& dst, int xDst, int xSrc, int yDst, int ySrc)
{
    if (xSrc % xDst == 0 && ySrc % yDst == 0 && int64_t(dst.cols) * xSrc == int64_t(src.cols) * xDst &&
        int64_t(dst.rows) * ySrc == int64_t(src.rows) * yDst) {
        // Whole-number steps that divide the size: OpenCV's nearest neighbour then takes exactly
        // floor(x * step), and is faster.
        cv::resize(src, dst, dst.size(), double(xDst) / xSrc, double(yDst) / ySrc, cv::INTER_NEAREST);
        return;
    }
    std::vector<size_t> offsets(static_cast<size_t>(dst.cols));
    for (int x = 0; x < dst.cols; ++x)
        offsets[x] = size_t(std::min<long long>(static_cast<long long>(x) * xSrc / xDst, src.cols - 1)) * nPixel;
    cv::parallel_for_(cv::Range(0, dst.rows), [&](const cv::Range& rows) {
        for (int y = rows.start; y < rows.end; ++y) {
            const uchar* pIn = src.ptr(int(std::min<long long>(static_cast<long long>(y) * ySrc / yDst, src.rows - 1)));
            uchar* pOut = dst.ptr(y);
            for (int x = 0; x < dst.cols; ++x, pOut += nPixel)
                std::memcpy(pOut, pIn + offsets[x], nPixel);
        }
    });
}

enum class EScale { Up, Down, Any };

IPLStatus Scale(const IplImage* src, IplImage* dst, int xDst, int xSrc, int yDst, int ySrc, int interpolate,
                EScale eScale, int nMaskX = 1, int nMaskY = 1)
{
    const int nInter = CvInterpolation(interpolate);
    const bool bFactors = xDst > 0 && xSrc > 0 && yDst > 0 && ySrc > 0 &&
                          (eScale != EScale::Up || (xDst >= xSrc && yDst >= ySrc)) &&
                          (eScale != EScale::Down || (xDst <= xSrc && yDst <= ySrc));
    const bool bMask = nMaskX > 0 && nMaskY > 0 && nMaskX % 2 == 1 && nMaskY % 2 == 1;
    if (!Compatible(src, dst, false) || nInter < 0 || !bFactors || !bMask)
        return IPL_StsBadArg;
    cv::Mat in = Source8u(src, dst);
    if (nMaskX > 1 || nMaskY > 1) {
        cv::Mat blurred;
        cv::blur(in, blurred, cv::Size(nMaskX, nMaskY), cv::Point(-1, -1), cv::BORDER_REPLICATE);
        in = blurred;
    }
    CTarget8u out(dst);
    if (nInter == cv::INTER_NEAREST) {
        auto* fnScale = in.channels() == 1 ? ScaleNearest<1> : in.channels() == 3 ? ScaleNearest<3> : ScaleNearest<4>;
        fnScale(in, out.Mat(), xDst, xSrc, yDst, ySrc);
    } else if (int64_t(out.Mat().cols) * xSrc == int64_t(in.cols) * xDst &&
               int64_t(out.Mat().rows) * ySrc == int64_t(in.rows) * yDst) {
        cv::resize(in, out.Mat(), out.Mat().size(), 0, 0, nInter);
    } else {
        // OpenCV's resize would scale by the ratio of the rounded sizes (101 to 51 columns by 1.98, not
        // 2); the factors asked for map pixel centres: x in the source = (x + 1/2) xSrc / xDst - 1/2.
        const double sx = double(xSrc) / xDst, sy = double(ySrc) / yDst;
        const cv::Matx23d inv(sx, 0, (sx - 1) / 2, 0, sy, (sy - 1) / 2);
        cv::warpAffine(in, out.Mat(), inv, out.Mat().size(), nInter | cv::WARP_INVERSE_MAP, cv::BORDER_REPLICATE);
    }
    out.Commit();
    return IPL_StsOk;
}

// Narrows [u0, u1] to the u for which lo <= k u + q <= hi.
void Narrow(double& u0, double& u1, double k, double q, double lo, double hi)
{
    if (std::abs(k) < 1e-12) {
        if (q < lo || q > hi)
            u1 = u0 - 1;
        return;
    }
    double a = (lo - q) / k, b = (hi - q) / k;
    if (a > b)
        std::swap(a, b);
    u0 = std::max(u0, a);
    u1 = std::min(u1, b);
}

// Sets to 0 the pixels of dst whose source under the inverse affine map lies outside a W x H source.
void ClearOutside(cv::Mat& dst, const cv::Matx23d& inv, int nSrcWidth, int nSrcHeight)
{
    const size_t nPixel = dst.elemSize();
    for (int v = 0; v < dst.rows; ++v) {
        double u0 = 0, u1 = dst.cols - 1;
        Narrow(u0, u1, inv(0, 0), inv(0, 1) * v + inv(0, 2), -kTolerance, nSrcWidth - 1 + kTolerance);
        Narrow(u0, u1, inv(1, 0), inv(1, 1) * v + inv(1, 2), -kTolerance, nSrcHeight - 1 + kTolerance);
        const int nFirst = int(std::ceil(std::clamp(u0, 0.0, double(dst.cols))));
        const int nLast = int(std::floor(std::clamp(u1, -1.0, double(dst.cols - 1))));
        uchar* pRow = dst.ptr(v);
        if (nLast < nFirst) {
            std::memset(pRow, 0, dst.cols * nPixel);
            continue;
        }
        std::memset(pRow, 0, nFirst * nPixel);
        std::memset(pRow + (nLast + 1) * nPixel, 0, (dst.cols - 1 - nLast) * nPixel);
    }
}

// Sets to 0 the pixels of a row whose map position lies outside [0, fMaxX] x [0, fMaxY] (NaN included).
void ClearOutsideRow(const float* px, const float* py, uchar* pRow, int nWidth, size_t nPixel, float fMaxX, float fMaxY)
{
    const float fMin = float(-kTolerance);
    int x = 0;
#if CV_SIMD128
    // four positions at a time; nearly all of them lie inside
    const cv::v_float32x4 vMin = cv::v_setall_f32(fMin), vMaxX = cv::v_setall_f32(fMaxX),
                          vMaxY = cv::v_setall_f32(fMaxY);
    for (; x + 4 <= nWidth; x += 4) {
        const cv::v_float32x4 vx = cv::v_load(px + x), vy = cv::v_load(py + x);
        if (cv::v_signmask((vx >= vMin) & (vx <= vMaxX) & (vy >= vMin) & (vy <= vMaxY)) == 0xF)
            continue;
        for (int i = x; i < x + 4; ++i)
            if (!(px[i] >= fMin && px[i] <= fMaxX && py[i] >= fMin && py[i] <= fMaxY))
                std::memset(pRow + i * nPixel, 0, nPixel);
    }
#endif
    for (; x < nWidth; ++x)
        if (!(px[x] >= fMin && px[x] <= fMaxX && py[x] >= fMin && py[x] <= fMaxY))
            std::memset(pRow + x * nPixel, 0, nPixel);
}

// Source (x, y) goes to fwd * (x, y, 1).
IPLStatus Affine(const IplImage* src, IplImage* dst, const cv::Matx23d& fwd, int interpolate)
{
    const int nInter = CvInterpolation(interpolate);
    const double det = fwd(0, 0) * fwd(1, 1) - fwd(0, 1) * fwd(1, 0);
    if (!Compatible(src, dst, false) || nInter < 0 || !(std::abs(det) > 1e-12))
        return IPL_StsBadArg;
    cv::Matx23d inv;
    cv::invertAffineTransform(fwd, inv);
    cv::Mat in = Source8u(src, dst);
    CTarget8u out(dst);
    cv::warpAffine(in, out.Mat(), inv, out.Mat().size(), nInter | cv::WARP_INVERSE_MAP, CvBorder(nInter));
    ClearOutside(out.Mat(), inv, in.cols, in.rows);
    out.Commit();
    return IPL_StsOk;
}

} // namespace

IPLStatus iplZoom(const IplImage* src, IplImage* dst, int xDst, int xSrc, int yDst, int ySrc, int interpolate)
{
    return Run([&] { return Scale(src, dst, xDst, xSrc, yDst, ySrc, interpolate, EScale::Up); });
}

IPLStatus iplDecimate(const IplImage* src, IplImage* dst, int xDst, int xSrc, int yDst, int ySrc, int interpolate)
{
    return Run([&] { return Scale(src, dst, xDst, xSrc, yDst, ySrc, interpolate, EScale::Down); });
}

IPLStatus iplResize(const IplImage* src, IplImage* dst, int xDst, int xSrc, int yDst, int ySrc, int interpolate)
{
    return Run([&] { return Scale(src, dst, xDst, xSrc, yDst, ySrc, interpolate, EScale::Any); });
}

IPLStatus iplDecimateBlur(const IplImage* src, IplImage* dst, int xDst, int xSrc, int yDst, int ySrc, int interpolate,
                          int xMaskSize, int yMaskSize)
{
    return Run(
        [&] { return Scale(src, dst, xDst, xSrc, yDst, ySrc, interpolate, EScale::Down, xMaskSize, yMaskSize); });
}

IPLStatus iplRotate(const IplImage* src, IplImage* dst, double angle, double xShift, double yShift, int interpolate)
{
    return Run([&] {
        const double a = angle * std::numbers::pi / 180, c = std::cos(a), s = std::sin(a);
        return Affine(src, dst, cv::Matx23d(c, s, xShift, -s, c, yShift), interpolate);
    });
}

IPLStatus iplShear(const IplImage* src, IplImage* dst, double xShear, double yShear, double xShift, double yShift,
                   int interpolate)
{
    return Run([&] { return Affine(src, dst, cv::Matx23d(1, xShear, xShift, yShear, 1, yShift), interpolate); });
}

IPLStatus iplMirror(const IplImage* src, IplImage* dst, int flipAxis)
{
    return Run([&] {
        if (!Compatible(src, dst, true) || flipAxis < -1 || flipAxis > 1)
            return IPL_StsBadArg;
        cv::Mat in = Source8u(src, dst);
        CTarget8u out(dst);
        cv::flip(in, out.Mat(), flipAxis);
        out.Commit();
        return IPL_StsOk;
    });
}

IPLStatus iplRemap(const IplImage* src, const IplImage* xMap, const IplImage* yMap, IplImage* dst, int interpolate)
{
    return Run([&] {
        const int nInter = CvInterpolation(interpolate);
        auto isMap = [&](const IplImage* p) {
            return p && p->imageData && p->depth == IPL_DEPTH_32F && p->nChannels == 1 && dst &&
                   p->width == dst->width && p->height == dst->height;
        };
        if (!Compatible(src, dst, false) || !isMap(xMap) || !isMap(yMap) || nInter < 0)
            return IPL_StsBadArg;
        cv::Mat in = Source8u(src, dst);
        const cv::Mat mapX = View(xMap), mapY = View(yMap);
        CTarget8u out(dst);
        const float fMaxX = float(in.cols - 1 + kTolerance), fMaxY = float(in.rows - 1 + kTolerance);
        const size_t nPixel = out.Mat().elemSize();
        // bands of rows: each remapped, then its pixels from outside the source (NaN too) cleared while
        // its map rows are still in the cache
        const int nBand = 32;
        cv::parallel_for_(cv::Range(0, (out.Mat().rows + nBand - 1) / nBand), [&](const cv::Range& bands) {
            for (int b = bands.start; b < bands.end; ++b) {
                const cv::Range rows(b * nBand, std::min(out.Mat().rows, (b + 1) * nBand));
                cv::Mat band = out.Mat().rowRange(rows);
                cv::remap(in, band, mapX.rowRange(rows), mapY.rowRange(rows), nInter, CvBorder(nInter));
                for (int y = rows.start; y < rows.end; ++y)
                    ClearOutsideRow(mapX.ptr<float>(y), mapY.ptr<float>(y), out.Mat().ptr(y), out.Mat().cols, nPixel,
                                    fMaxX, fMaxY);
            }
        });
        out.Commit();
        return IPL_StsOk;
    });
}
