// The vectorised variants of the pixel loops give the portable loops' results: every operation that
// reaches one runs under each instruction set this processor has and is compared with the portable run.
#include "processing/ImageProcessor.h"
#include "processing/ipl/IplSimd.h"
#include "support/TestImages.h"

#include <FreeImage.h>
#include <QtTest>
#include <functional>

using FnOperation = std::function<FIBITMAP*(CImageProcessor&)>;
Q_DECLARE_METATYPE(FnOperation)

class CTestSimd : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { ipl::SetSimd(ipl::ESimd::Avx512); }

    void variantsMatchThePortableLoop_data()
    {
        QTest::addColumn<int>("nBpp");
        QTest::addColumn<FnOperation>("fnOperation");
        const std::pair<const char*, FnOperation> operations[] = {
            {"threshold (bit packing)", [](CImageProcessor& p) { return p.Threshold(100); }},
            {"min (rank network)", [](CImageProcessor& p) { return p.MinFilter(3, 3, 1, 1); }},
            {"median (rank network)", [](CImageProcessor& p) { return p.MedianFilter(5, 3, 2, 1); }},
            {"invert (one table)", [](CImageProcessor& p) { return p.Invert(); }},
            {"equalize (a table per channel)", [](CImageProcessor& p) { return p.HistoEqualize(); }},
            {"uniform noise", [](CImageProcessor& p) { return p.UniformNoise(20, 90); }},
            {"gaussian noise", [](CImageProcessor& p) { return p.GaussianNoise(10, 30); }},
        };
        for (const auto& [pszName, fnOperation] : operations)
            for (int nBpp : {24, 32})
                QTest::addRow("%s, %d bits", pszName, nBpp) << nBpp << fnOperation;
    }

    void variantsMatchThePortableLoop()
    {
        QFETCH(int, nBpp);
        QFETCH(FnOperation, fnOperation);
        // wide enough for whole vectors and a ragged end
        const CBitmapPtr pSource = MakeBytes(203, 19, nBpp, 3);
        QCOMPARE(ipl::SetSimd(ipl::ESimd::Portable), ipl::ESimd::Portable);
        CImageProcessor portable(pSource.get());
        const CBitmapPtr pExpected(fnOperation(portable));
        QVERIFY(pExpected);
        for (auto eSimd : {ipl::ESimd::Avx2, ipl::ESimd::Avx512}) {
            if (eSimd > ipl::SupportedSimd())
                continue;
            QCOMPARE(ipl::SetSimd(eSimd), eSimd);
            CImageProcessor processor(pSource.get());
            const CBitmapPtr pResult(fnOperation(processor));
            QVERIFY2(SamePixels(pResult.get(), pExpected.get()), eSimd == ipl::ESimd::Avx2 ? "AVX2" : "AVX-512");
        }
    }
};

QTEST_GUILESS_MAIN(CTestSimd)
#include "tst_simd.moc"
