// Scanner acquisition through the program's own TWAIN source manager over SANE's test backend:
// the images match what scanimage gets from the same device and settings, the selection dialog
// picks the source, and a device that fails while it is read opens nothing.
#include "document/LumivoDoc.h"
#include "framework/DocTemplate.h"
#include "framework/FrameWnd.h"
#include "image/Bitmap.h"
#include "image/BitmapImage.h"
#include "res/CommandIds.h"
#include "support/TestSupport.h"
#include "tools/Twain.h"

#include <FreeImage.h>
#include <QComboBox>
#include <QDialog>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <dlfcn.h>
#include <memory>

namespace {
CTwain* Twain()
{
    return dynamic_cast<CTwain*>(AfxGetMainWnd());
}

QDialog* SourceDialog()
{
    for (QWidget* pWidget : QApplication::topLevelWidgets())
        if (pWidget->objectName() == "saneSource" && pWidget->isVisible())
            return qobject_cast<QDialog*>(pWidget);
    return nullptr;
}

// A PNM picture as 8-bit RGB; 16-bit samples (big-endian in the file) by their high byte.
QImage ReadPnm(const QByteArray& data)
{
    QList<QByteArray> header;
    qsizetype i = 0;
    while (header.size() < 4 && i < data.size()) {
        if (QChar(data[i]).isSpace()) {
            ++i;
        } else if (data[i] == '#') {
            i = data.indexOf('\n', i);
        } else {
            const qsizetype nStart = i;
            while (i < data.size() && !QChar(data[i]).isSpace())
                ++i;
            header << data.mid(nStart, i - nStart);
        }
    }
    if (header.size() < 4 || header[3].toInt() <= 255)
        return QImage::fromData(data).convertToFormat(QImage::Format_RGB888);
    const int nWidth = header[1].toInt(), nHeight = header[2].toInt(), nChannels = header[0] == "P6" ? 3 : 1;
    const QByteArray samples = data.mid(i + 1);
    if (samples.size() < qsizetype(nWidth) * nHeight * nChannels * 2)
        return {};
    QImage image(nWidth, nHeight, QImage::Format_RGB888);
    for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < nWidth; ++x)
            for (int c = 0; c < 3; ++c)
                image.scanLine(y)[3 * x + c] =
                    uchar(samples[2 * ((qsizetype(y) * nWidth + x) * nChannels + c % nChannels)]);
    return image;
}

int DocumentCount()
{
    return int(AfxGetApp()->m_pDocTemplate->GetDocuments().size());
}
} // namespace

class CTestScanner : public QObject {
    Q_OBJECT
private:
    CAppFixture m_app;
    QTemporaryDir m_config;

    // The test backend's settings; the source manager reads them when it is opened.
    void ConfigureBackend(const QStringList& settings)
    {
        QFile dll(m_config.filePath("dll.conf"));
        QVERIFY(dll.open(QIODevice::WriteOnly));
        dll.write("test\n");
        dll.close();
        QFile test(m_config.filePath("test.conf"));
        QVERIFY(test.open(QIODevice::WriteOnly));
        test.write("number_of_devices 2\ntest-picture \"Color pattern\"\n");
        test.write(settings.join('\n').toUtf8() + '\n');
        test.close();
        Twain()->UnloadSourceManager();
        QVERIFY(Twain()->LoadSourceManager(MainWnd()));
        QVERIFY(Twain()->IsSourceManagerOpen());
    }

    // scanimage's picture of the device with the same settings.
    QImage ScanImage(const QString& strDevice, const QStringList& options)
    {
        QProcess process;
        process.start("scanimage", QStringList{"-d", strDevice, "--format=pnm"} + options);
        process.waitForFinished(60000);
        return ReadPnm(process.readAllStandardOutput());
    }

    // Acquire, then Scan in the source's dialog with the given mode and resolution.
    void ScanWithDialog(const QString& strMode, int nDpi)
    {
        QVERIFY(MainWnd()->ExecuteCommand(ID_FILE_ACQUIRE));
        QTRY_VERIFY(SourceDialog());
        QDialog* pDialog = SourceDialog();
        pDialog->findChild<QComboBox*>("mode")->setCurrentText(strMode);
        pDialog->findChild<QSpinBox*>("resolution")->setValue(nDpi);
        pDialog->findChild<QPushButton*>("scan")->click();
    }

    void CloseSourceDialog()
    {
        if (QDialog* pDialog = SourceDialog())
            pDialog->close();
        QTRY_VERIFY(!Twain()->IsSourceOpen());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_config.isValid());
        qputenv("SANE_CONFIG_DIR", m_config.path().toLocal8Bit());
        // SANE unloads its backends on exit: kept in memory, their code stays nameable in reports.
        QVERIFY(dlopen("libsane.so.1", RTLD_NOW | RTLD_NODELETE));
        QVERIFY(dlopen(SANE_BACKEND_DIR "/libsane-test.so.1", RTLD_NOW | RTLD_NODELETE));
        QVERIFY(m_app.Start());
        m_app.App().CloseAllDocuments();
        QVERIFY(Twain()->IsSourceManagerLoaded());
    }
    void cleanup()
    {
        CloseSourceDialog();
        m_app.App().CloseAllDocuments();
    }
    void cleanupTestCase() { m_app.Stop(); }

    void acquireMatchesScanimage_data()
    {
        QTest::addColumn<QStringList>("settings");
        QTest::addColumn<QString>("strMode");
        QTest::addColumn<int>("nDpi");
        QTest::addColumn<int>("nBpp");
        QTest::newRow("gray, 8 bits, 50 dpi") << QStringList{"depth 8"} << "Gray" << 50 << 8;
        QTest::newRow("colour, 8 bits, 100 dpi") << QStringList{"depth 8"} << "Color" << 100 << 24;
        QTest::newRow("gray, 1 bit, 60 dpi") << QStringList{"depth 1"} << "Gray" << 60 << 1;
        QTest::newRow("colour, 16 bits as 8") << QStringList{"depth 16"} << "Color" << 40 << 24;
        QTest::newRow("hand scanner, unknown height")
            << QStringList{"depth 8", "hand-scanner true"} << "Gray" << 30 << 8;
    }
    void acquireMatchesScanimage()
    {
        QFETCH(QStringList, settings);
        QFETCH(QString, strMode);
        QFETCH(int, nDpi);
        QFETCH(int, nBpp);
        ConfigureBackend(settings);
        ScanWithDialog(strMode, nDpi);
        QTRY_COMPARE(DocumentCount(), 1);
        auto* pDoc = dynamic_cast<CLumivoDoc*>(MainWnd()->GetActiveDocument());
        QVERIFY(pDoc && pDoc->m_pBitmap);
        QCOMPARE(pDoc->GetTitle(), QStringLiteral("Acquired Image"));
        QCOMPARE(pDoc->m_nBpp, nBpp);
        QCOMPARE(QByteArray(Twain()->GetSourceIdentity().ProductName), QByteArray("test:0"));
        QVERIFY(Twain()->IsSourceEnabled()); // until the user closes the source's dialog

        const QImage expected =
            ScanImage("test:0", QStringList{"--mode", strMode, "--resolution", QString::number(nDpi)});
        QVERIFY(!expected.isNull());
        const QImage acquired = BitmapToQImage(pDoc->m_pBitmap).mirrored().convertToFormat(QImage::Format_RGB888);
        QCOMPARE(acquired.size(), expected.size());
        QVERIFY(acquired == expected);
        QCOMPARE(MainWnd()->GetPaneText(ID_INDICATOR_IMAGE),
                 QStringLiteral("[%1x%2x%3]").arg(expected.width()).arg(expected.height()).arg(nBpp));
        // The picture keeps the resolution it was scanned at.
        QCOMPARE(FreeImage_GetDotsPerMeterX(pDoc->m_pBitmap), unsigned(std::lround(nDpi / 0.0254)));
    }

    void selectedSourceIsAcquiredFrom()
    {
        ConfigureBackend({});
        DriveNextModal([](QWidget* pDialog) {
            pDialog->findChild<QListWidget*>("sources")->setCurrentRow(1);
            PressButton(pDialog, "Select");
        });
        QVERIFY(MainWnd()->ExecuteCommand(ID_FILE_SELECT_SOURCE));
        ScanWithDialog("Gray", 20);
        QTRY_COMPARE(DocumentCount(), 1);
        QCOMPARE(QByteArray(Twain()->GetSourceIdentity().ProductName), QByteArray("test:1"));
        // Acquire while the source is enabled changes nothing.
        QVERIFY(MainWnd()->ExecuteCommand(ID_FILE_ACQUIRE));
        QVERIFY(Twain()->IsSourceEnabled());
    }

    // A device that reports an error while it is read ends the transfer: no document, and the
    // source is ready for the next scan.
    void failingDeviceOpensNothing_data()
    {
        QTest::addColumn<QString>("strStatus");
        QTest::newRow("i/o error") << "SANE_STATUS_IO_ERROR";
        QTest::newRow("jammed") << "SANE_STATUS_JAMMED";
        QTest::newRow("ends before the image") << "SANE_STATUS_EOF";
    }
    void failingDeviceOpensNothing()
    {
        QFETCH(QString, strStatus);
        ConfigureBackend({"read-status-code \"" + strStatus + "\""});
        ScanWithDialog("Gray", 10); // small enough for the backend to have sent it all: its reader must not be cut off
        QTRY_COMPARE(Twain()->GetConditionCode(), TW_UINT16(TWCC_OPERATIONERROR));
        QTest::qWait(100);
        QCOMPARE(DocumentCount(), 0);
        QVERIFY(Twain()->IsSourceEnabled());
        QVERIFY(SourceDialog()->findChild<QPushButton*>("scan")->isEnabled());
    }
};

QTEST_MAIN(CTestScanner)
#include "tst_scanner.moc"
