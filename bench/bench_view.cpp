// Painting the image view: a 1280 x 800 window over a 20000 x 15000 and a 2000 x 1500 24-bit image,
// scrolled to the middle, at several zoom factors. A paint should cost what the window shows, not
// what the image holds: <Case>/large within 1.5x of <Case>/small. The peak resident size at the end
// shows that showing the large image needs little beyond its own pixels.
// The painter spreads large fills over a thread pool, so the CPU column counts every thread of the
// process; on a busy machine it is steadier than the wall time. For steady figures:
//   bench_view --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include "document/LumivoDoc.h"
#include "document/LumivoView.h"
#include "Memory.h"

#include <FreeImage.h>
#include <QApplication>
#include <QImage>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr int VIEW_WIDTH = 1280;
constexpr int VIEW_HEIGHT = 800;

long PeakResidentKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A 24-bit bitmap whose every pixel differs from its neighbours, so nothing is uniform.
FIBITMAP* MakeBitmap(int nWidth, int nHeight)
{
    FIBITMAP* pBitmap = FreeImage_Allocate(nWidth, nHeight, 24);
    for (int y = 0; y < nHeight; ++y) {
        BYTE* pLine = FreeImage_GetScanLine(pBitmap, y);
        for (int x = 0; x < nWidth; ++x) {
            pLine[3 * x] = BYTE(x);
            pLine[3 * x + 1] = BYTE(y);
            pLine[3 * x + 2] = BYTE(x ^ y);
        }
    }
    return pBitmap;
}

// One document with its view, sized so that the client area is exactly the window being measured.
struct SShownImage {
    CLumivoDoc doc;
    std::unique_ptr<CLumivoView> pView;

    SShownImage(int nWidth, int nHeight)
    {
        pView = std::make_unique<CLumivoView>(&doc);
        doc.ReplaceImage(CBitmapPtr(MakeBitmap(nWidth, nHeight)), 0.0);
        pView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        pView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        const int nEdge = 2 * pView->frameWidth();
        pView->resize(VIEW_WIDTH + nEdge, VIEW_HEIGHT + nEdge);
        pView->setAttribute(Qt::WA_DontShowOnScreen);
        pView->show();
        doc.UpdateAllViews(nullptr, CLumivoDoc::HINT_NEW_IMAGE);
    }
    ~SShownImage() { pView.reset(); }

    void ZoomToMiddle(double dZoom)
    {
        pView->m_dZoom = dZoom;
        doc.UpdateAllViews(nullptr, 0);
        const QSize sizeTotal = pView->GetTotalSize();
        pView->ScrollToPosition(QPoint(std::max(0, (sizeTotal.width() - VIEW_WIDTH) / 2),
                                       std::max(0, (sizeTotal.height() - VIEW_HEIGHT) / 2)));
    }
};

SShownImage* g_pSmall = nullptr;
SShownImage* g_pLarge = nullptr;

void PaintView(benchmark::State& state, SShownImage* pShown, double dZoom)
{
    pShown->ZoomToMiddle(dZoom);
    QImage target(VIEW_WIDTH, VIEW_HEIGHT, QImage::Format_ARGB32_Premultiplied);
    QWidget* pViewport = pShown->pView->viewport();
    for (auto _ : state) {
        pViewport->render(&target, QPoint(), QRegion(), QWidget::DrawChildren);
        benchmark::DoNotOptimize(target.constBits());
    }
    state.counters["peak_rss_MB"] = double(PeakResidentKb()) / 1024;
}

// The first paints after zooming far out, where the view first samples the picture at the new size.
void ZoomFarOutAndPaint(benchmark::State& state, SShownImage* pShown)
{
    QImage target(VIEW_WIDTH, VIEW_HEIGHT, QImage::Format_ARGB32_Premultiplied);
    QWidget* pViewport = pShown->pView->viewport();
    for (auto _ : state) {
        for (double dZoom : {1.0 / 8, 1.0 / 16}) {
            pShown->ZoomToMiddle(dZoom);
            pViewport->render(&target, QPoint(), QRegion(), QWidget::DrawChildren);
        }
        benchmark::DoNotOptimize(target.constBits());
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);

    const long nBeforeKb = CurrentResidentKb();
    SShownImage small(2000, 1500);
    const long nSmallKb = CurrentResidentKb();
    SShownImage large(20000, 15000);
    g_pSmall = &small;
    g_pLarge = &large;

    const struct {
        const char* pszCase;
        double dZoom;
    } cases[] = {{"Zoom1_16", 1.0 / 16}, {"Zoom1_2", 0.5}, {"Zoom1", 1.0}, {"Zoom2", 2.0}, {"Zoom16", 16.0}};
    for (const auto& c : cases) {
        const double dZoom = c.dZoom;
        benchmark::RegisterBenchmark((std::string(c.pszCase) + "/large").c_str(),
                                     [dZoom](benchmark::State& s) { PaintView(s, g_pLarge, dZoom); })
            ->MeasureProcessCPUTime()
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string(c.pszCase) + "/small").c_str(),
                                     [dZoom](benchmark::State& s) { PaintView(s, g_pSmall, dZoom); })
            ->MeasureProcessCPUTime()
            ->Unit(benchmark::kMillisecond);
    }
    for (auto [pszName, pShown] :
         {std::pair{"FirstPaintsAt1_8And1_16/large", &large}, std::pair{"FirstPaintsAt1_8And1_16/small", &small}})
        benchmark::RegisterBenchmark(pszName, [pShown](benchmark::State& s) { ZoomFarOutAndPaint(s, pShown); })
            ->MeasureProcessCPUTime()
            ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    const double dImageMb = double(FreeImage_GetPitch(large.doc.m_pBitmap)) * large.doc.m_nHeight / (1024 * 1024);
    const double dPeakMb = double(PeakResidentKb()) / 1024;
    const double dBaseMb = double(nSmallKb) / 1024;
    std::printf("peak resident size: %.1f MB = %.1f MB before the large image (of which %.1f MB before both) "
                "+ %.1f MB of its pixels + %.1f MB for showing it\n",
                dPeakMb, dBaseMb, double(nBeforeKb) / 1024, dImageMb, dPeakMb - dBaseMb - dImageMb);
    return 0;
}
