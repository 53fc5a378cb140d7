// Real files through the decoder helper: a corpus made by tests/data/corpus/make-corpus.sh from the
// tools on the machine. Valid files open with the pixels ImageMagick decodes, damaged ones open
// nothing, none takes the program down; a helper that dies opens nothing and the program goes on.
#include "image/Bitmap.h"
#include "image/DecoderClient.h"
#include "image/ImageFormats.h"

#include <FreeImage.h>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {
// An 8-bit RGBA PAM as ImageMagick writes it: rows from the top.
struct SReference {
    int nWidth = 0, nHeight = 0;
    QByteArray pixels;
};

SReference ReadPam(const QString& strPath)
{
    QFile file(strPath);
    SReference ref;
    if (!file.open(QIODevice::ReadOnly))
        return ref;
    const QByteArray data = file.readAll();
    const qsizetype nEnd = data.indexOf("ENDHDR\n");
    for (const QByteArray& line : data.left(nEnd).split('\n')) {
        if (line.startsWith("WIDTH "))
            ref.nWidth = line.mid(6).toInt();
        if (line.startsWith("HEIGHT "))
            ref.nHeight = line.mid(7).toInt();
    }
    ref.pixels = data.mid(nEnd + 7);
    return ref;
}

// The largest difference of any channel between the bitmap and the reference. Alpha counts where the
// picture has it (32 bits or a transparency table), but not for BMPs, whose fourth byte ImageMagick and
// FreeImage read differently when no mask names it.
int LargestDifference(FIBITMAP* pBitmap, const SReference& ref, bool bAlpha)
{
    CBitmapPtr p32(FreeImage_ConvertTo32Bits(pBitmap));
    if (!p32 || int(FreeImage_GetWidth(p32.get())) != ref.nWidth || int(FreeImage_GetHeight(p32.get())) != ref.nHeight ||
        ref.pixels.size() != qsizetype(ref.nWidth) * ref.nHeight * 4)
        return 256;
    int nWorst = 0;
    for (int y = 0; y < ref.nHeight; ++y) {
        const BYTE* pLine = FreeImage_GetScanLine(p32.get(), ref.nHeight - 1 - y);
        const uchar* pRef = reinterpret_cast<const uchar*>(ref.pixels.constData()) + qsizetype(y) * ref.nWidth * 4;
        for (int x = 0; x < ref.nWidth; ++x) {
            const int diffs[] = {pLine[4 * x + FI_RGBA_RED] - pRef[4 * x], pLine[4 * x + FI_RGBA_GREEN] - pRef[4 * x + 1],
                                 pLine[4 * x + FI_RGBA_BLUE] - pRef[4 * x + 2],
                                 bAlpha ? pLine[4 * x + FI_RGBA_ALPHA] - pRef[4 * x + 3] : 0};
            for (const int d : diffs)
                nWorst = std::max(nWorst, std::abs(d));
        }
    }
    return nWorst;
}

bool IsPlainDepth(FIBITMAP* p)
{
    const unsigned nBpp = FreeImage_GetBPP(p);
    return FreeImage_GetImageType(p) == FIT_BITMAP &&
           (nBpp == 1 || nBpp == 4 || nBpp == 8 || nBpp == 16 || nBpp == 24 || nBpp == 32);
}
} // namespace

class CTestCorpus : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_strCorpus;

private slots:
    void initTestCase()
    {
        m_strCorpus = m_dir.filePath(QStringLiteral("corpus"));
        QProcess make;
        make.start(QStringLiteral("bash"),
                   {QStringLiteral(LUMIVO_TEST_DATA "/corpus/make-corpus.sh"), m_strCorpus});
        QVERIFY(make.waitForFinished(300000));
        QVERIFY2(make.exitCode() == 0, make.readAllStandardError().constData());
    }

    void everyFileOpensAsItShould_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("name");
        QFile manifest(m_strCorpus + QStringLiteral("/manifest"));
        QVERIFY(manifest.open(QIODevice::ReadOnly | QIODevice::Text));
        int nRows = 0;
        while (!manifest.atEnd()) {
            const QStringList fields = QString::fromUtf8(manifest.readLine()).trimmed().split(QLatin1Char(' '));
            if (fields.size() == 2)
                QTest::newRow(qPrintable(fields[1])) << fields[0] << fields[1], ++nRows;
        }
        QVERIFY(nRows > 80);
    }

    void everyFileOpensAsItShould()
    {
        QFETCH(QString, kind);
        QFETCH(QString, name);
        const QString strPath = m_strCorpus + QLatin1Char('/') + name;
        CBitmapPtr p(LoadBitmapFile(strPath));
        if (kind == QLatin1String("refused")) {
            QVERIFY(!p);
            return;
        }
        if (kind == QLatin1String("anything")) {
            QVERIFY(!p || IsPlainDepth(p.get()));
            return;
        }
        QVERIFY(p);
        QVERIFY(IsPlainDepth(p.get()));
        if (kind == QLatin1String("match")) {
            const SReference ref = ReadPam(m_strCorpus + QStringLiteral("/ref/") + name + QStringLiteral(".pam"));
            const bool bAlpha = !name.endsWith(QLatin1String(".bmp")) &&
                                (FreeImage_GetBPP(p.get()) == 32 || FreeImage_IsTransparent(p.get()));
            const int nDifference = LargestDifference(p.get(), ref, bAlpha);
            QVERIFY2(nDifference <= 1, qPrintable(QStringLiteral("differs by %1").arg(nDifference)));
        }
    }

    // Save As of a loaded JPEG writes its EXIF block again, as the helper hands the metadata over.
    void saveAsKeepsExif()
    {
        CBitmapPtr p(LoadBitmapFile(m_strCorpus + QStringLiteral("/jpg-exif.jpg")));
        QVERIFY(p);
        const QString strOut = m_dir.filePath(QStringLiteral("saved.jpg"));
        QVERIFY(SaveBitmapFile(p.get(), strOut));
        QProcess exiftool;
        exiftool.start(QStringLiteral("exiftool"), {QStringLiteral("-s3"), QStringLiteral("-Make"),
                                                    QStringLiteral("-Artist"), QStringLiteral("-GPSLatitude#"), strOut});
        QVERIFY(exiftool.waitForFinished(60000));
        QCOMPARE(QString::fromUtf8(exiftool.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts),
                 QStringList({"Lumivo", "Tester", "48.5"}));
    }

    // A decoding the program stops waiting for gives no picture, and a helper that has gone (killed
    // here) is started again: the program goes on and the next decodings work.
    void helperThatGoesOpensNothing()
    {
        const QString strPath = m_strCorpus + QStringLiteral("/png-rgb-48.png");
        const int fd = open(QFile::encodeName(strPath).constData(), O_RDONLY | O_CLOEXEC);
        QVERIFY(fd >= 0);
        const int fif = FormatFromFileName(strPath);
        QVERIFY(!CBitmapPtr(DecodeInHelper(fif, fd, 0)));
        QVERIFY(CBitmapPtr(DecodeInHelper(fif, fd)));
        int nKilled = 0;
        for (const QString& strPid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
            QFile stat(QStringLiteral("/proc/%1/stat").arg(strPid));
            const QList<QByteArray> fields = stat.open(QIODevice::ReadOnly) ? stat.readAll().split(' ') : QList<QByteArray>();
            if (fields.size() > 3 && fields[1] == "(lumivo-decoder)" && fields[3].toInt() == getpid())
                nKilled += kill(strPid.toInt(), SIGKILL) == 0;
        }
        QCOMPARE(nKilled, 1);
        QVERIFY(CBitmapPtr(DecodeInHelper(fif, fd)));
        QVERIFY(CBitmapPtr(DecodeInHelper(fif, fd)));
        close(fd);
    }
};

QTEST_GUILESS_MAIN(CTestCorpus)
#include "tst_corpus.moc"
