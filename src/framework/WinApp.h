#pragma once
// Application base: the document template, the main window, the recent-file list, message boxes.
#include "framework/CmdTarget.h"
#include "framework/Resources.h"

#include <QString>
#include <QStringList>
#include <memory>

class CDocTemplate;
class CDocument;
class CMDIFrameWnd;
class QPrinter;

class CWinApp : public CCmdTarget {
public:
    explicit CWinApp(const SResourceSet& resources);
    ~CWinApp() override;
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    const SResourceSet& GetResources() const { return m_resources; }
    QString LoadString(int nId) const;
    CMDIFrameWnd* GetMainWnd() const { return m_pMainWnd; }

    // Opens strPath through the template (or activates it); no path gives a new empty document.
    CDocument* OpenDocumentFile(const QString& strPath);
    void CloseAllDocuments();

    // Recent files, kept in the settings under the application's key.
    void SetRegistryKey(const QString& strKey);
    void LoadStdProfileSettings(int nMaxMRU);
    void AddToRecentFileList(const QString& strPath);
    const QStringList& GetRecentFileList() const { return m_recentFiles; }

    // The printer and page settings shared by Print Setup, printing and preview.
    QPrinter& GetPrinter();

    CDocTemplate* m_pDocTemplate = nullptr; // owned: the application's one document template
    CMDIFrameWnd* m_pMainWnd = nullptr;     // owned: destroyed with the application

protected:
    void SaveRecentFileList() const;

private:
    const SResourceSet& m_resources;
    QString m_strRegistryKey;
    QStringList m_recentFiles;
    int m_nMaxMRU = 0;
    std::unique_ptr<QPrinter> m_pPrinter;
};

CWinApp* AfxGetApp();
CMDIFrameWnd* AfxGetMainWnd();
// A message box with the application's title as caption; returns the button pressed.
int AfxMessageBox(const QString& strText, int nButtons = 0x00000400 /* QMessageBox::Ok */);

// Shows the wait cursor for its lifetime; pending paints are done first.
class CWaitCursor {
public:
    CWaitCursor();
    ~CWaitCursor();
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};
