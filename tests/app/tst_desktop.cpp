// Lumivo under a real window manager (openbox on Xvfb), as a new user meets it: the splash is seen,
// child frames stay whole and inside the workspace, closing a window goes back to the previous one,
// the maximised title, the dialogs' first field and caption, Save without a file, and a 16-bit copy
// that comes back and reads right in another program.
#include "app/LumivoApp.h"
#include "app/SplashWnd.h"
#include "document/LumivoDoc.h"
#include "document/LumivoView.h"
#include "framework/FrameWnd.h"
#include "image/Bitmap.h"
#include "res/CommandIds.h"
#include "support/TestSupport.h"

#include <FreeImage.h>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace {

QMdiSubWindow* FrameOf(CLumivoDoc* pDoc)
{
    return static_cast<CLumivoView*>(pDoc->GetViews().front())->GetParentFrame();
}

// The texts of the actions of the pop-up named strMenu in the menu bar now shown.
QStringList MenuTexts(const QString& strMenu)
{
    for (QAction* pTop : MainWnd()->menuBar()->actions())
        if (pTop->text().remove(QLatin1Char('&')) == strMenu && pTop->menu()) {
            QStringList texts;
            for (QAction* pAction : pTop->menu()->actions())
                texts.append(pAction->text());
            return texts;
        }
    return {};
}

} // namespace

class CTestDesktop : public QObject {
    Q_OBJECT

    std::unique_ptr<CLumivoApp> m_pApp;
    QTemporaryDir m_dir;

    void Start(const QStringList& args)
    {
        m_pApp = std::make_unique<CLumivoApp>();
        QVERIFY(m_pApp->InitInstance(args));
        QVERIFY(QTest::qWaitForWindowExposed(MainWnd()));
    }
    CLumivoDoc* Open(int nWidth, int nHeight, int nBpp = 24)
    {
        const QString strPath = m_dir.filePath(QStringLiteral("%1x%2x%3.bmp").arg(nWidth).arg(nHeight).arg(nBpp));
        if (!QFileInfo::exists(strPath) && !WriteTestImage(strPath, nWidth, nHeight, nBpp))
            return nullptr;
        return dynamic_cast<CLumivoDoc*>(m_pApp->OpenDocumentFile(strPath));
    }

private slots:
    void initTestCase()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        if (!qEnvironmentVariableIsSet("LUMIVO_WINDOW_MANAGER"))
            QSKIP("needs a window manager (run through CTest, which starts openbox)");
    }
    void init()
    {
        Start({QStringLiteral("-nologo")});
        m_pApp->CloseAllDocuments(); // the switch alone opened an empty document
    }
    void cleanup()
    {
        m_pApp->CloseAllDocuments();
        m_pApp.reset();
    }

    void splashIsSeenAboveTheMainWindow()
    {
        cleanup();
        m_pApp = std::make_unique<CLumivoApp>();
        QVERIFY(m_pApp->InitInstance({})); // no -nologo: the splash shows
        QVERIFY(QTest::qWaitForWindowExposed(MainWnd()));
        CSplashWnd* pSplash = CSplashWnd::Current();
        QVERIFY(pSplash);
        QVERIFY(QTest::qWaitForWindowExposed(pSplash));
        QTest::qWait(100); // the window manager has stacked both
        // What the screen shows at the splash's centre is the splash's picture, not the main window.
        const QPoint ptCentre = pSplash->mapToGlobal(pSplash->rect().center());
        const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        const QImage own = pSplash->grab().toImage();
        QCOMPARE(screen.pixel(ptCentre), own.pixel(pSplash->rect().center()));
        QTRY_VERIFY_WITH_TIMEOUT(!CSplashWnd::Current(), 2000); // gone after its 750 ms
    }

    void framesStayWholeAndInsideTheWorkspace()
    {
        CLumivoDoc* pLarge = Open(4000, 3000);
        QVERIFY(pLarge);
        QMdiSubWindow* pFrame = FrameOf(pLarge);
        QTRY_VERIFY(pFrame->isVisible());
        const QWidget* pArea = pFrame->mdiArea()->viewport();
        QVERIFY(QRect(QPoint(0, 0), pArea->size()).contains(pFrame->geometry()));

        // Zoomed out to the end, and "-" on an empty document: never below the frame's own minimum.
        auto* pView = static_cast<CLumivoView*>(pLarge->GetViews().front());
        while (MainWnd()->QueryCommand(ID_IMAGE_ZOOM_OUT).m_bEnabled && pView->m_dZoom > 1.0 / 64)
            QVERIFY(MainWnd()->ExecuteCommand(ID_IMAGE_ZOOM_OUT));
        QVERIFY(pFrame->width() >= pFrame->minimumSizeHint().width());
        QVERIFY(pFrame->height() >= pFrame->minimumSizeHint().height());
        QVERIFY(MainWnd()->ExecuteCommand(ID_FILE_NEW));
        QMdiSubWindow* pEmpty = FrameOf(ActiveDoc());
        QVERIFY(MainWnd()->ExecuteCommand(ID_IMAGE_ZOOM_OUT));
        QVERIFY(pEmpty->width() >= pEmpty->minimumSizeHint().width());
    }

    void closingGoesBackToThePreviousWindow()
    {
        CLumivoDoc* pA = Open(20, 20);
        CLumivoDoc* pB = Open(30, 20);
        CLumivoDoc* pC = Open(40, 20);
        QVERIFY(pA && pB && pC);
        MainWnd()->GetMDIClient()->setActiveSubWindow(FrameOf(pA));
        QTRY_COMPARE(ActiveDoc(), pA);
        QVERIFY(MainWnd()->ExecuteCommand(ID_FILE_CLOSE));
        QTRY_COMPARE(ActiveDoc(), pC); // active before A, not the first opened

        // A file that fails to open leaves the same window active.
        const QString strBad = m_dir.filePath(QStringLiteral("bad.png"));
        QFile bad(strBad);
        QVERIFY(bad.open(QIODevice::WriteOnly) && bad.write("not a picture") > 0);
        bad.close();
        MainWnd()->GetMDIClient()->setActiveSubWindow(FrameOf(pB));
        QTRY_COMPARE(ActiveDoc(), pB);
        QVERIFY(!m_pApp->OpenDocumentFile(strBad));
        QTRY_COMPARE(ActiveDoc(), pB);
    }

    void maximisedTitleNamesTheImageOnce()
    {
        CLumivoDoc* pDoc = Open(50, 40);
        QVERIFY(pDoc);
        FrameOf(pDoc)->showMaximized();
        const QString strExpected = QStringLiteral("Lumivo - [%1]").arg(pDoc->GetTitle());
        QTRY_COMPARE(MainWnd()->windowTitle(), strExpected);
        QTest::qWait(250); // several idle passes later it still reads the same
        QCOMPARE(MainWnd()->windowTitle(), strExpected);
        FrameOf(pDoc)->showNormal();
        QTRY_COMPARE(MainWnd()->windowTitle(), QStringLiteral("Lumivo - ") + pDoc->GetTitle());
    }

    void menusWordTheScannerItemTheirOwnWay()
    {
        QTRY_COMPARE(MainWnd()->GetShownMenuResource(), int(IDR_MAINFRAME));
        QVERIFY(MenuTexts(QStringLiteral("File")).contains(QStringLiteral("Select Source")));
        QVERIFY(Open(20, 20));
        QTRY_COMPARE(MainWnd()->GetShownMenuResource(), int(IDR_LUMIVOTYPE));
        QVERIFY(MenuTexts(QStringLiteral("File")).contains(QStringLiteral("Select source")));
    }

    // Every parameter dialog: the first field has the focus with its text selected, Enter is OK, and
    // the dialog is wide enough for its caption.
    void parameterDialogsStartInTheirFirstField_data()
    {
        QTest::addColumn<int>("nId");
        QTest::addColumn<QString>("strFirst");
        QTest::newRow("rotate") << int(ID_GEOM_ROTATE) << QStringLiteral("90");
        QTest::newRow("zoom") << int(ID_GEOM_ZOOM) << QStringLiteral("2");
        QTest::newRow("uniform noise") << int(ID_NOISE_UNIFORM) << QStringLiteral("150");
        QTest::newRow("gaussian noise") << int(ID_NOISE_GAUSSIAN) << QStringLiteral("35");
    }
    void parameterDialogsStartInTheirFirstField()
    {
        QFETCH(int, nId);
        QFETCH(QString, strFirst);
        CLumivoDoc* pSource = Open(40, 30);
        QVERIFY(pSource);
        bool bChecked = false;
        DriveNextModal([&](QWidget* pDialog) {
            auto* pEdit = qobject_cast<QLineEdit*>(pDialog->focusWidget());
            const QFontMetrics metrics(pDialog->font());
            bChecked = pEdit && pEdit->text() == strFirst && pEdit->selectedText() == strFirst &&
                       pDialog->width() > metrics.horizontalAdvance(pDialog->windowTitle());
            QTest::keyClick(pEdit ? static_cast<QWidget*>(pEdit) : pDialog, Qt::Key_Return);
        });
        QVERIFY(MainWnd()->ExecuteCommand(nId));
        QVERIFY(bChecked);
        QTRY_VERIFY(ActiveDoc() != pSource); // Enter ran the operation
    }

    void brightnessDialogHasItsButtonsOnTheRight()
    {
        QVERIFY(Open(40, 30));
        bool bRight = false;
        DriveNextModal([&](QWidget* pDialog) {
            const auto* pSlider = pDialog->findChild<QSlider*>(QStringLiteral("slider1067"));
            const auto* pButtons = pDialog->findChild<QDialogButtonBox*>();
            bRight = pSlider && pButtons && pButtons->geometry().left() > pSlider->geometry().right() &&
                     !(pDialog->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
            PressButton(pDialog, QStringLiteral("CANCEL"));
        });
        QVERIFY(MainWnd()->ExecuteCommand(ID_COLOR_BRIGHTNESS_CONTRAST));
        QVERIFY(bRight);
    }

    void saveWithoutAFileTakesTheChosenName()
    {
        QVERIFY(Open(24, 16));
        QVERIFY(MainWnd()->ExecuteCommand(ID_COLOR_INVERT));
        CLumivoDoc* pResult = ActiveDoc();
        QVERIFY(pResult && pResult->GetPathName().isEmpty());
        const QString strPath = m_dir.filePath(QStringLiteral("inverted.png"));
        DriveNextModal([&](QWidget* pDialog) { ChooseFile(pDialog, strPath, 4); });
        QVERIFY(MainWnd()->ExecuteCommand(ID_FILE_SAVE));
        QVERIFY(QFileInfo::exists(strPath));
        QCOMPARE(pResult->GetPathName(), strPath);
        QCOMPARE(pResult->GetTitle(), QStringLiteral("inverted.png"));
        // The next Save writes there without asking.
        QVERIFY(QFile::remove(strPath));
        QVERIFY(MainWnd()->ExecuteCommand(ID_FILE_SAVE));
        QVERIFY(QFileInfo::exists(strPath));
    }

    void sixteenBitCopyComesBackAndReadsRight_data()
    {
        QTest::addColumn<bool>("b565");
        QTest::newRow("555") << false;
        QTest::newRow("565") << true;
    }
    void sixteenBitCopyComesBackAndReadsRight()
    {
        QFETCH(bool, b565);
        CBitmapPtr p24(FreeImage_Allocate(8, 2, 24));
        const RGBQUAD colours[8] = {{0, 0, 255, 0},    {0, 255, 0, 0},    {255, 0, 0, 0},    {255, 255, 255, 0},
                                    {40, 120, 200, 0}, {200, 40, 120, 0}, {120, 200, 40, 0}, {0, 0, 0, 0}};
        for (unsigned y = 0; y < 2; ++y)
            for (unsigned x = 0; x < 8; ++x)
                FreeImage_SetPixelColor(p24.get(), x, y, const_cast<RGBQUAD*>(&colours[x]));
        FIBITMAP* p16 = b565 ? FreeImage_ConvertTo16Bits565(p24.get()) : FreeImage_ConvertTo16Bits555(p24.get());
        CLumivoDoc* pSource = CLumivoDoc::CreateResultDocument(p16, QStringLiteral("Sixteen"), 0);
        QVERIFY(pSource);
        QVERIFY(MainWnd()->ExecuteCommand(ID_EDIT_COPY));

        // Pasted back: the same 16-bit image, masks and pixels.
        QVERIFY(MainWnd()->ExecuteCommand(ID_EDIT_PASTE));
        CLumivoDoc* pPasted = ActiveDoc();
        QVERIFY(pPasted != pSource);
        QCOMPARE(pPasted->m_nBpp, 16);
        QCOMPARE(FreeImage_GetGreenMask(pPasted->m_pBitmap), FreeImage_GetGreenMask(pSource->m_pBitmap));
        for (int y = 0; y < 2; ++y)
            QCOMPARE(QByteArray(reinterpret_cast<const char*>(FreeImage_GetScanLine(pPasted->m_pBitmap, y)), 16),
                     QByteArray(reinterpret_cast<const char*>(FreeImage_GetScanLine(pSource->m_pBitmap, y)), 16));

        // Another program reads the clipboard's BMP with the right colours.
        if (QStandardPaths::findExecutable(QStringLiteral("xclip")).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("convert")).isEmpty())
            QSKIP("xclip or ImageMagick's convert is not installed");
        const QByteArray bmp = RunProgram(QStringLiteral("xclip"), {"-selection", "clipboard", "-o", "-t", "image/bmp"});
        const QByteArray rgb = RunProgram(QStringLiteral("convert"), {"bmp:-", "-depth", "8", "rgb:-"}, bmp);
        QCOMPARE(rgb.size(), qsizetype(8 * 2 * 3));
        for (int x = 0; x < 8; ++x) {
            const int channels[3] = {colours[x].rgbRed, colours[x].rgbGreen, colours[x].rgbBlue};
            for (int c = 0; c < 3; ++c)
                QVERIFY2(std::abs(uchar(rgb[3 * x + c]) - channels[c]) <= 8, qPrintable(QString::number(x)));
        }
    }
};

QTEST_MAIN(CTestDesktop)
#include "tst_desktop.moc"
