// FreeImage bitmaps: pixel reads, packed DIB blocks, files and the checks before loading them, folder
// lists and the Save As name rule.
#include "image/Bitmap.h"
#include "image/BitmapImage.h"
#include "image/ByteSource.h"
#include "image/DecoderReply.h"
#include "image/FileCheck.h"
#include "image/ImageFormats.h"
#include "image/FolderList.h"
#include "support/TestImages.h"

#include <FreeImage.h>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>
#include <cstddef>
#include <sys/mman.h>
#include <unistd.h>

namespace {
// The file check on a file, as the decoder helper runs it.
bool IsPlausibleFile(const QString& strPath)
{
    QFile file(strPath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    CFdSource source(file.handle());
    return IsPlausibleImage(FormatFromFileName(strPath), source);
}

// A packed DIB written by hand: header, optional masks, colour table and rows.
QByteArray MakeDib(int nWidth, int nHeight, int nBpp, uint32_t nCompression = 0, uint32_t nClrUsed = 0,
                   const QByteArray& extra = {}, int nColours = -1)
{
    QByteArray block(40, '\0');
    auto put32 = [&](int nPos, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            block[nPos + i] = char((v >> (8 * i)) & 0xFF);
    };
    put32(0, 40);
    put32(4, uint32_t(nWidth));
    put32(8, uint32_t(nHeight));
    block[12] = 1;
    block[14] = char(nBpp);
    put32(16, nCompression);
    put32(32, nClrUsed);
    block += extra;
    if (nColours < 0)
        nColours = nBpp <= 8 ? (nClrUsed ? int(nClrUsed) : 1 << nBpp) : 0;
    for (int i = 0; i < nColours; ++i)
        block += QByteArray::fromRawData("\x10\x20\x30\x00", 4);
    const int nRow = (nWidth * nBpp + 31) / 32 * 4;
    for (int y = 0; y < std::abs(nHeight); ++y)
        for (int x = 0; x < nRow; ++x)
            block += char(y * 16 + x);
    return block;
}

// nValue as nBytes little-endian bytes.
QByteArray Le(uint32_t nValue, int nBytes)
{
    QByteArray bytes;
    for (int i = 0; i < nBytes; ++i)
        bytes += char((nValue >> (8 * i)) & 0xFF);
    return bytes;
}

// A BMP file: file header, BITMAPINFOHEADER, a grey colour table for 8 bits or less, then the data.
QByteArray BmpFile(int32_t nWidth, int32_t nHeight, int nBpp, uint32_t nCompression, const QByteArray& data)
{
    QByteArray table;
    for (int i = 0; nBpp <= 8 && i < (1 << nBpp); ++i)
        table += QByteArray(3, char(i)) + '\0';
    const uint32_t nOffset = 54 + uint32_t(table.size());
    return "BM" + Le(nOffset + uint32_t(data.size()), 4) + Le(0, 4) + Le(nOffset, 4) + Le(40, 4) +
           Le(uint32_t(nWidth), 4) + Le(uint32_t(nHeight), 4) + Le(1, 2) + Le(uint32_t(nBpp), 2) + Le(nCompression, 4) +
           Le(uint32_t(data.size()), 4) + QByteArray(16, '\0') + table + data;
}

// A 24-bit TGA file of type 2 (pixels) or 10 (run-length packets), top row first.
QByteArray TgaFile(int nType, int nWidth, int nHeight, const QByteArray& data)
{
    return QByteArray(2, '\0') + char(nType) + QByteArray(9, '\0') + Le(uint32_t(nWidth), 2) +
           Le(uint32_t(nHeight), 2) + char(24) + char(0x20) + data;
}

FIBITMAP* FromDib(const QByteArray& block)
{
    return CreateBitmapFromPackedDib(reinterpret_cast<const uint8_t*>(block.constData()), size_t(block.size()));
}

void SetPalette(FIBITMAP* pBitmap, int nEntries)
{
    RGBQUAD* pPal = FreeImage_GetPalette(pBitmap);
    for (int i = 0; i < nEntries; ++i)
        pPal[i] = RGBQUAD{BYTE(i), BYTE(2 * i), BYTE(3 * i), 0};
}
} // namespace

class CTestBitmap : public QObject {
    Q_OBJECT
private slots:
    void readPixelEveryDepth()
    {
        // 1-bit: leftmost pixel is the most significant bit; rows counted from the top.
        CBitmapPtr p1(FreeImage_Allocate(10, 2, 1));
        SetPalette(p1.get(), 2);
        FreeImage_GetScanLine(p1.get(), 1)[1] = 0x40; // top row, x = 9
        FreeImage_GetScanLine(p1.get(), 0)[0] = 0x80; // bottom row, x = 0
        QCOMPARE(ReadBitmapPixel(p1.get(), 9, 0).nIndex, 1);
        QCOMPARE(ReadBitmapPixel(p1.get(), 8, 0).nIndex, 0);
        QCOMPARE(ReadBitmapPixel(p1.get(), 0, 1).nIndex, 1);
        QCOMPARE(ReadBitmapPixel(p1.get(), 9, 0).rgb, uint32_t(3 << 16 | 2 << 8 | 1));

        // 4-bit: high nibble for even x, low nibble for odd x.
        CBitmapPtr p4(FreeImage_Allocate(3, 1, 4));
        SetPalette(p4.get(), 16);
        FreeImage_GetScanLine(p4.get(), 0)[0] = 0xA5;
        FreeImage_GetScanLine(p4.get(), 0)[1] = 0xC0;
        QCOMPARE(ReadBitmapPixel(p4.get(), 0, 0).nIndex, 10);
        QCOMPARE(ReadBitmapPixel(p4.get(), 1, 0).nIndex, 5);
        QCOMPARE(ReadBitmapPixel(p4.get(), 2, 0).nIndex, 12);
        QCOMPARE(ReadBitmapPixel(p4.get(), 1, 0).rgb, uint32_t(15 << 16 | 10 << 8 | 5));

        CBitmapPtr p8(FreeImage_Allocate(4, 3, 8));
        SetPalette(p8.get(), 256);
        FreeImage_GetScanLine(p8.get(), 0)[3] = 77; // bottom row
        const SPixelValue px8 = ReadBitmapPixel(p8.get(), 3, 2);
        QCOMPARE(px8.nIndex, 77);
        QCOMPARE(px8.rgb, uint32_t(231 << 16 | 154 << 8 | 77));

        // 16-bit has no readout: index -1, colour 0, status -1.
        CBitmapPtr p16(FreeImage_Allocate(2, 2, 16, FI16_565_RED_MASK, FI16_565_GREEN_MASK, FI16_565_BLUE_MASK));
        std::memset(FreeImage_GetBits(p16.get()), 0xFF, FreeImage_GetPitch(p16.get()) * 2);
        const SPixelValue px16 = ReadBitmapPixel(p16.get(), 1, 1);
        QCOMPARE(px16.nStatus, -1);
        QCOMPARE(px16.nIndex, -1);
        QCOMPARE(px16.rgb, 0u);

        for (int nBpp : {24, 32}) {
            CBitmapPtr p(FreeImage_Allocate(3, 2, nBpp));
            BYTE* pTop = FreeImage_GetScanLine(p.get(), 1);
            const int n = nBpp / 8;
            pTop[2 * n] = 10, pTop[2 * n + 1] = 20, pTop[2 * n + 2] = 30; // blue, green, red
            const SPixelValue px = ReadBitmapPixel(p.get(), 2, 0);
            QCOMPARE(px.nIndex, -1);
            QCOMPARE(px.rgb, uint32_t(30 << 16 | 20 << 8 | 10));
        }
    }

    void packedDibRoundTripKeepsPaletteAndPixels()
    {
        for (int nBpp : {1, 4, 8, 24, 32}) {
            CBitmapPtr pSource(FreeImage_Allocate(13, 7, nBpp));
            if (nBpp <= 8)
                SetPalette(pSource.get(), 1 << nBpp);
            BYTE* pBits = FreeImage_GetBits(pSource.get());
            const size_t nBytes = size_t(FreeImage_GetPitch(pSource.get())) * 7;
            for (size_t i = 0; i < nBytes; ++i)
                pBits[i] = BYTE(i * 7 + 3);
            const QByteArray block = PackedDibFromBitmap(pSource.get());
            QCOMPARE(size_t(block.size()), size_t(FreeImage_GetDIBSize(pSource.get())));
            CBitmapPtr pCopy(FromDib(block));
            QVERIFY2(pCopy, qPrintable(QString::number(nBpp)));
            QCOMPARE(FreeImage_GetBPP(pCopy.get()), unsigned(nBpp));
            QCOMPARE(std::memcmp(FreeImage_GetBits(pCopy.get()), pBits, nBytes), 0);
            if (nBpp <= 8)
                QCOMPARE(std::memcmp(FreeImage_GetPalette(pCopy.get()), FreeImage_GetPalette(pSource.get()),
                                     size_t(4) << nBpp),
                         0);
        }
    }

    void packedDibReadsTopDownBitfieldsAndShortColourTables()
    {
        // Top-down rows arrive bottom-up.
        const QByteArray topDown = MakeDib(4, -3, 24);
        CBitmapPtr p(FromDib(topDown));
        QVERIFY(p);
        QCOMPARE(FreeImage_GetHeight(p.get()), 3u);
        QCOMPARE(int(FreeImage_GetScanLine(p.get(), 0)[0]), 2 * 16); // last row of the block
        QCOMPARE(int(FreeImage_GetScanLine(p.get(), 2)[0]), 0);

        // 16-bit 565 masks after the header keep the 565 layout.
        QByteArray masks;
        for (uint32_t m : {0xF800u, 0x07E0u, 0x001Fu})
            masks += QByteArray(reinterpret_cast<const char*>(&m), 4);
        CBitmapPtr p565(FromDib(MakeDib(5, 2, 16, 3, 0, masks)));
        QVERIFY(p565);
        QCOMPARE(FreeImage_GetGreenMask(p565.get()), unsigned(FI16_565_GREEN_MASK));

        // 32-bit with red in the low byte is moved to FreeImage's blue-green-red order.
        QByteArray rgba;
        for (uint32_t m : {0x000000FFu, 0x0000FF00u, 0x00FF0000u})
            rgba += QByteArray(reinterpret_cast<const char*>(&m), 4);
        QByteArray block32 = MakeDib(1, 1, 32, 3, 0, rgba);
        block32.chop(4);
        block32 += QByteArray("\x11\x22\x33\x00", 4);
        CBitmapPtr p32(FromDib(block32));
        QVERIFY(p32);
        QCOMPARE(int(FreeImage_GetBits(p32.get())[FI_RGBA_RED]), 0x11);
        QCOMPARE(int(FreeImage_GetBits(p32.get())[FI_RGBA_BLUE]), 0x33);

        // A colour count below the default: the pixels follow the short table.
        CBitmapPtr p8(FromDib(MakeDib(4, 2, 8, 0, 3)));
        QVERIFY(p8);
        QCOMPARE(int(FreeImage_GetBits(p8.get())[1]), 1);
        QCOMPARE(int(FreeImage_GetPalette(p8.get())[2].rgbGreen), 0x20);
    }

    void packedDibRefusesUnsoundBlocks_data()
    {
        QTest::addColumn<QByteArray>("block");
        const QByteArray good = MakeDib(8, 8, 24);
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("short header") << good.left(39);
        QTest::newRow("rows cut short") << good.left(good.size() - 1);
        QTest::newRow("zero width") << MakeDib(0, 8, 24);
        QTest::newRow("negative width") << MakeDib(-8, 8, 24);
        QByteArray huge = good; // a header claiming 100000 x 100000 over a few rows
        for (int nPos : {4, 8})
            huge[nPos] = char(0xA0), huge[nPos + 1] = char(0x86), huge[nPos + 2] = 1;
        QTest::newRow("huge") << huge;
        QTest::newRow("bit count 7") << MakeDib(8, 8, 7);
        QTest::newRow("compressed") << MakeDib(8, 8, 8, 1);
        QTest::newRow("too many colours") << MakeDib(8, 8, 4, 0, 17);
        QTest::newRow("colour table cut") << MakeDib(8, 8, 8).left(40 + 512);
        QTest::newRow("masks missing") << MakeDib(8, 8, 16, 3).left(40);
        QByteArray header = good;
        header[0] = char(0xFF), header[1] = char(0xFF); // header size beyond the block
        QTest::newRow("header size") << header;
    }

    void packedDibRefusesUnsoundBlocks()
    {
        QFETCH(QByteArray, block);
        // A copy of exactly the block's size, so ASan sees any read past it.
        std::vector<uint8_t> exact(block.begin(), block.end());
        QVERIFY(!CreateBitmapFromPackedDib(exact.data(), exact.size()));
    }

    void saveAsNameRule_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<int>("filter");
        QTest::addColumn<QString>("written");
        QTest::newRow("extension replaced") << "/tmp/a/beach.old.png" << 2 << "/tmp/a/beach.jpg";
        QTest::newRow("no extension") << "/tmp/a/beach" << 2 << "/tmp/a/beach.jpg";
        QTest::newRow("dots in folders kept") << "/tmp/x.y/beach" << 4 << "/tmp/x.y/beach.png";
        QTest::newRow("tiff filter") << "/tmp/a/b.tiff" << 3 << "/tmp/a/b.tif";
        QTest::newRow("all files") << "/tmp/a/b.bmp" << 12 << "/tmp/a/b*.*";
    }

    void saveAsNameRule()
    {
        QFETCH(QString, chosen);
        QFETCH(int, filter);
        QFETCH(QString, written);
        QCOMPARE(SaveAsPath(chosen, filter), written);
    }

    void filtersKeepTheirTextsAndPatterns()
    {
        const QStringList open = NameFiltersFromFilter(OpenImageFilter());
        QCOMPARE(open.size(), 12);
        QCOMPARE(open.first(), QStringLiteral("All Files (*.*)"));
        QCOMPARE(open.at(3), QStringLiteral("Tagged Image Format TIFF (*.tif *.tiff)"));
        QCOMPARE(NameFiltersFromFilter(SaveImageFilter()).last(), QStringLiteral("All Files (*.*)"));
    }

    void failedSaveLeavesExistingFile()
    {
        QTemporaryDir dir;
        const QString strPath = dir.filePath("keep.jpg");
        QFile file(strPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("precious");
        file.close();
        // JPEG takes no 16-bit images; PCX cannot be written at all; "*.*" names no format.
        CBitmapPtr p16(FreeImage_Allocate(4, 4, 16));
        QVERIFY(!SaveBitmapFile(p16.get(), strPath));
        QVERIFY(!SaveBitmapFile(p16.get(), dir.filePath("keep.pcx")));
        QVERIFY(!SaveBitmapFile(p16.get(), dir.filePath("keep*.*")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("precious"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"keep.jpg"});

        CBitmapPtr p24(FreeImage_Allocate(4, 4, 24));
        // A file nobody may write stays as it is.
        QVERIFY(file.setPermissions(QFileDevice::ReadOwner));
        QVERIFY(!SaveBitmapFile(p24.get(), strPath));
        QCOMPARE(QFileInfo(strPath).size(), qint64(8));
        // A private file stays private, and a link stays a link to the file that gets the picture.
        QVERIFY(file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        const QString strLink = dir.filePath("link.jpg");
        QVERIFY(QFile::link(strPath, strLink));
        QVERIFY(SaveBitmapFile(p24.get(), strLink));
        QVERIFY(QFileInfo(strLink).isSymLink());
        const auto perms = QFileInfo(strPath).permissions();
        QVERIFY(perms.testFlags(QFileDevice::ReadOwner | QFileDevice::WriteOwner) &&
                !(perms & (QFileDevice::ReadGroup | QFileDevice::ReadOther)));
        CBitmapPtr pBack(LoadBitmapFile(strPath));
        QVERIFY(pBack);
        QCOMPARE(FreeImage_GetWidth(pBack.get()), 4u);
    }

    void folderListHoldsBrowsableFilesOnly()
    {
        QTemporaryDir dir;
        for (const char* name : {"b.PNG", "a.bmp", "C.jpg", "d.tiff", "e.jpeg", "f.txt", "noext", "g.Pgm"}) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QVERIFY(QDir(dir.path()).mkdir("x.png"));
        QVERIFY(QFile::link(dir.filePath("a.bmp"), dir.filePath("link.tga")));
        QVERIFY(QFile::link(dir.filePath("x.png"), dir.filePath("dirlink.pcx")));
        QCOMPARE(ListBrowsableFiles(dir.path()), (QStringList{"a.bmp", "b.PNG", "C.jpg", "g.Pgm", "link.tga"}));
        QVERIFY(ListBrowsableFiles(dir.filePath("gone")).isEmpty());
        QVERIFY(IsBrowsableExtension("JPG"));
        QVERIFY(!IsBrowsableExtension("JPEG"));
        QVERIFY(!IsBrowsableExtension("jpg"));
        QCOMPARE(GetExtensionPart("a.b.c"), QStringLiteral("c"));
        QCOMPARE(GetFolderPart("/x/y.z/w.png"), QStringLiteral("/x/y.z/"));
        QCOMPARE(GetFileNamePart("/x/y.z/w.png"), QStringLiteral("w.png"));
    }

    void damagedFilesLoadNothingAndValidOnesLoad()
    {
        // Every fixture is sorted by its name; a new one that fits no rule fails here until it is sorted.
        const QStringList damaged = {"empty.",
                                     "truncated-",
                                     "random-after-signature.",
                                     "scrambled-body.",
                                     "huge-",
                                     "header-only.",
                                     "rle",
                                     "bit-count-",
                                     "colour-map-",
                                     "palette-count-",
                                     "negative-width.",
                                     "inverted-window.",
                                     "line-bytes-short",
                                     "directory-overrun."};
        // Noise in place of uncompressed pixels is a picture like any other: these may load, but whole.
        // A PNM reader skips every non-digit before a number, so noise after "P4" holds a small picture too.
        const QStringList undetectable = {"scrambled-body.bmp", "scrambled-body.ico", "scrambled-body.pbm",
                                          "scrambled-body.pgm", "scrambled-body.ppm", "scrambled-body.tga",
                                          "random-after-signature.pbm", "random-after-signature.ppm"};
        const QStringList valid = {"pixels-", "valid-"};
        const QStringList noFormatByName = {"bmp-without-extension", "bmp-with-unknown-extension.xyz"};
        const auto startsWithAny = [](const QString& strName, const QStringList& prefixes) {
            return std::any_of(prefixes.begin(), prefixes.end(),
                               [&](const QString& s) { return strName.startsWith(s); });
        };

        const QDir data(QStringLiteral(LUMIVO_TEST_DATA));
        int nDamaged = 0;
        for (const QString& strName : data.entryList(QDir::Files)) {
            CBitmapPtr p(LoadBitmapFile(data.filePath(strName)));
            if (undetectable.contains(strName)) {
                if (p)
                    QVERIFY(FreeImage_GetBits(p.get()) && FreeImage_GetWidth(p.get()) > 0);
            } else if (startsWithAny(strName, damaged) || strName.contains(QLatin1String("-past-end."))) {
                QVERIFY2(!p, qPrintable(strName));
                ++nDamaged;
            } else if (startsWithAny(strName, valid)) {
                QVERIFY2(p, qPrintable(strName));
            } else {
                QVERIFY2(noFormatByName.contains(strName), qPrintable("unsorted fixture " + strName));
                QVERIFY2(!p, qPrintable(strName));
            }
        }
        QVERIFY(nDamaged > 50);

        // Every sample, in the folder for stepping too, loads.
        int nSamples = 0;
        for (QDirIterator it(QStringLiteral(LUMIVO_SAMPLES), QDir::Files, QDirIterator::Subdirectories);
             it.hasNext();) {
            const QString strPath = it.next();
            if (strPath.contains(QLatin1String("/generator/")) || FormatFromFileName(strPath) < 0)
                continue;
            ++nSamples;
            CBitmapPtr p(LoadBitmapFile(strPath));
            QVERIFY2(p, qPrintable(strPath));
        }
        QVERIFY(nSamples > 30);
    }

    void headerRulesHoldAtTheirLimits_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("expected"); // 0 refused, 1 plausible, 2 plausible and loads

        // Uncompressed rows: every byte of them must be in the file.
        const QByteArray bmp = BmpFile(3, 2, 24, 0, QByteArray(2 * 12, '\x40'));
        QTest::newRow("bmp rows") << "a.bmp" << bmp << 2;
        QTest::newRow("bmp rows cut") << "a.bmp" << bmp.chopped(1) << 0;
        // Run-length data: up to 1 MiB of bitmap from any file; beyond, 4096 bytes per byte of file.
        const QByteArray endOfBitmap("\x00\x01", 2);
        QTest::newRow("rle8 1 MB blank") << "a.bmp" << BmpFile(1000, 1000, 8, 1, endOfBitmap) << 2;
        QTest::newRow("rle8 64 MB blank") << "a.bmp" << BmpFile(8000, 8000, 8, 1, endOfBitmap) << 0;
        // 5 x 3 pixels of 4 bits: a run, end of line; a move, 4 literal pixels; 5 literal pixels padded to
        // 16 bits; end of bitmap.
        const QByteArray rle4("\x05\x12\x00\x00"
                              "\x00\x02\x01\x00\x00\x04\x12\x34\x00\x00"
                              "\x00\x05\x12\x34\x50\x00\x00\x00\x00\x01",
                              24);
        QTest::newRow("rle4 codes") << "a.bmp" << BmpFile(5, 3, 4, 2, rle4) << 2;
        QTest::newRow("rle4 run past the line") << "a.bmp" << BmpFile(4, 3, 4, 2, rle4) << 0;
        QTest::newRow("rle4 without end") << "a.bmp" << BmpFile(5, 3, 4, 2, rle4.chopped(2)) << 0;
        // FreeImage's limit: pixel data below 2 GiB (4 bytes a row here), claimed by a file big enough.
        const QByteArray padding = QByteArray(512 * 1024, '\0') + endOfBitmap;
        QTest::newRow("rle4 under 2 GiB") << "a.bmp" << BmpFile(8, 536870911, 4, 2, padding) << 1;
        QTest::newRow("rle4 of 2 GiB") << "a.bmp" << BmpFile(8, 536870912, 4, 2, padding) << 0;

        const QByteArray tga = TgaFile(2, 3, 2, QByteArray(3 * 6, '\x50'));
        QTest::newRow("tga pixels") << "a.tga" << tga << 2;
        QTest::newRow("tga pixels cut") << "a.tga" << tga.chopped(1) << 0;
        // 200 pixels need two run packets at least: 128 + 72.
        const QByteArray tgaRle = TgaFile(10, 200, 1, QByteArray("\xFF\x01\x02\x03\xC7\x04\x05\x06", 8));
        QTest::newRow("tga runs") << "a.tga" << tgaRle << 2;
        QTest::newRow("tga runs cut") << "a.tga" << tgaRle.chopped(1) << 0;
        QTest::newRow("tga packet past the end") << "a.tga" << TgaFile(10, 199, 1, tgaRle.mid(18)) << 0;

        const QByteArray pgm = QByteArray("P5\n# by hand\n3 2\n65535\n") + QByteArray(12, '\x7F');
        QTest::newRow("pgm 16-bit") << "a.pgm" << pgm << 2;
        QTest::newRow("pgm 16-bit cut") << "a.pgm" << pgm.chopped(1) << 0;
        QTest::newRow("pgm maxval 0") << "a.pgm" << QByteArray("P5 3 2 0 ") + QByteArray(6, '\0') << 0;

        // 4 x 2 pixels of 8 bits, literal bytes, then the palette marker and 256 colours.
        QByteArray pcx(128, '\0');
        pcx[0] = 0x0A, pcx[1] = 5, pcx[2] = 1, pcx[3] = 8, pcx[8] = 3, pcx[10] = 1, pcx[65] = 1, pcx[66] = 4;
        pcx += QByteArray("\x01\x02\x03\x04\x05\x06\x07\x08") + '\x0C' + QByteArray(768, '\x22');
        QTest::newRow("pcx palette") << "a.pcx" << pcx << 2;
        QTest::newRow("pcx palette cut") << "a.pcx" << pcx.chopped(1) << 0;
        // 2 x 2 pixels in three planes of 2 bytes a line: a run of 4 bytes, then 8 literal ones.
        QByteArray pcx24 = pcx.left(128);
        pcx24[8] = 1, pcx24[65] = 3, pcx24[66] = 2;
        pcx24 += QByteArray("\xC4\x10\x01\x02\x03\x04\x05\x06\x07\x08");
        QTest::newRow("pcx runs") << "a.pcx" << pcx24 << 2;
        QTest::newRow("pcx runs cut") << "a.pcx" << pcx24.chopped(1) << 0;
        QTest::newRow("pcx run past the end") << "a.pcx" << pcx24.left(128) + "\xCD\x10" << 0;

        // One 2 x 2 32-bit icon: directory, header (height doubled), colour rows, mask rows.
        QByteArray ico = Le(0, 2) + Le(1, 2) + Le(1, 2) + Le(2, 1) + Le(2, 1) + Le(0, 2) + Le(1, 2) + Le(32, 2) +
                         Le(64, 4) + Le(22, 4);
        ico += Le(40, 4) + Le(2, 4) + Le(4, 4) + Le(1, 2) + Le(32, 2) + QByteArray(24, '\0');
        ico += QByteArray(16, '\x60') + QByteArray(8, '\0');
        QTest::newRow("ico") << "a.ico" << ico << 2;
        QTest::newRow("ico cut") << "a.ico" << ico.chopped(1) << 0;
    }

    void headerRulesHoldAtTheirLimits()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(int, expected);
        QTemporaryDir dir;
        const QString strPath = dir.filePath(name);
        QFile file(strPath);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        file.close();
        QCOMPARE(IsPlausibleFile(strPath), expected > 0);
        if (expected == 2) {
            CBitmapPtr p(LoadBitmapFile(strPath));
            QVERIFY(p);
        }
    }

    void decoderReplyIsCheckedBeforeUse_data()
    {
        QTest::addColumn<int>("offset"); // where a 32-bit value is changed; -1 keeps the reply whole
        QTest::addColumn<uint32_t>("value");
        QTest::addColumn<int>("resize"); // bytes added to (or cut from) the end
        QTest::addColumn<bool>("accepted");
        const int nTag = int(sizeof(SDecoderReplyHeader)) + 256 * 4 + 16; // after the palette and the profile
        QTest::newRow("whole") << -1 << 0u << 0 << true;
        QTest::newRow("one byte short") << -1 << 0u << -1 << false;
        QTest::newRow("one byte over") << -1 << 0u << 1 << false;
        QTest::newRow("magic") << 0 << 0u << 0 << false;
        QTest::newRow("wider than the pitch") << int(offsetof(SDecoderReplyHeader, nWidth)) << 9u << 0 << false;
        QTest::newRow("pitch") << int(offsetof(SDecoderReplyHeader, nPitch)) << 12u << 0 << false;
        QTest::newRow("depth 48") << int(offsetof(SDecoderReplyHeader, nBpp)) << 48u << 0 << false;
        QTest::newRow("palette of 2") << int(offsetof(SDecoderReplyHeader, nPaletteEntries)) << 2u << 0 << false;
        QTest::newRow("transparency over 256") << int(offsetof(SDecoderReplyHeader, nTransparencyEntries)) << 300u << 0
                                               << false;
        QTest::newRow("profile past the end") << int(offsetof(SDecoderReplyHeader, nIccBytes)) << 1u << 0 << false;
        QTest::newRow("tag area") << int(offsetof(SDecoderReplyHeader, nTagBytes)) << 7u << 0 << false;
        QTest::newRow("tag type") << nTag + int(offsetof(SDecoderReplyTag, nId)) << 0x00630000u << 0 << false;
        QTest::newRow("tag length of 4 GB") << nTag + int(offsetof(SDecoderReplyTag, nLength)) << 0xFFFFFFFFu << 0
                                            << false;
        QTest::newRow("tag count not length") << nTag + int(offsetof(SDecoderReplyTag, nCount)) << 5u << 0 << false;
    }

    void decoderReplyIsCheckedBeforeUse()
    {
        QFETCH(int, offset);
        QFETCH(uint32_t, value);
        QFETCH(int, resize);
        QFETCH(bool, accepted);
        // 5 x 3 pixels of 8 bits with a palette, a 16-byte profile and a comment.
        CBitmapPtr p(FreeImage_Allocate(5, 3, 8));
        SetPalette(p.get(), 256);
        for (int i = 0; i < 3 * 8; ++i)
            FreeImage_GetBits(p.get())[i] = BYTE(i * 7);
        char icc[16] = "profile bytes..";
        FreeImage_CreateICCProfile(p.get(), icc, sizeof icc);
        FITAG* pTag = FreeImage_CreateTag();
        FreeImage_SetTagKey(pTag, "Comment");
        FreeImage_SetTagType(pTag, FIDT_ASCII);
        FreeImage_SetTagCount(pTag, 6);
        FreeImage_SetTagLength(pTag, 6);
        FreeImage_SetTagValue(pTag, "hello");
        FreeImage_SetMetadata(FIMD_COMMENTS, p.get(), "Comment", pTag);
        FreeImage_DeleteTag(pTag);

        const int fd = memfd_create("reply", MFD_CLOEXEC);
        QVERIFY(fd >= 0 && WriteDecoderReply(p.get(), fd));
        QByteArray reply(lseek(fd, 0, SEEK_END), '\0');
        QCOMPARE(pread(fd, reply.data(), size_t(reply.size()), 0), ssize_t(reply.size()));
        close(fd);
        if (offset >= 0)
            std::memcpy(reply.data() + offset, &value, sizeof value);
        reply.resize(reply.size() + resize, '\0');

        CMemorySource source(reinterpret_cast<const uint8_t*>(reply.constData()), size_t(reply.size()));
        CBitmapPtr pBack(ReadDecoderReply(source));
        QCOMPARE(bool(pBack), accepted);
        if (!accepted)
            return;
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(FreeImage_GetBits(pBack.get())), 3 * 8),
                 QByteArray(reinterpret_cast<const char*>(FreeImage_GetBits(p.get())), 3 * 8));
        QCOMPARE(std::memcmp(FreeImage_GetPalette(pBack.get()), FreeImage_GetPalette(p.get()), 1024), 0);
        QCOMPARE(FreeImage_GetICCProfile(pBack.get())->size, long(sizeof icc));
        FITAG* pBackTag = nullptr;
        QVERIFY(FreeImage_GetMetadata(FIMD_COMMENTS, pBack.get(), "Comment", &pBackTag));
        QCOMPARE(static_cast<const char*>(FreeImage_GetTagValue(pBackTag)), "hello");
    }

    void qimageWrapSharesPixels()
    {
        for (int nBpp : {1, 8, 16, 24, 32}) {
            CBitmapPtr p(FreeImage_Allocate(5, 3, nBpp));
            const QImage image = BitmapToQImage(p.get());
            QCOMPARE(image.size(), QSize(5, 3));
            QCOMPARE(image.constBits(), FreeImage_GetBits(p.get()));
        }
        CBitmapPtr p4(FreeImage_Allocate(5, 3, 4));
        SetPalette(p4.get(), 16);
        FreeImage_GetScanLine(p4.get(), 2)[0] = 0x3F;
        const QImage image4 = BitmapToQImage(p4.get());
        QCOMPARE(image4.pixelIndex(0, 2), 3);
        QCOMPARE(image4.pixel(1, 2), qRgb(45, 30, 15));

        QImage source(3, 2, QImage::Format_RGB32);
        source.fill(qRgb(200, 100, 50));
        source.setPixel(0, 0, qRgb(1, 2, 3));
        CBitmapPtr pBack(BitmapFromQImage(source));
        QCOMPARE(FreeImage_GetBPP(pBack.get()), 24u);
        QCOMPARE(ReadBitmapPixel(pBack.get(), 0, 0).rgb, uint32_t(1 << 16 | 2 << 8 | 3));
        QCOMPARE(ReadBitmapPixel(pBack.get(), 2, 1).rgb, uint32_t(200 << 16 | 100 << 8 | 50));
    }
};

QTEST_GUILESS_MAIN(CTestBitmap)
#include "tst_bitmap.moc"
