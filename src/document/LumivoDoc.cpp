#include "document/LumivoDoc.h"

#include "document/Clipboard.h"
#include "document/Conversions.h"
#include "document/FileDialogs.h"
#include "framework/AfxRes.h"
#include "framework/DocTemplate.h"
#include "framework/FrameWnd.h"
#include "framework/WinApp.h"
#include "image/BitmapImage.h"
#include "image/FolderList.h"
#include "image/ImageFormats.h"
#include "res/CommandIds.h"

#include <FreeImage.h>
#include <QFileInfo>
#include <QImage>
#include <QMessageBox>

CLumivoDoc::CLumivoDoc()
{
    OnCommand(ID_FILE_SAVE, [this] { OnFileSave(); });
    OnCommand(ID_FILE_SAVE_AS, [this] { OnFileSaveAs(); });
    OnCommand(ID_EDIT_COPY, [this] { OnEditCopy(); });
    AddConversionCommands(*this);
}

CLumivoDoc::~CLumivoDoc()
{
    FreeImage_Unload(m_pBitmap);
}

CBitmapPtr CLumivoDoc::ReplaceImage(CBitmapPtr pBitmap, double dElapsed, int nHint)
{
    // The same bitmap again means it changed in place: nothing to give back.
    CBitmapPtr pOld(pBitmap.get() == m_pBitmap ? nullptr : m_pBitmap);
    m_pBitmap = pBitmap.release();
    RefreshImageInfo();
    m_dElapsed = dElapsed;
    UpdateAllViews(nullptr, nHint);
    ShowImageStatus();
    return pOld;
}

void CLumivoDoc::RefreshImageInfo()
{
    m_nWidth = m_pBitmap ? int(FreeImage_GetWidth(m_pBitmap)) : 0;
    m_nHeight = m_pBitmap ? int(FreeImage_GetHeight(m_pBitmap)) : 0;
    m_nBpp = m_pBitmap ? int(FreeImage_GetBPP(m_pBitmap)) : 0;
    m_nPitch = m_pBitmap ? int(FreeImage_GetPitch(m_pBitmap)) : 0;
    m_pBits = m_pBitmap ? FreeImage_GetBits(m_pBitmap) : nullptr;
    m_pPalette = m_pBitmap ? FreeImage_GetPalette(m_pBitmap) : nullptr;
}

void CLumivoDoc::ShowImageStatus()
{
    CMDIFrameWnd* pFrame = AfxGetMainWnd();
    if (!m_pBitmap || !pFrame)
        return;
    pFrame->SetPaneText(ID_INDICATOR_IMAGE, QString::asprintf("[%dx%dx%d]", m_nWidth, m_nHeight, m_nBpp));
    pFrame->SetPaneText(ID_INDICATOR_TIME, QString::asprintf("Time : %3.3f", m_dElapsed));
}

int CLumivoDoc::ReadPixel(int x, int y, int& nIndex, uint32_t& rgb) const
{
    nIndex = -1;
    rgb = 0;
    if (!m_pBitmap || !IsInsideImage(x, y))
        return 1;
    const SPixelValue px = ReadBitmapPixel(m_pBitmap, x, y);
    nIndex = px.nIndex;
    rgb = px.rgb;
    return px.nStatus;
}

bool CLumivoDoc::IsInsideImage(int x, int y) const
{
    return x >= 0 && x < m_nWidth && y >= 0 && y < m_nHeight;
}

bool CLumivoDoc::OnOpenDocument(const QString& strPath)
{
    if (!CDocument::OnOpenDocument(strPath))
        return false;
    CWaitCursor wait;
    const CStopwatch clock;
    CBitmapPtr pBitmap(LoadBitmapFile(strPath));
    if (!pBitmap)
        return false;
    m_strImagePath = strPath;
    ScanFolder();
    ReplaceImage(std::move(pBitmap), clock.Elapsed());
    return true;
}

bool CLumivoDoc::CanStepFile(int nStep) const
{
    if (m_strImagePath.isEmpty())
        return false;
    return nStep > 0 ? m_nFileIndex < m_nFileCount : m_nFileIndex > 1;
}

void CLumivoDoc::StepFile(int nStep)
{
    CWaitCursor wait;
    if (!CanStepFile(nStep) || m_posFile + nStep < 0 || m_posFile + nStep >= m_fileList.size())
        return;
    m_nFileIndex += nStep;
    m_posFile += nStep;
    try {
        m_strImagePath = m_strFolder + m_fileList.at(m_posFile);
        SetPathName(m_strImagePath, false);
        CBitmapPtr pBitmap;
        if (CDocument::OnOpenDocument(m_strImagePath)) // reports a file that cannot be opened
            pBitmap.reset(LoadBitmapFile(m_strImagePath));
        m_bPathNotShown = !pBitmap;
        if (pBitmap) {
            ReplaceImage(std::move(pBitmap), m_dElapsed);
        } else {
            // The image stays; the views and panes follow the new path.
            UpdateAllViews(nullptr, 0);
            ShowImageStatus();
        }
    } catch (...) {
        AfxMessageBox(QStringLiteral("Corrupted file"));
    }
}

void CLumivoDoc::ScanFolder()
{
    m_strFolder = GetFolderPart(m_strImagePath);
    m_fileList = ListBrowsableFiles(m_strFolder);
    m_nFileCount = int(m_fileList.size());
    m_posFile = m_nFileCount > 0 ? 0 : -1;
    m_nFileIndex = 1;

    // Find the shown file; when it is not listed the position ends on the last entry.
    const QString strName = GetFileNamePart(m_strImagePath);
    if (m_strImagePath.isEmpty() || !IsBrowsableExtension(GetExtensionPart(strName).toUpper()) || m_nFileCount <= 1)
        return;
    for (int i = 0; i < m_nFileCount - 1; ++i) {
        if (m_fileList.at(m_posFile).compare(strName, Qt::CaseInsensitive) == 0)
            return;
        ++m_posFile;
        ++m_nFileIndex;
    }
}

void CLumivoDoc::CreateFromPackedDib(const QByteArray& block)
{
    const CStopwatch clock;
    CBitmapPtr pBitmap(
        CreateBitmapFromPackedDib(reinterpret_cast<const uint8_t*>(block.constData()), size_t(block.size())));
    if (pBitmap)
        ReplaceImage(std::move(pBitmap), clock.Elapsed());
}

void CLumivoDoc::CreateFromDeviceBitmap(const QImage& image)
{
    const CStopwatch clock;
    CBitmapPtr pBitmap(BitmapFromQImage(image));
    if (pBitmap)
        ReplaceImage(std::move(pBitmap), clock.Elapsed());
}

CLumivoDoc* CLumivoDoc::CreateEmptyDocument()
{
    CWinApp* pApp = AfxGetApp();
    return pApp && pApp->m_pDocTemplate
               ? dynamic_cast<CLumivoDoc*>(pApp->m_pDocTemplate->OpenDocumentFile(QString(), true))
               : nullptr;
}

CLumivoDoc* CLumivoDoc::CreateResultDocument(FIBITMAP* pBitmap, const QString& strTitle, double dElapsed)
{
    CBitmapPtr pOwned(pBitmap);
    CLumivoDoc* pDoc = pOwned ? CreateEmptyDocument() : nullptr;
    if (!pDoc)
        return nullptr;
    pDoc->SetTitle(strTitle);
    pDoc->ReplaceImage(std::move(pOwned), dElapsed);
    return pDoc;
}

bool CLumivoDoc::OnSaveDocument(const QString& strPath)
{
    if (strPath.isEmpty() || FormatFromFileName(strPath) < 0)
        return false;
    return SaveBitmapFile(m_pBitmap, strPath);
}

bool CLumivoDoc::SaveImage(const QString& strPath)
{
    if (OnSaveDocument(strPath))
        return true;
    AfxMessageBox(QStringLiteral("Saving failed! "));
    return false;
}

void CLumivoDoc::OnEditCopy()
{
    if (m_pBitmap && !CopyBitmapToClipboard(m_pBitmap))
        AfxMessageBox(QStringLiteral("Unable to set Clipboard data"));
}

void CLumivoDoc::OnFileSave()
{
    if (!GetPathName().isEmpty() && !m_bPathNotShown) {
        SaveImage(GetPathName());
        return;
    }
    // A document without a file of its image asks for a name first, and then belongs to that file.
    const QString strPath = AskSavePath();
    if (!strPath.isEmpty() && SaveImage(strPath)) {
        SetPathName(strPath);
        m_bPathNotShown = false;
    }
}

void CLumivoDoc::OnFileSaveAs()
{
    const QString strPath = AskSavePath();
    if (!strPath.isEmpty())
        SaveImage(strPath);
}

QString CLumivoDoc::AskSavePath() const
{
    QString strChosen;
    int nFilter = 0;
    if (!PromptSaveImage(AfxGetMainWnd(), strChosen, nFilter))
        return {};
    const QString strPath = SaveAsPath(strChosen, nFilter);
    if (QFileInfo::exists(strPath) &&
        AfxMessageBox(QStringLiteral("%1 already exists.\nDo you want to replace it?").arg(GetFileNamePart(strPath)),
                      QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return {};
    return strPath;
}
