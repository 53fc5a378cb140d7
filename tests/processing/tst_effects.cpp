// The distortion effects: their source positions against the formulas written again here, the
// banded run against one remap over whole maps, depths, Explosion's clock, and the commands.
#include "image/Bitmap.h"
#include "document/LumivoDoc.h"
#include "framework/DocTemplate.h"
#include "framework/FrameWnd.h"
#include "processing/ImageProcessor.h"
#include "processing/ipl/Ipl.h"
#include "res/CommandIds.h"
#include "support/TestSupport.h"

#include <FreeImage.h>
#include <QtTest>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {
struct SPos {
    float x, y;
};

// The source position of destination (x, y), computed from the formulas without the production code.
SPos Formula(int nCode, int w, int h, int nX, int nY)
{
    const double x = nX, y = nY;
    const double cx = w / 2, cy = h / 2, r = std::min(cx, cy);
    const double aW = float(double(3.1415927f) / w), aH = float(double(3.1415927f) / h);
    const double S = std::sin(x * aW) * std::sin(y * aH), Cx = std::cos(x * aW), Cy = std::cos(y * aH);
    const double dx = x - cx, dy = y - cy, d = std::sqrt(dx * dx + dy * dy), t = std::atan2(dy, dx);
    const double tenPi = 31.41592653589793;
    switch (nCode) {
    case 0: return {float(x - 60 * S * Cx), float(y - 60 * S * Cy)};
    case 1: return {float(x + 40 * S * Cx), float(y + 40 * S * Cy)};
    case 3: return {float(x + w * S * Cx), float(y + h * S * Cy)};
    case 4: return {float(x + double(float(10 * std::sin(tenPi * y / h)))), float(y)};
    case 5: return {float(x), float(y + 10 * std::sin(tenPi * x / w))};
    case 6: {
        if (d <= 0 || d >= r)
            return {float(x), float(y)};
        const double f = r * std::asin(d / r) * (2 / M_PI) / d;
        return {float(cx + dx * f), float(cy + dy * f)};
    }
    case 7: {
        const double s = std::sin(0.8 * std::sqrt(0.6 * dx * dx + dy * dy));
        return {float(x + 10 * s), float(y + 6.25 * s)};
    }
    case 8: return {float((x + y) - 10.1 * std::trunc(y / 10.1)), float((x + y) - 10.1 * std::trunc(x / 10.1))};
    case 9: return {float(cx + d * std::cos(t + 12 * d / h)), float(cy + d * std::sin(t + 12 * d / h))};
    default: {
        const double rho = d * (1 + 0.0005 * std::sqrt(double(w) * w + double(h) * h) * std::sin(12 * t));
        return {float(cx + rho * std::cos(t)), float(cy + rho * std::sin(t))};
    }
    }
}

// The maps of one effect over a whole image.
struct SMaps {
    int w, h;
    std::vector<float> x, y;
    SPos At(int nX, int nY) const { return {x[size_t(nY) * w + nX], y[size_t(nY) * w + nX]}; }
};

SMaps WholeMaps(int nCode, int w, int h, unsigned nSeed = 0)
{
    SMaps maps{w, h, std::vector<float>(size_t(w) * h), std::vector<float>(size_t(w) * h)};
    CEffectMap(nCode, w, h, nSeed).Fill(0, h, maps.x.data(), maps.y.data(), size_t(w) * sizeof(float));
    return maps;
}

// Explosion's maps of rows y0 .. y1 - 1, drawn here in one pass from the first pixel: srand(nSeed),
// then per pixel in raster order p = rand() % 10 and q = rand() % 10, sampling (x + 5 - p, y + 5 - q).
SMaps ExplosionMaps(int w, int h, unsigned nSeed, int y0 = 0, int y1 = -1)
{
    y1 = y1 < 0 ? h : y1;
    SMaps maps{w, y1 - y0, std::vector<float>(size_t(w) * (y1 - y0)), std::vector<float>(size_t(w) * (y1 - y0))};
    uint32_t nState = nSeed;
    auto fnRand = [&] {
        nState = nState * 214013u + 2531011u;
        return int((nState >> 16) & 0x7fff);
    };
    for (size_t i = 0; i < 2 * size_t(w) * y0; ++i)
        fnRand();
    for (size_t i = 0; i < maps.x.size(); ++i) {
        const int p = fnRand() % 10, q = fnRand() % 10;
        maps.x[i] = float(int(i % w) + 5 - p);
        maps.y[i] = float(y0 + int(i / w) + 5 - q);
    }
    return maps;
}

// The effect as one remap over whole maps, through the image layer directly.
std::vector<BYTE> WholeMapResult(FIBITMAP* pBitmap, int nCode, unsigned nSeed)
{
    IplImage* pSrc = iplTranslateDIB(FreeImage_GetInfoHeader(pBitmap), FreeImage_GetPalette(pBitmap), nullptr,
                                     FreeImage_GetBits(pBitmap), nullptr);
    IplImage* pDst = iplCloneImage(pSrc);
    std::memset(pDst->imageData, 0, pDst->imageSize);
    const int w = pSrc->width, h = pSrc->height;
    const SMaps maps = nCode == EFFECT_EXPLOSION ? ExplosionMaps(w, h, nSeed) : WholeMaps(nCode, w, h);
    auto fnMap = [&](const std::vector<float>& values) {
        IplImage* p = iplCreateImageHeader(1, 0, IPL_DEPTH_32F, "GRAY", "GRAY", 0, 1, 4, w, h, nullptr, nullptr,
                                           nullptr, nullptr);
        iplAllocateImageFP(p, 0, 0);
        for (int y = 0; y < h; ++y)
            std::memcpy(p->imageData + size_t(y) * p->widthStep, &values[size_t(y) * w], w * sizeof(float));
        return p;
    };
    IplImage* pX = fnMap(maps.x);
    IplImage* pY = fnMap(maps.y);
    if (iplRemap(pSrc, pX, pY, pDst, IPL_INTER_LINEAR) != IPL_StsOk)
        return {};
    std::vector<BYTE> bytes(pDst->imageData, pDst->imageData + pDst->imageSize);
    for (IplImage* p : {pSrc, pDst, pX, pY})
        iplDeallocate(p, IPL_IMAGE_ALL);
    return bytes;
}

time_t FixedTime(time_t*)
{
    return 1700000000;
}
time_t NextSecond(time_t*)
{
    return 1700000001;
}
} // namespace

class CTestEffects : public QObject {
    Q_OBJECT
private slots:
    void mapsFollowTheFormulas_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("w");
        QTest::addColumn<int>("h");
        for (int nCode : {0, 1, 3, 4, 5, 6, 7, 8, 9, 10})
            for (const QSize size : {QSize(101, 60), QSize(640, 479)})
                QTest::addRow("%d/%dx%d", nCode, size.width(), size.height()) << nCode << size.width() << size.height();
        QTest::newRow("code -1 is Star") << -1 << 101 << 60;
        QTest::newRow("code 11 is Star") << 11 << 101 << 60;
    }

    void mapsFollowTheFormulas()
    {
        QFETCH(int, code);
        QFETCH(int, w);
        QFETCH(int, h);
        const SMaps maps = WholeMaps(code, w, h);
        const int nFormula = code >= 0 && code <= 9 ? code : 10;
        for (int y : {0, 1, 7, h / 2, h / 2 + 1, h - 1})
            for (int x = 0; x < w; ++x) {
                const SPos got = maps.At(x, y), want = Formula(nFormula, w, h, x, y);
                QVERIFY2(got.x == want.x && got.y == want.y, qPrintable(QString("at (%1, %2)").arg(x).arg(y)));
            }
    }

    void fixedPoints()
    {
        // Concavity, Convexity and Madness keep column 0 and row 0; V. Wave row 0, H. wave column 0.
        for (int nCode : {0, 1, 3, 4, 5}) {
            const SMaps maps = WholeMaps(nCode, 64, 48);
            for (int x = 0; x < 64 && nCode != 5; ++x) {
                QCOMPARE(maps.At(x, 0).x, float(x));
                QCOMPARE(maps.At(x, 0).y, 0.0f);
            }
            for (int y = 0; y < 48 && nCode != 4; ++y) {
                QCOMPARE(maps.At(0, y).x, 0.0f);
                QCOMPARE(maps.At(0, y).y, float(y));
            }
        }
        // Twirl and Star keep the centre (W div 2, H div 2).
        for (int nCode : {9, 10}) {
            const SMaps maps = WholeMaps(nCode, 101, 61);
            QCOMPARE(maps.At(50, 30).x, 50.0f);
            QCOMPARE(maps.At(50, 30).y, 30.0f);
        }
        // Mosaic: (0, 0) stays, (3, 12) samples (3 + 12 - 10.1, 12 + 3).
        const SMaps mosaic = WholeMaps(8, 40, 40);
        QCOMPARE(mosaic.At(0, 0).x, 0.0f);
        QCOMPARE(mosaic.At(0, 0).y, 0.0f);
        QCOMPARE(mosaic.At(3, 12).x, float(15 - 10.1));
        QCOMPARE(mosaic.At(3, 12).y, 15.0f);
    }

    void fishEyeLens()
    {
        // Below 2 pixels across the radius is 0: the identity.
        for (const QSize size : {QSize(1, 30), QSize(30, 1), QSize(1, 1)}) {
            const SMaps maps = WholeMaps(6, size.width(), size.height());
            for (int y = 0; y < size.height(); ++y)
                for (int x = 0; x < size.width(); ++x)
                    QVERIFY(maps.At(x, y).x == float(x) && maps.At(x, y).y == float(y));
        }
        // 101 x 60: centre (50, 30), radius 30.
        const SMaps maps = WholeMaps(6, 101, 60);
        QCOMPARE(maps.At(50, 30).x, 50.0f);
        QCOMPARE(maps.At(50, 30).y, 30.0f);
        QCOMPARE(maps.At(80, 30).x, 80.0f); // d = r
        // d = 15 = r / 2: distance 30 asin(1/2) 2/pi = 10 from the centre.
        QVERIFY(std::abs(maps.At(65, 30).x - 60.0f) < 1e-4f);
        // d = 29: just inside, pulled towards the centre.
        QVERIFY(std::abs(maps.At(79, 30).x - float(50 + 30 * std::asin(29.0 / 30) * 2 / M_PI)) < 1e-4f);
        QVERIFY(maps.At(79, 30).x < 79.0f);
    }

    void explosionOffsets()
    {
        const int w = 97, h = 33;
        const SMaps maps = WholeMaps(EFFECT_EXPLOSION, w, h, 12345), want = ExplosionMaps(w, h, 12345);
        QVERIFY(maps.x == want.x && maps.y == want.y);
        QSet<int> seenX, seenY;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                seenX.insert(int(maps.At(x, y).x) - x), seenY.insert(int(maps.At(x, y).y) - y);
        const QSet<int> all{-4, -3, -2, -1, 0, 1, 2, 3, 4, 5};
        QCOMPARE(seenX, all);
        QCOMPARE(seenY, all);
        QVERIFY(WholeMaps(EFFECT_EXPLOSION, w, h, 12346).x != maps.x);
    }

    // A band starting at any row draws what one pass from the first pixel draws there.
    void explosionBandsStartMidway_data()
    {
        QTest::addColumn<int>("w");
        QTest::addColumn<int>("h");
        QTest::addColumn<int>("y0");
        QTest::addColumn<int>("y1");
        QTest::newRow("second row") << 97 << 33 << 1 << 2;
        QTest::newRow("middle rows") << 97 << 33 << 13 << 20;
        QTest::newRow("last row") << 97 << 33 << 32 << 33;
        QTest::newRow("last rows of 4000 x 3000") << 4000 << 3000 << 2990 << 3000;
    }

    void explosionBandsStartMidway()
    {
        QFETCH(int, w);
        QFETCH(int, h);
        QFETCH(int, y0);
        QFETCH(int, y1);
        const unsigned nSeed = 1700000000;
        const SMaps want = ExplosionMaps(w, h, nSeed, y0, y1);
        std::vector<float> x(want.x.size()), y(want.y.size());
        CEffectMap(EFFECT_EXPLOSION, w, h, nSeed).Fill(y0, y1, x.data(), y.data(), size_t(w) * sizeof(float));
        QVERIFY(x == want.x);
        QVERIFY(y == want.y);
    }

    void explosionGeneratorWrapsAround()
    {
        // 2 x 65536 x 32768 = 2^32 draws come before row 32768: the generator is back at its seed.
        const int w = 65536, h = 32769;
        const CEffectMap map(EFFECT_EXPLOSION, w, h, 99);
        std::vector<float> x0(w), y0(w), x1(w), y1(w);
        map.Fill(0, 1, x0.data(), y0.data(), 0);
        map.Fill(h - 1, h, x1.data(), y1.data(), 0);
        QCOMPARE(x1, x0);
        for (int x = 0; x < w; ++x)
            QCOMPARE(y1[x], y0[x] + float(h - 1));
    }

    void explosionDependsOnTheSecond()
    {
        CBitmapPtr p = MakeBytes(120, 80, 24, 1);
        auto fnRun = [&](time_t (*pfnTime)(time_t*)) {
            CImageProcessor processor(p.get());
            processor.m_pfnTime = pfnTime;
            return CBitmapPtr(processor.Effect(EFFECT_EXPLOSION));
        };
        const CBitmapPtr a = fnRun(&FixedTime), b = fnRun(&FixedTime), c = fnRun(&NextSecond);
        const size_t nBytes = FreeImage_GetPitch(a.get()) * 80;
        QVERIFY(std::memcmp(FreeImage_GetBits(a.get()), FreeImage_GetBits(b.get()), nBytes) == 0);
        QVERIFY(std::memcmp(FreeImage_GetBits(a.get()), FreeImage_GetBits(c.get()), nBytes) != 0);
    }

    // The banded, parallel run gives exactly one remap over whole maps; the image spans several bands
    // and the effects reach across them.
    void bandsEqualWholeMaps_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("bpp");
        QTest::addColumn<int>("w");
        QTest::addColumn<int>("h");
        for (int nCode = 0; nCode <= 10; ++nCode)
            QTest::addRow("%d/24", nCode) << nCode << 24 << 512 << 300;
        for (int nBpp : {1, 8, 32}) {
            QTest::addRow("madness/%d", nBpp) << 3 << nBpp << 333 << 420;
            QTest::addRow("explosion/%d", nBpp) << 2 << nBpp << 333 << 420;
        }
        QTest::newRow("one pixel") << 9 << 24 << 1 << 1;
        QTest::newRow("one column") << 4 << 8 << 1 << 500;
        QTest::newRow("wide rows, a band each") << 7 << 32 << 20000 << 3;
    }

    void bandsEqualWholeMaps()
    {
        QFETCH(int, code);
        QFETCH(int, bpp);
        QFETCH(int, w);
        QFETCH(int, h);
        if (w > 100 && h > 100) // the images meant to span several bands do
            QVERIFY(w * h >= 4 * CEffectMap::kBandPixels);
        CBitmapPtr p = MakeBytes(w, h, bpp, 1);
        CImageProcessor processor(p.get());
        processor.m_pfnTime = &FixedTime;
        CBitmapPtr pResult(processor.Effect(code));
        QVERIFY(pResult);
        QCOMPARE(int(FreeImage_GetWidth(pResult.get())), w);
        QCOMPARE(int(FreeImage_GetHeight(pResult.get())), h);
        QCOMPARE(int(FreeImage_GetBPP(pResult.get())), bpp);
        QCOMPARE(FreeImage_GetPitch(pResult.get()), FreeImage_GetPitch(p.get()));
        if (bpp <= 8)
            QCOMPARE(FreeImage_GetColorType(pResult.get()), FIC_MINISBLACK);

        const std::vector<BYTE> want = WholeMapResult(p.get(), code, unsigned(FixedTime(nullptr)));
        QCOMPARE(want.size(), size_t(FreeImage_GetPitch(pResult.get())) * h);
        const BYTE* pGot = FreeImage_GetBits(pResult.get());
        const size_t nRow = (size_t(w) * bpp + 7) / 8;
        bool bIdentity = true;
        for (int y = 0; y < h; ++y) {
            const size_t nAt = size_t(y) * FreeImage_GetPitch(pResult.get());
            if (std::memcmp(pGot + nAt, want.data() + nAt, nRow) != 0)
                QFAIL(qPrintable(QString("row %1 differs").arg(y)));
            bIdentity = bIdentity && std::memcmp(pGot + nAt, FreeImage_GetBits(p.get()) + nAt, nRow) == 0;
        }
        QCOMPARE(bIdentity, w * h == 1); // the effect did something
    }

    void outsideSourceIsZero()
    {
        // Concavity samples left of column 0 near the left edge: those pixels stay 0.
        CBitmapPtr p(FreeImage_Allocate(64, 64, 8));
        std::memset(FreeImage_GetBits(p.get()), 200, FreeImage_GetPitch(p.get()) * 64);
        CImageProcessor processor(p.get());
        CBitmapPtr pResult(processor.Effect(EFFECT_CONCAVITY));
        QVERIFY(WholeMaps(0, 64, 64).At(5, 32).x < -1);
        QCOMPARE(int(FreeImage_GetScanLine(pResult.get(), 32)[5]), 0);
        QCOMPARE(int(FreeImage_GetScanLine(pResult.get(), 0)[5]), 200);
    }

    void nothingWithoutAnImage()
    {
        CBitmapPtr p = MakeBytes(16, 16, 4, 1);
        CImageProcessor processor(p.get());
        QVERIFY(!processor.Effect(EFFECT_TWIRL));
        CImageProcessor empty(nullptr);
        QVERIFY(!empty.Effect(EFFECT_TWIRL));
    }

    void commandsFromTheMenu()
    {
        QTemporaryDir dir;
        QVERIFY(WriteTestImage(dir.filePath("src.bmp"), 40, 30));
        QVERIFY(WriteTestImage(dir.filePath("four.bmp"), 6, 6, 4));
        CAppFixture fixture;
        QVERIFY(fixture.Start({"-nologo", dir.filePath("src.bmp")}));
        {
            CWinApp& app = fixture.App();
            auto* pSource = dynamic_cast<CLumivoDoc*>(app.GetMainWnd()->GetActiveDocument());
            QVERIFY(pSource);
            for (int nId = ID_EFFECT_CONCAVITY; nId <= ID_EFFECT_STAR; ++nId) {
                QCOMPARE(app.OpenDocumentFile(dir.filePath("src.bmp")), pSource);
                QVERIFY(app.GetMainWnd()->QueryCommand(nId).m_bEnabled);
                QVERIFY(app.GetMainWnd()->ExecuteCommand(nId));
                auto* pResult = static_cast<CLumivoDoc*>(app.m_pDocTemplate->GetDocuments().back());
                QVERIFY(pResult != pSource);
                QCOMPARE(pResult->GetTitle(), QStringLiteral("Effects Image"));
                QCOMPARE(pResult->m_nWidth, 40);
            }
            QCOMPARE(app.m_pDocTemplate->GetDocuments().size(), size_t(12));
            // A 4-bit image: enabled, and nothing happens.
            auto* pFour = app.OpenDocumentFile(dir.filePath("four.bmp"));
            QVERIFY(pFour);
            QVERIFY(app.GetMainWnd()->QueryCommand(ID_EFFECT_STAR).m_bEnabled);
            QVERIFY(app.GetMainWnd()->ExecuteCommand(ID_EFFECT_STAR));
            QCOMPARE(app.m_pDocTemplate->GetDocuments().size(), size_t(13));
        }
        fixture.Stop();
    }
};

QTEST_MAIN(CTestEffects)
#include "tst_effects.moc"
