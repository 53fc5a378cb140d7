#include "framework/FrameWnd.h"

#include "framework/AfxRes.h"
#include "framework/DocTemplate.h"
#include "framework/Document.h"
#include "framework/ScrollView.h"
#include "framework/WinApp.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <algorithm>

namespace {

// A file or window name as a menu entry's text: its '&' shown, not taken for a shortcut mark.
QString MenuText(QString strName)
{
    return strName.replace(QLatin1Char('&'), QLatin1String("&&"));
}

Qt::ToolBarArea ToArea(EDockSide eSide)
{
    switch (eSide) {
    case DOCK_BOTTOM: return Qt::BottomToolBarArea;
    case DOCK_LEFT: return Qt::LeftToolBarArea;
    case DOCK_RIGHT: return Qt::RightToolBarArea;
    default: return Qt::TopToolBarArea;
    }
}

Qt::ToolBarAreas ToAreas(unsigned nSides)
{
    Qt::ToolBarAreas areas;
    for (EDockSide eSide : {DOCK_TOP, DOCK_BOTTOM, DOCK_LEFT, DOCK_RIGHT})
        if (nSides & eSide)
            areas |= ToArea(eSide);
    return areas;
}
} // namespace

CMDIFrameWnd::CMDIFrameWnd(const SResourceSet& resources) : m_resources(resources)
{
    for (const SCommandInfo& info : m_resources.commands)
        m_actions[info.nId] = CreateAction(info);

    // Recent files: slots after the placeholder of the File menu; text set when shown.
    for (int nId = ID_FILE_MRU_FILE1; nId <= ID_FILE_MRU_LAST; ++nId) {
        auto it = m_actions.find(nId);
        QAction* pAction =
            it != m_actions.end() ? it->second : CreateAction(SCommandInfo{nId, "", nullptr, nullptr, nullptr});
        m_actions[nId] = pAction;
        m_recentFileActions.push_back(pAction);
    }

    for (const SMenuResource& menu : m_resources.menus) {
        size_t nPos = 0;
        std::vector<QMenu*>& bar = m_menuBars[menu.nId];
        while (nPos < menu.entries.size()) {
            const SMenuEntry& entry = menu.entries[nPos++];
            if (entry.eKind != MENU_POPUP)
                continue;
            auto* pMenu = new QMenu(QString::fromUtf8(entry.pszText), this);
            BuildMenu(pMenu, menu.entries, nPos, 1);
            bar.push_back(pMenu);
        }
    }

    OnCommand(ID_WINDOW_NEW, [this] {
        if (CDocument* pDoc = GetActiveDocument())
            pDoc->GetDocTemplate()->CreateNewWindow(pDoc);
    });
    OnCommand(ID_WINDOW_CASCADE, [this] { m_pMdiArea->cascadeSubWindows(); });
    OnCommand(ID_WINDOW_TILE_HORZ, [this] { m_pMdiArea->tileSubWindows(); });
    OnCommand(ID_WINDOW_ARRANGE, [this] {
        // Minimised windows are lined up along the bottom by the MDI area's tiling of icons.
        for (QMdiSubWindow* pFrame : m_pMdiArea->subWindowList())
            if (pFrame->isMinimized())
                pFrame->showMinimized();
    });
    OnCommand(ID_APP_EXIT, [this] { close(); });
    OnCommand(
        ID_VIEW_TOOLBAR, [this] { m_toolBars.front()->setVisible(!m_toolBars.front()->isVisible()); },
        [this](CCmdUI& ui) { ui.SetCheck(!m_toolBars.empty() && m_toolBars.front()->isVisible()); });
    OnCommand(
        ID_VIEW_STATUS_BAR, [this] { statusBar()->setVisible(!statusBar()->isVisible()); },
        [this](CCmdUI& ui) { ui.SetCheck(statusBar()->isVisible()); });

    // Idle pass: toolbar buttons and accelerators follow their update handlers.
    auto* pIdle = new QTimer(this);
    connect(pIdle, &QTimer::timeout, this, &CMDIFrameWnd::UpdateCommandUI);
    pIdle->start(100);
}

CMDIFrameWnd::~CMDIFrameWnd() = default;

QAction* CMDIFrameWnd::CreateAction(const SCommandInfo& info)
{
    auto* pAction = new QAction(QString::fromUtf8(info.pszText ? info.pszText : ""), this);
    if (info.pszPrompt) {
        const QStringList parts = QString::fromUtf8(info.pszPrompt).split(QLatin1Char('\n'));
        pAction->setStatusTip(parts.value(0));
        // The tooltip is the text after the line feed; a prompt without one serves as both.
        pAction->setToolTip(parts.value(parts.size() > 1 ? 1 : 0));
    }
    if (info.pszAccel) {
        QList<QKeySequence> keys;
        for (const QString& strKey : QString::fromUtf8(info.pszAccel).split(QLatin1Char(';')))
            keys.append(QKeySequence(strKey, QKeySequence::PortableText));
        pAction->setShortcuts(keys);
        addAction(pAction); // accelerators work whichever menu is shown
    }
    if (info.pszIcon)
        pAction->setIcon(QIcon(QString::fromUtf8(info.pszIcon)));
    const int nId = info.nId;
    connect(pAction, &QAction::triggered, this, [this, nId] { ExecuteCommand(nId); });
    return pAction;
}

void CMDIFrameWnd::BuildMenu(QMenu* pMenu, std::span<const SMenuEntry> entries, size_t& nPos, int nDepth)
{
    connect(pMenu, &QMenu::aboutToShow, this, &CMDIFrameWnd::UpdateCommandUI);
    while (nPos < entries.size() && entries[nPos].nDepth >= nDepth) {
        const SMenuEntry& entry = entries[nPos++];
        switch (entry.eKind) {
        case MENU_POPUP: {
            QMenu* pSub = pMenu->addMenu(QString::fromUtf8(entry.pszText));
            BuildMenu(pSub, entries, nPos, nDepth + 1);
            break;
        }
        case MENU_ITEM: {
            QAction* pAction = GetAction(entry.nId);
            if (!pAction) {
                pAction = CreateAction(SCommandInfo{entry.nId, entry.pszText, nullptr, nullptr, nullptr});
                m_actions[entry.nId] = pAction;
            } else if (entry.pszText && pAction->text() != QString::fromUtf8(entry.pszText)) {
                // A menu that words the command its own way gets an action of its own, so the
                // other menus keep the command's text.
                QAction* pWorded = CreateAction(SCommandInfo{entry.nId, entry.pszText, nullptr, nullptr, nullptr});
                pWorded->setStatusTip(pAction->statusTip());
                m_wordedActions.emplace_back(entry.nId, pWorded);
                pAction = pWorded;
            }
            pMenu->addAction(pAction);
            if (entry.nId == ID_WINDOW_CASCADE)
                connect(pMenu, &QMenu::aboutToShow, this, [this, pMenu] { ListWindows(pMenu); });
            break;
        }
        case MENU_SEPARATOR: pMenu->addSeparator(); break;
        case MENU_RECENT_FILES:
            if (!m_pRecentPlaceholder) {
                m_pRecentPlaceholder =
                    new QAction(QString::fromUtf8(entry.pszText ? entry.pszText : "Recent File"), this);
                m_pRecentPlaceholder->setEnabled(false);
            }
            pMenu->addAction(m_pRecentPlaceholder);
            for (QAction* pAction : m_recentFileActions)
                pMenu->addAction(pAction);
            break;
        }
    }
}

void CMDIFrameWnd::ListWindows(QMenu* pMenu)
{
    constexpr int kMaxListed = 9;
    const char* const pszProperty = "lumivoWindowItem";
    for (QAction* pAction : pMenu->actions())
        if (pAction->property(pszProperty).toBool())
            delete pAction;
    const QList<QMdiSubWindow*> windows = m_pMdiArea ? m_pMdiArea->subWindowList() : QList<QMdiSubWindow*>();
    if (windows.isEmpty())
        return;
    pMenu->addSeparator()->setProperty(pszProperty, true);
    for (qsizetype i = 0; i < std::min<qsizetype>(windows.size(), kMaxListed); ++i) {
        QMdiSubWindow* pWindow = windows.at(i);
        QAction* pAction = pMenu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(MenuText(pWindow->windowTitle())));
        pAction->setProperty(pszProperty, true);
        pAction->setCheckable(true);
        pAction->setChecked(pWindow == m_pMdiArea->activeSubWindow());
        connect(pAction, &QAction::triggered, this, [this, pWindow = QPointer<QMdiSubWindow>(pWindow)] {
            if (pWindow)
                m_pMdiArea->setActiveSubWindow(pWindow);
        });
    }
}

QAction* CMDIFrameWnd::GetAction(int nId) const
{
    auto it = m_actions.find(nId);
    return it == m_actions.end() ? nullptr : it->second;
}

void CMDIFrameWnd::SetMDIClient(QMdiArea* pMdiArea)
{
    m_pMdiArea = pMdiArea;
    // Closing a window activates the one that was active before it.
    m_pMdiArea->setActivationOrder(QMdiArea::ActivationHistoryOrder);
    setCentralWidget(pMdiArea);
    connect(pMdiArea, &QMdiArea::subWindowActivated, this, &CMDIFrameWnd::OnActiveChildChanged);
    ShowMenuResource(m_resources.nFrameMenu);
}

void CMDIFrameWnd::CreateToolBars()
{
    for (const SToolbarResource& res : m_resources.toolbars) {
        auto* pBar = new QToolBar(QString::fromUtf8(res.pszName), this);
        pBar->setObjectName(QStringLiteral("ToolBar%1").arg(res.nId));
        pBar->setIconSize(QSize(res.nButtonWidth, res.nButtonHeight));
        pBar->setAllowedAreas(ToAreas(res.nAllowed));
        for (int nId : res.buttons) {
            if (nId == 0)
                pBar->addSeparator();
            else if (QAction* pAction = GetAction(nId))
                pBar->addAction(pAction);
        }
        addToolBar(ToArea(res.eStart), pBar);
        pBar->setVisible(res.bVisible);
        m_toolBars.push_back(pBar);
    }
}

QToolBar* CMDIFrameWnd::GetToolBar(int nId) const
{
    const QString strName = QStringLiteral("ToolBar%1").arg(nId);
    for (QToolBar* pBar : m_toolBars)
        if (pBar->objectName() == strName)
            return pBar;
    return nullptr;
}

QMenu* CMDIFrameWnd::LoadPopupMenu(int nMenuId, QWidget* pParent)
{
    for (const SMenuResource& menu : m_resources.menus) {
        if (menu.nId != nMenuId || menu.entries.empty())
            continue;
        auto* pMenu = new QMenu(QString::fromUtf8(menu.entries.front().pszText), pParent);
        size_t nPos = 1;
        BuildMenu(pMenu, menu.entries, nPos, 1);
        return pMenu;
    }
    return nullptr;
}

void CMDIFrameWnd::ShowMenuResource(int nId)
{
    if (nId == m_nShownMenu)
        return;
    m_nShownMenu = nId;
    menuBar()->clear();
    for (QMenu* pMenu : m_menuBars[nId])
        menuBar()->addMenu(pMenu);
}

void CMDIFrameWnd::SetIndicators(std::span<const int> indicators)
{
    for (QLabel* pPane : m_panes)
        delete pPane;
    m_panes.clear();
    m_indicators.assign(indicators.begin(), indicators.end());
    for (size_t i = 1; i < indicators.size(); ++i) {
        const QString strSizing = AfxGetApp() ? AfxGetApp()->LoadString(indicators[i]) : QString();
        auto* pPane = new QLabel(this);
        pPane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        pPane->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        const int nMargin = pPane->frameWidth() * 2 + 6;
        pPane->setFixedWidth(pPane->fontMetrics().horizontalAdvance(strSizing) + nMargin);
        statusBar()->addPermanentWidget(pPane);
        m_panes.push_back(pPane);
    }
}

QLabel* CMDIFrameWnd::FindPane(int nIndicatorId) const
{
    const auto it =
        std::find(m_indicators.begin() + std::min<size_t>(1, m_indicators.size()), m_indicators.end(), nIndicatorId);
    return it == m_indicators.end() ? nullptr : m_panes[size_t(it - m_indicators.begin()) - 1];
}

void CMDIFrameWnd::SetPaneText(int nIndicatorId, const QString& strText, bool bUpdate)
{
    // A pane that already shows the text is left alone: no repaint for nothing (a live preview
    // writes the same size and time on every step).
    if (GetPaneText(nIndicatorId) == strText)
        return;
    if (nIndicatorId == ID_SEPARATOR)
        statusBar()->showMessage(strText);
    else if (QLabel* pPane = FindPane(nIndicatorId))
        pPane->setText(strText);
    else
        return;
    if (bUpdate)
        statusBar()->repaint();
}

QString CMDIFrameWnd::GetPaneText(int nIndicatorId) const
{
    if (nIndicatorId == ID_SEPARATOR)
        return statusBar()->currentMessage();
    const QLabel* pPane = FindPane(nIndicatorId);
    return pPane ? pPane->text() : QString();
}

CView* CMDIFrameWnd::GetActiveView() const
{
    if (!m_pMdiArea)
        return nullptr;
    // The current child stays current while another application has the focus.
    QMdiSubWindow* pFrame = m_pMdiArea->currentSubWindow();
    return pFrame ? qobject_cast<CView*>(pFrame->widget()) : nullptr;
}

CDocument* CMDIFrameWnd::GetActiveDocument() const
{
    CView* pView = GetActiveView();
    return pView ? pView->GetDocument() : nullptr;
}

std::vector<CCmdTarget*> CMDIFrameWnd::GetCommandRoute() const
{
    std::vector<CCmdTarget*> route;
    if (CView* pView = GetActiveView()) {
        route.push_back(pView);
        if (CDocument* pDoc = pView->GetDocument())
            route.push_back(pDoc);
    }
    route.push_back(const_cast<CMDIFrameWnd*>(this));
    if (CWinApp* pApp = AfxGetApp())
        route.push_back(pApp);
    return route;
}

CCmdUI CMDIFrameWnd::QueryCommand(int nId) const
{
    CCmdUI ui(nId);
    for (CCmdTarget* pTarget : GetCommandRoute())
        if (pTarget->OnCmdMsg(nId, &ui))
            return ui;
    ui.Enable(false);
    return ui;
}

bool CMDIFrameWnd::ExecuteCommand(int nId)
{
    for (CCmdTarget* pTarget : GetCommandRoute()) {
        CCmdUI ui(nId);
        if (!pTarget->OnCmdMsg(nId, &ui))
            continue;
        if (!ui.m_bEnabled)
            return false;
        pTarget->OnCmdMsg(nId, nullptr);
        return true;
    }
    return false;
}

void CMDIFrameWnd::UpdateRecentFileActions()
{
    const QStringList& files = AfxGetApp() ? AfxGetApp()->GetRecentFileList() : QStringList();
    for (size_t i = 0; i < m_recentFileActions.size(); ++i) {
        QAction* pAction = m_recentFileActions[i];
        const bool bUsed = int(i) < files.size();
        pAction->setVisible(bUsed);
        if (bUsed)
            pAction->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(MenuText(files.at(int(i)))));
    }
    if (m_pRecentPlaceholder)
        m_pRecentPlaceholder->setVisible(files.isEmpty());
}

void CMDIFrameWnd::UpdateCommandUI()
{
    UpdateTitle();
    UpdateRecentFileActions();
    auto fnUpdate = [this](int nId, QAction* pAction) {
        const CCmdUI ui = QueryCommand(nId);
        pAction->setEnabled(ui.m_bEnabled);
        pAction->setCheckable(ui.m_bCheckable);
        if (ui.m_bCheckable)
            pAction->setChecked(ui.m_bChecked);
    };
    for (auto& [nId, pAction] : m_actions)
        fnUpdate(nId, pAction);
    for (auto& [nId, pAction] : m_wordedActions)
        fnUpdate(nId, pAction);
}

void CMDIFrameWnd::UpdateTitle()
{
    // "Lumivo - x.jpg"; with the active child maximised its caption joins in brackets instead,
    // "Lumivo - [x.jpg]", which the MDI area then leaves alone.
    QString strTitle = AfxGetApp() ? AfxGetApp()->LoadString(m_resources.nTitleString) : QString();
    const QMdiSubWindow* pChild = m_pMdiArea ? m_pMdiArea->activeSubWindow() : nullptr;
    if (pChild && pChild->isMaximized())
        strTitle += QStringLiteral(" - [%1]").arg(pChild->windowTitle());
    else if (CDocument* pDoc = GetActiveDocument())
        strTitle += QStringLiteral(" - ") + pDoc->GetTitle();
    if (windowTitle() != strTitle)
        setWindowTitle(strTitle);
}

void CMDIFrameWnd::OnActiveChildChanged()
{
    ShowMenuResource(GetActiveView() ? m_resources.nDocumentMenu : m_resources.nFrameMenu);
    UpdateTitle();
    UpdateCommandUI();
}

void CMDIFrameWnd::closeEvent(QCloseEvent* pEvent)
{
    if (AfxGetApp())
        AfxGetApp()->CloseAllDocuments();
    pEvent->accept();
}
