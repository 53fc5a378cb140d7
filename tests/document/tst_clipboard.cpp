// The clipboard on a real X desktop, with xclip as the other program: what Lumivo copies another
// program reads as a BMP file, what another program copies Lumivo pastes, and Paste follows the
// clipboard as it changes.
#include "document/LumivoDoc.h"
#include "framework/FrameWnd.h"
#include "image/Bitmap.h"
#include "res/CommandIds.h"
#include "support/TestSupport.h"

#include <FreeImage.h>
#include <QClipboard>
#include <QMdiArea>
#include <QTemporaryDir>
#include <QStandardPaths>
#include <QtTest>
#include <cstring>
#include <memory>

namespace {
// Runs xclip on the clipboard.
QByteArray RunXclip(const QStringList& arguments, const QByteArray& input = {})
{
    return RunProgram(QStringLiteral("xclip"), QStringList{"-selection", "clipboard"} + arguments, input);
}

FIBITMAP* LoadFromMemory(const QByteArray& data)
{
    FIMEMORY* pMemory =
        FreeImage_OpenMemory(reinterpret_cast<BYTE*>(const_cast<char*>(data.constData())), DWORD(data.size()));
    FIBITMAP* pBitmap = FreeImage_LoadFromMemory(FreeImage_GetFileTypeFromMemory(pMemory), pMemory);
    FreeImage_CloseMemory(pMemory);
    return pBitmap;
}
} // namespace

class CTestClipboard : public CAppTestCase {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("xclip")).isEmpty())
            QSKIP("xclip is not installed: no other program to exchange the clipboard with");
        QVERIFY(QGuiApplication::platformName() == QStringLiteral("xcb"));
        CAppTestCase::initTestCase();
    }

    void pasteFollowsAnotherProgramsClipboard()
    {
        QTemporaryDir dir;
        const QString strPng = dir.filePath("picture.png");
        QVERIFY(WriteTestImage(strPng, 37, 23));
        QFile png(strPng);
        QVERIFY(png.open(QIODevice::ReadOnly));
        RunXclip({"-t", "image/png", "-i"}, png.readAll()); // xclip stays behind to serve it
        QTRY_VERIFY(IsEnabled(ID_EDIT_PASTE));

        // Paste works without a document: the main frame handles it.
        QCOMPARE(MainWnd()->GetActiveDocument(), nullptr);
        QVERIFY(MainWnd()->ExecuteCommand(ID_EDIT_PASTE));
        CLumivoDoc* pDoc = ActiveDoc();
        QVERIFY(pDoc && pDoc->m_pBitmap);
        QCOMPARE(pDoc->GetTitle(), QStringLiteral("Clipboard Image "));
        QCOMPARE(MainWnd()->GetPaneText(ID_INDICATOR_IMAGE), QStringLiteral("[37x23x24]"));
        CBitmapPtr pExpected(LoadBitmapFile(strPng));
        QVERIFY(SamePixels(pDoc->m_pBitmap, pExpected.get()));

        // A damaged bitmap block pastes as an empty window, never read past its end.
        QByteArray damaged("BM");
        damaged += QByteArray(12, '\0') + QByteArray::fromHex("28000000ffff0000ffff00000100180000000000");
        damaged += QByteArray(40, '\x11');
        RunXclip({"-t", "image/bmp", "-i"}, damaged);
        QTRY_VERIFY(!QGuiApplication::clipboard()->mimeData()->hasFormat("image/png"));
        QVERIFY(IsEnabled(ID_EDIT_PASTE));
        QVERIFY(MainWnd()->ExecuteCommand(ID_EDIT_PASTE));
        QVERIFY(ActiveDoc() != pDoc);
        QCOMPARE(ActiveDoc()->GetTitle(), QStringLiteral("Clipboard Image "));
        QVERIFY(!ActiveDoc()->m_pBitmap);

        // Text replaces the picture: Paste turns off.
        RunXclip({"-i"}, "just some text");
        QTRY_VERIFY(!IsEnabled(ID_EDIT_PASTE));
        QVERIFY(!MainWnd()->ExecuteCommand(ID_EDIT_PASTE));
    }

    void copyGivesOtherProgramsABmpFile_data()
    {
        QTest::addColumn<int>("nBpp");
        for (int nBpp : {1, 4, 8, 24, 32})
            QTest::newRow(QByteArray::number(nBpp) + "-bit") << nBpp;
    }
    void copyGivesOtherProgramsABmpFile()
    {
        QFETCH(int, nBpp);
        CLumivoDoc* pDoc = CLumivoDoc::CreateResultDocument(MakeVaried(29, 17, nBpp).release(), "Source", 0);
        QVERIFY(pDoc);
        QVERIFY(MainWnd()->ExecuteCommand(ID_EDIT_COPY));
        QTRY_VERIFY(IsEnabled(ID_EDIT_PASTE));

        QVERIFY(RunXclip({"-o", "-t", "TARGETS"}).contains("image/png"));
        const QByteArray bmp = RunXclip({"-o", "-t", "image/bmp"});
        QCOMPARE(qsizetype(bmp.size()), qsizetype(14 + FreeImage_GetDIBSize(pDoc->m_pBitmap)));
        if (nBpp == 24)
            QCOMPARE(qsizetype(bmp.size()), qsizetype(14 + 40 + pDoc->m_nPitch * pDoc->m_nHeight));
        CBitmapPtr pRead(LoadFromMemory(bmp));
        QVERIFY(pRead);
        QVERIFY(SamePixels(pRead.get(), pDoc->m_pBitmap));
    }

    void copyThenPasteKeepsPaletteAndPixels()
    {
        CLumivoDoc* pSource = CLumivoDoc::CreateResultDocument(MakeVaried(31, 9, 8).release(), "Source", 0);
        QVERIFY(MainWnd()->ExecuteCommand(ID_EDIT_COPY));
        QVERIFY(MainWnd()->ExecuteCommand(ID_EDIT_PASTE));
        CLumivoDoc* pPasted = ActiveDoc();
        QVERIFY(pPasted != pSource);
        QCOMPARE(pPasted->GetTitle(), QStringLiteral("Clipboard Image "));
        QCOMPARE(pPasted->m_nBpp, 8);
        QVERIFY(SamePixels(pPasted->m_pBitmap, pSource->m_pBitmap));
        QVERIFY(!MainWnd()->QueryCommand(ID_EDIT_CUT).m_bEnabled);
        QVERIFY(!MainWnd()->QueryCommand(ID_EDIT_UNDO).m_bEnabled);
    }
};

QTEST_MAIN(CTestClipboard)
#include "tst_clipboard.moc"
