// The hex view over a 4 GiB file: opening it and painting the first page, then jumping to the last
// page and painting it, and paging through the middle. The file is mapped, not read, so each step
// should cost what one page shows, and the resident size should grow by the pages shown, not by the
// file. The file is sparse (made with ftruncate in /tmp) and removed at the end.
#include "tools/HexView.h"
#include "Memory.h"

#include <QApplication>
#include <QImage>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <unistd.h>

namespace {

constexpr qint64 kFileSize = qint64(4) << 30;
constexpr int VIEW_WIDTH = 900;
constexpr int VIEW_HEIGHT = 700;

QString g_strPath;

// A view of the benchmark's size, not shown on any screen.
std::unique_ptr<CHexView> MakeView()
{
    auto pView = std::make_unique<CHexView>();
    pView->resize(VIEW_WIDTH, VIEW_HEIGHT);
    pView->setAttribute(Qt::WA_DontShowOnScreen);
    pView->show();
    return pView;
}

void Paint(CHexView& view, QImage& target)
{
    view.viewport()->render(&target, QPoint(), QRegion(), QWidget::DrawChildren);
    benchmark::DoNotOptimize(target.constBits());
}

void OpenAndPaintFirstPage(benchmark::State& state)
{
    auto pView = MakeView();
    QImage target(VIEW_WIDTH, VIEW_HEIGHT, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QFileDevice::FileError eError;
        std::shared_ptr<const CHexData> pData = CHexData::Open(g_strPath, eError);
        if (!pData || pData->Size() != kFileSize) {
            state.SkipWithError("the file did not open");
            break;
        }
        pView->SetData(std::move(pData), 0);
        Paint(*pView, target);
    }
}

void JumpToLastPageAndPaint(benchmark::State& state)
{
    auto pView = MakeView();
    QFileDevice::FileError eError;
    pView->SetData(CHexData::Open(g_strPath, eError), 0);
    QImage target(VIEW_WIDTH, VIEW_HEIGHT, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        state.PauseTiming();
        pView->SetTopLine(0);
        Paint(*pView, target);
        state.ResumeTiming();
        pView->SetTopLine(pView->LineCount());
        Paint(*pView, target);
    }
    state.counters["last_line"] = double(pView->TopLine());
}

// Page after page from the middle of the file, as holding Page Down does.
void PageDownAndPaint(benchmark::State& state)
{
    auto pView = MakeView();
    QFileDevice::FileError eError;
    pView->SetData(CHexData::Open(g_strPath, eError), 0);
    pView->SetTopLine(pView->LineCount() / 2);
    QImage target(VIEW_WIDTH, VIEW_HEIGHT, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        pView->SetTopLine(pView->TopLine() + pView->VisibleLines());
        Paint(*pView, target);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);

    // A sparse 4 GiB file with a few written bytes at both ends.
    char szPath[] = "/tmp/lumivo-hexview-XXXXXX";
    const int fd = mkstemp(szPath);
    if (fd < 0 || ftruncate(fd, kFileSize) != 0 || pwrite(fd, "Lumivo", 6, 0) != 6 ||
        pwrite(fd, "end", 3, kFileSize - 3) != 3) {
        std::perror("cannot make the 4 GiB file");
        return 1;
    }
    close(fd);
    g_strPath = QString::fromLocal8Bit(szPath);

    const long nBeforeKb = CurrentResidentKb();
    benchmark::RegisterBenchmark("OpenAndPaintFirstPage", OpenAndPaintFirstPage)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("JumpToLastPageAndPaint", JumpToLastPageAndPaint)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("PageDownAndPaint", PageDownAndPaint)->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const long nAfterKb = CurrentResidentKb();
    unlink(szPath);
    std::printf("resident size: %.1f MB before the views, %.1f MB after; growth %.1f MB for a %.0f MB file\n",
                double(nBeforeKb) / 1024, double(nAfterKb) / 1024, double(nAfterKb - nBeforeKb) / 1024,
                double(kFileSize) / (1024 * 1024));
    return 0;
}
