#pragma once
// Document base: title, path, modified flag, its views and the new/open/save/close hooks.
#include "framework/CmdTarget.h"

#include <QString>
#include <vector>

class CView;
class CDocTemplate;

class CDocument : public CCmdTarget {
public:
    CDocument();
    ~CDocument() override;
    CDocument(const CDocument&) = delete;
    CDocument& operator=(const CDocument&) = delete;

    const QString& GetTitle() const { return m_strTitle; }
    virtual void SetTitle(const QString& strTitle);
    const QString& GetPathName() const { return m_strPathName; }
    // Sets the path and the title (the file's name); adds the path to the recent-file list on request.
    virtual void SetPathName(const QString& strPath, bool bAddToMRU = true);
    bool IsModified() const { return m_bModified; }
    void SetModifiedFlag(bool bModified = true) { m_bModified = bModified; }
    CDocTemplate* GetDocTemplate() const { return m_pDocTemplate; }

    const std::vector<CView*>& GetViews() const { return m_views; }
    void AddView(CView* pView);
    void RemoveView(CView* pView);
    // Tells every view but pSender that the document changed; nHint says how.
    void UpdateAllViews(CView* pSender, int nHint = 0);

    virtual bool OnNewDocument() { return true; }
    // The framework's part of opening: fails, with its message, when the file cannot be read.
    virtual bool OnOpenDocument(const QString& strPath);
    virtual bool OnSaveDocument(const QString& strPath) { return false; }
    // Closes every frame showing this document and destroys it.
    virtual void OnCloseDocument();

    bool m_bAutoDelete = true; // destroyed when its last view goes

private:
    friend class CDocTemplate;
    QString m_strTitle;
    QString m_strPathName;
    bool m_bModified = false;
    CDocTemplate* m_pDocTemplate = nullptr;
    std::vector<CView*> m_views;
};
