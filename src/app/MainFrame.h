#pragma once
// The main window: five toolbars, the seven-pane status bar, the MDI area, Open and dropped files,
// the tool commands and the scanner connection.
#include "framework/FrameWnd.h"
#include "tools/Twain.h"

class CLogoMdi;

class CMainFrame : public CMDIFrameWnd, public CTwain {
    Q_OBJECT
public:
    CMainFrame();
    ~CMainFrame() override;

    // Builds bars, status bar and MDI client and shows the splash when allowed.
    void LoadFrame();
    CLogoMdi* GetLogoMdi() const { return m_pMdiClient; }
    // Opens a transferred image as "Acquired Image".
    void ReceiveImage(TW_HANDLE hImage, const TW_IMAGEINFO& info) override;

protected:
    void dragEnterEvent(QDragEnterEvent* pEvent) override;
    void dropEvent(QDropEvent* pEvent) override;
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;
    void closeEvent(QCloseEvent* pEvent) override;

private:
    void OnFileOpen();
    void OnEditPaste();
    void OnBackgroundColor();
    void UpdateLockPanes();

    CLogoMdi* m_pMdiClient = nullptr;
    bool m_bClipboardHasImage = false; // Paste is enabled while the clipboard offers an image
};
