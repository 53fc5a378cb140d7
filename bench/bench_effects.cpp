// The eleven distortion effects through CImageProcessor on a 4000 x 3000 24-bit image, on all cores
// (<Effect>/threads:all) and on one (<Effect>/threads:1). The counter extra_MB is the peak of heap
// memory held during the effect beyond the source and the result bitmap. ResultAllocation is the part
// every effect spends on one thread: allocating the zero-filled result bitmap.
#include "image/Bitmap.h"
#include "processing/ImageProcessor.h"
#include "system/Memory.h"

#include <FreeImage.h>
#include <atomic>
#include <benchmark/benchmark.h>
#include <cerrno>
#include <malloc.h>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

// Heap accounting: the allocation functions of the C library are wrapped to count the bytes in use and
// their peak. (Not under the sanitizers, which replace them themselves.)
namespace {
std::atomic<long long> g_nLive{0};
std::atomic<long long> g_nPeak{0};

void Count(void* p)
{
    if (!p)
        return;
    const long long nLive = g_nLive += (long long)malloc_usable_size(p);
    long long nPeak = g_nPeak.load();
    while (nLive > nPeak && !g_nPeak.compare_exchange_weak(nPeak, nLive)) {
    }
}

void Uncount(void* p)
{
    if (p)
        g_nLive -= (long long)malloc_usable_size(p);
}
} // namespace

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
extern "C" {
void* __libc_malloc(size_t);
void __libc_free(void*);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);

void* malloc(size_t n)
{
    void* p = __libc_malloc(n);
    Count(p);
    return p;
}
void free(void* p)
{
    Uncount(p);
    __libc_free(p);
}
void* calloc(size_t n, size_t nSize)
{
    void* p = __libc_calloc(n, nSize);
    Count(p);
    return p;
}
void* realloc(void* p, size_t n)
{
    const long long nOld = p ? (long long)malloc_usable_size(p) : 0;
    void* q = __libc_realloc(p, n);
    if (q || n == 0) {
        g_nLive -= nOld;
        Count(q);
    }
    return q;
}
void* memalign(size_t nAlign, size_t n)
{
    void* p = __libc_memalign(nAlign, n);
    Count(p);
    return p;
}
void* aligned_alloc(size_t nAlign, size_t n)
{
    return memalign(nAlign, n);
}
int posix_memalign(void** pp, size_t nAlign, size_t n)
{
    *pp = memalign(nAlign, n);
    return *pp ? 0 : ENOMEM;
}
}
#endif

namespace {
constexpr int kWidth = 4000;
constexpr int kHeight = 3000;
int g_nAllThreads = 1;

FIBITMAP* Source()
{
    static FIBITMAP* s_pSource = [] {
        FIBITMAP* p = FreeImage_Allocate(kWidth, kHeight, 24);
        cv::Mat view(kHeight, kWidth, CV_8UC3, FreeImage_GetBits(p), FreeImage_GetPitch(p));
        cv::randu(view, 0, 255);
        cv::GaussianBlur(view, view, cv::Size(9, 9), 0); // photo-like rather than pure noise
        return p;
    }();
    return s_pSource;
}

void RunEffect(benchmark::State& state, int nCode, int nThreads)
{
    FIBITMAP* pSource = Source();
    cv::setNumThreads(nThreads);
    long long nExtra = 0;
    for (auto _ : state) {
        const long long nBefore = g_nLive.load();
        g_nPeak = nBefore;
        CImageProcessor processor(pSource);
        CBitmapPtr pResult(processor.Effect(nCode));
        benchmark::DoNotOptimize(pResult.get());
        const long long nResult = (long long)FreeImage_GetPitch(pResult.get()) * kHeight;
        nExtra = std::max(nExtra, g_nPeak.load() - nBefore - nResult);
    }
    state.counters["extra_MB"] = double(nExtra) / (1 << 20);
    cv::setNumThreads(g_nAllThreads);
}

void ResultAllocation(benchmark::State& state)
{
    for (auto _ : state) {
        CBitmapPtr p(FreeImage_Allocate(kWidth, kHeight, 24));
        benchmark::DoNotOptimize(p.get());
    }
}

const char* const g_names[] = {"Concavity", "Convexity", "Explosion", "Madness", "VWave", "HWave",
                               "FishEye",   "Ripples",   "Mosaic",    "Twirl",   "Star"};

void RegisterAll()
{
    benchmark::RegisterBenchmark("ResultAllocation", ResultAllocation)->Unit(benchmark::kMillisecond)->UseRealTime();
    for (int nCode = EFFECT_CONCAVITY; nCode <= EFFECT_STAR; ++nCode)
        for (int nThreads : {g_nAllThreads, 1}) {
            const std::string strName = std::string(g_names[nCode]) + (nThreads == 1 ? "/threads:1" : "/threads:all");
            benchmark::RegisterBenchmark(strName.c_str(), RunEffect, nCode, nThreads)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
        }
}
} // namespace

int main(int argc, char** argv)
{
    SetUpHeapForImages(argv); // as the program does at start-up
    g_nAllThreads = cv::getNumThreads();
    RegisterAll();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
