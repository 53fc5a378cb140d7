// Geometric operations through CImageProcessor (translate, result, operation, new bitmap) against
// the same OpenCV call on a cv::Mat of the same pixels, on 4000 x 3000 24-bit and 8-bit grey images.
// Pairs are named <Op>/<depth>/lumivo and <Op>/<depth>/opencv.
#include "image/Bitmap.h"
#include "processing/ImageProcessor.h"

#include <FreeImage.h>
#include <benchmark/benchmark.h>
#include <cmath>
#include <functional>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

namespace {
constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

FIBITMAP* Source(int nBpp)
{
    static FIBITMAP* s_sources[33] = {};
    if (!s_sources[nBpp]) {
        FIBITMAP* p = FreeImage_Allocate(kWidth, kHeight, nBpp);
        cv::Mat view(kHeight, kWidth, nBpp == 8 ? CV_8UC1 : CV_8UC3, FreeImage_GetBits(p), FreeImage_GetPitch(p));
        cv::randu(view, 0, 255);
        cv::GaussianBlur(view, view, cv::Size(9, 9), 0); // photo-like rather than pure noise
        s_sources[nBpp] = p;
    }
    return s_sources[nBpp];
}

cv::Mat SourceMat(int nBpp)
{
    FIBITMAP* p = Source(nBpp);
    return cv::Mat(kHeight, kWidth, nBpp == 8 ? CV_8UC1 : CV_8UC3, FreeImage_GetBits(p), FreeImage_GetPitch(p));
}

using FnLumivo = std::function<FIBITMAP*(CImageProcessor&)>;
using FnOpenCv = std::function<void(const cv::Mat&, cv::Mat&)>;

void RunLumivo(benchmark::State& state, int nBpp, const FnLumivo& fn)
{
    FIBITMAP* pSource = Source(nBpp);
    for (auto _ : state) {
        CImageProcessor processor(pSource);
        CBitmapPtr pResult(fn(processor));
        benchmark::DoNotOptimize(pResult.get());
    }
}

void RunOpenCv(benchmark::State& state, int nBpp, const FnOpenCv& fn)
{
    const cv::Mat source = SourceMat(nBpp);
    for (auto _ : state) {
        cv::Mat result;
        fn(source, result);
        benchmark::DoNotOptimize(result.data);
    }
}

// The affine matrix of a rotation by dAngle degrees that keeps the picture inside, as the processor
// places it, and the result size.
cv::Mat RotationMatrix(double dAngle, cv::Size& size)
{
    const double a = dAngle * 0.01745329222222;
    size = cv::Size(int(kWidth * std::abs(std::cos(a)) + kHeight * std::abs(std::sin(a))),
                    int(kWidth * std::abs(std::sin(a)) + kHeight * std::abs(std::cos(a))));
    return (cv::Mat_<double>(2, 3) << std::cos(a), std::sin(a), 0, -std::sin(a), std::cos(a), kWidth * std::sin(a));
}

struct SCase {
    const char* pszName;
    FnLumivo fnLumivo;
    FnOpenCv fnOpenCv;
};

const SCase g_cases[] = {
    {"Zoom2", [](CImageProcessor& p) { return p.Zoom(2, 1, 2, 1, 0); },
     [](const cv::Mat& s, cv::Mat& d) { cv::resize(s, d, cv::Size(), 2, 2, cv::INTER_NEAREST); }},
    {"Decimate2", [](CImageProcessor& p) { return p.Decimate(1, 2, 1, 2, 0); },
     [](const cv::Mat& s, cv::Mat& d) { cv::resize(s, d, cv::Size(), 0.5, 0.5, cv::INTER_NEAREST); }},
    {"ResizeLinear", [](CImageProcessor& p) { return p.Resize(1, 2, 2, 1, 1); },
     [](const cv::Mat& s, cv::Mat& d) { cv::resize(s, d, cv::Size(kWidth / 2, kHeight * 2), 0, 0, cv::INTER_LINEAR); }},
    {"DecimateBlur3", [](CImageProcessor& p) { return p.DecimateBlur(1, 2, 1, 2, 0, 3, 3); },
     [](const cv::Mat& s, cv::Mat& d) {
         cv::Mat blurred;
         cv::blur(s, blurred, cv::Size(3, 3), cv::Point(-1, -1), cv::BORDER_REPLICATE);
         cv::resize(blurred, d, cv::Size(), 0.5, 0.5, cv::INTER_NEAREST);
     }},
    {"Mirror", [](CImageProcessor& p) { return p.Mirror(-1); }, [](const cv::Mat& s, cv::Mat& d) { cv::flip(s, d, -1); }},
    {"Rotate30", [](CImageProcessor& p) { return p.Rotate(30, 0, 0, 0); },
     [](const cv::Mat& s, cv::Mat& d) {
         cv::Size size;
         const cv::Mat m = RotationMatrix(30, size);
         cv::warpAffine(s, d, m, size, cv::INTER_NEAREST, cv::BORDER_CONSTANT);
     }},
    {"Shear", [](CImageProcessor& p) { return p.Shear(0.2, 0.1, 0, 0, 0); },
     [](const cv::Mat& s, cv::Mat& d) {
         const cv::Mat m = (cv::Mat_<double>(2, 3) << 1, 0.2, 0, 0.1, 1, 0);
         cv::warpAffine(s, d, m, cv::Size(kWidth + kHeight / 5, kHeight + kWidth / 10), cv::INTER_NEAREST,
                        cv::BORDER_CONSTANT);
     }},
};

void RegisterAll()
{
    for (const SCase& c : g_cases) {
        for (int nBpp : {24, 8}) {
            const std::string strBase = std::string(c.pszName) + (nBpp == 24 ? "/rgb24" : "/grey8");
            benchmark::RegisterBenchmark((strBase + "/lumivo").c_str(), RunLumivo, nBpp, c.fnLumivo)
                ->Unit(benchmark::kMillisecond);
            benchmark::RegisterBenchmark((strBase + "/opencv").c_str(), RunOpenCv, nBpp, c.fnOpenCv)
                ->Unit(benchmark::kMillisecond);
        }
    }
}
} // namespace

int main(int argc, char** argv)
{
    cv::setNumThreads(1); // the layer runs single-threaded; compare like with like
    RegisterAll();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
