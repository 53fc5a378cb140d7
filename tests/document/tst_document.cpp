// The image document: opening, the folder list, saving, damaged files and new documents from results.
#include "document/LumivoDoc.h"
#include "framework/DocTemplate.h"
#include "framework/FrameWnd.h"
#include "image/Bitmap.h"
#include "res/CommandIds.h"
#include "support/TestSupport.h"

#include <FreeImage.h>
#include <QFileDialog>
#include <QMdiArea>
#include <QtTest>

namespace {
// Runs Save As on the active document, choosing strName under the filter nFilter (1-based).
void SaveAs(const QString& strName, int nFilter)
{
    DriveNextModal([=](QWidget* pModal) { ChooseFile(pModal, strName, nFilter); });
    QVERIFY(MainWnd()->ExecuteCommand(ID_FILE_SAVE_AS));
}
} // namespace

class CTestDocument : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        QVERIFY(m_app.Start());
        m_pApp = &m_app.App();
        m_app.Reset(); // the switch alone opened an empty document
    }
    void cleanup() { m_app.Stop(); }

    void folderPositionRules()
    {
        QTemporaryDir dir;
        for (const char* name : {"a.bmp", "B.png", "c.tiff", "d.tga"})
            QVERIFY(WriteTestImage(dir.filePath(name), 8, 8));
        QVERIFY(QDir(dir.path()).mkdir("e.png"));

        auto* pDoc = static_cast<CLumivoDoc*>(m_pApp->OpenDocumentFile(dir.filePath("B.png")));
        QVERIFY(pDoc);
        QCOMPARE(pDoc->m_fileList, (QStringList{"a.bmp", "B.png", "d.tga"}));
        QCOMPARE(pDoc->m_strFolder, dir.path() + "/");
        QCOMPARE(pDoc->m_nFileCount, 3);
        QCOMPARE(pDoc->m_nFileIndex, 2);
        QCOMPARE(pDoc->m_fileList.at(pDoc->m_posFile), QStringLiteral("B.png"));

        // A .tiff file loads but is not browsable: the position stays on the first entry.
        auto* pTiff = static_cast<CLumivoDoc*>(m_pApp->OpenDocumentFile(dir.filePath("c.tiff")));
        QVERIFY(pTiff);
        QCOMPARE(pTiff->m_nBpp, 24);
        QCOMPARE(pTiff->m_nFileIndex, 1);
        QCOMPARE(pTiff->m_posFile, 0);

        QTemporaryDir single;
        QVERIFY(WriteTestImage(single.filePath("only.pgm"), 8, 8, 8));
        auto* pOnly = static_cast<CLumivoDoc*>(m_pApp->OpenDocumentFile(single.filePath("only.pgm")));
        QVERIFY(pOnly);
        QCOMPARE(pOnly->m_nFileCount, 1);
        QCOMPARE(pOnly->m_nFileIndex, 1);
    }

    void shownFileMissingFromListEndsOnLastEntry()
    {
        CLumivoDoc doc;
        QTemporaryDir dir;
        for (const char* name : {"a.bmp", "b.bmp", "c.bmp"})
            QVERIFY(WriteTestImage(dir.filePath(name), 2, 2));
        doc.m_strImagePath = dir.filePath("zz.bmp");
        doc.ScanFolder();
        QCOMPARE(doc.m_nFileIndex, 3);
        QCOMPARE(doc.m_posFile, 2);
    }

    void imageRecordAndStatusFollowTheBitmap()
    {
        QTemporaryDir dir;
        QVERIFY(WriteTestImage(dir.filePath("p.bmp"), 17, 5, 8));
        auto* pDoc = static_cast<CLumivoDoc*>(m_pApp->OpenDocumentFile(dir.filePath("p.bmp")));
        QVERIFY(pDoc);
        QCOMPARE(pDoc->m_nWidth, 17);
        QCOMPARE(pDoc->m_nHeight, 5);
        QCOMPARE(pDoc->m_nBpp, 8);
        QCOMPARE(pDoc->m_nPitch, 20);
        QVERIFY(pDoc->m_pPalette);
        QCOMPARE(pDoc->m_strImagePath, dir.filePath("p.bmp"));
        QVERIFY(!pDoc->IsModified());
        QVERIFY(pDoc->IsInsideImage(16, 4));
        QVERIFY(!pDoc->IsInsideImage(17, 0));
        QVERIFY(!pDoc->IsInsideImage(0, -1));
        int nIndex = 0;
        uint32_t rgb = 1;
        QCOMPARE(pDoc->ReadPixel(20, 0, nIndex, rgb), 1);

        pDoc->m_dElapsed = 0.123;
        pDoc->ShowImageStatus();
        QCOMPARE(m_pApp->GetMainWnd()->GetPaneText(ID_INDICATOR_TIME), QStringLiteral("Time : 0.123"));
        QCOMPARE(m_pApp->GetMainWnd()->GetPaneText(ID_INDICATOR_IMAGE), QStringLiteral("[17x5x8]"));
    }

    void damagedAndHostileFilesOpenNoWindow()
    {
        QTemporaryDir dir;
        QFile empty(dir.filePath("empty.png"));
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.close();
        QFile noise(dir.filePath("noise.bmp"));
        QVERIFY(noise.open(QIODevice::WriteOnly));
        noise.write(QByteArray("BM") + QByteArray(300, '\x5A'));
        noise.close();
        QVERIFY(WriteTestImage(dir.filePath("plain.bmp"), 4, 4));
        QVERIFY(QFile::copy(dir.filePath("plain.bmp"), dir.filePath("noextension")));
        QVERIFY(QFile::copy(dir.filePath("plain.bmp"), dir.filePath("unknown.xyz")));

        QStringList files{dir.filePath("empty.png"), dir.filePath("noise.bmp"), dir.filePath("noextension"),
                          dir.filePath("unknown.xyz")};
        for (const QString& strName : QDir(QStringLiteral(LUMIVO_TEST_DATA)).entryList(QDir::Files))
            if (strName.contains("huge") || strName.contains("bad") || strName.contains("empty"))
                files.append(TestData(strName));
        for (const QString& strPath : files) {
            QVERIFY2(!m_pApp->OpenDocumentFile(strPath), qPrintable(strPath));
            QCOMPARE(WindowCount(), 0);
        }
    }

    void fileThatCannotBeReadShowsTheOpenFailure()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("x.png"));
        QVERIFY(QFile::link(dir.filePath("gone.png"), dir.filePath("dangling.png")));
        for (const QString& strPath : {dir.filePath("x.png"), dir.filePath("dangling.png")}) {
            QString strMessage;
            DriveNextModal([&](QWidget* pBox) {
                strMessage = MessageBoxText(pBox);
                PressButton(pBox, "OK");
            });
            QVERIFY(!m_pApp->OpenDocumentFile(strPath));
            QVERIFY2(strMessage.contains("Failed to open document."), qPrintable(strMessage));
            QCOMPARE(WindowCount(), 0);
        }
    }

    void saveAsAppliesTheFilterExtension()
    {
        QTemporaryDir dir;
        QVERIFY(WriteTestImage(dir.filePath("src.png"), 6, 4));
        QVERIFY(m_pApp->OpenDocumentFile(dir.filePath("src.png")));
        QVERIFY(QDir(dir.path()).mkdir("out.d"));
        SaveAs(dir.filePath("out.d/beach.old.png"), 2);
        CBitmapPtr pWritten(LoadBitmapFile(dir.filePath("out.d/beach.jpg")));
        QVERIFY(pWritten);
        QCOMPARE(FreeImage_GetWidth(pWritten.get()), 6u);
        QVERIFY(!QFile::exists(dir.filePath("out.d/beach.old.png")));
        // Save As leaves the document's path and title alone.
        QCOMPARE(ActiveDoc()->GetTitle(), QStringLiteral("src.png"));
        QCOMPARE(ActiveDoc()->m_strImagePath, dir.filePath("src.png"));
    }

    void saveFailureIsReportedAndKeepsTheOldFile()
    {
        QTemporaryDir dir;
        QVERIFY(WriteTestImage(dir.filePath("src.bmp"), 6, 4, 32));
        QVERIFY(m_pApp->OpenDocumentFile(dir.filePath("src.bmp")));
        QFile old(dir.filePath("old.jpg"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("keep me");
        old.close();

        QStringList messages;
        auto fnAnswer = [&messages](const QString& strButton) {
            return [&messages, strButton](QWidget* pBox) {
                messages.append(MessageBoxText(pBox));
                PressButton(pBox, strButton);
            };
        };
        // JPEG takes no 32-bit image: confirm replacing old.jpg, then the failure. ("All Files" names
        // no format at all; the name rule and the refused write are covered with the bitmap tests.)
        DriveModals({[&](QWidget* p) { ChooseFile(p, dir.filePath("old.x"), 2); }, fnAnswer("Yes"), fnAnswer("OK")});
        QVERIFY(m_pApp->GetMainWnd()->ExecuteCommand(ID_FILE_SAVE_AS));
        QCOMPARE(messages.size(), 2);
        QVERIFY(messages.first().contains("old.jpg already exists"));
        QCOMPARE(messages.last(), QStringLiteral("Saving failed! "));
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("keep me"));
    }

    void resultDocumentContract()
    {
        FIBITMAP* pBitmap = FreeImage_Allocate(9, 7, 24);
        CLumivoDoc* pDoc = CLumivoDoc::CreateResultDocument(pBitmap, QStringLiteral("Crop image"), 0.25);
        QVERIFY(pDoc);
        QCOMPARE(pDoc->GetTitle(), QStringLiteral("Crop image"));
        QCOMPARE(pDoc->m_pBitmap, pBitmap);
        QCOMPARE(pDoc->m_nWidth, 9);
        QVERIFY(pDoc->m_strImagePath.isEmpty());
        QCOMPARE(m_pApp->GetMainWnd()->GetPaneText(ID_INDICATOR_IMAGE), QStringLiteral("[9x7x24]"));
        QCOMPARE(m_pApp->GetMainWnd()->GetPaneText(ID_INDICATOR_TIME), QStringLiteral("Time : 0.250"));

        // Without a template the bitmap is released, not leaked (the leak checker watches this).
        CDocTemplate* pTemplate = m_pApp->m_pDocTemplate;
        m_pApp->m_pDocTemplate = nullptr;
        QVERIFY(!CLumivoDoc::CreateResultDocument(FreeImage_Allocate(3, 3, 8), QStringLiteral("x"), 0));
        m_pApp->m_pDocTemplate = pTemplate;
    }

    void packedDibFillsOrLeavesEmpty()
    {
        CBitmapPtr pSource(FreeImage_Allocate(5, 4, 8));
        const QByteArray block = PackedDibFromBitmap(pSource.get());
        CLumivoDoc doc;
        doc.CreateFromPackedDib(block.left(block.size() - 1));
        QVERIFY(!doc.m_pBitmap);
        doc.CreateFromPackedDib(block);
        QVERIFY(doc.m_pBitmap);
        QCOMPARE(doc.m_nBpp, 8);
        QCOMPARE(doc.m_nWidth, 5);

        QImage shot(7, 3, QImage::Format_RGB32);
        shot.fill(Qt::red);
        doc.CreateFromDeviceBitmap(shot);
        QCOMPARE(doc.m_nWidth, 7);
        int nIndex = 0;
        uint32_t rgb = 0;
        QCOMPARE(doc.ReadPixel(6, 2, nIndex, rgb), 0);
        QCOMPARE(rgb, 0xFF0000u);
    }

private:
    CAppFixture m_app;
    CWinApp* m_pApp = nullptr;
};

QTEST_MAIN(CTestDocument)
#include "tst_document.moc"
