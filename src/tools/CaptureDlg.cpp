#include "tools/CaptureDlg.h"

#include "document/LumivoDoc.h"
#include "framework/FrameWnd.h"
#include "framework/WinApp.h"
#include "tools/X11Desktop.h"

#include <QCoreApplication>
#include <QFormLayout>
#include <QGuiApplication>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <xcb/xcb.h>

namespace {
// Longest wait for a raised window to be repainted before its pixels are copied.
constexpr int MAX_PAINT_WAIT_MS = 300;

// Hands what the program's own X connection has queued (the closed dialog) to the server.
void FlushOwnDisplay()
{
    QCoreApplication::processEvents();
    if (auto* pX11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>())
        xcb_flush(pX11->connection());
}

// The pixels of the window (the root window is the desktop), raised above the others while they
// are copied; a null image when there is nothing to copy.
QImage CapturePixels(CX11Desktop& desktop, uint32_t nWindow, bool bInside)
{
    QScreen* pScreen = QGuiApplication::primaryScreen();
    if (!pScreen)
        return {};
    if (!desktop.IsOpen()) // without X11 the desktop is all there is
        return pScreen->grabWindow(0).toImage();

    const uint32_t nSource = bInside ? nWindow : desktop.FrameOf(nWindow);
    const QRect rcScreen = desktop.ScreenRect(nSource);
    if (rcScreen.isEmpty())
        return {};
    const SCaptureRect rect =
        CaptureRectFor(bInside ? QRect(QPoint(0, 0), rcScreen.size()) : rcScreen, desktop.ScreenSize());
    if (rect.IsEmpty())
        return {};

    FlushOwnDisplay();
    desktop.KeepAbove(nWindow, true);
    desktop.WaitUntilPainted(nWindow, MAX_PAINT_WAIT_MS);
    const QImage image =
        pScreen->grabWindow(nSource, rect.nSourceX, rect.nSourceY, rect.nWidth, rect.nHeight).toImage();
    desktop.KeepAbove(nWindow, false);
    return image;
}
} // namespace

CCAPTUREDialog::CCAPTUREDialog(const CX11Desktop& desktop, QWidget* pParent) : CDialog(pParent)
{
    setWindowTitle(QStringLiteral("Capture"));
    m_pWindowList = new QListWidget(this);
    m_pWindowList->setObjectName(QStringLiteral("windowList"));
    m_pWindowList->setViewMode(QListView::ListMode);
    m_pWindowList->setSelectionMode(QAbstractItemView::SingleSelection);
    QPalette palette = m_pWindowList->palette();
    palette.setColor(QPalette::Text, QColor(0, 0, 255));
    m_pWindowList->setPalette(palette);
    m_pInsideWindow = new QPushButton(QStringLiteral("Inside window"), this);
    m_pInsideWindow->setObjectName(QStringLiteral("insideWindow"));
    m_pInsideWindow->setCheckable(true);
    FormLayout()->addRow(m_pWindowList);
    FormLayout()->addRow(m_pInsideWindow);

    auto addEntry = [this](const QString& strText, uint32_t nWindow) {
        auto* pItem = new QListWidgetItem(strText, m_pWindowList);
        pItem->setData(Qt::UserRole, nWindow);
    };
    addEntry(QStringLiteral("Desktop"), desktop.Root());
    for (const STopLevelWindow& window : desktop.ListTopLevelWindows(MAX_WINDOWS))
        addEntry(window.strTitle, window.nWindow);
}

void CCAPTUREDialog::accept()
{
    m_bInsideWindow = m_pInsideWindow->isChecked() ? 1 : 0;
    QListWidgetItem* pItem = m_pWindowList->currentItem();
    m_nSelectedIndex = pItem && pItem->isSelected() ? m_pWindowList->row(pItem) : -1;
    if (m_nSelectedIndex >= 0)
        m_hSelectedWindow = pItem->data(Qt::UserRole).toUInt();
    CDialog::accept();
}

SCaptureRect CaptureRectFor(const QRect& rcWindow, const QSize& screenSize)
{
    int nLeft = rcWindow.x();
    int nTop = rcWindow.y();
    const int nRight = std::min(rcWindow.x() + rcWindow.width(), screenSize.width());
    const int nBottom = std::min(rcWindow.y() + rcWindow.height(), screenSize.height());
    SCaptureRect rect;
    if (nLeft < 0) {
        rect.nSourceX = -nLeft;
        nLeft = 0;
    }
    if (nTop < 0) {
        rect.nSourceY = -nTop;
        nTop = 0;
    }
    rect.nWidth = nRight - nLeft;
    rect.nHeight = nBottom - nTop;
    return rect;
}

void CaptureWindowCommand()
{
    CX11Desktop desktop;
    CMDIFrameWnd* pMainWnd = AfxGetMainWnd();
    CCAPTUREDialog dlg(desktop, pMainWnd);
    if (dlg.DoModal() != CDialog::IDOK || dlg.m_nSelectedIndex < 0)
        return;
    const QImage image = CapturePixels(desktop, dlg.m_hSelectedWindow, dlg.m_bInsideWindow != 0);
    if (pMainWnd) {
        pMainWnd->raise();
        pMainWnd->activateWindow();
    }
    if (image.isNull())
        return;

    CLumivoDoc* pDoc = CLumivoDoc::CreateEmptyDocument();
    if (!pDoc)
        return;
    pDoc->SetTitle(QStringLiteral("Captured Image"));
    pDoc->CreateFromDeviceBitmap(image);
}
