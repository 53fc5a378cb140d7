#include "framework/DocTemplate.h"

#include "framework/Document.h"
#include "framework/ScrollView.h"

#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStringList>
#include <algorithm>

CDocTemplate::CDocTemplate(const QString& strDocString, SFactory factory)
    : m_strDocString(strDocString), m_factory(std::move(factory))
{
}

CDocTemplate::~CDocTemplate()
{
    CloseAllDocuments();
}

QString CDocTemplate::GetDocString(int nIndex) const
{
    return m_strDocString.split(QLatin1Char('\n')).value(nIndex);
}

QMdiSubWindow* CDocTemplate::FrameOf(CView* pView)
{
    return pView ? pView->GetParentFrame() : nullptr;
}

CView* CDocTemplate::CreateFrameAndView(CDocument* pDocument)
{
    CView* pView = m_factory.fnCreateView(pDocument);
    QMdiSubWindow* pFrame = m_factory.fnCreateFrame();
    pFrame->setAttribute(Qt::WA_DeleteOnClose);
    pFrame->setWidget(pView);
    if (m_pMdiArea)
        m_pMdiArea->addSubWindow(pFrame);
    UpdateFrameTitles(pDocument);
    return pView;
}

CView* CDocTemplate::CreateNewWindow(CDocument* pDocument)
{
    CView* pView = CreateFrameAndView(pDocument);
    pView->OnInitialUpdate();
    pView->GetParentFrame()->show();
    pView->setFocus();
    return pView;
}

CDocument* CDocTemplate::OpenDocumentFile(const QString& strPath, bool bMakeVisible)
{
    QString strCanonical;
    if (!strPath.isEmpty()) {
        const QFileInfo info(strPath);
        strCanonical = info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
        for (CDocument* pDoc : m_documents) {
            if (pDoc->GetPathName() == strCanonical && !pDoc->GetViews().empty()) {
                if (QMdiSubWindow* pFrame = FrameOf(pDoc->GetViews().front())) {
                    if (m_pMdiArea)
                        m_pMdiArea->setActiveSubWindow(pFrame);
                }
                return pDoc;
            }
        }
    }

    CDocument* pDocument = m_factory.fnCreateDocument();
    pDocument->m_pDocTemplate = this;
    m_documents.push_back(pDocument);
    CView* pView = CreateFrameAndView(pDocument);

    bool bOk;
    if (strCanonical.isEmpty()) {
        pDocument->SetTitle(GetDocString(1) + QString::number(++m_nUntitledCount));
        bOk = pDocument->OnNewDocument();
    } else {
        bOk = pDocument->OnOpenDocument(strCanonical);
    }
    if (!bOk) {
        pDocument->OnCloseDocument();
        return nullptr;
    }
    if (!strCanonical.isEmpty())
        pDocument->SetPathName(strCanonical, true);

    pView->OnInitialUpdate();
    if (bMakeVisible) {
        QMdiSubWindow* pFrame = pView->GetParentFrame();
        pFrame->show();
        if (m_pMdiArea)
            m_pMdiArea->setActiveSubWindow(pFrame);
        pView->setFocus();
    }
    return pDocument;
}

void CDocTemplate::CloseAllDocuments()
{
    while (!m_documents.empty())
        m_documents.back()->OnCloseDocument();
}

void CDocTemplate::RemoveDocument(CDocument* pDocument)
{
    auto it = std::find(m_documents.begin(), m_documents.end(), pDocument);
    if (it == m_documents.end())
        return;
    m_documents.erase(it);
    delete pDocument;
}

void CDocTemplate::UpdateFrameTitles(CDocument* pDocument)
{
    const auto& views = pDocument->GetViews();
    for (size_t i = 0; i < views.size(); ++i) {
        QString strTitle = pDocument->GetTitle();
        if (views.size() > 1)
            strTitle += QStringLiteral(":%1").arg(i + 1);
        if (QMdiSubWindow* pFrame = FrameOf(views[i]))
            pFrame->setWindowTitle(strTitle);
        else
            views[i]->setWindowTitle(strTitle);
    }
}
