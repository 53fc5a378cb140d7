// Cutting rectangles out of bitmaps of every depth, checked pixel by pixel against FreeImage's own
// reading of the source, with odd edges that shift bits and nibbles.
#include "image/Bitmap.h"
#include "image/Crop.h"
#include "support/TestImages.h"

#include <FreeImage.h>
#include <QtTest>
#include <cstring>

namespace {
// Pixel (x, y) of a bitmap (y a stored scan line) as one number: the index, or the raw bytes.
uint32_t RawPixel(FIBITMAP* pBitmap, int x, int y)
{
    const unsigned nBpp = FreeImage_GetBPP(pBitmap);
    if (nBpp <= 8) {
        BYTE nIndex = 0;
        FreeImage_GetPixelIndex(pBitmap, unsigned(x), unsigned(y), &nIndex);
        return nIndex;
    }
    const BYTE* p = FreeImage_GetScanLine(pBitmap, y) + x * int(nBpp / 8);
    uint32_t v = 0;
    for (unsigned k = 0; k < nBpp / 8; ++k)
        v |= uint32_t(p[k]) << (8 * k);
    return v;
}
} // namespace

class CTestCrop : public QObject {
    Q_OBJECT
private slots:
    void everyDepthMatchesTheSource_data()
    {
        QTest::addColumn<int>("nBpp");
        QTest::addColumn<bool>("b565");
        QTest::addColumn<int>("nWidth");
        QTest::addColumn<QRect>("rc"); // left, bottom, width, height
        for (int nBpp : {1, 4, 8, 16, 24, 32}) {
            const QByteArray name = QByteArray::number(nBpp) + "-bit ";
            QTest::newRow(name + "inner, odd left") << nBpp << false << 37 << QRect(3, 2, 21, 9);
            QTest::newRow(name + "to the right edge") << nBpp << false << 37 << QRect(5, 0, 32, 20);
            QTest::newRow(name + "one pixel at the corner") << nBpp << false << 37 << QRect(36, 19, 1, 1);
            QTest::newRow(name + "whole") << nBpp << false << 37 << QRect(0, 0, 37, 20);
            QTest::newRow(name + "even width, odd left") << nBpp << false << 16 << QRect(1, 4, 15, 3);
        }
        QTest::newRow("16-bit 565") << 16 << true << 37 << QRect(3, 2, 21, 9);
    }
    void everyDepthMatchesTheSource()
    {
        QFETCH(int, nBpp);
        QFETCH(bool, b565);
        QFETCH(int, nWidth);
        QFETCH(QRect, rc);
        CBitmapPtr pSource(MakeVaried(nWidth, 20, nBpp, b565));
        CBitmapPtr pCrop(
            CropBitmap(pSource.get(), rc.left(), rc.top(), rc.left() + rc.width(), rc.top() + rc.height()));
        QVERIFY(pCrop);
        QCOMPARE(int(FreeImage_GetBPP(pCrop.get())), nBpp);
        QCOMPARE(int(FreeImage_GetWidth(pCrop.get())), rc.width());
        QCOMPARE(int(FreeImage_GetHeight(pCrop.get())), rc.height());
        QCOMPARE(FreeImage_GetRedMask(pCrop.get()), FreeImage_GetRedMask(pSource.get()));
        QCOMPARE(FreeImage_GetGreenMask(pCrop.get()), FreeImage_GetGreenMask(pSource.get()));
        for (int y = 0; y < rc.height(); ++y)
            for (int x = 0; x < rc.width(); ++x)
                if (RawPixel(pCrop.get(), x, y) != RawPixel(pSource.get(), rc.left() + x, rc.top() + y))
                    QFAIL(qPrintable(QString("pixel (%1,%2)").arg(x).arg(y)));
        if (nBpp <= 8)
            QCOMPARE(std::memcmp(FreeImage_GetPalette(pCrop.get()), FreeImage_GetPalette(pSource.get()),
                                 sizeof(RGBQUAD) << nBpp),
                     0);
    }

    void emptyOrOutsideGivesNone()
    {
        CBitmapPtr pSource(MakeVaried(10, 8, 24));
        QVERIFY(!CropBitmap(pSource.get(), 4, 2, 4, 6));  // no width
        QVERIFY(!CropBitmap(pSource.get(), 4, 6, 8, 2));  // upside down
        QVERIFY(!CropBitmap(pSource.get(), -1, 0, 4, 4)); // left of the image
        QVERIFY(!CropBitmap(pSource.get(), 0, 0, 11, 4)); // past the right edge
        QVERIFY(!CropBitmap(pSource.get(), 0, 0, 4, 9));  // past the top
        QVERIFY(!CropBitmap(nullptr, 0, 0, 1, 1));
    }
};

QTEST_GUILESS_MAIN(CTestCrop)
#include "tst_crop.moc"
