#pragma once
// One open image: the FreeImage bitmap it owns with the values every other part reads from it,
// the folder it came from, and the document-level commands.
#include "framework/Document.h"
#include "image/Bitmap.h"

#include <QStringList>
#include <cstdint>

struct FIBITMAP;
struct tagRGBQUAD;
class QByteArray;
class QImage;

class CLumivoDoc : public CDocument {
public:
    // Hint for views: the document holds a new image; size the scroll area and the frame to it.
    static constexpr int HINT_NEW_IMAGE = 1025;

    CLumivoDoc();
    ~CLumivoDoc() override;

    bool OnOpenDocument(const QString& strPath) override;
    bool OnSaveDocument(const QString& strPath) override;

    // The one way the document's image changes: the document takes pBitmap (which may be null),
    // re-reads the cached values, stores dElapsed, updates its views with nHint and writes the
    // status panes. Gives back the image it held, so that a preview can put its start back; passing
    // the bitmap it holds (changed in place) gives back nothing.
    CBitmapPtr ReplaceImage(CBitmapPtr pBitmap, double dElapsed, int nHint = HINT_NEW_IMAGE);
    // Size and depth into the image pane, elapsed time into the time pane.
    void ShowImageStatus();
    // Reads pixel (x, y), y counted from the top: status 0 ok, 1 no scan line, -1 unsupported depth.
    int ReadPixel(int x, int y, int& nIndex, uint32_t& rgb) const;
    bool IsInsideImage(int x, int y) const;
    // Next (+1) and previous (-1) file of the folder list: whether there is one, and the step. The
    // position moves first, so after a file that fails to load the next step continues from it.
    bool CanStepFile(int nStep) const;
    void StepFile(int nStep);
    // Lists the browsable files of the image's folder and finds the shown one.
    void ScanFolder();
    // Fills the document from a packed device-independent bitmap; an unsound block leaves it empty.
    void CreateFromPackedDib(const QByteArray& block);
    // Fills the document from a picture of the screen or of a window.
    void CreateFromDeviceBitmap(const QImage& image);

    // A new, empty, visible document from the application's template (paste, capture and scanner fill
    // it); null when none can be made.
    static CLumivoDoc* CreateEmptyDocument();
    // Opens pBitmap as a new untitled document titled strTitle, showing dElapsed as its time. The
    // new document owns the bitmap; when no document can be made the bitmap is released.
    static CLumivoDoc* CreateResultDocument(FIBITMAP* pBitmap, const QString& strTitle, double dElapsed);

    // The image record. Read freely; only ReplaceImage changes it.
    FIBITMAP* m_pBitmap = nullptr;
    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_nBpp = 0;
    int m_nPitch = 0;
    uint8_t* m_pBits = nullptr;
    double m_dElapsed = 0.0;
    tagRGBQUAD* m_pPalette = nullptr;

    // Where the image came from and the browsable files beside it.
    QString m_strImagePath;
    QString m_strFolder;
    QStringList m_fileList;
    int m_nFileCount = 0;
    int m_nFileIndex = 0; // 1-based position of the shown file
    int m_posFile = -1;   // index of the shown file in m_fileList

private:
    // Set when stepping reached a file that could not be read: the path names that file while the
    // image is still the one before, so Save must ask rather than write over the file.
    bool m_bPathNotShown = false;

    void OnFileSave();
    void OnFileSaveAs();
    // The Save As dialog and the replace question: the path to write, empty when the user declined.
    QString AskSavePath() const;
    void OnEditCopy();
    // Writes the image to strPath; "Saving failed! " when it cannot.
    bool SaveImage(const QString& strPath);
    // Re-reads the cached values from m_pBitmap.
    void RefreshImageInfo();
};
