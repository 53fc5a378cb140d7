// Filters, threshold, morphology, tone tables and noise through the processor, on real bitmaps.
#include "image/Bitmap.h"
#include "processing/ImageProcessor.h"
#include "processing/ipl/Ipl.h"
#include "support/TestImages.h"

#include <FreeImage.h>
#include <QtTest>
#include <array>
#include <functional>

namespace {
// A grey 8-bit (or 24-bit) bitmap whose pixel (x, y) is fnLevel(x, y) in every channel.
CBitmapPtr MakeGrey(int nWidth, int nHeight, int nBpp, const std::function<int(int, int)>& fnLevel)
{
    CBitmapPtr p(FreeImage_Allocate(nWidth, nHeight, nBpp));
    if (RGBQUAD* pPal = FreeImage_GetPalette(p.get()))
        for (int k = 0; k < 256; ++k)
            pPal[k] = RGBQUAD{BYTE(k), BYTE(k), BYTE(k), 0};
    const int nBytes = nBpp / 8;
    for (int y = 0; y < nHeight; ++y) {
        BYTE* pRow = FreeImage_GetScanLine(p.get(), y);
        for (int x = 0; x < nWidth; ++x)
            for (int c = 0; c < nBytes; ++c)
                pRow[x * nBytes + c] = BYTE(fnLevel(x, y));
    }
    return p;
}

int Level(FIBITMAP* p, int x, int y, int c = 0)
{
    const int nBytes = int(FreeImage_GetBPP(p)) / 8;
    return FreeImage_GetScanLine(p, y)[x * nBytes + c];
}

std::array<int, 256> Curve(int nCurve)
{
    std::array<int, 256> values{};
    CImageProcessor::FillContrastCurve(nCurve, values.data());
    return values;
}

std::array<int, 256> Adjust(int nContrast)
{
    std::array<int, 256> values{};
    CImageProcessor::FillAdjustTable(nContrast, values.data());
    return values;
}
} // namespace

class CTestPixelOps : public QObject {
    Q_OBJECT
private slots:
    void contrastCurvesAtTheirPoints()
    {
        QCOMPARE(Curve(2)[0], 1);
        QCOMPARE(Curve(2)[128], 192);
        QCOMPARE(Curve(2)[254], 255);
        QCOMPARE(Curve(3)[128], 64);
        QCOMPARE(Curve(3)[254], 252);
        QCOMPARE(Curve(4)[127], 127);
        QCOMPARE(Curve(4)[128], 129);
        QCOMPARE(Curve(5)[0], 0);
        QCOMPARE(Curve(5)[127], 127);
        QCOMPARE(Curve(5)[128], 128);
        QCOMPARE(Curve(5)[254], 253);

        // Through the processor: the table applies to levels 0..254, level 255 stays 255 under every curve.
        const CBitmapPtr pSource = MakeGrey(256, 1, 8, [](int x, int) { return x; });
        for (int nCurve = 2; nCurve <= 5; ++nCurve) {
            CImageProcessor processor(pSource.get());
            const CBitmapPtr pResult(processor.ContrastStretch(nCurve));
            QVERIFY(pResult);
            QCOMPARE(FreeImage_GetBPP(pResult.get()), 8u);
            for (int k = 0; k < 255; ++k)
                QCOMPARE(Level(pResult.get(), k, 0), Curve(nCurve)[k]);
            QCOMPARE(Level(pResult.get(), 255, 0), 255);
        }
        CImageProcessor processor(pSource.get());
        QVERIFY(!processor.ContrastStretch(1));
        QVERIFY(!processor.ContrastStretch(6));
    }

    void adjustmentTables()
    {
        std::array<int, 256> identity{};
        std::iota(identity.begin(), identity.end(), 0);
        QCOMPARE(Adjust(0), identity);
        const auto stretched = Adjust(200);
        for (int k = 0; k <= 200; ++k)
            QCOMPARE(stretched[k], 0);
        QCOMPARE(stretched[228], 129);
        QCOMPARE(stretched[255], 255);
        const auto pressed = Adjust(-200);
        QCOMPARE(pressed[0], 112);
        QCOMPARE(pressed[255], 255);
        QVERIFY(std::is_sorted(pressed.begin(), pressed.end()));
    }

    // The live adjustment: every step starts from the source, the result bitmap is reused.
    void brightnessStepsStartFromTheSource()
    {
        const CBitmapPtr pSource = MakeGrey(9, 4, 24, [](int x, int y) { return x * 25 + y; });
        CImageProcessor processor(pSource.get());
        IplImage* pWork = processor.PrepareAdjust();
        QVERIFY(pWork);
        IplLUT** ppLuts = CImageProcessor::AllocLUTs(3, IPL_LUT_LOOKUP, 257);
        QVERIFY(ppLuts);
        for (int c = 0; c < 3; ++c) {
            std::iota(ppLuts[c]->key, ppLuts[c]->key + 257, 0);
            CImageProcessor::FillAdjustTable(0, ppLuts[c]->value);
        }
        FIBITMAP* pBrighter = processor.AdjustBrightnessContrast(pWork, 50, ppLuts);
        QVERIFY(pBrighter);
        for (int x = 0; x < 9; ++x)
            QCOMPARE(Level(pBrighter, x, 3, 1), std::min(255, x * 25 + 3 + 50));
        FIBITMAP* pBack = processor.AdjustBrightnessContrast(pWork, 0, ppLuts);
        QCOMPARE(pBack, pBrighter); // written into the previous result
        QVERIFY(SamePixels(pBack, pSource.get()));
        for (int c = 0; c < 3; ++c)
            CImageProcessor::FillAdjustTable(200, ppLuts[c]->value);
        processor.AdjustBrightnessContrast(pWork, 0, ppLuts);
        QCOMPARE(Level(pBack, 8, 0), 0);  // 200 and below go to 0
        QCOMPARE(Level(pBack, 8, 3), 13); // 203 -> 3 * 255 / 55
        FreeImage_Unload(pBack);
        CImageProcessor::FreeLUTs(ppLuts, 3);
        iplDeallocate(pWork, IPL_IMAGE_ALL);
        CImageProcessor::FreeLUTs(nullptr, 3);
    }

    void apertureChecks()
    {
        const CBitmapPtr pSource = MakeGrey(12, 7, 8, [](int x, int y) { return (x * 37 + y * 11) % 256; });
        using FnFilter = FIBITMAP* (CImageProcessor::*)(int, int, int, int);
        for (FnFilter fn : {&CImageProcessor::Blur, &CImageProcessor::MedianFilter, &CImageProcessor::MinFilter,
                            &CImageProcessor::MaxFilter}) {
            CImageProcessor refused(pSource.get());
            QVERIFY(!(refused.*fn)(3, 3, 5, 1));
            QVERIFY(!(refused.*fn)(1, 1, 1, 1));
            // refused by the pixel layer: no blank picture either
            QVERIFY(!(refused.*fn)(3, 3, -1, 0));
            QVERIFY(!refused.m_pDstBitmap);
            CImageProcessor accepted(pSource.get());
            const CBitmapPtr pResult((accepted.*fn)(3, 3, 0, 0));
            QVERIFY(pResult);
            QCOMPARE(FreeImage_GetWidth(pResult.get()), 12u);
            QCOMPARE(FreeImage_GetHeight(pResult.get()), 7u);
        }
    }

    // Min takes the darkest neighbour, Max the brightest: a single bright pixel vanishes or spreads.
    void minAndMaxAreNotSwapped()
    {
        const CBitmapPtr pSource = MakeGrey(7, 7, 24, [](int x, int y) { return x == 3 && y == 3 ? 200 : 10; });
        CImageProcessor min(pSource.get()), max(pSource.get());
        const CBitmapPtr pMin(min.MinFilter(3, 3, 1, 1)), pMax(max.MaxFilter(3, 3, 1, 1));
        QCOMPARE(Level(pMin.get(), 3, 3), 10);
        QCOMPARE(Level(pMax.get(), 2, 4), 200);
        QCOMPARE(Level(pMax.get(), 0, 0), 10);
    }

    void sizeAndDepthKept_data()
    {
        QTest::addColumn<int>("nBpp");
        QTest::newRow("8") << 8;
        QTest::newRow("24") << 24;
    }

    void sizeAndDepthKept()
    {
        QFETCH(int, nBpp);
        const CBitmapPtr pSource = MakeGrey(13, 5, nBpp, [](int x, int y) { return x * 19 + y * 3; });
        const CBitmapPtr pCopy(FreeImage_Clone(pSource.get()));
        const std::function<FIBITMAP*(CImageProcessor&)> operations[] = {
            [](CImageProcessor& p) { return p.Blur(3, 3, 1, 1); },
            [](CImageProcessor& p) { return p.FixedFilter(IPL_SHARPEN_3x3); },
            [](CImageProcessor& p) { return p.Invert(); },
            [](CImageProcessor& p) { return p.Erode(1); },
            [](CImageProcessor& p) { return p.Dilate(100); },
            [](CImageProcessor& p) { return p.MorphOpen(1); },
            [](CImageProcessor& p) { return p.MorphClose(100); },
            [](CImageProcessor& p) { return p.HistoEqualize(); },
            [](CImageProcessor& p) { return p.UniformNoise(150, 75); },
            [](CImageProcessor& p) { return p.GaussianNoise(35, 10); },
        };
        for (const auto& fn : operations) {
            CImageProcessor processor(pSource.get());
            const CBitmapPtr pResult(fn(processor));
            QVERIFY(pResult);
            QCOMPARE(FreeImage_GetWidth(pResult.get()), 13u);
            QCOMPARE(FreeImage_GetHeight(pResult.get()), 5u);
            QCOMPARE(int(FreeImage_GetBPP(pResult.get())), nBpp);
        }
        QVERIFY(SamePixels(pSource.get(), pCopy.get()));
    }

    void invertAndEqualizeValues()
    {
        const CBitmapPtr pSource = MakeGrey(4, 1, 8, [](int x, int) { return 100 + x; });
        CImageProcessor invert(pSource.get()), equalize(pSource.get());
        const CBitmapPtr pInverted(invert.Invert()), pEqualized(equalize.HistoEqualize());
        QCOMPARE(Level(pInverted.get(), 0, 0), 155);
        QCOMPARE(Level(pEqualized.get(), 0, 0), 0);
        QCOMPARE(Level(pEqualized.get(), 3, 0), 255);
        // A 4-bit picture cannot be processed, though the command is enabled.
        const CBitmapPtr pFour(FreeImage_Allocate(4, 4, 4));
        CImageProcessor four(pFour.get());
        QVERIFY(!four.Invert());
        // An unknown fixed filter gives no picture rather than a blank one.
        CImageProcessor unknown(pSource.get());
        QVERIFY(!unknown.FixedFilter(99));
        QVERIFY(!unknown.m_pDstBitmap);
    }

    void thresholdGivesBits()
    {
        const CBitmapPtr pSource = MakeGrey(40, 3, 8, [](int x, int) { return x * 6; });
        CImageProcessor processor(pSource.get());
        const CBitmapPtr pResult(processor.Threshold(120));
        QVERIFY(pResult);
        QCOMPARE(FreeImage_GetBPP(pResult.get()), 1u);
        QCOMPARE(FreeImage_GetWidth(pResult.get()), 40u);
        for (int x = 0; x < 40; ++x) {
            const int nBit = (FreeImage_GetScanLine(pResult.get(), 1)[x / 8] >> (7 - x % 8)) & 1;
            QCOMPARE(nBit, x * 6 >= 120 ? 1 : 0);
        }
        const RGBQUAD* pPal = FreeImage_GetPalette(pResult.get());
        QCOMPARE(int(pPal[0].rgbRed), 0);
        QCOMPARE(int(pPal[1].rgbRed), 255);
    }

    void noiseIsRepeatable()
    {
        const CBitmapPtr pSource = MakeGrey(31, 17, 24, [](int x, int y) { return 90 + x + y; });
        for (bool bGaussian : {false, true}) {
            CImageProcessor first(pSource.get()), second(pSource.get());
            const CBitmapPtr a(bGaussian ? first.GaussianNoise(35, 10) : first.UniformNoise(20, 60));
            const CBitmapPtr b(bGaussian ? second.GaussianNoise(35, 10) : second.UniformNoise(20, 60));
            QVERIFY(SamePixels(a.get(), b.get()));
            QVERIFY(!SamePixels(a.get(), pSource.get()));
        }
    }

    void tableSets()
    {
        IplLUT** ppLuts = CImageProcessor::AllocLUTs(4, IPL_LUT_INTER, 256);
        QVERIFY(ppLuts);
        for (int c = 0; c < 4; ++c) {
            QCOMPARE(ppLuts[c]->num, 256);
            QCOMPARE(ppLuts[c]->interpolateType, IPL_LUT_INTER);
            QCOMPARE(ppLuts[c]->key[255], 0);
            QCOMPARE(ppLuts[c]->value[254], 0);
            QCOMPARE(ppLuts[c]->factor[0], 0);
        }
        CImageProcessor::FreeLUTs(ppLuts, 4);
        QVERIFY(!CImageProcessor::AllocLUTs(0, IPL_LUT_LOOKUP, 257));

        const CBitmapPtr pSource = MakeGrey(5, 2, 24, [](int x, int) { return x == 0 ? 7 : 9; });
        CImageProcessor processor(pSource.get());
        int nChannels = 0;
        ppLuts = processor.ComputeHisto(&nChannels);
        QVERIFY(ppLuts);
        QCOMPARE(nChannels, 3);
        QCOMPARE(ppLuts[2]->num, 257);
        QCOMPARE(ppLuts[2]->key[256], 256);
        QCOMPARE(ppLuts[2]->value[7], 2);
        QCOMPARE(ppLuts[2]->value[9], 8);
        CImageProcessor::FreeLUTs(ppLuts, nChannels);
    }
};

QTEST_MAIN(CTestPixelOps)
#include "tst_pixelops.moc"
