// One live step of Adjust Brightness \ Contrast on a 4000 x 3000 24-bit picture. The program opens the
// file with its main window and view, the dialog runs over the document, and every iteration moves the
// brightness slider by one step, which recomputes the picture and shows it; the view's paint is waited
// for, at zoom 1 and at 1/4 (the whole picture in the window). The parts of the step also run on their
// own: the tables, the addition, the table lookup, the conversion into the result bitmap, and showing
// it (the views told, one paint).
// Counters: paints of the view per step (1: the picture was shown) and page faults per step (a
// full-size allocation would fault about 9000 pages of 4 KiB in). OpenCV runs on the program's threads
// unless --threads=N is given.
//   bench_adjust --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include "ThreadsOption.h"
#include "app/LumivoApp.h"
#include "commands/BrightnessContrastDlg.h"
#include "document/LumivoDoc.h"
#include "document/LumivoView.h"
#include "framework/FrameWnd.h"
#include "image/Bitmap.h"
#include "processing/ImageProcessor.h"
#include "processing/ipl/Ipl.h"

#include <FreeImage.h>
#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QSlider>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <functional>
#include <memory>
#include <opencv2/core/utility.hpp>
#include <string>
#include <sys/resource.h>

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;
constexpr int kContrast = 30; // the contrast slider away from its middle, so that the table does work

long MinorFaults()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

// A photo-like picture: gradients with a pattern on top.
bool WritePicture(const QString& strPath)
{
    CBitmapPtr pBitmap(FreeImage_Allocate(kWidth, kHeight, 24));
    if (!pBitmap)
        return false;
    for (int y = 0; y < kHeight; ++y) {
        BYTE* pLine = FreeImage_GetScanLine(pBitmap.get(), y);
        for (int x = 0; x < kWidth; ++x) {
            pLine[3 * x] = BYTE(x * 200 / kWidth + ((x * y) & 31));
            pLine[3 * x + 1] = BYTE(y * 200 / kHeight + ((x ^ y) & 31));
            pLine[3 * x + 2] = BYTE((x + y) * 100 / (kWidth + kHeight) + (x & 63));
        }
    }
    return SaveBitmapFile(pBitmap.get(), strPath);
}

// Counts the paints a widget receives.
class CPaintCounter : public QObject {
public:
    int m_nPaints = 0;

protected:
    bool eventFilter(QObject* pObject, QEvent* pEvent) override
    {
        if (pEvent->type() == QEvent::Paint)
            ++m_nPaints;
        return QObject::eventFilter(pObject, pEvent);
    }
};

// The program with the picture open, the dialog over its document, and a second processor over the
// same starting picture for the parts of the step.
struct SSession {
    CLumivoApp app;
    CLumivoDoc* pDoc = nullptr;
    CLumivoView* pView = nullptr;
    FIBITMAP* pStart = nullptr;
    std::unique_ptr<CImageProcessor> pProcessor;
    std::unique_ptr<CDialogBrightnessContrast> pDialog;
    CPaintCounter paints;

    std::unique_ptr<CImageProcessor> pParts;
    IplImage* pWork = nullptr;
    IplLUT** ppLuts = nullptr;

    bool Open(const QString& strPath)
    {
        if (!app.InitInstance({"-nologo", strPath}))
            return false;
        pDoc = dynamic_cast<CLumivoDoc*>(app.GetMainWnd()->GetActiveDocument());
        if (!pDoc || pDoc->GetViews().empty() || !pDoc->m_pBitmap)
            return false;
        pView = dynamic_cast<CLumivoView*>(pDoc->GetViews().front());
        if (!pView)
            return false;
        pView->viewport()->installEventFilter(&paints);
        pStart = pDoc->m_pBitmap;
        // as the command runs it, but shown without a modal loop so that the benchmark can drive it
        pProcessor = std::make_unique<CImageProcessor>(pStart);
        pDialog = std::make_unique<CDialogBrightnessContrast>(*pDoc, *pProcessor);
        pDialog->show();
        pDialog->m_pContrast->setValue(pDialog->m_pContrast->value() + kContrast);
        QCoreApplication::processEvents();

        pParts = std::make_unique<CImageProcessor>(pStart);
        pWork = pParts->PrepareAdjust();
        ppLuts = CImageProcessor::AllocLUTs(3, IPL_LUT_LOOKUP, 257);
        if (!pWork || !ppLuts)
            return false;
        for (int c = 0; c < 3; ++c)
            for (int k = 0; k < 257; ++k)
                ppLuts[c]->key[k] = k;
        FillTables();
        pParts->AdjustBrightnessContrast(pWork, 20, ppLuts); // the result bitmap, made once
        return true;
    }

    void FillTables()
    {
        for (int c = 0; c < 3; ++c)
            CImageProcessor::FillAdjustTable(kContrast, ppLuts[c]->value);
    }

    ~SSession()
    {
        pDialog.reset(); // CANCEL's clean-up is not run: the document keeps the last preview
        iplDeallocate(pWork, IPL_IMAGE_ALL);
        CImageProcessor::FreeLUTs(ppLuts, 3);
        if (pParts)
            FreeImage_Unload(pParts->m_pDstBitmap);
    }
};

SSession* g_pSession = nullptr;

// Runs fnStep per iteration with the brightness going 20, 21, 20 ...; counts faults and paints.
void RunSteps(benchmark::State& state, const std::function<void(int)>& fnStep)
{
    int nStep = 0;
    fnStep(20 + (nStep++ & 1)); // a first step outside the measurement
    const long nFaults = MinorFaults();
    const int nPaints = g_pSession->paints.m_nPaints;
    for (auto _ : state)
        fnStep(20 + (nStep++ & 1));
    const double dSteps = double(state.iterations());
    state.counters["faults_per_step"] = double(MinorFaults() - nFaults) / dSteps;
    state.counters["paints_per_step"] = double(g_pSession->paints.m_nPaints - nPaints) / dSteps;
}

// The step as the user sees it, the view at zoom dZoom (1/4 shows the whole picture in the window).
void SliderStep(benchmark::State& state, double dZoom)
{
    g_pSession->pView->m_dZoom = dZoom;
    g_pSession->pDoc->UpdateAllViews(nullptr, 0);
    QSlider* pSlider = g_pSession->pDialog->m_pBrightness;
    const int nMiddle = pSlider->value();
    RunSteps(state, [&](int b) {
        pSlider->setValue(nMiddle + b);    // the dialog's step: tables, picture, shown in the document
        QCoreApplication::processEvents(); // the paint
    });
    pSlider->setValue(nMiddle);
    g_pSession->pView->m_dZoom = 1;
    g_pSession->pDoc->UpdateAllViews(nullptr, 0);
}

void PartTables(benchmark::State& state)
{
    RunSteps(state, [](int) { g_pSession->FillTables(); });
}

void PartAdd(benchmark::State& state)
{
    RunSteps(state, [](int b) { iplAddS(g_pSession->pParts->m_pSrcImage, g_pSession->pWork, b); });
}

void PartStretch(benchmark::State& state)
{
    RunSteps(state,
             [](int) { iplContrastStretch(g_pSession->pWork, g_pSession->pParts->m_pDstImage, g_pSession->ppLuts); });
}

void PartConvert(benchmark::State& state)
{
    RunSteps(state, [](int) { g_pSession->pParts->ConvertResult(); });
}

void PartProcessor(benchmark::State& state)
{
    RunSteps(state, [](int b) {
        g_pSession->FillTables();
        g_pSession->pParts->AdjustBrightnessContrast(g_pSession->pWork, b, g_pSession->ppLuts);
    });
}

void PartShow(benchmark::State& state)
{
    RunSteps(state, [](int) {
        CLumivoDoc& doc = *g_pSession->pDoc;
        doc.ReplaceImage(CBitmapPtr(doc.m_pBitmap), doc.m_dElapsed, 0); // the same bitmap: shown again
        QCoreApplication::processEvents();
    });
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path())); // the recent-file list stays out of the user's
    QApplication application(argc, argv);
    // OpenCV's threads as the program has them, unless --threads=N says otherwise
    cv::setNumThreads(TakeThreadsOption(argc, argv, cv::getNumThreads()));
    benchmark::Initialize(&argc, argv);

    const QString strPath = dir.filePath(QStringLiteral("picture.bmp"));
    SSession session;
    if (!WritePicture(strPath) || !session.Open(strPath)) {
        std::fprintf(stderr, "could not open the picture with its view and dialog\n");
        return 1;
    }
    g_pSession = &session;
    benchmark::AddCustomContext("opencv_threads", std::to_string(cv::getNumThreads()));
    std::printf("view's viewport: %d x %d\n", session.pView->viewport()->width(), session.pView->viewport()->height());

    const std::pair<const char*, void (*)(benchmark::State&)> cases[] = {
        {"BrightnessStep/slider", [](benchmark::State& s) { SliderStep(s, 1); }},
        {"BrightnessStep/slider_zoom1_4", [](benchmark::State& s) { SliderStep(s, 0.25); }},
        {"BrightnessStep/processor", PartProcessor},
        {"Part/tables", PartTables},
        {"Part/add", PartAdd},
        {"Part/stretch", PartStretch},
        {"Part/convert", PartConvert},
        {"Part/show", PartShow},
    };
    for (const auto& [pszName, fn] : cases)
        benchmark::RegisterBenchmark(pszName, fn)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
