#pragma once
// One open image: the FreeImage bitmap it owns with the values every other part reads from it,
// the folder it came from, and the document-level commands.
#include "framework/Document.h"

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

    bool OnNewDocument() override;
    bool OnOpenDocument(const QString& strPath) override;
    bool OnSaveDocument(const QString& strPath) override;

    // Re-reads the cached values from m_pBitmap.
    void RefreshImageInfo();
    // Size and depth into status pane 3, elapsed time into pane 1.
    void ShowImageStatus();
    // Reads pixel (x, y), y counted from the top: status 0 ok, 1 no scan line, -1 unsupported depth.
    int ReadPixel(int x, int y, int& nIndex, uint32_t& rgb) const;
    bool IsInsideImage(int x, int y) const;
    // Replaces the image from strPath (next/previous file); the caller keeps the old bitmap.
    bool LoadImageFile(const QString& strPath);
    // Lists the browsable files of the image's folder and finds the shown one.
    void ScanFolder();
    // Fills the document from a packed device-independent bitmap; an unsound block leaves it empty.
    void CreateFromPackedDib(const QByteArray& block);
    // Fills the document from a picture of the screen or of a window.
    void CreateFromDeviceBitmap(const QImage& image);

    // Opens pBitmap as a new untitled document titled strTitle, showing dElapsed as its time. The
    // new document owns the bitmap; when no document can be made the bitmap is released.
    static CLumivoDoc* CreateResultDocument(FIBITMAP* pBitmap, const QString& strTitle, double dElapsed);

    // The image record.
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
    void OnFileOpen();
    void OnFileSave();
    void OnFileSaveAs();
    void OnEditCopy();
    // Writes the image to strPath; "Saving failed! " when it cannot.
    bool SaveImage(const QString& strPath);
    void SetBitmap(FIBITMAP* pBitmap);
};
