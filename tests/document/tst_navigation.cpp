// Inside the running application: the colour-depth conversions and their enabling, the rubber-band
// selection with its crop menu, and stepping through the files of a folder by toolbar and keys.
#include "document/LumivoDoc.h"
#include "document/LumivoView.h"
#include "framework/FrameWnd.h"
#include "image/Bitmap.h"
#include "res/CommandIds.h"
#include "support/TestSupport.h"

#include <FreeImage.h>
#include <QFileDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>

namespace {
void SendMouse(CLumivoView* pView, QEvent::Type eType, QPoint pt)
{
    const Qt::MouseButton eButton = eType == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons buttons = eType == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(eType, QPointF(pt), pView->viewport()->mapToGlobal(QPointF(pt)), eButton, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(pView->viewport(), &event);
}

// Drags from pt1 to pt2 with the left button; on the crop menu that follows, chooses "Crop" or
// closes it. Gives where the menu showed, in screen coordinates (null point when none showed).
QPoint Drag(CLumivoView* pView, QPoint pt1, QPoint pt2, bool bCrop)
{
    auto pShownAt = std::make_shared<QPoint>();
    auto pPoll = std::make_shared<std::function<void()>>();
    *pPoll = [=] {
        auto* pMenu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!pMenu) {
            QTimer::singleShot(10, *pPoll);
            return;
        }
        *pShownAt = pMenu->pos();
        QAction* pCrop = pMenu->actions().value(0);
        if (bCrop && pCrop && pCrop->text() == QStringLiteral("Crop"))
            pCrop->trigger();
        pMenu->close();
    };
    QTimer::singleShot(0, *pPoll);
    SendMouse(pView, QEvent::MouseButtonPress, pt1);
    SendMouse(pView, QEvent::MouseMove, (pt1 + pt2) / 2);
    SendMouse(pView, QEvent::MouseMove, pt2);
    SendMouse(pView, QEvent::MouseButtonRelease, pt2);
    *pPoll = [] {}; // the menu has closed
    return *pShownAt;
}

void TypeKey(CLumivoView* pView, Qt::Key eKey, const QString& strText)
{
    QKeyEvent event(QEvent::KeyPress, eKey, Qt::NoModifier, strText);
    QApplication::sendEvent(pView, &event);
}

} // namespace

class CTestNavigation : public CAppTestCase {
    Q_OBJECT
private slots:
    // --- conversions ------------------------------------------------------------------------------

    void conversionEnabling_data()
    {
        QTest::addColumn<int>("nBpp");
        // Enabled state of Gray, Wu, NewQuant, Model 555, Model 565, 24 bits, 32 bits.
        QTest::addColumn<QString>("strEnabled");
        QTest::newRow("1") << 1 << "1001111";
        QTest::newRow("4") << 4 << "1001111";
        QTest::newRow("8") << 8 << "1001111";
        QTest::newRow("16") << 16 << "1110011";
        QTest::newRow("24") << 24 << "1111101";
        QTest::newRow("32") << 32 << "1111110";
    }
    void conversionEnabling()
    {
        QFETCH(int, nBpp);
        QFETCH(QString, strEnabled);
        const int ids[] = {ID_CONVERT_GRAY,       ID_CONVERT_WU,     ID_CONVERT_NEUQUANT, ID_CONVERT_16BITS_555,
                           ID_CONVERT_16BITS_565, ID_CONVERT_24BITS, ID_CONVERT_32BITS};
        QVERIFY(Show(MakeVaried(9, 7, nBpp)));
        QString strState;
        for (int nId : ids)
            strState += IsEnabled(nId) ? '1' : '0';
        QCOMPARE(strState, strEnabled);
        m_pApp->CloseAllDocuments();
        for (int nId : ids)
            QVERIFY(!IsEnabled(nId)); // no document: nothing handles them
    }

    void conversionsOpenNewDocuments()
    {
        CLumivoView* pView = Show(MakeVaried(33, 21, 24));
        CLumivoDoc* pSource = pView->GetDocument();
        FIBITMAP* pSourceBitmap = pSource->m_pBitmap;
        QVERIFY(MainWnd()->ExecuteCommand(ID_CONVERT_16BITS_565));
        CLumivoDoc* pFirst = ActiveDoc();
        QVERIFY(pFirst != pSource);
        QCOMPARE(pFirst->GetTitle(), QStringLiteral("Converted image"));
        QCOMPARE(MainWnd()->GetPaneText(ID_INDICATOR_IMAGE), QStringLiteral("[33x21x16]"));
        QCOMPARE(pFirst->m_dElapsed, pSource->m_dElapsed);
        QCOMPARE(FreeImage_GetGreenMask(pFirst->m_pBitmap), unsigned(FI16_565_GREEN_MASK));

        // The source again: a second conversion opens a second document; the source is untouched.
        MainWnd()->GetMDIClient()->setActiveSubWindow(pView->GetParentFrame());
        QVERIFY(MainWnd()->ExecuteCommand(ID_CONVERT_GRAY));
        QCOMPARE(WindowCount(), 3);
        QCOMPARE(ActiveDoc()->GetTitle(), QStringLiteral("Converted image"));
        QCOMPARE(ActiveDoc()->m_nBpp, 8);
        QCOMPARE(pSource->m_pBitmap, pSourceBitmap);
        QCOMPARE(pSource->m_nBpp, 24);

        // Gray is enabled on an 8-bit image too and still opens a document.
        QVERIFY(MainWnd()->ExecuteCommand(ID_CONVERT_GRAY));
        QCOMPARE(WindowCount(), 4);
    }

    void conversionWithoutResultShowsNothing()
    {
        Show(MakeVaried(8, 8, 16)); // the quantisers take no 16-bit image
        QVERIFY(IsEnabled(ID_CONVERT_WU));
        QVERIFY(MainWnd()->ExecuteCommand(ID_CONVERT_WU));
        QCOMPARE(WindowCount(), 1);
    }

    // --- selection and crop -----------------------------------------------------------------------

    void cropDraggedEitherWayGivesTheSamePixels()
    {
        CLumivoView* pView = Show(MakeVaried(40, 30, 24));
        SetClientSize(pView, QSize(100, 80));
        const QPoint ptImage(pView->m_nOffsetX, pView->m_nOffsetY);
        const QPoint pt1 = ptImage + QPoint(5, 4), pt2 = ptImage + QPoint(25, 14);

        QVERIFY(!Drag(pView, pt1, pt2, true).isNull());
        CLumivoDoc* pFirst = ActiveDoc();
        QCOMPARE(pFirst->GetTitle(), QStringLiteral("Crop image"));
        QCOMPARE(pFirst->m_dElapsed, 0.0);
        QCOMPARE(QSize(pFirst->m_nWidth, pFirst->m_nHeight), QSize(20, 10));
        // Rows 4 to 13 from the top are stored scan lines 16 to 25.
        CBitmapPtr pExpected(FreeImage_Copy(pView->GetDocument()->m_pBitmap, 5, 4, 25, 14));
        QVERIFY(SamePixels(pFirst->m_pBitmap, pExpected.get()));

        MainWnd()->GetMDIClient()->setActiveSubWindow(pView->GetParentFrame());
        QVERIFY(!Drag(pView, pt2, pt1, true).isNull());
        QVERIFY(ActiveDoc() != pFirst);
        QVERIFY(SamePixels(ActiveDoc()->m_pBitmap, pExpected.get()));
    }

    void cropAtZoomTwo()
    {
        CLumivoView* pView = Show(MakeVaried(40, 30, 8));
        pView->m_dZoom = 2;
        pView->GetDocument()->UpdateAllViews(nullptr, 0);
        SetClientSize(pView, QSize(120, 90));
        const QPoint pt = QPoint(pView->m_nOffsetX, pView->m_nOffsetY) + QPoint(7, 9);
        Drag(pView, pt, pt + QPoint(20, 10), true);
        QCOMPARE(QSize(ActiveDoc()->m_nWidth, ActiveDoc()->m_nHeight), QSize(10, 5));
        QCOMPARE(ActiveDoc()->m_nBpp, 8);
    }

    void selectionPastTheEdgesCropsTheWholeImage()
    {
        CLumivoView* pView = Show(MakeVaried(40, 30, 4));
        SetClientSize(pView, QSize(100, 80));
        const QPoint ptImage(pView->m_nOffsetX, pView->m_nOffsetY);
        Drag(pView, ptImage - QPoint(6, 6), ptImage + QPoint(47, 38), true);
        QVERIFY(SamePixels(ActiveDoc()->m_pBitmap, pView->GetDocument()->m_pBitmap));
    }

    void plainClickShowsTheMenuWhereTheSelectionEnds()
    {
        CLumivoView* pView = Show(MakeVaried(40, 30, 24));
        SetClientSize(pView, QSize(100, 80));
        const QPoint pt(30, 20);
        QCOMPARE(Drag(pView, pt, pt, false), pView->viewport()->mapToGlobal(pt));
        QCOMPARE(WindowCount(), 1);
        // Dragged up and left, the menu still shows at the start plus the selection's size.
        QCOMPARE(Drag(pView, pt, pt - QPoint(10, 5), false), pView->viewport()->mapToGlobal(pt + QPoint(10, 5)));
        // Crop outside the image does nothing.
        Drag(pView, QPoint(1, 1), QPoint(5, 5), true);
        QCOMPARE(WindowCount(), 1);
    }

    // --- next and previous file -------------------------------------------------------------------

    void steppingThroughAFolder()
    {
        QTemporaryDir dir;
        QVERIFY(WriteTestImage(dir.filePath("a.bmp"), 120, 90));
        QVERIFY(QFile::copy(TestData("random-after-signature.bmp"), dir.filePath("b.bmp")));
        QVERIFY(!CBitmapPtr(LoadBitmapFile(dir.filePath("b.bmp"))));
        QVERIFY(WriteTestImage(dir.filePath("c.png"), 150, 110));

        auto* pDoc = static_cast<CLumivoDoc*>(m_pApp->OpenDocumentFile(dir.filePath("a.bmp")));
        QVERIFY(pDoc);
        auto* pView = static_cast<CLumivoView*>(pDoc->GetViews().front());
        QVERIFY(IsEnabled(ID_FILE_NEXT));
        QVERIFY(!IsEnabled(ID_FILE_PREVIOUS));
        TypeKey(pView, Qt::Key_P, "P");
        QCOMPARE(pDoc->m_nFileIndex, 1);

        // The damaged file: the old image stays, while path, title and position name the new file.
        TypeKey(pView, Qt::Key_N, "n");
        QCOMPARE(pDoc->m_nFileIndex, 2);
        QCOMPARE(pDoc->m_posFile, 1);
        QCOMPARE(pDoc->GetTitle(), QStringLiteral("b.bmp"));
        QCOMPARE(pDoc->m_strImagePath, dir.filePath("b.bmp"));
        QCOMPARE(QSize(pDoc->m_nWidth, pDoc->m_nHeight), QSize(120, 90));
        QVERIFY(pDoc->m_pBitmap);

        // On to the last file, which fits the frame; there Next and N do nothing.
        QVERIFY(MainWnd()->ExecuteCommand(ID_FILE_NEXT));
        QCOMPARE(pDoc->m_nFileIndex, 3);
        QCOMPARE(QSize(pDoc->m_nWidth, pDoc->m_nHeight), QSize(150, 110));
        QCoreApplication::processEvents();
        QCOMPARE(pView->viewport()->size(), QSize(150, 110));
        QCOMPARE(MainWnd()->GetPaneText(ID_INDICATOR_IMAGE), QStringLiteral("[150x110x24]"));
        QVERIFY(!IsEnabled(ID_FILE_NEXT));
        QVERIFY(!MainWnd()->ExecuteCommand(ID_FILE_NEXT));
        TypeKey(pView, Qt::Key_N, "N");
        QCOMPARE(pDoc->m_nFileIndex, 3);
        QCOMPARE(pDoc->GetTitle(), QStringLiteral("c.png"));

        // Back over the damaged file to the first: the image of c stays while on b.
        TypeKey(pView, Qt::Key_P, "p");
        QCOMPARE(QSize(pDoc->m_nWidth, pDoc->m_nHeight), QSize(150, 110));
        QVERIFY(MainWnd()->ExecuteCommand(ID_FILE_PREVIOUS));
        QCOMPARE(pDoc->m_nFileIndex, 1);
        QCOMPARE(QSize(pDoc->m_nWidth, pDoc->m_nHeight), QSize(120, 90));
        QVERIFY(!IsEnabled(ID_FILE_PREVIOUS));
        QVERIFY(!m_pApp->GetRecentFileList().contains(dir.filePath("c.png")));
    }

    void processedDocumentHasNoNavigation()
    {
        QTemporaryDir dir;
        QVERIFY(WriteTestImage(dir.filePath("a.bmp"), 20, 20));
        QVERIFY(WriteTestImage(dir.filePath("b.bmp"), 30, 30));
        QVERIFY(m_pApp->OpenDocumentFile(dir.filePath("a.bmp")));
        QVERIFY(MainWnd()->ExecuteCommand(ID_CONVERT_32BITS));
        CLumivoDoc* pResult = ActiveDoc();
        QVERIFY(!IsEnabled(ID_FILE_NEXT));
        QVERIFY(!IsEnabled(ID_FILE_PREVIOUS));
        TypeKey(static_cast<CLumivoView*>(pResult->GetViews().front()), Qt::Key_N, "n");
        QCOMPARE(pResult->m_nWidth, 20);
        QCOMPARE(pResult->GetTitle(), QStringLiteral("Converted image"));
    }

    void vanishedFileGivesTheOpenFailure()
    {
        QTemporaryDir dir;
        QVERIFY(WriteTestImage(dir.filePath("a.bmp"), 20, 20));
        QVERIFY(WriteTestImage(dir.filePath("b.bmp"), 30, 30));
        auto* pDoc = static_cast<CLumivoDoc*>(m_pApp->OpenDocumentFile(dir.filePath("a.bmp")));
        QVERIFY(pDoc);
        QVERIFY(QFile::remove(dir.filePath("b.bmp")));
        QString strMessage;
        DriveNextModal([&](QWidget* pModal) {
            strMessage = MessageBoxText(pModal);
            PressButton(pModal, "OK");
        });
        QVERIFY(MainWnd()->ExecuteCommand(ID_FILE_NEXT));
        QVERIFY(strMessage.endsWith(QStringLiteral("Failed to open document.")));
        QCOMPARE(pDoc->m_nWidth, 20);
        QCOMPARE(pDoc->m_nFileIndex, 2);
    }

    // Stepped onto a file it cannot read, the document names that file but still shows the image
    // before it: Save asks for a name instead of writing that image over the file.
    void saveAfterAnUnreadableFileAsks()
    {
        QTemporaryDir dir;
        QVERIFY(WriteTestImage(dir.filePath("a.bmp"), 20, 20));
        QFile damaged(dir.filePath("b.bmp"));
        QVERIFY(damaged.open(QIODevice::WriteOnly) && damaged.write("BM not a picture") > 0);
        damaged.close();
        QVERIFY(m_pApp->OpenDocumentFile(dir.filePath("a.bmp")));
        QVERIFY(MainWnd()->ExecuteCommand(ID_FILE_NEXT));
        QCOMPARE(ActiveDoc()->GetPathName(), dir.filePath("b.bmp"));
        bool bAsked = false;
        DriveNextModal([&](QWidget* pModal) {
            bAsked = qobject_cast<QFileDialog*>(pModal) != nullptr;
            static_cast<QDialog*>(pModal)->reject();
        });
        QVERIFY(MainWnd()->ExecuteCommand(ID_FILE_SAVE));
        QVERIFY(bAsked);
        QVERIFY(damaged.open(QIODevice::ReadOnly));
        QCOMPARE(damaged.readAll(), QByteArray("BM not a picture"));
    }
};

QTEST_MAIN(CTestNavigation)
#include "tst_navigation.moc"
