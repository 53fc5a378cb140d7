#include "framework/Document.h"

#include "framework/AfxRes.h"
#include "framework/DocTemplate.h"
#include "framework/ScrollView.h"
#include "framework/WinApp.h"

#include <QFile>
#include <QFileInfo>
#include <QMdiSubWindow>
#include <algorithm>

CDocument::CDocument()
{
    OnCommand(ID_FILE_CLOSE, [this] { OnCloseDocument(); });
}

CDocument::~CDocument()
{
    for (CView* pView : m_views)
        pView->m_pDocument = nullptr;
}

void CDocument::SetTitle(const QString& strTitle)
{
    m_strTitle = strTitle;
    if (m_pDocTemplate)
        m_pDocTemplate->UpdateFrameTitles(this);
}

void CDocument::SetPathName(const QString& strPath, bool bAddToMRU)
{
    m_strPathName = strPath;
    SetTitle(QFileInfo(strPath).fileName());
    if (bAddToMRU && AfxGetApp())
        AfxGetApp()->AddToRecentFileList(strPath);
}

void CDocument::AddView(CView* pView)
{
    m_views.push_back(pView);
    if (m_pDocTemplate)
        m_pDocTemplate->UpdateFrameTitles(this);
}

void CDocument::RemoveView(CView* pView)
{
    std::erase(m_views, pView);
    if (m_views.empty() && m_bAutoDelete && m_pDocTemplate)
        m_pDocTemplate->RemoveDocument(this); // destroys this document
    else if (m_pDocTemplate)
        m_pDocTemplate->UpdateFrameTitles(this);
}

void CDocument::UpdateAllViews(CView* pSender, int nHint)
{
    for (CView* pView : std::vector<CView*>(m_views))
        if (pView != pSender)
            pView->OnUpdate(pSender, nHint);
}

bool CDocument::OnOpenDocument(const QString& strPath)
{
    QFile file(strPath);
    if (QFileInfo(strPath).isDir() || !file.open(QIODevice::ReadOnly)) {
        AfxMessageBox(QStringLiteral("%1\nFailed to open document.").arg(strPath));
        return false;
    }
    return true;
}

void CDocument::OnCloseDocument()
{
    // Frames go first; the document must outlive them, so it is removed explicitly afterwards.
    m_bAutoDelete = false;
    for (CView* pView : std::vector<CView*>(m_views)) {
        if (QMdiSubWindow* pFrame = pView->GetParentFrame())
            delete pFrame;
        else
            delete pView;
    }
    if (m_pDocTemplate)
        m_pDocTemplate->RemoveDocument(this);
    else
        delete this;
}
