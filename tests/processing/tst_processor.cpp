// The bridge between bitmaps and the processing layer, and the geometric operations through it.
#include "image/Bitmap.h"
#include "processing/ImageProcessor.h"
#include "processing/ipl/Ipl.h"
#include "support/TestImages.h"

#include <FreeImage.h>
#include <QtTest>
#include <algorithm>
#include <vector>

namespace {
QSize SizeOf(FIBITMAP* p)
{
    return p ? QSize(int(FreeImage_GetWidth(p)), int(FreeImage_GetHeight(p))) : QSize();
}
} // namespace

class CTestProcessor : public QObject {
    Q_OBJECT
private slots:
    void translateStatusByDepth_data()
    {
        QTest::addColumn<int>("bpp");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("resultBpp");
        QTest::newRow("1") << 1 << 0 << 1;
        QTest::newRow("4") << 4 << 1 << 0;
        QTest::newRow("8") << 8 << 0 << 24; // a colour palette becomes true colour
        QTest::newRow("16") << 16 << 0 << 24;
        QTest::newRow("24") << 24 << 0 << 24;
        QTest::newRow("32") << 32 << 0 << 32;
    }

    void translateStatusByDepth()
    {
        QFETCH(int, bpp);
        QFETCH(int, status);
        QFETCH(int, resultBpp);
        CBitmapPtr p = MakeVaried(9, 5, bpp, true);
        {
            CImageProcessor processor(p.get());
            QCOMPARE(processor.TranslateSource(), status);
        }
        CImageProcessor processor(p.get());
        CBitmapPtr pResult(processor.Mirror(0));
        QCOMPARE(pResult ? int(FreeImage_GetBPP(pResult.get())) : 0, resultBpp);
    }

    void greyPaletteStaysEightBit()
    {
        CBitmapPtr p(FreeImage_Allocate(4, 4, 8)); // FreeImage gives a grey ramp
        CImageProcessor processor(p.get());
        CBitmapPtr pResult(processor.Mirror(1));
        QCOMPARE(FreeImage_GetBPP(pResult.get()), 8u);
        QCOMPARE(FreeImage_GetColorType(pResult.get()), FIC_MINISBLACK);
    }

    void sixteenBitResultIsFilled()
    {
        // 565 pixel 0xF800 is pure red; the 24-bit result must show it, not zeros.
        CBitmapPtr p(FreeImage_Allocate(3, 2, 16, FI16_565_RED_MASK, FI16_565_GREEN_MASK, FI16_565_BLUE_MASK));
        auto* pPixels = reinterpret_cast<uint16_t*>(FreeImage_GetBits(p.get()));
        pPixels[0] = 0xF800;
        CImageProcessor processor(p.get());
        CBitmapPtr pResult(processor.Mirror(0)); // rows reversed: the pixel moves to the top stored row
        QVERIFY(pResult);
        const BYTE* pTop = FreeImage_GetScanLine(pResult.get(), 1);
        QVERIFY(pTop[FI_RGBA_RED] > 240);
        QCOMPARE(int(pTop[FI_RGBA_GREEN]), 0);
    }

    void minIsWhitePaletteSurvivesEveryOutcome()
    {
        CBitmapPtr p(FreeImage_Allocate(8, 2, 1));
        RGBQUAD* pPal = FreeImage_GetPalette(p.get());
        pPal[0] = RGBQUAD{255, 255, 255, 7};
        pPal[1] = RGBQUAD{0, 0, 0, 9};
        QCOMPARE(FreeImage_GetColorType(p.get()), FIC_MINISWHITE);
        FreeImage_GetBits(p.get())[0] = 0x80; // first pixel black in this palette
        {
            CImageProcessor processor(p.get());
            CBitmapPtr pResult(processor.Mirror(1));
            QVERIFY(pResult);
            // The bits go through unchanged; the result has the black then white palette.
            QCOMPARE(int(FreeImage_GetBits(pResult.get())[0] & 0x01), 1);
            QCOMPARE(int(FreeImage_GetPalette(pResult.get())[1].rgbRed), 255);
        }
        {
            CImageProcessor processor(p.get());
            QVERIFY(!processor.Zoom(1, 2, 1, 1, 0)); // refused before translation
        }
        QCOMPARE(int(pPal[0].rgbRed), 255);
        QCOMPARE(int(pPal[1].rgbGreen), 0);
        QCOMPARE(int(pPal[0].rgbReserved), 7);
        QCOMPARE(FreeImage_GetColorType(p.get()), FIC_MINISWHITE);
    }

    void refusedParametersTouchNothing()
    {
        CBitmapPtr p = MakeVaried(10, 10, 24, true);
        struct SCase {
            const char* pszName;
            std::function<FIBITMAP*(CImageProcessor&)> fn;
        };
        const SCase cases[] = {
            {"zoom shrinks", [](CImageProcessor& c) { return c.Zoom(1, 2, 1, 1, 0); }},
            {"zoom zero", [](CImageProcessor& c) { return c.Zoom(0, 1, 1, 1, 0); }},
            {"decimate grows", [](CImageProcessor& c) { return c.Decimate(2, 1, 1, 1, 0); }},
            {"resize negative", [](CImageProcessor& c) { return c.Resize(-1, 1, 1, 1, 0); }},
            {"blur mask 4", [](CImageProcessor& c) { return c.DecimateBlur(1, 2, 1, 2, 0, 4, 3); }},
            {"blur mask 6", [](CImageProcessor& c) { return c.DecimateBlur(1, 2, 1, 2, 0, 3, 6); }},
            {"shear to nothing", [](CImageProcessor& c) { return c.Shear(-2.0, 0.0, 0, 0, 0); }},
        };
        for (const SCase& c : cases) {
            CImageProcessor processor(p.get());
            QVERIFY2(!c.fn(processor), c.pszName);
            QVERIFY(!processor.m_pDstImage);
            QVERIFY(!processor.m_pDstBitmap);
        }
        CImageProcessor empty(nullptr);
        QVERIFY(!empty.Mirror(0));
        QVERIFY(!empty.m_pSrcImage);
    }

    void resultSizes_data()
    {
        QTest::addColumn<int>("op");
        QTest::addColumn<QSize>("source");
        QTest::addColumn<QSize>("result");
        QTest::newRow("decimate 1/2 rounds half up") << 0 << QSize(101, 51) << QSize(51, 26);
        QTest::newRow("zoom 2") << 1 << QSize(7, 3) << QSize(14, 6);
        QTest::newRow("resize 1/2 x 2") << 2 << QSize(9, 5) << QSize(5, 10);
        QTest::newRow("decimate blur 1/2") << 3 << QSize(101, 51) << QSize(51, 26);
        QTest::newRow("rotate 90") << 4 << QSize(100, 50) << QSize(50, 100);
        QTest::newRow("rotate 30") << 5 << QSize(100, 50) << QSize(111, 93);
        QTest::newRow("rotate 360") << 6 << QSize(100, 50) << QSize(100, 50);
        QTest::newRow("shear defaults") << 7 << QSize(100, 50) << QSize(110, 60);
        QTest::newRow("shear zero") << 8 << QSize(100, 50) << QSize(100, 50);
        QTest::newRow("zoom 1/1") << 9 << QSize(13, 8) << QSize(13, 8);
    }

    void resultSizes()
    {
        QFETCH(int, op);
        QFETCH(QSize, source);
        QFETCH(QSize, result);
        CBitmapPtr p = MakeVaried(source.width(), source.height(), 24);
        CImageProcessor c(p.get());
        FIBITMAP* pOut = nullptr;
        switch (op) {
        case 0: pOut = c.Decimate(1, 2, 1, 2, 0); break;
        case 1: pOut = c.Zoom(2, 1, 2, 1, 1); break;
        case 2: pOut = c.Resize(1, 2, 2, 1, 0); break;
        case 3: pOut = c.DecimateBlur(1, 2, 1, 2, 0, 3, 5); break;
        case 4: pOut = c.Rotate(90, 0, 0, 0); break;
        case 5: pOut = c.Rotate(30, 0, 0, 0); break;
        case 6: pOut = c.Rotate(360, 0, 0, 0); break;
        case 7: pOut = c.Shear(0.2, 0.1, 0, 0, 0); break;
        case 8: pOut = c.Shear(0, 0, 0, 0, 0); break;
        case 9: pOut = c.Zoom(1, 1, 1, 1, 0); break;
        }
        CBitmapPtr pResult(pOut);
        QCOMPARE(SizeOf(pResult.get()), result);
    }

    void rotationKeepsThePictureInside_data()
    {
        QTest::addColumn<double>("angle");
        QTest::newRow("90") << 90.0;
        QTest::newRow("180") << 180.0;
        QTest::newRow("270") << 270.0;
        QTest::newRow("360") << 360.0;
    }

    void rotationKeepsThePictureInside()
    {
        // Quarter turns are exact: every source pixel (each a different value, none black) appears
        // once in the result, and no black line is left along an edge.
        QFETCH(double, angle);
        CBitmapPtr p(FreeImage_Allocate(12, 6, 8));
        std::vector<int> source;
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 12; ++x)
                source.push_back(FreeImage_GetScanLine(p.get(), y)[x] = BYTE(1 + y * 12 + x));
        CImageProcessor c(p.get());
        CBitmapPtr pResult(c.Rotate(angle, 0, 0, 0));
        QVERIFY(pResult);
        std::vector<int> result;
        for (int y = 0; y < int(FreeImage_GetHeight(pResult.get())); ++y)
            for (int x = 0; x < int(FreeImage_GetWidth(pResult.get())); ++x)
                result.push_back(FreeImage_GetScanLine(pResult.get(), y)[x]);
        std::sort(result.begin(), result.end());
        QCOMPARE(result, source);
    }

    void mirrorTwiceIsTheIdentity()
    {
        for (int nBpp : {1, 8, 24, 32}) {
            CBitmapPtr p = MakeVaried(11, 6, nBpp, true);
            if (nBpp == 8)
                p.reset(FreeImage_ConvertToGreyscale(MakeVaried(11, 6, 24, true).get()));
            for (int nAxis : {0, 1, -1}) {
                CImageProcessor first(p.get());
                CBitmapPtr pOnce(first.Mirror(nAxis));
                CImageProcessor second(pOnce.get());
                CBitmapPtr pTwice(second.Mirror(nAxis));
                QVERIFY(pTwice);
                for (int y = 0; y < 6; ++y)
                    for (int x = 0; x < 11; ++x) {
                        // 1-bit results carry a black and white palette: compare their indices.
                        const SPixelValue a = ReadBitmapPixel(pTwice.get(), x, y);
                        const SPixelValue b = ReadBitmapPixel(p.get(), x, y);
                        QCOMPARE(nBpp == 1 ? uint32_t(a.nIndex) : a.rgb, nBpp == 1 ? uint32_t(b.nIndex) : b.rgb);
                    }
            }
        }
    }

    void mulDivRoundsHalvesAwayFromZero()
    {
        QCOMPARE(MulDiv(101, 1, 2), 51);
        QCOMPARE(MulDiv(-101, 1, 2), -51);
        QCOMPARE(MulDiv(100, 1, 3), 33);
        QCOMPARE(MulDiv(2000000000, 3, 2), -1); // does not fit: -1, as the platform's MulDiv
        QCOMPARE(MulDiv(5, 5, 0), -1);
    }
};

QTEST_GUILESS_MAIN(CTestProcessor)
#include "tst_processor.moc"
