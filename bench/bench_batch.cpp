// Batch conversion of a folder of 200 JPEG photographs of 1 megapixel (1000 x 1000) to PNG:
//   BatchJpegToPng/lumivo     the batch run (".jpg" to ".png" into another folder), one worker per
//                             processor or --threads=N
//   BatchJpegToPng/reference  ImageMagick's `mogrify -format png` on a copy of the folder
// The pictures are made once with FreeImage: smooth gradients with grain, as photographs have.
// Nearly all of a conversion (about 87 %) is zlib inside FreeImage's PNG writer at its default level,
// so the run gains by spreading files over processors, not by anything per file.
// Counter cpu_s: processor seconds per iteration of the process (lumivo, all its threads) or of the
// child (mogrify), which a busy machine does not distort as it does the elapsed time.
#include "ThreadsOption.h"
#include "image/BatchConversion.h"
#include "image/Bitmap.h"
#include "system/Memory.h"

#include <FreeImage.h>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdint>
#include <sys/resource.h>
#include <thread>

namespace {
constexpr int FILE_COUNT = 200;
constexpr int DISTINCT = 8; // distinct pictures; the other files are copies
constexpr int SIDE = 1000;
int g_nThreads = 0;
QTemporaryDir* g_pDir = nullptr;

QString Folder(const char* pszName)
{
    return g_pDir->filePath(QLatin1String(pszName));
}

double CpuSeconds(int nWho)
{
    rusage usage{};
    getrusage(nWho, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           1e-6 * double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
}

bool MakePicture(const QString& strPath, uint32_t nSeed)
{
    CBitmapPtr pBitmap(FreeImage_Allocate(SIDE, SIDE, 24));
    for (int y = 0; y < SIDE; ++y) {
        BYTE* pLine = FreeImage_GetScanLine(pBitmap.get(), y);
        for (int x = 0; x < SIDE; ++x) {
            nSeed = nSeed * 1664525u + 1013904223u;
            const int nGrain = int(nSeed >> 28);
            pLine[3 * x] = BYTE((x / 4 + nGrain + nSeed % 3) & 0xFF);
            pLine[3 * x + 1] = BYTE((y / 4 + nGrain) & 0xFF);
            pLine[3 * x + 2] = BYTE(((x + y) / 8 + nGrain) & 0xFF);
        }
    }
    return SaveBitmapFile(pBitmap.get(), strPath);
}

bool MakeFolder()
{
    const QString strIn = Folder("in");
    if (!QDir().mkpath(strIn) || !QDir().mkpath(Folder("out")) || !QDir().mkpath(Folder("copy")))
        return false;
    for (int i = 0; i < FILE_COUNT; ++i) {
        const QString strName = QStringLiteral("/photo%1.jpg").arg(i, 3, 10, QLatin1Char('0'));
        if (i < DISTINCT
                ? !MakePicture(strIn + strName, uint32_t(i + 1))
                : !QFile::copy(strIn + QStringLiteral("/photo%1.jpg").arg(i % DISTINCT, 3, 10, QLatin1Char('0')),
                               strIn + strName))
            return false;
        if (!QFile::copy(strIn + strName, Folder("copy") + strName))
            return false;
    }
    return true;
}

void BatchLumivo(benchmark::State& state)
{
    const SBatchOptions options{
        QStringLiteral(".jpg"), QStringLiteral(".png"), Folder("in"), Folder("out"), false, false};
    CBatchObserver quiet;
    const double dStart = CpuSeconds(RUSAGE_SELF);
    for (auto _ : state) {
        const SBatchResult result = RunBatchConversion(options, quiet, g_nThreads);
        if (result.nCounter != FILE_COUNT || !result.skipped.isEmpty())
            state.SkipWithError("not every file was converted");
    }
    state.counters["cpu_s"] = (CpuSeconds(RUSAGE_SELF) - dStart) / double(state.iterations());
    state.counters["threads"] = g_nThreads;
}
BENCHMARK(BatchLumivo)->Name("BatchJpegToPng/lumivo")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

void BatchReference(benchmark::State& state)
{
    QStringList arguments{QStringLiteral("-format"), QStringLiteral("png")};
    arguments += QDir(Folder("copy")).entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name);
    const double dStart = CpuSeconds(RUSAGE_CHILDREN);
    for (auto _ : state) {
        QProcess mogrify;
        mogrify.setWorkingDirectory(Folder("copy"));
        mogrify.start(QStringLiteral("mogrify"), arguments);
        if (!mogrify.waitForFinished(-1) || mogrify.exitCode() != 0)
            state.SkipWithError("mogrify failed (is imagemagick installed?)");
    }
    state.counters["cpu_s"] = (CpuSeconds(RUSAGE_CHILDREN) - dStart) / double(state.iterations());
}
BENCHMARK(BatchReference)
    ->Name("BatchJpegToPng/reference")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);
} // namespace

int main(int argc, char** argv)
{
    SetUpHeapForImages(argv); // as the program does at start-up
    g_nThreads = TakeThreadsOption(argc, argv, int(std::max(1u, std::thread::hardware_concurrency())));
    benchmark::Initialize(&argc, argv);
    QTemporaryDir dir;
    g_pDir = &dir;
    if (!dir.isValid() || !MakeFolder())
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
