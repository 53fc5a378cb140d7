// The TWAIN protocol as the main frame speaks it, against a scripted source manager that the
// program loads as the platform's (libtwaindsm.so on the library path): the calls in their order,
// the transfer count's second try, transfer runs with several, failed and damaged images, and
// closing the program while the source is enabled.
#include "document/LumivoDoc.h"
#include "framework/DocTemplate.h"
#include "framework/FrameWnd.h"
#include "res/CommandIds.h"
#include "support/TestSupport.h"
#include "tools/Twain.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <dlfcn.h>
#include <memory>

namespace {
CTwain* Twain()
{
    return dynamic_cast<CTwain*>(AfxGetMainWnd());
}

std::vector<CLumivoDoc*> Documents()
{
    std::vector<CLumivoDoc*> documents;
    for (CDocument* pDoc : AfxGetApp()->m_pDocTemplate->GetDocuments())
        documents.push_back(dynamic_cast<CLumivoDoc*>(pDoc));
    return documents;
}
} // namespace

class CTestTwain : public QObject {
    Q_OBJECT
private:
    CAppFixture m_app;
    QTemporaryDir m_dir;

    QStringList Log() const
    {
        QFile log(m_dir.filePath("calls.log"));
        if (!log.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(log.readAll()).split('\n', Qt::SkipEmptyParts);
    }
    void ClearLog() { QFile::remove(m_dir.filePath("calls.log")); }

    // A fresh manager with the given script, the log starting after its opening.
    void Restart(const QByteArray& script)
    {
        Twain()->UnloadSourceManager();
        qputenv("FAKE_TWAIN_SCRIPT", script);
        QVERIFY(Twain()->LoadSourceManager(MainWnd()));
        ClearLog();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        qputenv("FAKE_TWAIN_LOG", m_dir.filePath("calls.log").toLocal8Bit());
        qputenv("FAKE_TWAIN_SCRIPT", "");
        QVERIFY(m_app.Start());
        m_app.App().CloseAllDocuments();
    }
    void cleanup() { m_app.App().CloseAllDocuments(); }
    void cleanupTestCase() { m_app.Stop(); }

    void firstAcquireOpensTheDefaultSource()
    {
        // Loaded and opened at the frame's creation, with this program's identity.
        QVERIFY(Twain()->IsSourceManagerOpen());
        QCOMPARE(Log().value(0), "OPENDSM QORVA|Generic|Twain Test|3.5 3.5 lang=13 country=1 protocol=1.8 groups=3");
        ClearLog();

        QVERIFY(MainWnd()->ExecuteCommand(ID_FILE_ACQUIRE));
        QCOMPARE(Log(),
                 (QStringList{"GETDEFAULT", "OPENDS Fake Source", "SET XFERCOUNT type=1 item=1", "ENABLEDS showui=1"}));
        QTRY_COMPARE(Documents().size(), size_t(1));
        QCOMPARE(Log().mid(4), (QStringList{"IMAGEINFO", "NATIVEXFER", "ENDXFER"}));
        CLumivoDoc* pDoc = Documents().front();
        QCOMPARE(pDoc->GetTitle(), QStringLiteral("Acquired Image"));
        QCOMPARE(MainWnd()->GetPaneText(ID_INDICATOR_IMAGE), QStringLiteral("[6x4x8]"));
        QCOMPARE(pDoc->m_pBits[9], uint8_t(81));

        // Acquire again while the source is enabled: the enabling step refuses.
        ClearLog();
        QVERIFY(MainWnd()->ExecuteCommand(ID_FILE_ACQUIRE));
        QVERIFY(!Log().contains("ENABLEDS showui=1"));

        // Select Source presets the selection with the default and remembers the choice.
        Restart("");
        QVERIFY(MainWnd()->ExecuteCommand(ID_FILE_SELECT_SOURCE));
        QCOMPARE(Log(), (QStringList{"USERSELECT "})); // a source was already known: no default asked
        QVERIFY(MainWnd()->ExecuteCommand(ID_FILE_ACQUIRE));
        QCOMPARE(Log().value(1), "OPENDS Chosen Source");
    }

    void checkStatusWritesTheSourcesCountBack()
    {
        Restart("checkstatus,noui");
        QVERIFY(MainWnd()->ExecuteCommand(ID_FILE_ACQUIRE));
        QCOMPARE(Log().mid(1), (QStringList{"SET XFERCOUNT type=1 item=1", "GET XFERCOUNT",
                                            "SET XFERCOUNT type=4 item=7", "ENABLEDS showui=1"}));
        QCOMPARE(Twain()->GetImageCount(), 7);
        QVERIFY(Twain()->IsSourceEnabled());
    }

    void transferRuns_data()
    {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<int>("nDocuments");
        QTest::addColumn<bool>("bImages");
        QTest::addColumn<QStringList>("calls");
        const QStringList one{"IMAGEINFO", "NATIVEXFER", "ENDXFER"};
        QTest::newRow("two pending images") << QByteArray("pending=2") << 2 << true << one + one;
        QTest::newRow("failed transfer resets")
            << QByteArray("xferfail") << 0 << false << QStringList{"IMAGEINFO", "NATIVEXFER", "RESET"};
        QTest::newRow("failed image info resets")
            << QByteArray("infofail") << 0 << false << QStringList{"IMAGEINFO", "RESET"};
        QTest::newRow("damaged block") << QByteArray("badblock") << 1 << false << one;
        QTest::newRow("null handle") << QByteArray("nullhandle") << 1 << false << one;
    }
    void transferRuns()
    {
        QFETCH(QByteArray, script);
        QFETCH(int, nDocuments);
        QFETCH(bool, bImages);
        QFETCH(QStringList, calls);
        Restart(script);
        QVERIFY(MainWnd()->ExecuteCommand(ID_FILE_ACQUIRE));
        QTRY_COMPARE(Log().mid(3), calls); // after opening, setting the count and enabling
        QTest::qWait(50);
        QCOMPARE(Log().mid(3), calls);
        QCOMPARE(int(Documents().size()), nDocuments);
        for (CLumivoDoc* pDoc : Documents()) {
            QCOMPARE(pDoc->GetTitle(), QStringLiteral("Acquired Image"));
            QCOMPARE(pDoc->m_pBitmap != nullptr, bImages);
        }
        QVERIFY(Twain()->IsSourceEnabled());
    }

    // A manager that will not close is left loaded: windows of its sources may still be up.
    void managerThatWillNotCloseStaysLoaded()
    {
        Restart("closedsmfail");
        Twain()->UnloadSourceManager();
        QVERIFY(!Twain()->IsSourceManagerLoaded());
        QCOMPARE(Log(), (QStringList{"CLOSEDSM"}));
        qputenv("FAKE_TWAIN_SCRIPT", "");
        void* hLibrary = dlopen("libtwaindsm.so", RTLD_NOW | RTLD_NOLOAD);
        QVERIFY(hLibrary); // still there; unloaded here so that the next test starts fresh
        dlclose(hLibrary);
        dlclose(hLibrary);
        QCOMPARE(Log(), (QStringList{"CLOSEDSM", "UNLOADED"}));
        QVERIFY(Twain()->LoadSourceManager(MainWnd()));
    }

    // Closing the program with the source enabled (its dialog open) takes the protocol down in order.
    void closingWithTheSourceEnabled()
    {
        Restart("noui");
        QVERIFY(MainWnd()->ExecuteCommand(ID_FILE_ACQUIRE));
        QVERIFY(Twain()->IsSourceEnabled());
        ClearLog();
        // Choosing a source while one is open would take that source's identity away: nothing is asked.
        QVERIFY(MainWnd()->ExecuteCommand(ID_FILE_SELECT_SOURCE));
        QVERIFY(MainWnd()->close());
        QCOMPARE(Log(), (QStringList{"DISABLEDS", "CLOSEDS", "CLOSEDSM", "UNLOADED"}));

        // Without a manager the commands do nothing.
        QVERIFY(!Twain()->IsSourceManagerLoaded());
        QVERIFY(MainWnd()->ExecuteCommand(ID_FILE_ACQUIRE));
        QVERIFY(MainWnd()->ExecuteCommand(ID_FILE_SELECT_SOURCE));
        QVERIFY(!Twain()->IsSourceOpen());
        QVERIFY(Documents().empty());
    }
};

QTEST_MAIN(CTestTwain)
#include "tst_twain.moc"
