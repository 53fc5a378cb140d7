#include "tools/ToolDocument.h"

#include "document/LumivoDoc.h"
#include "framework/DocTemplate.h"
#include "framework/WinApp.h"

void OpenToolDocument(const QString& strTitle, const std::function<void(CLumivoDoc& doc)>& fnFill)
{
    CDocTemplate* pTemplate = AfxGetApp() ? AfxGetApp()->m_pDocTemplate : nullptr;
    auto* pDoc = pTemplate ? dynamic_cast<CLumivoDoc*>(pTemplate->OpenDocumentFile(QString(), true)) : nullptr;
    if (!pDoc)
        return;
    fnFill(*pDoc);
    pDoc->SetTitle(strTitle);
    pDoc->UpdateAllViews(nullptr, CLumivoDoc::HINT_NEW_IMAGE);
    pDoc->ShowImageStatus();
}
