// lumivo-cli as a process: its results against the core's own calls, its usage errors, failing files
// among good ones, and the same bytes from one worker and from two. Runs without a display.
#include "image/Bitmap.h"
#include "image/Crop.h"
#include "image/DepthConversions.h"
#include "processing/ImageProcessor.h"
#include "processing/Operations.h"
#include "processing/ipl/Ipl.h"

#include <FreeImage.h>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>

namespace {

struct SRun {
    int nExit;
    QString strErr;
};

SRun RunCli(const QStringList& args)
{
    QProcess process;
    process.start(QStringLiteral(LUMIVO_CLI), args);
    process.waitForFinished(120000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAllStandardError())};
}

QString Sample(const char* pszName)
{
    return QStringLiteral(LUMIVO_SAMPLES "/") + QLatin1String(pszName);
}

// Same size, depth and bytes on every line.
bool SamePixels(FIBITMAP* a, FIBITMAP* b)
{
    if (!a || !b || FreeImage_GetWidth(a) != FreeImage_GetWidth(b) ||
        FreeImage_GetHeight(a) != FreeImage_GetHeight(b) || FreeImage_GetBPP(a) != FreeImage_GetBPP(b))
        return false;
    for (unsigned y = 0; y < FreeImage_GetHeight(a); ++y)
        if (memcmp(FreeImage_GetScanLine(a, int(y)), FreeImage_GetScanLine(b, int(y)), FreeImage_GetLine(a)) != 0)
            return false;
    return true;
}

using FnExpected = std::function<FIBITMAP*(FIBITMAP*)>;
using Steps = std::vector<FnExpected>;

} // namespace

class TestCli : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")); }

    void matchesCore_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<int>("expected"); // index into Expected()
        const auto row = [](const char* pszName, const char* pszInput, QStringList steps, int nExpected) {
            QTest::newRow(pszName) << Sample(pszInput) << steps << nExpected;
        };
        row("rotate 30 linear", "circles-24.bmp", {"rotate:angle=30,interpolation=linear"}, 0);
        row("median 7x7", "landscape-24.png", {"median:aperture-x=7,aperture-y=7,anchor-x=3,anchor-y=3"}, 1);
        row("erode by default", "plasma-8.bmp", {"erode"}, 2);
        row("resize to half", "gradient-24.png", {"resize:destination-y=1,source-y=2"}, 3);
        row("fish eye", "circles-24.bmp", {"fish-eye"}, 4);
        row("gaussian noise", "landscape-24.png", {"add-gaussian-noise:mean=10,std-dev=20"}, 5);
        row("filter by entry", "plasma-8.bmp", {"filter:filter=gaussian3x3"}, 9);
        row("brightness and contrast", "landscape-24.png", {"brightness-contrast:brightness=30,contrast=-50"}, 10);
        row("crop", "landscape-24.png", {"crop:x=10,y=20,width=30,height=40"}, 6);
        row("chain: blur, equalize, to grey", "circles-24.bmp", {"blur", "equalize-histogram", "to-grey"}, 7);
        row("chain: mirror both, black and white", "landscape-24.png",
            {"mirror:vertical=yes", "black-white:threshold=100"}, 8);
    }
    void matchesCore()
    {
        QFETCH(QString, input);
        QFETCH(QStringList, steps);
        QFETCH(int, expected);
        static const std::vector<Steps> kExpected = {
            Steps{[](FIBITMAP* p) { return CImageProcessor(p).Rotate(30, 0, 0, 1); }},
            {[](FIBITMAP* p) { return CImageProcessor(p).MedianFilter(7, 7, 3, 3); }},
            {[](FIBITMAP* p) { return CImageProcessor(p).Erode(1); }},
            {[](FIBITMAP* p) { return CImageProcessor(p).Resize(1, 2, 1, 2, 0); }},
            {[](FIBITMAP* p) { return CImageProcessor(p).Effect(EFFECT_FISH_EYE); }},
            {[](FIBITMAP* p) { return CImageProcessor(p).GaussianNoise(10, 20); }},
            // rows 20 .. 59 from the top of 120
            {[](FIBITMAP* p) { return CropBitmap(p, 10, 60, 40, 100); }},
            {[](FIBITMAP* p) { return CImageProcessor(p).Blur(3, 3, 1, 1); },
             [](FIBITMAP* p) { return CImageProcessor(p).HistoEqualize(); },
             [](FIBITMAP* p) { return DepthConversions()[CONVERT_TO_GREY].fnConvert(p); }},
            {[](FIBITMAP* p) { return CImageProcessor(p).Mirror(-1); },
             [](FIBITMAP* p) {
                 const CBitmapPtr pGrey(FreeImage_ConvertTo8Bits(p));
                 return CImageProcessor(pGrey.get()).Threshold(100);
             }},
            {[](FIBITMAP* p) { return CImageProcessor(p).FixedFilter(IPL_GAUSSIAN_3x3); }},
            {[](FIBITMAP* p) { return CImageProcessor(p).BrightnessContrast(30, -50); }},
        };
        CBitmapPtr pExpected(LoadBitmapFile(input));
        for (const FnExpected& fnStep : kExpected[size_t(expected)])
            pExpected.reset(fnStep(pExpected.get()));
        QVERIFY(pExpected);

        QTemporaryDir dir;
        const QString strOut = dir.filePath(QStringLiteral("out.bmp"));
        QStringList args{input, QStringLiteral("-o"), strOut};
        for (const QString& strStep : steps)
            args << QStringLiteral("-x") << strStep;
        const SRun run = RunCli(args);
        QCOMPARE(run.nExit, 0);
        QVERIFY(run.strErr.isEmpty());
        const CBitmapPtr pOut(LoadBitmapFile(strOut));
        QVERIFY(SamePixels(pOut.get(), pExpected.get()));
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        const QString in = Sample("circles-24.bmp"), in2 = Sample("gradient-24.png");
        QTest::newRow("nothing") << QStringList{} << "no input file";
        QTest::newRow("no output") << QStringList{in} << "give either -o OUTPUT or -d FOLDER";
        QTest::newRow("both outputs") << QStringList{in, "-o", "a.png", "-d", "f"}
                                      << "give either -o OUTPUT or -d FOLDER";
        QTest::newRow("-o with two inputs") << QStringList{in, in2, "-o", "a.png"} << "-o takes one input";
        QTest::newRow("-o twice") << QStringList{in, "-o", "a.png", "-o", "b.png"} << "-o given twice";
        QTest::newRow("-o without value") << QStringList{in, "-o"} << "-o needs a value";
        QTest::newRow("unknown option") << QStringList{in, "-o", "a.png", "--fast"} << "unknown option --fast";
        QTest::newRow("unwritable type") << QStringList{in, "-o", "a.xyz"} << "a.xyz: not a type that can be written";
        QTest::newRow("bad --format") << QStringList{in, "-d", "f", "--format", "pcd"}
                                      << "not a type that can be written";
        QTest::newRow("--format without -d")
            << QStringList{in, "-o", "a.png", "--format", "png"} << "--format goes with -d";
        QTest::newRow("same base name twice")
            << QStringList{in, Sample("circles-24.tga"), "-d", "f", "--format", "png"} << "would be written twice";
        QTest::newRow("unknown operation")
            << QStringList{in, "-o", "a.png", "-x", "sharpest"} << "unknown operation 'sharpest'";
        QTest::newRow("parameter twice") << QStringList{in, "-o", "a.png", "-x", "rotate:angle=30,angle=45"}
                                         << "rotate: angle given twice";
        QTest::newRow("unknown parameter")
            << QStringList{in, "-o", "a.png", "-x", "rotate:degrees=3"} << "rotate: no parameter 'degrees'";
        QTest::newRow("number out of range") << QStringList{in, "-o", "a.png", "-x", "rotate:angle=400"}
                                             << "rotate: angle: Please enter a number between 1 and 360.";
        QTest::newRow("integer out of range") << QStringList{in, "-o", "a.png", "-x", "median:aperture-x=9"}
                                              << "median: aperture-x: Please enter an integer between 1 and 7.";
        QTest::newRow("not a number") << QStringList{in, "-o", "a.png", "-x", "erode:iterations=two"}
                                      << "erode: iterations: Please enter a positive integer.";
        QTest::newRow("no such entry") << QStringList{in, "-o", "a.png", "-x", "rotate:interpolation=bilinear"}
                                       << "rotate: interpolation: Please enter an integer.";
        QTest::newRow("bad -j") << QStringList{in, "-o", "a.png", "-j", "0"}
                                << "-j: Please enter an integer between 1 and 1024.";
        QTest::newRow("bad --compression") << QStringList{in, "-o", "a.png", "--compression", "10"}
                                           << "--compression: Please enter an integer between 0 and 9.";
    }
    void usageErrors()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        QTemporaryDir dir;
        QDir::setCurrent(dir.path());
        const SRun run = RunCli(args);
        QCOMPARE(run.nExit, 2);
        QVERIFY2(run.strErr.startsWith(QStringLiteral("lumivo-cli: ")) && run.strErr.contains(message),
                 qPrintable(run.strErr));
        QVERIFY(QDir(dir.path()).isEmpty()); // nothing written, no folder made
    }

    void failingFileAmongGoodOnes()
    {
        QTemporaryDir dir;
        const QString strBad = QStringLiteral(LUMIVO_TEST_DATA "/truncated-half.png");
        const QString strOut = dir.filePath(QStringLiteral("out"));
        const SRun run = RunCli({Sample("circles-24.bmp"), strBad, Sample("plasma-8.bmp"), QStringLiteral("-d"), strOut,
                                 QStringLiteral("-x"), QStringLiteral("invert")});
        QCOMPARE(run.nExit, 1);
        QCOMPARE(run.strErr, QStringLiteral("lumivo-cli: %1: cannot read\n").arg(strBad)); // no progress line either
        QCOMPARE(QDir(strOut).entryList(QDir::Files), (QStringList{"circles-24.bmp", "plasma-8.bmp"}));

        // So does an input of a type that can be read but not written, and "--" ends the options.
        const QString strPcx = QStringLiteral(LUMIVO_TEST_DATA "/pixels-8-palette.pcx");
        const SRun pcx = RunCli({"-d", strOut, "--", Sample("circles-24.bmp"), strPcx});
        QCOMPARE(pcx.nExit, 1);
        QCOMPARE(pcx.strErr, QStringLiteral("lumivo-cli: %1: cannot write\n").arg(QDir(strOut).filePath("pixels-8-palette.pcx")));

        // An operation that gives nothing for one image fails that file only.
        const SRun depth =
            RunCli({Sample("circles-24.bmp"), Sample("plasma-8.bmp"), "-d", strOut, "-x", "to-8-bits-wu"});
        QCOMPARE(depth.nExit, 1);
        QVERIFY(depth.strErr.contains(QStringLiteral("plasma-8.bmp: to-8-bits-wu gave no result")));

        // A picture already at the depth asked for passes through unchanged.
        QCOMPARE(RunCli({Sample("circles-24.bmp"), Sample("plasma-8.bmp"), "-d", strOut, "-x", "to-24-bits"}).nExit, 0);
        const CBitmapPtr pIn(LoadBitmapFile(Sample("circles-24.bmp")));
        const CBitmapPtr pOut(LoadBitmapFile(QDir(strOut).filePath(QStringLiteral("circles-24.bmp"))));
        QVERIFY(SamePixels(pOut.get(), pIn.get()));
        const CBitmapPtr pPlasma(LoadBitmapFile(QDir(strOut).filePath(QStringLiteral("plasma-8.bmp"))));
        QCOMPARE(FreeImage_GetBPP(pPlasma.get()), 24u);
    }

    // The level changes a PNG's size, never its pixels, and other formats never see it (TIFF would read
    // PNG's "no compression" flag as PackBits).
    void compressionLevelOnlyForPng()
    {
        QTemporaryDir dir;
        const QString strIn = Sample("landscape-24.png");
        const CBitmapPtr pIn(LoadBitmapFile(strIn));
        qint64 nLastSize = -1;
        for (const char* pszLevel : {"9", "2", "0"}) {
            const QString strOut = dir.filePath(QStringLiteral("out%1.png").arg(pszLevel));
            QCOMPARE(RunCli({strIn, "-o", strOut, "--compression", pszLevel}).nExit, 0);
            const CBitmapPtr pOut(LoadBitmapFile(strOut));
            QVERIFY(SamePixels(pOut.get(), pIn.get()));
            QVERIFY2(QFileInfo(strOut).size() > nLastSize, pszLevel);
            nLastSize = QFileInfo(strOut).size();
        }
        const QString strTif = dir.filePath(QStringLiteral("out.tif")), strSaved = dir.filePath(QStringLiteral("saved.tif"));
        QCOMPARE(RunCli({strIn, "-o", strTif, "--compression", "0"}).nExit, 0);
        QVERIFY(SaveBitmapFile(pIn.get(), strSaved));
        QFile tif(strTif), saved(strSaved);
        QVERIFY(tif.open(QIODevice::ReadOnly) && saved.open(QIODevice::ReadOnly));
        QVERIFY(tif.readAll() == saved.readAll());
    }

    void workersGiveTheSameBytes()
    {
        QTemporaryDir dir;
        QStringList inputs;
        for (const char* pszName : {"circles-24.bmp", "landscape-24.png", "plasma-8.bmp", "gradient-24.png",
                                    "ripple-grey-8.png", "alpha-disc-32.png"})
            inputs << Sample(pszName);
        const QStringList steps{"-x", "add-uniform-noise:low=20,high=90", "-x", "twirl", "--format", "bmp"};
        const QString strOne = dir.filePath("one"), strTwo = dir.filePath("two");
        QCOMPARE(RunCli(inputs + QStringList{"-j", "1", "-d", strOne} + steps).nExit, 0);
        QCOMPARE(RunCli(inputs + QStringList{"-j", "2", "-d", strTwo} + steps).nExit, 0);
        const QStringList files = QDir(strOne).entryList(QDir::Files);
        QCOMPARE(files.size(), inputs.size());
        for (const QString& strFile : files) {
            QFile one(strOne + "/" + strFile), two(strTwo + "/" + strFile);
            QVERIFY(one.open(QIODevice::ReadOnly) && two.open(QIODevice::ReadOnly));
            QVERIFY2(one.readAll() == two.readAll(), qPrintable(strFile));
        }
    }

    void listAndManualCoverEveryOperation()
    {
        QProcess list, man;
        list.start(QStringLiteral(LUMIVO_CLI), {"--list"});
        man.start(QStringLiteral(LUMIVO_CLI), {"--man"});
        QVERIFY(list.waitForFinished() && man.waitForFinished());
        const QString strList = QString::fromLocal8Bit(list.readAllStandardOutput());
        const QString strMan = QString::fromLocal8Bit(man.readAllStandardOutput());
        QVERIFY(strMan.startsWith(QStringLiteral(".TH LUMIVO-CLI 1")));
        for (const SOperation& operation : Operations()) {
            QVERIFY2(strList.contains(QLatin1String(operation.pszName) + QLatin1Char('\n')), operation.pszName);
            QVERIFY2(strMan.contains(QString::fromLatin1(operation.pszName).replace("-", "\\-")), operation.pszName);
        }
        QVERIFY(strList.contains(QStringLiteral("    angle=90  number, 1 .. 360\n")));
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
