// The ipl layer against the nearest plain OpenCV call on the same pixels: a 4000 x 3000 24-bit image.
// Each operation runs as <Op>/lumivo and <Op>/opencv; their ratio is the layer's cost. Both sides run on
// one OpenCV thread unless --threads=N is given. For steady figures on a shared machine:
//   bench_ipl --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include "ThreadsOption.h"
#include "processing/ipl/Ipl.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <functional>
#include <memory>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

struct SImageDeleter {
    void operator()(IplImage* p) const { iplDeallocate(p, IPL_IMAGE_ALL); }
};
using CImage = std::unique_ptr<IplImage, SImageDeleter>;

CImage Make(int nWidth, int nHeight, int nChannels, int nDepth = IPL_DEPTH_8U)
{
    CImage p(iplCreateImageHeader(nChannels, 0, nDepth, nChannels == 1 ? "GRAY" : "RGB",
                                  nChannels == 1 ? "GRAY" : "BGR", IPL_DATA_ORDER_PIXEL, IPL_ORIGIN_BL, IPL_ALIGN_DWORD,
                                  nWidth, nHeight, nullptr, nullptr, nullptr, nullptr));
    nDepth == IPL_DEPTH_32F ? iplAllocateImageFP(p.get(), 0, 0) : iplAllocateImage(p.get(), 0, 0);
    return p;
}

cv::Mat View(const IplImage* p)
{
    return cv::Mat(p->height, p->width, p->depth == IPL_DEPTH_32F ? CV_32FC(p->nChannels) : CV_8UC(p->nChannels),
                   p->imageData, size_t(p->widthStep));
}

// The shared inputs: a photo-like picture (gradients and noise), a result of the same layout, 1-bit
// and half-size results, rotation and wave maps, and tables.
struct SFixture {
    CImage src = Make(kWidth, kHeight, 3);
    CImage dst = Make(kWidth, kHeight, 3);
    CImage bits = Make(kWidth, kHeight, 1, IPL_DEPTH_1U);
    CImage half = Make(kWidth / 2, kHeight / 2, 3);
    CImage mapX = Make(kWidth, kHeight, 1, IPL_DEPTH_32F);
    CImage mapY = Make(kWidth, kHeight, 1, IPL_DEPTH_32F);
    int rotatedWidth = 0, rotatedHeight = 0;
    CImage rotated;
    std::vector<int> keys = std::vector<int>(257), values = std::vector<int>(257);
    IplLUT curve{255, keys.data(), values.data(), nullptr, IPL_LUT_INTER};
    IplLUT* curves[3] = {&curve, &curve, &curve};
    std::vector<int> histoKeys = std::vector<int>(257);
    std::vector<std::vector<int>> histoValues = std::vector<std::vector<int>>(3, std::vector<int>(256));
    IplLUT histo[3];
    IplLUT* histos[3] = {&histo[0], &histo[1], &histo[2]};
    cv::Mat curveTable = cv::Mat(1, 256, CV_8UC1);
    // The OpenCV side's working buffers, allocated once as the results are: the first touch of fresh
    // memory is slow enough here to hide the work itself.
    cv::Mat grey = cv::Mat(kHeight, kWidth, CV_8UC1), binary = cv::Mat(kHeight, kWidth, CV_8UC1);
    std::vector<cv::Mat> planes = {cv::Mat(kHeight, kWidth, CV_8UC1), cv::Mat(kHeight, kWidth, CV_8UC1),
                                   cv::Mat(kHeight, kWidth, CV_8UC1)};
    cv::Mat noise = cv::Mat(kHeight, kWidth, CV_16SC3);

    SFixture()
    {
        cv::Mat m = View(src.get());
        cv::Mat noise(m.size(), m.type());
        cv::randu(noise, 0, 40);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                auto* p = m.ptr(y) + 3 * x;
                p[0] = uchar(x * 200 / kWidth);
                p[1] = uchar(y * 200 / kHeight);
                p[2] = uchar((x + y) * 100 / (kWidth + kHeight));
            }
        m += noise;
        const double a = 30 * 0.01745329222222;
        rotatedWidth = int(kWidth * std::cos(a) + kHeight * std::sin(a));
        rotatedHeight = int(kWidth * std::sin(a) + kHeight * std::cos(a));
        rotated = Make(rotatedWidth, rotatedHeight, 3);
        cv::Mat mx = View(mapX.get()), my = View(mapY.get());
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                mx.at<float>(y, x) = float(x + 10 * std::sin(31.41592653589793 * y / kHeight));
                my.at<float>(y, x) = float(y + 10 * std::sin(31.41592653589793 * x / kWidth));
            }
        for (int k = 0; k < 257; ++k)
            keys[k] = histoKeys[k] = k;
        for (int k = 0; k < 255; ++k) {
            values[k] = k * k / 256;
            curveTable.at<uchar>(k) = uchar(values[k]);
        }
        curveTable.at<uchar>(255) = 255;
        for (int c = 0; c < 3; ++c)
            histo[c] = IplLUT{257, histoKeys.data(), histoValues[c].data(), nullptr, IPL_LUT_LOOKUP};
    }
};

SFixture& Fixture()
{
    static SFixture fixture;
    return fixture;
}

struct SCase {
    const char* pName;
    std::function<void(SFixture&)> fnLumivo;
    std::function<void(SFixture&)> fnOpenCv;
};

const cv::Mat kGauss5 =
    (cv::Mat_<float>(5, 5) << 2, 7, 12, 7, 2, 7, 31, 52, 31, 7, 12, 52, 127, 52, 12, 7, 31, 52, 31, 7, 2, 7, 12, 7, 2) /
    571.0f;

// 3 x 3 morphology repeated nIterations times against the same operation in OpenCV.
SCase MorphologyCase(const char* pName, IPLStatus (*fnIpl)(const IplImage*, IplImage*, int), int nOperation,
                     int nIterations)
{
    return {pName, [=](SFixture& f) { fnIpl(f.src.get(), f.dst.get(), nIterations); },
            [=](SFixture& f) {
                cv::Mat out = View(f.dst.get());
                cv::morphologyEx(View(f.src.get()), out, nOperation, cv::Mat(), cv::Point(-1, -1), nIterations);
            }};
}

const SCase kCases[] = {
    {"Median7", [](SFixture& f) { iplMedianFilter(f.src.get(), f.dst.get(), 7, 7, 3, 3); },
     [](SFixture& f) {
         cv::Mat out = View(f.dst.get());
         cv::medianBlur(View(f.src.get()), out, 7);
     }},
    {"Median3", [](SFixture& f) { iplMedianFilter(f.src.get(), f.dst.get(), 3, 3, 1, 1); },
     [](SFixture& f) {
         cv::Mat out = View(f.dst.get());
         cv::medianBlur(View(f.src.get()), out, 3);
     }},
    {"Min7", [](SFixture& f) { iplMinFilter(f.src.get(), f.dst.get(), 7, 7, 3, 3); },
     [](SFixture& f) {
         cv::Mat out = View(f.dst.get());
         cv::erode(View(f.src.get()), out, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(7, 7)));
     }},
    {"Max7", [](SFixture& f) { iplMaxFilter(f.src.get(), f.dst.get(), 7, 7, 3, 3); },
     [](SFixture& f) {
         cv::Mat out = View(f.dst.get());
         cv::dilate(View(f.src.get()), out, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(7, 7)));
     }},
    {"Blur3", [](SFixture& f) { iplBlur(f.src.get(), f.dst.get(), 3, 3, 1, 1); },
     [](SFixture& f) {
         cv::Mat out = View(f.dst.get());
         cv::blur(View(f.src.get()), out, cv::Size(3, 3));
     }},
    {"Blur7", [](SFixture& f) { iplBlur(f.src.get(), f.dst.get(), 7, 7, 3, 3); },
     [](SFixture& f) {
         cv::Mat out = View(f.dst.get());
         cv::blur(View(f.src.get()), out, cv::Size(7, 7));
     }},
    {"FixedSobel3", [](SFixture& f) { iplFixedFilter(f.src.get(), f.dst.get(), IPL_SOBEL_3x3_V); },
     [](SFixture& f) {
         cv::Mat out = View(f.dst.get());
         cv::Sobel(View(f.src.get()), out, CV_8U, 1, 0, 3);
     }},
    {"FixedGaussian5", [](SFixture& f) { iplFixedFilter(f.src.get(), f.dst.get(), IPL_GAUSSIAN_5x5); },
     [](SFixture& f) {
         cv::Mat out = View(f.dst.get());
         cv::filter2D(View(f.src.get()), out, CV_8U, kGauss5);
     }},
    // OpenCV has no 1-bit images: its nearest is the grey level and the threshold, into bytes
    {"Threshold", [](SFixture& f) { iplThreshold(f.src.get(), f.bits.get(), 128); },
     [](SFixture& f) {
         cv::cvtColor(View(f.src.get()), f.grey, cv::COLOR_BGR2GRAY);
         cv::threshold(f.grey, f.binary, 127, 255, cv::THRESH_BINARY);
     }},
    MorphologyCase("Erode", iplErode, cv::MORPH_ERODE, 1),
    MorphologyCase("Dilate", iplDilate, cv::MORPH_DILATE, 1),
    MorphologyCase("Open", iplOpen, cv::MORPH_OPEN, 1),
    MorphologyCase("Close", iplClose, cv::MORPH_CLOSE, 1),
    MorphologyCase("Erode5", iplErode, cv::MORPH_ERODE, 5),
    MorphologyCase("Close5", iplClose, cv::MORPH_CLOSE, 5),
    {"Equalize",
     [](SFixture& f) {
         iplComputeHisto(f.src.get(), f.histos);
         iplHistoEqualize(f.src.get(), f.dst.get(), f.histos);
     },
     [](SFixture& f) {
         cv::split(View(f.src.get()), f.planes);
         for (cv::Mat& plane : f.planes)
             cv::equalizeHist(plane, plane);
         cv::Mat out = View(f.dst.get());
         cv::merge(f.planes, out);
     }},
    {"ContrastCurve", [](SFixture& f) { iplContrastStretch(f.src.get(), f.dst.get(), f.curves); },
     [](SFixture& f) {
         cv::Mat out = View(f.dst.get());
         cv::LUT(View(f.src.get()), f.curveTable, out);
     }},
    {"AddS", [](SFixture& f) { iplAddS(f.src.get(), f.dst.get(), 40); },
     [](SFixture& f) {
         cv::Mat out = View(f.dst.get());
         cv::add(View(f.src.get()), cv::Scalar::all(40), out);
     }},
    {"NoiseGaussian",
     [](SFixture& f) {
         IplNoiseParam param;
         iplNoiseGaussianInit(&param, 1, 35, 10);
         iplNoiseImage(f.dst.get(), &param);
     },
     [](SFixture& f) {
         cv::Mat out = View(f.dst.get());
         cv::randn(f.noise, cv::Scalar::all(35), cv::Scalar::all(10));
         cv::add(out, f.noise, out, cv::noArray(), CV_8U);
     }},
    {"NoiseUniform",
     [](SFixture& f) {
         IplNoiseParam param;
         iplNoiseUniformInit(&param, 1, 75, 150);
         iplNoiseImage(f.dst.get(), &param);
     },
     [](SFixture& f) {
         cv::Mat out = View(f.dst.get());
         cv::randu(f.noise, cv::Scalar::all(75), cv::Scalar::all(150));
         cv::add(out, f.noise, out, cv::noArray(), CV_8U);
     }},
    {"Remap", [](SFixture& f) { iplRemap(f.src.get(), f.mapX.get(), f.mapY.get(), f.dst.get(), IPL_INTER_LINEAR); },
     [](SFixture& f) {
         cv::Mat out = View(f.dst.get());
         cv::remap(View(f.src.get()), out, View(f.mapX.get()), View(f.mapY.get()), cv::INTER_LINEAR);
     }},
    {"DecimateNearest", [](SFixture& f) { iplDecimate(f.src.get(), f.half.get(), 1, 2, 1, 2, IPL_INTER_NN); },
     [](SFixture& f) {
         cv::Mat out = View(f.half.get());
         cv::resize(View(f.src.get()), out, out.size(), 0, 0, cv::INTER_NEAREST);
     }},
    {"DecimateLinear", [](SFixture& f) { iplDecimate(f.src.get(), f.half.get(), 1, 2, 1, 2, IPL_INTER_LINEAR); },
     [](SFixture& f) {
         cv::Mat out = View(f.half.get());
         cv::resize(View(f.src.get()), out, out.size(), 0, 0, cv::INTER_LINEAR);
     }},
    {"Rotate30",
     [](SFixture& f) {
         iplRotate(f.src.get(), f.rotated.get(), 30, 0, kWidth * std::sin(30 * 0.01745329222222), IPL_INTER_LINEAR);
     },
     [](SFixture& f) {
         const double a = 30 * CV_PI / 180;
         const cv::Matx23d fwd(std::cos(a), std::sin(a), 0, -std::sin(a), std::cos(a), kWidth * std::sin(a));
         cv::Mat out = View(f.rotated.get());
         cv::warpAffine(View(f.src.get()), out, fwd, out.size(), cv::INTER_LINEAR);
     }},
};

} // namespace

int main(int argc, char** argv)
{
    // Both sides run with the same number of OpenCV threads: 1 unless --threads=N says otherwise.
    const int nThreads = TakeThreadsOption(argc, argv, 1);
    cv::setNumThreads(nThreads);
    benchmark::AddCustomContext("opencv_threads", std::to_string(nThreads));
    for (const SCase& c : kCases)
        for (bool bLumivo : {true, false}) {
            const auto& fn = bLumivo ? c.fnLumivo : c.fnOpenCv;
            benchmark::RegisterBenchmark((std::string(c.pName) + (bLumivo ? "/lumivo" : "/opencv")).c_str(),
                                         [&fn](benchmark::State& state) {
                                             SFixture& f = Fixture();
                                             for (auto _ : state)
                                                 fn(f);
                                         })
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
        }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
