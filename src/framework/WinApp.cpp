#include "framework/WinApp.h"

#include "framework/AfxRes.h"
#include "framework/DocTemplate.h"
#include "framework/Document.h"
#include "framework/FrameWnd.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrinter>
#include <QSettings>

namespace {
CWinApp* g_pApp = nullptr;
}

CWinApp* AfxGetApp()
{
    return g_pApp;
}

CMDIFrameWnd* AfxGetMainWnd()
{
    return g_pApp ? g_pApp->m_pMainWnd : nullptr;
}

int AfxMessageBox(const QString& strText, int nButtons)
{
    const QString strCaption = g_pApp ? g_pApp->LoadString(AFX_IDS_APP_TITLE) : QString();
    // Owned by the dialog that is up (a range prompt stays with its dialog), else by the main window.
    QWidget* pOwner = QApplication::activeModalWidget();
    QMessageBox box(QMessageBox::Warning, strCaption, strText, QMessageBox::StandardButtons(nButtons),
                    pOwner ? pOwner : AfxGetMainWnd());
    // A message that comes up during a wait is answered with the ordinary pointer.
    const bool bWaiting = QApplication::overrideCursor() != nullptr;
    if (bWaiting)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    const int nResult = box.exec();
    if (bWaiting)
        QApplication::restoreOverrideCursor();
    return nResult;
}

CWaitCursor::CWaitCursor()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // What waits for the work is painted first: a menu or dialog that just closed does not stay
    // drawn over the window while it runs.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

CWaitCursor::~CWaitCursor()
{
    QApplication::restoreOverrideCursor();
}

CWinApp::CWinApp(const SResourceSet& resources) : m_resources(resources)
{
    g_pApp = this;
    // The recent files are application-level commands: they work with or without a document.
    OnCommandRange(
        ID_FILE_MRU_FILE1, ID_FILE_MRU_LAST,
        [this](int nId) {
            const int nIndex = nId - ID_FILE_MRU_FILE1;
            // An entry that no longer opens leaves the list.
            if (nIndex < m_recentFiles.size() && !OpenDocumentFile(m_recentFiles.at(nIndex))) {
                m_recentFiles.removeAt(nIndex);
                SaveRecentFileList();
            }
        },
        [this](int nId, CCmdUI& ui) { ui.Enable(nId - ID_FILE_MRU_FILE1 < m_recentFiles.size()); });
}

CWinApp::~CWinApp()
{
    // Documents first (their views live in the main window), then the window.
    delete m_pDocTemplate;
    m_pDocTemplate = nullptr;
    delete m_pMainWnd;
    m_pMainWnd = nullptr;
    if (g_pApp == this)
        g_pApp = nullptr;
}

QString CWinApp::LoadString(int nId) const
{
    for (const SStringResource& str : m_resources.strings)
        if (str.nId == nId)
            return QString::fromUtf8(str.pszText);
    return {};
}

CDocument* CWinApp::OpenDocumentFile(const QString& strPath)
{
    return m_pDocTemplate ? m_pDocTemplate->OpenDocumentFile(strPath, true) : nullptr;
}

void CWinApp::CloseAllDocuments()
{
    if (m_pDocTemplate)
        m_pDocTemplate->CloseAllDocuments();
}

void CWinApp::SetRegistryKey(const QString& strKey)
{
    m_strRegistryKey = strKey;
}

void CWinApp::LoadStdProfileSettings(int nMaxMRU)
{
    m_nMaxMRU = nMaxMRU;
    m_recentFiles.clear();
    QSettings settings(m_strRegistryKey, LoadString(AFX_IDS_APP_TITLE));
    for (int i = 1; i <= nMaxMRU; ++i) {
        const QString strFile = settings.value(QStringLiteral("Recent File List/File%1").arg(i)).toString();
        if (!strFile.isEmpty())
            m_recentFiles.append(strFile);
    }
}

void CWinApp::AddToRecentFileList(const QString& strPath)
{
    if (m_nMaxMRU <= 0)
        return;
    const QString strFull = QFileInfo(strPath).absoluteFilePath();
    m_recentFiles.removeAll(strFull);
    m_recentFiles.prepend(strFull);
    while (m_recentFiles.size() > m_nMaxMRU)
        m_recentFiles.removeLast();
    SaveRecentFileList(); // at once, so the list survives a crash as well as a restart
}

void CWinApp::SaveRecentFileList() const
{
    QSettings settings(m_strRegistryKey, LoadString(AFX_IDS_APP_TITLE));
    settings.remove(QStringLiteral("Recent File List"));
    for (int i = 0; i < m_recentFiles.size(); ++i)
        settings.setValue(QStringLiteral("Recent File List/File%1").arg(i + 1), m_recentFiles.at(i));
}

QPrinter& CWinApp::GetPrinter()
{
    if (!m_pPrinter)
        m_pPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_pPrinter;
}
