#pragma once
// The main window: five toolbars, the seven-pane status bar, the MDI area, Open and dropped files,
// and the tool commands.
#include "framework/FrameWnd.h"

class CLogoMdi;

class CMainFrame : public CMDIFrameWnd {
    Q_OBJECT
public:
    CMainFrame();
    ~CMainFrame() override;

    // Builds bars, status bar and MDI client and shows the splash when allowed.
    void LoadFrame();
    CLogoMdi* GetLogoMdi() const { return m_pMdiClient; }

protected:
    void dragEnterEvent(QDragEnterEvent* pEvent) override;
    void dropEvent(QDropEvent* pEvent) override;
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    void OnFileOpen();
    void OnEditPaste();
    void OnBackgroundColor();
    void UpdateLockPanes();

    CLogoMdi* m_pMdiClient = nullptr;
    bool m_bClipboardHasImage = false; // Paste is enabled while the clipboard offers an image
};
