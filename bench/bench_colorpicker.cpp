// Drags in the colour picker: one mouse move and the repaint it causes, on the wheel, on the
// brightness bar and on an RGB handle. A step should fit in a frame (16 ms) on the 256-pixel pictures.
#include "tools/ColorPickerDlg.h"

#include <QApplication>
#include <QMouseEvent>
#include <benchmark/benchmark.h>
#include <cmath>
#include <memory>

namespace {

void Send(QWidget* pWidget, QEvent::Type eType, QPoint pt)
{
    QMouseEvent event(eType, QPointF(pt), pWidget->mapToGlobal(QPointF(pt)), Qt::LeftButton,
                      eType == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(pWidget, &event);
}

// Presses at ptStart, then each step moves to the next point of fnPoint and repaints at once.
template <class F> void Drag(benchmark::State& state, QPoint ptStart, F fnPoint)
{
    auto pDlg = std::make_unique<CColorPickerDlg>(10 | 20 << 8 | 30 << 16);
    pDlg->setAttribute(Qt::WA_DontShowOnScreen);
    pDlg->show();
    pDlg->repaint();
    Send(pDlg.get(), QEvent::MouseButtonPress, ptStart);
    int nStep = 0;
    for (auto _ : state) {
        Send(pDlg.get(), QEvent::MouseMove, fnPoint(*pDlg, nStep++));
        pDlg->repaint();
    }
    Send(pDlg.get(), QEvent::MouseButtonRelease, ptStart);
}

void WheelDrag(benchmark::State& state)
{
    CColorPickerDlg probe(0);
    Drag(state, probe.m_ptWheelCentre, [](const CColorPickerDlg& dlg, int nStep) {
        // Round the wheel at varying distance, so hue and saturation change every step.
        const double a = nStep * 0.05, r = 20 + (nStep * 7) % 80;
        return dlg.m_ptWheelCentre + QPoint(int(r * std::cos(a)), int(-r * std::sin(a)));
    });
}

void BarDrag(benchmark::State& state)
{
    CColorPickerDlg probe(0);
    Drag(state, probe.m_rcBar.center(), [](const CColorPickerDlg& dlg, int nStep) {
        return QPoint(dlg.m_rcBar.center().x(), dlg.m_rcBar.y() + (nStep * 13) % dlg.m_rcBar.height());
    });
}

void HandleDrag(benchmark::State& state)
{
    CColorPickerDlg probe(10 | 20 << 8 | 30 << 16);
    Drag(state, probe.m_ptHandles[0],
         [](const CColorPickerDlg& dlg, int nStep) { return dlg.m_ptOrigin - QPoint(0, (nStep * 11) % 100); });
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RegisterBenchmark("WheelDragStep", WheelDrag)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BarDragStep", BarDrag)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("HandleDragStep", HandleDrag)->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
