// Stepping through a folder of 50000 tiny images. The folder list is built once when a file opens,
// so a step costs what loading its file costs, whatever the folder's size:
//   StepTenAndBack/lumivo  ten Next then ten Previous through the application's command route
//   StepTenAndBack/reference  FreeImage_Load of the same twenty files
//   StepTenAndBackIn50/lumivo  the same walk in a folder of 50 such files: a step costs the same
//   OpenInFolder/lumivo    opening one file there (the folder listed once)
//   OpenInFolder/reference FreeImage_Load of that file
// With 4 x 4 files a load is mostly opening the file, which Lumivo does three times per step (the
// framework's readability check, the loader's header check, the decoder).
#include "app/LumivoApp.h"
#include "image/Bitmap.h"
#include "document/LumivoDoc.h"
#include "framework/FrameWnd.h"
#include "res/CommandIds.h"

#include <FreeImage.h>
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {
constexpr int FILE_COUNT = 50000;
constexpr int FIRST_FILE = 25000; // the walk starts in the middle of the list
constexpr int SMALL_COUNT = 50;
QTemporaryDir* g_pDir = nullptr;
QTemporaryDir* g_pSmallDir = nullptr;
CLumivoApp* g_pApp = nullptr;

QString FileName(int i, const QTemporaryDir* pDir = g_pDir)
{
    return pDir->filePath(QStringLiteral("img%1.bmp").arg(i, 5, 10, QLatin1Char('0')));
}

// nCount copies of a 4 x 4 BMP, told apart by their names only.
void MakeFolder(const QTemporaryDir* pDir, int nCount)
{
    CBitmapPtr pBitmap(FreeImage_Allocate(4, 4, 24));
    SaveBitmapFile(pBitmap.get(), FileName(0, pDir));
    QFile first(FileName(0, pDir));
    first.open(QIODevice::ReadOnly);
    const QByteArray bytes = first.readAll();
    for (int i = 1; i < nCount; ++i) {
        QFile file(FileName(i, pDir));
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
    }
}

void StepLumivo(benchmark::State& state, const QString& strFirst)
{
    auto* pDoc = static_cast<CLumivoDoc*>(g_pApp->OpenDocumentFile(strFirst));
    CMDIFrameWnd* pMain = g_pApp->GetMainWnd();
    for (auto _ : state) {
        for (int i = 0; i < 10; ++i)
            pMain->ExecuteCommand(ID_FILE_NEXT);
        for (int i = 0; i < 10; ++i)
            pMain->ExecuteCommand(ID_FILE_PREVIOUS);
    }
    state.counters["index"] = pDoc ? pDoc->m_nFileIndex : -1;
    g_pApp->CloseAllDocuments();
}

void StepReference(benchmark::State& state)
{
    QList<QByteArray> paths;
    for (int i = 1; i <= 10; ++i)
        paths.append(QFile::encodeName(FileName(FIRST_FILE + i)));
    for (int i = 9; i >= 0; --i)
        paths.append(QFile::encodeName(FileName(FIRST_FILE + i)));
    for (auto _ : state)
        for (const QByteArray& path : paths)
            FreeImage_Unload(FreeImage_Load(FIF_BMP, path.constData(), 0));
}

void OpenLumivo(benchmark::State& state)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(g_pApp->OpenDocumentFile(FileName(FIRST_FILE)));
        state.PauseTiming();
        g_pApp->CloseAllDocuments();
        state.ResumeTiming();
    }
}

void OpenReference(benchmark::State& state)
{
    const QByteArray path = QFile::encodeName(FileName(FIRST_FILE));
    for (auto _ : state)
        FreeImage_Unload(FreeImage_Load(FIF_BMP, path.constData(), 0));
}
} // namespace

void StepLumivoLarge(benchmark::State& state)
{
    StepLumivo(state, FileName(FIRST_FILE));
}

void StepLumivoSmall(benchmark::State& state)
{
    StepLumivo(state, FileName(SMALL_COUNT / 2, g_pSmallDir));
}

BENCHMARK(StepLumivoLarge)->Name("StepTenAndBack/lumivo")->Unit(benchmark::kMillisecond);
BENCHMARK(StepReference)->Name("StepTenAndBack/reference")->Unit(benchmark::kMillisecond);
BENCHMARK(StepLumivoSmall)->Name("StepTenAndBackIn50/lumivo")->Unit(benchmark::kMillisecond);
BENCHMARK(OpenLumivo)->Name("OpenInFolder/lumivo")->Unit(benchmark::kMillisecond);
BENCHMARK(OpenReference)->Name("OpenInFolder/reference")->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    QTemporaryDir dir;
    QTemporaryDir smallDir;
    g_pDir = &dir;
    g_pSmallDir = &smallDir;
    MakeFolder(g_pDir, FILE_COUNT);
    MakeFolder(g_pSmallDir, SMALL_COUNT);
    CLumivoApp app;
    if (!app.InitInstance({QStringLiteral("-nologo")}))
        return 1;
    app.CloseAllDocuments();
    g_pApp = &app;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    app.CloseAllDocuments();
    return 0;
}
