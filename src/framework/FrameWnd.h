#pragma once
// Main frame base: a multiple-document window whose menus, toolbars and accelerators are built from
// the resource tables, with a status bar of fixed panes and the command route
// active view -> its document -> frame -> application.
#include "framework/CmdTarget.h"
#include "framework/Resources.h"

#include <QMainWindow>
#include <map>
#include <vector>

class CView;
class CDocument;
class QMdiArea;
class QLabel;
class QMenu;
class QToolBar;

class CMDIFrameWnd : public QMainWindow, public CCmdTarget {
    Q_OBJECT
public:
    explicit CMDIFrameWnd(const SResourceSet& resources);
    ~CMDIFrameWnd() override;

    QMdiArea* GetMDIClient() const { return m_pMdiArea; }
    CView* GetActiveView() const;
    CDocument* GetActiveDocument() const;

    // Status bar: one pane per indicator id; the first (ID_SEPARATOR) is the message pane, the
    // others are sized by the string resource of their id. Panes are addressed by indicator id.
    void SetIndicators(std::span<const int> indicators);
    void SetPaneText(int nIndicatorId, const QString& strText, bool bUpdate = true);
    QString GetPaneText(int nIndicatorId) const;

    // Runs nId through the command route when its update handler allows it; false otherwise.
    bool ExecuteCommand(int nId);
    // The state the route gives nId: disabled when nothing handles it.
    CCmdUI QueryCommand(int nId) const;
    // Refreshes the enabled and checked state of every action.
    void UpdateCommandUI();
    QAction* GetAction(int nId) const;

    // A new pop-up built from menu resource nId (first pop-up of it), owned by the caller.
    QMenu* LoadPopupMenu(int nMenuId, QWidget* pParent);
    QToolBar* GetToolBar(int nId) const;
    const std::vector<QToolBar*>& GetToolBars() const { return m_toolBars; }
    // The menu bar shows menu resource nId (the frame's own, or the document menu).
    void ShowMenuResource(int nId);
    int GetShownMenuResource() const { return m_nShownMenu; }

protected:
    // Called by the subclass once it has made its MDI client.
    void SetMDIClient(QMdiArea* pMdiArea);
    void CreateToolBars();
    virtual std::vector<CCmdTarget*> GetCommandRoute() const;
    void OnActiveChildChanged();
    void closeEvent(QCloseEvent* pEvent) override;

private:
    QAction* CreateAction(const SCommandInfo& info);
    void BuildMenu(QMenu* pMenu, std::span<const SMenuEntry> entries, size_t& nPos, int nDepth);
    void UpdateRecentFileActions();
    // The pop-up holding the window-arranging commands ends with the open windows, numbered, the
    // active one checked; choosing one activates it.
    void ListWindows(QMenu* pMenu);
    void UpdateTitle();

    const SResourceSet& m_resources;
    QMdiArea* m_pMdiArea = nullptr;
    std::map<int, QAction*> m_actions;                     // one per command, with its own text
    std::vector<std::pair<int, QAction*>> m_wordedActions; // menu entries with a text of their own
    std::map<int, std::vector<QMenu*>> m_menuBars; // top-level pop-ups of each menu resource
    std::vector<QAction*> m_recentFileActions;
    QAction* m_pRecentPlaceholder = nullptr;
    std::vector<QToolBar*> m_toolBars;
    QLabel* FindPane(int nIndicatorId) const;
    std::vector<int> m_indicators; // the ids of the panes, the message pane's first
    std::vector<QLabel*> m_panes;  // panes 1.. ; pane 0 is the status bar's message
    int m_nShownMenu = 0;
};
