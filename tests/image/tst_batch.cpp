// Batch conversion over real folders: which files each pass takes, the names and counter, the
// messages and progress steps, the 16 x 16 reduction, and the outputs read back by FreeImage and by
// ImageMagick. Worker threads must give exactly what one thread gives.
#include "image/BatchConversion.h"
#include "image/Bitmap.h"
#include "support/TestImages.h"

#include <FreeImage.h>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <cstring>

namespace {

// Logs what a run shows, in order.
class CRecorder : public CBatchObserver {
public:
    void BeginPass() override { log << QStringLiteral("begin"); }
    void FileDone() override { log << QStringLiteral("step"); }
    void EndPass() override { log << QStringLiteral("end"); }
    void Message(const QString& strText) override { log << QStringLiteral("message: ") + strText; }
    QStringList log;
};

// A 1-bit bitmap with palette black, white (or white, black) and ink where fnInk says.
FIBITMAP* MakeMono(int nWidth, int nHeight, bool bBlackFirst, const std::function<bool(int x, int yTop)>& fnInk)
{
    FIBITMAP* pBitmap = FreeImage_Allocate(nWidth, nHeight, 1);
    RGBQUAD* pPalette = FreeImage_GetPalette(pBitmap);
    pPalette[bBlackFirst ? 1 : 0] = RGBQUAD{255, 255, 255, 0};
    for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < nWidth; ++x) {
            // Ink is the black entry.
            BYTE nIndex = BYTE(fnInk(x, y) == bBlackFirst ? 0 : 1);
            FreeImage_SetPixelIndex(pBitmap, unsigned(x), unsigned(nHeight - 1 - y), &nIndex);
        }
    return pBitmap;
}

bool WriteMono(const QString& strPath, int nWidth, int nHeight)
{
    const CBitmapPtr pBitmap(MakeMono(nWidth, nHeight, true, [](int x, int y) { return (x + y) % 3 == 0; }));
    return SaveBitmapFile(pBitmap.get(), strPath);
}

void WriteText(const QString& strPath)
{
    QFile file(strPath);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not an image\n");
}

QStringList Names(const QString& strFolder)
{
    return QDir(strFolder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// "width height bpp" of a file as FreeImage and as ImageMagick's identify read it.
QString FreeImageShape(const QString& strPath)
{
    const CBitmapPtr pBitmap(LoadBitmapFile(strPath));
    return pBitmap ? QStringLiteral("%1 %2 %3")
                         .arg(FreeImage_GetWidth(pBitmap.get()))
                         .arg(FreeImage_GetHeight(pBitmap.get()))
                         .arg(FreeImage_GetBPP(pBitmap.get()))
                   : QString();
}

// Width, height and, for PNG files, the bit depth their header declares.
QString IdentifyShape(const QString& strPath)
{
    QProcess identify;
    identify.start(QStringLiteral("identify"),
                   {QStringLiteral("-format"), QStringLiteral("%w %h %[png:IHDR.bit-depth-orig]"), strPath});
    if (!identify.waitForFinished(20000) || identify.exitCode() != 0)
        return QStringLiteral("identify failed: ") + QString::fromLocal8Bit(identify.readAllStandardError());
    return QString::fromLatin1(identify.readAllStandardOutput()).trimmed();
}

} // namespace

class TestBatch : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_strIn, m_strOut;

    SBatchOptions Options(const QString& strInputType, const QString& strOutputType, bool bGenerate = false,
                          bool bSubfolders = false) const
    {
        return {strInputType, strOutputType, m_strIn, m_strOut, bGenerate, bSubfolders};
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("identify")).isEmpty(),
                 "ImageMagick's identify is needed (scripts/install-deps)");
    }

    void init()
    {
        const QString strCase = m_dir.filePath(QString::fromLatin1(QTest::currentTestFunction()) +
                                               QString::fromLatin1(QTest::currentDataTag()));
        m_strIn = strCase + QStringLiteral("/in");
        m_strOut = strCase + QStringLiteral("/out");
        QVERIFY(QDir().mkpath(m_strIn) && QDir().mkpath(m_strOut));
    }

    void matchesInputType_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("type");
        QTest::addColumn<bool>("match");
        QTest::newRow("extension") << "a.png"
                                   << ".png" << true;
        QTest::newRow("extension, other case") << "A.PNG"
                                               << ".png" << true;
        QTest::newRow("extension inside") << "a.png.bmp"
                                          << ".png" << false;
        QTest::newRow("all, no dot") << "README"
                                     << "*.*" << true;
        QTest::newRow("mask") << "Scan_01.tif"
                              << "scan_??.TIF" << true;
        QTest::newRow("mask, star inside") << "holiday.2005.jpg"
                                           << "h*5.jpg" << true;
    }
    void matchesInputType()
    {
        QFETCH(QString, name);
        QFETCH(QString, type);
        QFETCH(bool, match);
        QCOMPARE(MatchesInputType(name, type), match);
    }

    // Files are "path:width:height:bpp" (bpp 1: ink pattern, 0: a text file). Outputs are listed as
    // FreeImage reads them; identify must read the same sizes, and 1-bit PNG headers for generated names.
    void runs_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("types"); // input type, output type, "generate", "subfolders"
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<QStringList>("outputs");
        QTest::newRow("text file in the middle is skipped")
            << QStringList{"a.bmp:30:20:24", "b.txt:0:0:0", "c.holiday.bmp:12:7:8"} << QStringList{"*.*", ".png"}
            << QStringList{"begin", "step", "step", "end",
                           "message: 1 file(s) could not be read and were skipped:\nb.txt"}
            << QStringList{"a.png 30 20 24", "c.png 12 7 8"};
        QTest::newRow("extension selects")
            << QStringList{"x.png:8:8:24", "y.PNG:8:8:24", "z.png.bmp:8:8:24", "w.jpg:8:8:24"}
            << QStringList{".png", ".tga"} << QStringList{"begin", "step", "step", "end"}
            << QStringList{"x.tga 8 8 24", "y.tga 8 8 24"};
        QTest::newRow("same base name, the later wins")
            << QStringList{"a.jpg:10:10:24", "a.png:20:15:24"} << QStringList{"*.*", ".bmp"}
            << QStringList{"begin", "step", "step", "end"} << QStringList{"a.bmp 20 15 24"};
        QTest::newRow("unknown output type")
            << QStringList{"a.bmp:8:8:24", "b.bmp:8:8:24"} << QStringList{"*.*", ".xyz"}
            << QStringList{"begin", "message: Save file failed", "step", "message: Save file failed", "step", "end"}
            << QStringList{};
        // The subfolder's own subfolder is never entered; numbers run over both passes.
        QTest::newRow("generated names over passes")
            << QStringList{"a.bmp:40:25:1",     "b.bmp:40:25:1",    "c.bmp:40:25:1",
                           "sub/d.bmp:40:25:1", "sub/e.bmp:9:70:1", "sub/deeper/f.bmp:40:25:1"}
            << QStringList{"*.*", ".png", "generate", "subfolders"}
            << QStringList{"begin", "step", "step", "step", "end", "begin", "step", "step", "end"}
            << QStringList{"0.png 16 16 1", "1.png 16 16 1", "2.png 16 16 1", "3.png 16 16 1", "4.png 16 16 1"};
        // A source without palette ends its pass after taking its number; the next pass goes on counting.
        QTest::newRow("conversion error ends the pass")
            << QStringList{"a.bmp:20:20:1", "b.bmp:20:20:24", "c.bmp:20:20:1", "sub/d.bmp:20:20:1"}
            << QStringList{".bmp", ".bmp", "generate", "subfolders"}
            << QStringList{"begin", "step", "message: Conversion error", "end", "begin", "step", "end"}
            << QStringList{"0.bmp 16 16 1", "2.bmp 16 16 1"};
    }
    void runs()
    {
        QFETCH(QStringList, files);
        QFETCH(QStringList, types);
        QFETCH(QStringList, log);
        QFETCH(QStringList, outputs);
        for (const QString& strFile : files) {
            const QStringList parts = strFile.split(QLatin1Char(':'));
            const QString strPath = m_strIn + QLatin1Char('/') + parts[0];
            QVERIFY(QDir().mkpath(QFileInfo(strPath).absolutePath()));
            if (parts[3] == QLatin1String("0"))
                WriteText(strPath);
            else if (parts[3] == QLatin1String("1"))
                QVERIFY(WriteMono(strPath, parts[1].toInt(), parts[2].toInt()));
            else
                QVERIFY(WriteTestImage(strPath, parts[1].toInt(), parts[2].toInt(), parts[3].toInt()));
        }
        CRecorder recorder;
        RunBatchConversion(Options(types[0], types[1], types.contains(QStringLiteral("generate")),
                                   types.contains(QStringLiteral("subfolders"))),
                           recorder);
        QCOMPARE(recorder.log, log);
        QStringList actual;
        for (const QString& strName : Names(m_strOut)) {
            const QString strPath = m_strOut + QLatin1Char('/') + strName;
            actual << strName + QLatin1Char(' ') + FreeImageShape(strPath);
            const QString strIdentify = IdentifyShape(strPath);
            QCOMPARE(strIdentify.section(QLatin1Char(' '), 0, 1), actual.constLast().section(QLatin1Char(' '), 1, 2));
            if (strName.endsWith(QLatin1String(".png")) && types.contains(QStringLiteral("generate")))
                QCOMPARE(strIdentify, QStringLiteral("16 16 1"));
        }
        QCOMPARE(actual, outputs);
    }

    // Many files with collisions, an unreadable one and a failing reduction: threads change nothing.
    void threadsGiveTheOneThreadRun()
    {
        QVERIFY(QDir().mkpath(m_strIn + QStringLiteral("/sub")));
        for (int i = 0; i < 40; ++i) {
            const QString strName = m_strIn + (i % 4 == 3 ? QStringLiteral("/sub/") : QStringLiteral("/")) +
                                    QStringLiteral("f%1").arg(i % 13);
            QVERIFY(i % 9 == 4 ? WriteTestImage(strName + QStringLiteral(".x%1.bmp").arg(i), 9 + i, 5, 24)
                               : WriteMono(strName + QStringLiteral(".x%1.bmp").arg(i), 5 + i, 30 - i / 2));
        }
        WriteText(m_strIn + QStringLiteral("/f5.txt.bmp"));
        for (const bool bGenerate : {false, true}) {
            QStringList logs[2], outputs[2];
            for (const int nThreads : {1, 4}) {
                const int k = nThreads == 1 ? 0 : 1;
                QDir(m_strOut).removeRecursively();
                QVERIFY(QDir().mkpath(m_strOut));
                CRecorder recorder;
                const SBatchResult result = RunBatchConversion(
                    Options(QStringLiteral("*.*"), QStringLiteral(".png"), bGenerate, true), recorder, nThreads);
                logs[k] = recorder.log << QString::number(result.nCounter);
                for (const QString& strName : Names(m_strOut))
                    outputs[k] << strName + QLatin1Char(' ') + FreeImageShape(m_strOut + QLatin1Char('/') + strName);
            }
            QCOMPARE(logs[1], logs[0]);
            QCOMPARE(outputs[1], outputs[0]);
            QVERIFY(logs[0].contains(QStringLiteral("message: Conversion error")) == bGenerate);
        }
    }

    // Bin centres on the longer side, the centred band on the shorter one, repeats clamped inside.
    void reduceMaps()
    {
        std::array<int, 16> xMap, yMap;
        Reduce16x16Maps(100, 50, xMap, yMap);
        QCOMPARE((std::array{xMap[0], xMap[1], xMap[2], xMap[15]}), (std::array{3, 9, 16, 97}));
        QCOMPARE((std::array{yMap[3], yMap[4], yMap[5], yMap[11], yMap[12]}), (std::array{-1, 3, 9, 47, -1}));
        std::array<int, 16> xTall, yTall;
        Reduce16x16Maps(50, 100, xTall, yTall);
        QCOMPARE(xTall, yMap);
        QCOMPARE(yTall, xMap);
        Reduce16x16Maps(5, 3, xMap, yMap);
        QCOMPARE(xMap, (std::array{0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4}));       // entry 15: 5 by the rule
        QCOMPARE(yMap, (std::array{-1, -1, -1, 0, 0, 1, 1, 1, 2, 2, 2, 2, 2, -1, -1, -1})); // entry 12: 3
    }

    void reducePixels_data()
    {
        QTest::addColumn<bool>("blackFirst");
        QTest::newRow("palette black, white") << true;
        QTest::newRow("palette white, black") << false;
    }
    // A 100 x 50 source whose ink lies only where result (3, 6) samples gives exactly that one black
    // result pixel, whichever palette order; the rows outside the band stay white.
    void reducePixels()
    {
        QFETCH(bool, blackFirst);
        std::array<int, 16> xMap, yMap;
        Reduce16x16Maps(100, 50, xMap, yMap);
        const CBitmapPtr pSource(
            MakeMono(100, 50, blackFirst, [&](int x, int y) { return x == xMap[3] && y == yMap[6]; }));
        const CBitmapPtr pResult(Reduce16x16(pSource.get()));
        QVERIFY(pResult);
        QCOMPARE(FreeImage_GetBPP(pResult.get()), 1u);
        const RGBQUAD* pPalette = FreeImage_GetPalette(pResult.get());
        QCOMPARE(pPalette[0].rgbRed, BYTE(255));
        QCOMPARE(pPalette[1].rgbRed, BYTE(0));
        for (int k = 0; k < 16; ++k)
            for (int i = 0; i < 16; ++i) {
                BYTE nIndex = 0;
                FreeImage_GetPixelIndex(pResult.get(), unsigned(i), unsigned(15 - k), &nIndex);
                QCOMPARE(int(nIndex), int(i == 3 && k == 6));
            }
    }

    // 8-bit sources are thresholded first (dark is ink), not read as packed bits; no palette, no result.
    void reduceDeeperSources()
    {
        CBitmapPtr pGrey(FreeImage_Allocate(32, 32, 8));
        for (int y = 0; y < 32; ++y)
            std::memset(FreeImage_GetScanLine(pGrey.get(), y), y < 16 ? 20 : 230, 32);
        const CBitmapPtr pResult(Reduce16x16(pGrey.get()));
        QVERIFY(pResult);
        for (int k = 0; k < 16; ++k) {
            BYTE nIndex = 0;
            FreeImage_GetPixelIndex(pResult.get(), 5, unsigned(15 - k), &nIndex);
            QCOMPARE(int(nIndex), int(k >= 8)); // the dark lower half of the picture is ink
        }
        const CBitmapPtr pTrue(FreeImage_Allocate(20, 20, 24));
        QVERIFY(!Reduce16x16(pTrue.get()));
    }
};

QTEST_GUILESS_MAIN(TestBatch)
#include "tst_batch.moc"
