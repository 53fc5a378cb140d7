// Opening an image through the document against FreeImage_Load alone on the same file, and the
// folder scan of a folder of 10000 names. The open pair counts the peak memory the open adds to the
// program (peak_MiB) beside the size of the pixels (pixels_MiB).
#include "image/Bitmap.h"
#include "image/FolderList.h"
#include "document/LumivoDoc.h"
#include "system/Memory.h"

#include <FreeImage.h>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {
QTemporaryDir* g_pDir = nullptr;

// A picture with detail, so the codecs do real work: 6000 x 4000 ("large") or 1000 x 1000 ("small",
// where the cost of starting a decode shows).
QString TestImage(const char* pszExtension, bool bLarge = true)
{
    const QString strPath = g_pDir->filePath(QLatin1String(bLarge ? "large." : "small.") + pszExtension);
    if (QFile::exists(strPath))
        return strPath;
    const unsigned nWidth = bLarge ? 6000 : 1000, nHeight = bLarge ? 4000 : 1000;
    CBitmapPtr pBitmap(FreeImage_Allocate(nWidth, nHeight, 24));
    for (unsigned y = 0; y < nHeight; ++y) {
        BYTE* pLine = FreeImage_GetScanLine(pBitmap.get(), y);
        for (unsigned x = 0; x < nWidth; ++x) {
            pLine[3 * x] = BYTE(x ^ y);
            pLine[3 * x + 1] = BYTE((x * y) >> 7);
            pLine[3 * x + 2] = BYTE(x + 2 * y);
        }
    }
    SaveBitmapFile(pBitmap.get(), strPath);
    return strPath;
}

// A line of /proc/self/status in MiB ("VmRSS", "VmHWM").
double StatusMiB(const char* pszField)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(pszField))
            return line.mid(qstrlen(pszField) + 1).trimmed().split(' ').value(0).toDouble() / 1024;
    return 0;
}

void OpenLumivo(benchmark::State& state, const char* pszExtension, bool bLarge)
{
    const QString strPath = TestImage(pszExtension, bLarge);
    double dPeakGrowth = 0;
    for (auto _ : state) {
        // The program's peak memory while it opens the file, over what it held before (peak reset first).
        state.PauseTiming();
        QFile clear(QStringLiteral("/proc/self/clear_refs"));
        if (clear.open(QIODevice::WriteOnly))
            clear.write("5");
        clear.close();
        const double dBefore = StatusMiB("VmRSS:");
        state.ResumeTiming();
        CLumivoDoc doc;
        benchmark::DoNotOptimize(doc.OnOpenDocument(strPath));
        state.PauseTiming();
        dPeakGrowth = std::max(dPeakGrowth, StatusMiB("VmHWM:") - dBefore);
        state.ResumeTiming();
    }
    state.counters["peak_MiB"] = dPeakGrowth;
    state.counters["pixels_MiB"] = bLarge ? 6000.0 * 4000 * 3 / (1024 * 1024) : 1000.0 * 1000 * 3 / (1024 * 1024);
}

void OpenReference(benchmark::State& state, const char* pszExtension, bool bLarge)
{
    const QByteArray path = QFile::encodeName(TestImage(pszExtension, bLarge));
    const FREE_IMAGE_FORMAT fif = FreeImage_GetFileType(path.constData());
    for (auto _ : state)
        FreeImage_Unload(FreeImage_Load(fif, path.constData(), 0));
}

// 10000 names, a tenth of them not browsable, in a folder of their own.
QString ManyNames()
{
    const QString strFolder = g_pDir->filePath(QStringLiteral("many"));
    if (QDir(strFolder).exists())
        return strFolder;
    QDir().mkpath(strFolder);
    for (int i = 0; i < 10000; ++i) {
        QFile file(strFolder + QStringLiteral("/img%1.%2").arg(i, 5, 10, QLatin1Char('0')).arg(i % 10 ? "png" : "txt"));
        file.open(QIODevice::WriteOnly);
    }
    return strFolder;
}

void ScanFolder10000(benchmark::State& state)
{
    CLumivoDoc doc;
    doc.m_strImagePath = ManyNames() + QStringLiteral("/img05001.png");
    for (auto _ : state)
        doc.ScanFolder();
    state.counters["files"] = doc.m_nFileCount;
}
} // namespace

BENCHMARK_CAPTURE(OpenLumivo, jpeg, "jpg", true)->Name("OpenJpeg/lumivo")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(OpenReference, jpeg, "jpg", true)->Name("OpenJpeg/reference")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(OpenLumivo, png, "png", true)->Name("OpenPng/lumivo")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(OpenReference, png, "png", true)->Name("OpenPng/reference")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(OpenLumivo, jpeg, "jpg", false)->Name("OpenSmallJpeg/lumivo")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(OpenReference, jpeg, "jpg", false)->Name("OpenSmallJpeg/reference")->Unit(benchmark::kMillisecond);
BENCHMARK(ScanFolder10000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    SetUpHeapForImages(argv); // as the program does at start-up
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTemporaryDir dir;
    g_pDir = &dir;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
