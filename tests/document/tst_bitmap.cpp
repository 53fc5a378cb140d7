// FreeImage bitmaps: pixel reads, packed DIB blocks, files, folder lists and the Save As name rule.
#include "document/Bitmap.h"
#include "document/FileDialogs.h"
#include "document/FolderList.h"
#include "support/TestSupport.h"

#include <FreeImage.h>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

namespace {
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
        const QStringList open = NameFiltersFromFilter(OPEN_IMAGE_FILTER);
        QCOMPARE(open.size(), 12);
        QCOMPARE(open.first(), QStringLiteral("All Files (*.*)"));
        QCOMPARE(open.at(3), QStringLiteral("Tagged Image Format TIFF (*.tif *.tiff)"));
        QCOMPARE(NameFiltersFromFilter(SAVE_IMAGE_FILTER).last(), QStringLiteral("All Files (*.*)"));
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
        QVERIFY(SaveBitmapFile(p24.get(), strPath));
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

    void damagedFilesLoadNothingAndNeverCrash()
    {
        const QDir data(QStringLiteral(LUMIVO_TEST_DATA));
        int nTried = 0;
        for (const QString& strName : data.entryList(QDir::Files)) {
            if (!strName.contains(QLatin1String("bad")) && !strName.contains(QLatin1String("huge")) &&
                !strName.contains(QLatin1String("trunc")) && !strName.contains(QLatin1String("empty")))
                continue;
            ++nTried;
            CBitmapPtr p(LoadBitmapFile(data.filePath(strName)));
            // Whatever a damaged file gives, it must be a whole bitmap or nothing.
            if (p)
                QVERIFY(FreeImage_GetBits(p.get()) && FreeImage_GetWidth(p.get()) > 0);
            if (strName.contains(QLatin1String("huge")))
                QVERIFY2(!p, qPrintable(strName));
        }
        QVERIFY(nTried > 0 || data.isEmpty());
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
