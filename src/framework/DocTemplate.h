#pragma once
// Multiple-document template: makes a document with its child frame and view, opens files into
// new documents and keeps the list of open documents.
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class CDocument;
class CView;
class QMdiArea;
class QMdiSubWindow;

class CDocTemplate {
public:
    struct SFactory {
        std::function<CDocument*()> fnCreateDocument;
        std::function<QMdiSubWindow*()> fnCreateFrame;
        std::function<CView*(CDocument*)> fnCreateView;
    };
    // strDocString is the template's string resource: window title, document name, ... (newline separated).
    CDocTemplate(const QString& strDocString, SFactory factory);
    ~CDocTemplate();

    void SetMdiArea(QMdiArea* pMdiArea) { m_pMdiArea = pMdiArea; }
    QMdiArea* GetMdiArea() const { return m_pMdiArea; }

    // With a path: activates the document already showing it, or opens it in a new one (null on
    // failure). Without: a new empty document titled <name><n>, visible when bMakeVisible.
    CDocument* OpenDocumentFile(const QString& strPath, bool bMakeVisible = true);
    // A further frame and view for pDocument ("New Window").
    CView* CreateNewWindow(CDocument* pDocument);

    const std::vector<CDocument*>& GetDocuments() const { return m_documents; }
    void CloseAllDocuments();
    void RemoveDocument(CDocument* pDocument); // destroys it
    void UpdateFrameTitles(CDocument* pDocument);
    QString GetDocString(int nIndex) const;
    // The frame holding pView; null when the view stands alone.
    static QMdiSubWindow* FrameOf(CView* pView);

private:
    CView* CreateFrameAndView(CDocument* pDocument);
    QString m_strDocString;
    SFactory m_factory;
    QMdiArea* m_pMdiArea = nullptr;
    std::vector<CDocument*> m_documents; // owned
    int m_nUntitledCount = 0;
};
