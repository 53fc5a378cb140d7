// Window capture on a real X server: the window list with and without a window manager (openbox),
// the capture rectangle, and captured pixels against ImageMagick's `import` of the same area.
#include "document/LumivoDoc.h"
#include "framework/FrameWnd.h"
#include "image/Bitmap.h"
#include "image/BitmapImage.h"
#include "res/CommandIds.h"
#include "support/TestSupport.h"
#include "tools/CaptureDlg.h"
#include "tools/X11Desktop.h"

#include <FreeImage.h>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>
#include <xcb/xcb.h>

namespace {
uint32_t FindWindow(const QString& strTitle)
{
    for (const STopLevelWindow& window : CX11Desktop().ListTopLevelWindows(CCAPTUREDialog::MAX_WINDOWS))
        if (window.strTitle == strTitle)
            return window.nWindow;
    return 0;
}

// The titles the capture dialog lists, in order.
QStringList ListedTitles()
{
    QStringList titles;
    CX11Desktop desktop;
    CCAPTUREDialog dlg(desktop);
    auto* pList = dlg.findChild<QListWidget*>("windowList");
    for (int i = 0; pList && i < pList->count(); ++i)
        titles << pList->item(i)->text();
    return titles;
}

// Runs the capture command, choosing the entry titled strTitle.
CLumivoDoc* Capture(const QString& strTitle, bool bInside)
{
    bool bFound = false;
    DriveNextModal([&](QWidget* pDialog) {
        auto* pList = pDialog->findChild<QListWidget*>("windowList");
        const QList<QListWidgetItem*> items = pList->findItems(strTitle, Qt::MatchExactly);
        bFound = !items.isEmpty();
        if (bFound)
            pList->setCurrentItem(items.front());
        pDialog->findChild<QPushButton*>("insideWindow")->setChecked(bInside);
        PressButton(pDialog, bFound ? "OK" : "Cancel");
    });
    CDocument* pBefore = MainWnd()->GetActiveDocument();
    MainWnd()->ExecuteCommand(ID_FILE_CAPTURE);
    auto* pDoc = dynamic_cast<CLumivoDoc*>(MainWnd()->GetActiveDocument());
    return bFound && pDoc != pBefore ? pDoc : nullptr;
}

// ImageMagick's picture of a window, or of an area of the screen.
QImage Import(const QStringList& arguments)
{
    QTemporaryDir dir;
    const QString strPath = dir.filePath("import.png");
    if (QProcess::execute("import", arguments + QStringList{strPath}) != 0)
        return {};
    return QImage(strPath).convertToFormat(QImage::Format_RGB888);
}

QImage DocumentPicture(CLumivoDoc* pDoc)
{
    return BitmapToQImage(pDoc->m_pBitmap).mirrored().convertToFormat(QImage::Format_RGB888);
}

// Where two pictures differ first, or an empty string when they are the same.
QByteArray FirstDifference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return QStringLiteral("sizes %1x%2 and %3x%4")
            .arg(a.width())
            .arg(a.height())
            .arg(b.width())
            .arg(b.height())
            .toUtf8();
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                return QStringLiteral("pixel %1,%2: %3 and %4")
                    .arg(x)
                    .arg(y)
                    .arg(a.pixel(x, y), 0, 16)
                    .arg(b.pixel(x, y), 0, 16)
                    .toUtf8();
    return {};
}
} // namespace

class CTestCapture : public QObject {
    Q_OBJECT
private:
    CAppFixture m_app;
    std::vector<std::unique_ptr<QProcess>> m_clients;
    xcb_connection_t* m_pConnection = nullptr;

    // Starts a real X client and waits for its window.
    uint32_t StartClient(const QString& strProgram, const QStringList& arguments, const QString& strTitle)
    {
        auto pProcess = std::make_unique<QProcess>();
        pProcess->start(strProgram, arguments);
        m_clients.push_back(std::move(pProcess));
        uint32_t nWindow = 0;
        for (int i = 0; i < 500 && !nWindow; ++i) {
            QTest::qWait(10);
            nWindow = FindWindow(strTitle);
        }
        QTest::qWait(100); // let it draw
        return nWindow;
    }

    // A plain window of our own: mapped or not, with a title or without.
    uint32_t CreateWindow(int nX, int nY, int nWidth, int nHeight, const QByteArray& title, bool bMap = true)
    {
        const xcb_screen_t* pScreen = xcb_setup_roots_iterator(xcb_get_setup(m_pConnection)).data;
        const uint32_t nWindow = xcb_generate_id(m_pConnection);
        const uint32_t values[] = {pScreen->white_pixel};
        xcb_create_window(m_pConnection, XCB_COPY_FROM_PARENT, nWindow, pScreen->root, int16_t(nX), int16_t(nY),
                          uint16_t(nWidth), uint16_t(nHeight), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, pScreen->root_visual,
                          XCB_CW_BACK_PIXEL, values);
        if (!title.isEmpty())
            xcb_change_property(m_pConnection, XCB_PROP_MODE_REPLACE, nWindow, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                                uint32_t(title.size()), title.constData());
        if (bMap)
            xcb_map_window(m_pConnection, nWindow);
        std::free(xcb_get_input_focus_reply(m_pConnection, xcb_get_input_focus(m_pConnection), nullptr));
        return nWindow;
    }

    void StartWindowManager()
    {
        if (CX11Desktop().HasWindowManager())
            return;
        StartClient("openbox", {"--sm-disable"}, QString());
        QTRY_VERIFY_WITH_TIMEOUT(CX11Desktop().HasWindowManager(), 10000);
        QTest::qWait(300);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(QGuiApplication::platformName() == QStringLiteral("xcb"));
        m_pConnection = xcb_connect(nullptr, nullptr);
        QVERIFY(!xcb_connection_has_error(m_pConnection));
        QVERIFY(m_app.Start());
        m_app.App().CloseAllDocuments();
        MainWnd()->setGeometry(400, 100, 500, 250); // clear of the captured windows
        QVERIFY(QTest::qWaitForWindowExposed(MainWnd()));
    }
    void cleanupTestCase()
    {
        m_app.Stop();
        xcb_disconnect(m_pConnection);
        for (auto& pClient : m_clients) {
            pClient->kill();
            pClient->waitForFinished();
        }
    }
    void cleanup() { m_app.App().CloseAllDocuments(); }

    void captureRect_data()
    {
        QTest::addColumn<QRect>("rcWindow");
        QTest::addColumn<QRect>("expected"); // source offset and size
        QTest::newRow("inside the screen") << QRect(100, 50, 300, 200) << QRect(0, 0, 300, 200);
        QTest::newRow("beyond left and top") << QRect(-40, -30, 300, 200) << QRect(40, 30, 260, 170);
        QTest::newRow("beyond right and bottom") << QRect(1200, 1000, 300, 200) << QRect(0, 0, 80, 24);
        QTest::newRow("larger than the screen") << QRect(0, 0, 2000, 1500) << QRect(0, 0, 1280, 1024);
        QTest::newRow("wholly beyond the right") << QRect(1300, 10, 50, 50) << QRect(0, 0, -20, 50);
        QTest::newRow("wholly above") << QRect(10, -90, 50, 50) << QRect(0, 90, 50, -40);
    }
    void captureRect()
    {
        QFETCH(QRect, rcWindow);
        QFETCH(QRect, expected);
        const SCaptureRect rect = CaptureRectFor(rcWindow, QSize(1280, 1024));
        QCOMPARE(QRect(rect.nSourceX, rect.nSourceY, rect.nWidth, rect.nHeight), expected);
        QCOMPARE(rect.IsEmpty(), expected.width() <= 0 || expected.height() <= 0);
    }

    // Without a window manager the root's children are the top-level windows.
    void listingWithoutWindowManager()
    {
        QVERIFY(!CX11Desktop().HasWindowManager());
        const uint32_t nLower = CreateWindow(700, 500, 60, 40, "lower");
        CreateWindow(710, 510, 60, 40, "upper");
        CreateWindow(700, 600, 60, 40, QByteArray());
        CreateWindow(700, 700, 4, 40, "narrow");
        CreateWindow(700, 760, 40, 4, "flat");
        CreateWindow(800, 500, 60, 40, "unmapped", false);
        CreateWindow(800, 600, 5, 5, "small enough");
        QStringList titles = ListedTitles();
        QCOMPARE(titles.value(0), QStringLiteral("Desktop"));
        QVERIFY(titles.contains("small enough"));
        QVERIFY(titles.indexOf("upper") >= 0 && titles.indexOf("upper") < titles.indexOf("lower"));
        for (const char* pszAbsent : {"narrow", "flat", "unmapped"})
            QVERIFY2(!titles.contains(pszAbsent), pszAbsent);
        QVERIFY(!titles.contains(QString()));

        // Raising the lower window puts it first.
        const uint32_t nStack = XCB_STACK_MODE_ABOVE;
        xcb_configure_window(m_pConnection, nLower, XCB_CONFIG_WINDOW_STACK_MODE, &nStack);
        xcb_flush(m_pConnection);
        QTRY_VERIFY(ListedTitles().indexOf("lower") < ListedTitles().indexOf("upper"));

        // At most 254 windows after "Desktop".
        for (int i = 0; i < 260; ++i)
            CreateWindow(900, 100, 20, 20, "many " + QByteArray::number(i));
        titles = ListedTitles();
        QCOMPARE(titles.size(), 1 + CCAPTUREDialog::MAX_WINDOWS);
        QCOMPARE(titles.value(1), QStringLiteral("many 259"));
        xcb_disconnect(m_pConnection); // all our windows go with the connection
        m_pConnection = xcb_connect(nullptr, nullptr);
    }

    void listingWithWindowManager()
    {
        StartWindowManager();
        const uint32_t nShown = StartClient("xmessage", {"-title", "shown", "-geometry", "+700+300", "shown"}, "shown");
        QVERIFY(nShown);
        QVERIFY(StartClient("xeyes", {"-title", "eyes", "-geometry", "80x60+800+300"}, "eyes"));
        QStringList titles = ListedTitles();
        QCOMPARE(titles.value(0), QStringLiteral("Desktop"));
        QVERIFY(titles.indexOf("eyes") > 0 && titles.indexOf("eyes") < titles.indexOf("shown"));
        QVERIFY(CX11Desktop().FrameOf(nShown) != nShown); // openbox framed it

        // A minimised window is not listed.
        const uint32_t nChangeState = [this] {
            auto* pReply =
                xcb_intern_atom_reply(m_pConnection, xcb_intern_atom(m_pConnection, 0, 15, "WM_CHANGE_STATE"), nullptr);
            const uint32_t nAtom = pReply ? pReply->atom : 0;
            std::free(pReply);
            return nAtom;
        }();
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = nShown;
        event.type = nChangeState;
        event.data.data32[0] = 3; // IconicState
        xcb_send_event(m_pConnection, 0, CX11Desktop().Root(),
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&event));
        xcb_flush(m_pConnection);
        QTRY_VERIFY(!ListedTitles().contains("shown"));
        QVERIFY(ListedTitles().contains("eyes"));
    }

    // The picture has the size of the window's part on the screen (whole window) or of its client
    // area (inside); what of the client area is on the screen matches `import` of the same place.
    void capturedPixelsMatchImport_data()
    {
        QTest::addColumn<QString>("strPosition");
        QTest::addColumn<bool>("bInside");
        QTest::newRow("whole window") << "+700+500" << false;
        QTest::newRow("inside window") << "+700+500" << true;
        QTest::newRow("whole, beyond left and top") << "+-40+-30" << false;
        QTest::newRow("whole, beyond right and bottom") << "+1200+980" << false;
        QTest::newRow("inside, beyond right and bottom") << "+1200+980" << true;
    }
    void capturedPixelsMatchImport()
    {
        QFETCH(QString, strPosition);
        QFETCH(bool, bInside);
        StartWindowManager();
        const QString strTitle = QTest::currentDataTag();
        const uint32_t nWindow = StartClient(
            "xmessage", {"-title", strTitle, "-geometry", strPosition, "-bg", "yellow", "captured\nwindow"}, strTitle);
        QVERIFY(nWindow);
        CX11Desktop desktop;
        const QRect rcScreen(QPoint(0, 0), desktop.ScreenSize());
        const QRect rcClient = desktop.ScreenRect(nWindow);
        const QRect rcFrame = desktop.ScreenRect(desktop.FrameOf(nWindow));
        QVERIFY(rcFrame.contains(rcClient) && rcFrame != rcClient);
        const QRect rcPicture =
            bInside ? QRect(rcClient.topLeft(), rcClient.size().boundedTo(rcScreen.size())) : rcFrame & rcScreen;

        CLumivoDoc* pDoc = Capture(strTitle, bInside);
        QVERIFY(pDoc && pDoc->m_pBitmap);
        QCOMPARE(pDoc->GetTitle(), QStringLiteral("Captured Image"));
        QCOMPARE(QSize(pDoc->m_nWidth, pDoc->m_nHeight), rcPicture.size());
        QCOMPARE(MainWnd()->GetPaneText(ID_INDICATOR_IMAGE),
                 QStringLiteral("[%1x%2x24]").arg(rcPicture.width()).arg(rcPicture.height()));
        // The frame's decorations change once the window is no longer active: only the client is compared.
        const QRect rcCompared = rcClient & rcScreen;
        const QString strGeometry = QStringLiteral("%1x%2+%3+%4")
                                        .arg(rcCompared.width())
                                        .arg(rcCompared.height())
                                        .arg(rcCompared.x())
                                        .arg(rcCompared.y());
        QCOMPARE(FirstDifference(DocumentPicture(pDoc).copy(rcCompared.translated(-rcPicture.topLeft())),
                                 Import({"-window", "root", "-crop", strGeometry})),
                 QByteArray());
    }

    // A window covered by another when the capture starts is captured as it looks once raised.
    void coveredWindowIsCapturedRepainted()
    {
        StartWindowManager();
        const uint32_t nCovered = StartClient(
            "xmessage", {"-title", "covered", "-geometry", "+300+600", "-bg", "pink", "the covered one"}, "covered");
        QVERIFY(nCovered);
        QVERIFY(StartClient("xmessage",
                            {"-title", "cover", "-geometry", "+250+560", "-bg", "black", "-fg", "white",
                             "a much wider window that covers the other one\n\n\n\n\n"},
                            "cover"));
        CLumivoDoc* pDoc = Capture("covered", true);
        QVERIFY(pDoc && pDoc->m_pBitmap);
        QCOMPARE(FirstDifference(DocumentPicture(pDoc), Import({"-window", QString::number(nCovered)})), QByteArray());
    }

    void desktopCapturesTheScreen()
    {
        CLumivoDoc* pDoc = Capture("Desktop", false);
        QVERIFY(pDoc && pDoc->m_pBitmap);
        QCOMPARE(QSize(pDoc->m_nWidth, pDoc->m_nHeight), CX11Desktop().ScreenSize());
    }
};

QTEST_MAIN(CTestCapture)
#include "tst_capture.moc"
