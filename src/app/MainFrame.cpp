#include "app/MainFrame.h"

#include "app/LockKeys.h"
#include "app/LogoMdi.h"
#include "app/SplashWnd.h"
#include "document/Clipboard.h"
#include "document/FileDialogs.h"
#include "document/LumivoDoc.h"
#include "framework/DocTemplate.h"
#include "framework/WinApp.h"
#include "res/CommandIds.h"
#include "res/LumivoResources.h"
#include "tools/ColorPickerDlg.h"
#include "tools/HexEditDlgDlg.h"
#include "ui/DialogToolbars.h"
#include "ui/DlgUsage.h"
#include "tools/ASSOCIATIONDialog.h"
#include "tools/BatchDialog.h"

#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

namespace {
// The panes of the status bar: prompt, time, blank, size, lock keys.
const int g_indicators[] = {ID_SEPARATOR,      ID_INDICATOR_TIME, ID_INDICATOR_BLANK, ID_INDICATOR_IMAGE,
                            ID_INDICATOR_CAPS, ID_INDICATOR_NUM,  ID_INDICATOR_SCRL};
} // namespace

CMainFrame::CMainFrame() : CMDIFrameWnd(LumivoResources())
{
    OnCommand(ID_FILE_OPEN, [this] { OnFileOpen(); });
    OnCommand(ID_FILE_ASSOCIATIONS, OnAssociations);
    OnCommand(ID_FILE_BATCH_CONVERSION, OnBatchConversion);
    OnCommand(
        ID_EDIT_PASTE, [this] { OnEditPaste(); }, [this](CCmdUI& ui) { ui.Enable(m_bClipboardHasImage); });
    OnCommand(
        ID_VIEW_TOOLBARS_DIALOG,
        [this] {
            CDialogToolbars dialog(this, this);
            dialog.exec();
        },
        [](CCmdUI& ui) { ui.Enable(); });
    OnCommandRange(
        ID_HELP_USAGE, ID_HELP_USAGE2,
        [this](int) {
            CDlgUsage dialog(this);
            dialog.exec();
        },
        [](int, CCmdUI& ui) { ui.Enable(); });

    OnCommand(ID_VIEW_BACKGROUND_COLOR, [this] { OnBackgroundColor(); });
    OnCommand(ID_FILE_HEX_VIEW, [this] { CHexEditDlgDlg(this).DoModal(); });

    // What the clipboard offers is asked once per change, not on every idle pass.
    QClipboard* pClipboard = QApplication::clipboard();
    connect(pClipboard, &QClipboard::dataChanged, this,
            [this, pClipboard] { m_bClipboardHasImage = ClipboardOffersImage(pClipboard->mimeData()); });
    m_bClipboardHasImage = ClipboardOffersImage(pClipboard->mimeData());
}

CMainFrame::~CMainFrame()
{
    qApp->removeEventFilter(this);
}

void CMainFrame::LoadFrame()
{
    setWindowTitle(AfxGetApp()->LoadString(IDR_MAINFRAME));
    setWindowIcon(QIcon(QStringLiteral(":/icons/lumivo.svg")));
    m_pMdiClient = new CLogoMdi(this);
    SetMDIClient(m_pMdiClient);
    CreateToolBars();
    SetIndicators(g_indicators);
    statusBar()->showMessage(AfxGetApp()->LoadString(IDS_IDLE_MESSAGE));
    resize(1024, 768);

    // Lock-key panes follow the keyboard: on every key and on the idle pass.
    qApp->installEventFilter(this);
    auto* pTimer = new QTimer(this);
    connect(pTimer, &QTimer::timeout, this, &CMainFrame::UpdateLockPanes);
    pTimer->start(250);
    UpdateLockPanes();

    CSplashWnd::ShowSplashScreen(this);
}

void CMainFrame::OnFileOpen()
{
    const QString strPath = PromptOpenImage(this);
    if (!strPath.isEmpty())
        AfxGetApp()->OpenDocumentFile(strPath);
}

void CMainFrame::OnEditPaste()
{
    CLumivoDoc* pDoc = CLumivoDoc::CreateEmptyDocument();
    if (!pDoc)
        return;
    pDoc->SetTitle(QStringLiteral("Clipboard Image "));
    PasteClipboardInto(*pDoc);
}

void CMainFrame::OnBackgroundColor()
{
    QColor crBackground = m_pMdiClient->m_crBackground;
    if (!PickColor(crBackground))
        return;
    m_pMdiClient->m_crBackground = crBackground;
    // The whole window, without erasing: the MDI area paints its own background.
    update();
    m_pMdiClient->viewport()->update();
}

void CMainFrame::UpdateLockPanes()
{
    SLockKeys keys;
    const bool bKnown = QueryLockKeys(keys);
    SetPaneText(ID_INDICATOR_CAPS, bKnown && keys.bCaps ? QStringLiteral("CAP") : QString(), false);
    SetPaneText(ID_INDICATOR_NUM, bKnown && keys.bNum ? QStringLiteral("NUM") : QString(), false);
    SetPaneText(ID_INDICATOR_SCRL, bKnown && keys.bScroll ? QStringLiteral("SCRL") : QString(), false);
}

bool CMainFrame::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (pEvent->type() == QEvent::KeyRelease)
        UpdateLockPanes();
    return CMDIFrameWnd::eventFilter(pWatched, pEvent);
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* pEvent)
{
    if (pEvent->mimeData()->hasUrls())
        pEvent->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* pEvent)
{
    activateWindow();
    // Each file in the order the drop lists it, by its full canonical path.
    const QList<QUrl> urls = pEvent->mimeData()->urls();
    for (const QUrl& url : urls) {
        if (!url.isLocalFile())
            continue;
        const QFileInfo info(url.toLocalFile());
        AfxGetApp()->OpenDocumentFile(info.exists() ? info.canonicalFilePath() : info.absoluteFilePath());
    }
    pEvent->acceptProposedAction();
}
