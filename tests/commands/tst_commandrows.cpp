// Every row of the processing command table, run from the menu with its dialog's default values,
// gives what a direct call of the operation it names gives: a row that runs the wrong operation or
// the wrong fixed argument fails here.
#include "commands/ProcessingCommands.h"
#include "document/LumivoDoc.h"
#include "framework/DocTemplate.h"
#include "framework/FrameWnd.h"
#include "processing/ImageProcessor.h"
#include "processing/ipl/Ipl.h"
#include "res/CommandIds.h"
#include "support/TestSupport.h"

#include <FreeImage.h>
#include <QtTest>
#include <ctime>

namespace {
using FnExpected = std::function<FIBITMAP*(CImageProcessor&)>;

// What each command should do, written apart from the table: whether it asks with a dialog, and the
// operation with the dialog's defaults (none: the command opens no new document).
struct SExpected {
    int nId;
    bool bDialog;
    FnExpected fnOperation;
};

FnExpected Fixed(int nKernel)
{
    return [nKernel](CImageProcessor& p) { return p.FixedFilter(nKernel); };
}

FnExpected Curve(int nCurve)
{
    return [nCurve](CImageProcessor& p) { return p.ContrastStretch(nCurve); };
}

FnExpected Effect(int nCode)
{
    return [nCode](CImageProcessor& p) { return p.Effect(nCode); };
}

// The source picture of the command under test.
FIBITMAP* g_pSource = nullptr;

// Black and white thresholds a grey copy of the picture.
FIBITMAP* GreyThreshold(CImageProcessor&)
{
    CBitmapPtr pGrey(FreeImage_ConvertTo8Bits(g_pSource));
    return CImageProcessor(pGrey.get()).Threshold(128);
}

const SExpected kExpected[] = {
    {ID_GEOM_ZOOM, true, [](CImageProcessor& p) { return p.Zoom(2, 1, 2, 1, 0); }},
    {ID_GEOM_DECIMATE, true, [](CImageProcessor& p) { return p.Decimate(1, 2, 1, 2, 0); }},
    {ID_GEOM_DECIMATE_BLUR, true, [](CImageProcessor& p) { return p.DecimateBlur(1, 2, 1, 2, 0, 3, 3); }},
    {ID_GEOM_MIRROR, true, [](CImageProcessor& p) { return p.Mirror(0); }},
    {ID_GEOM_ROTATE, true, [](CImageProcessor& p) { return p.Rotate(90, 0, 0, 0); }},
    {ID_GEOM_SHEAR, true, [](CImageProcessor& p) { return p.Shear(0.2, 0.1, 0, 0, 0); }},
    {ID_GEOM_RESIZE, true, [](CImageProcessor& p) { return p.Resize(1, 2, 2, 1, 0); }},
    {ID_FILTER_BLUR, true, [](CImageProcessor& p) { return p.Blur(3, 3, 1, 1); }},
    {ID_FILTER_FIXED, true, Fixed(IPL_PREWITT_3x3_V)},
    {ID_FILTER_MEDIAN, true, [](CImageProcessor& p) { return p.MedianFilter(3, 3, 1, 1); }},
    {ID_FILTER_MIN, true, [](CImageProcessor& p) { return p.MinFilter(3, 3, 1, 1); }},
    {ID_FILTER_MAX, true, [](CImageProcessor& p) { return p.MaxFilter(3, 3, 1, 1); }},
    {ID_FILTER_PREWITT_V, false, Fixed(IPL_PREWITT_3x3_V)},
    {ID_FILTER_PREWITT_H, false, Fixed(IPL_PREWITT_3x3_H)},
    {ID_FILTER_SOBEL_V, false, Fixed(IPL_SOBEL_3x3_V)},
    {ID_FILTER_SOBEL_H, false, Fixed(IPL_SOBEL_3x3_H)},
    {ID_FILTER_LAPLACIAN_3X3, false, Fixed(IPL_LAPLACIAN_3x3)},
    {ID_FILTER_LAPLACIAN_5X5, false, Fixed(IPL_LAPLACIAN_5x5)},
    {ID_FILTER_GAUSSIAN_3X3, false, Fixed(IPL_GAUSSIAN_3x3)},
    {ID_FILTER_GAUSSIAN_5X5, false, Fixed(IPL_GAUSSIAN_5x5)},
    {ID_FILTER_HIPASS_3X3, false, Fixed(IPL_HIPASS_3x3)},
    {ID_FILTER_HIPASS_5X5, false, Fixed(IPL_HIPASS_5x5)},
    {ID_FILTER_SHARPEN, false, Fixed(IPL_SHARPEN_3x3)},
    {ID_CONVERT_BLACK_WHITE, true, GreyThreshold},
    {ID_COLOR_INVERT, false, [](CImageProcessor& p) { return p.Invert(); }},
    {ID_MORPH_ERODE, true, [](CImageProcessor& p) { return p.Erode(1); }},
    {ID_MORPH_DILATE, true, [](CImageProcessor& p) { return p.Dilate(1); }},
    {ID_MORPH_OPEN, true, [](CImageProcessor& p) { return p.MorphOpen(1); }},
    {ID_MORPH_CLOSE, true, [](CImageProcessor& p) { return p.MorphClose(1); }},
    {ID_COLOR_EQUALIZE, false, [](CImageProcessor& p) { return p.HistoEqualize(); }},
    {ID_CONTRAST_LOW_PLUS, false, Curve(3)},
    {ID_CONTRAST_HIGH_PLUS, false, Curve(2)},
    {ID_CONTRAST_LOW_PLUS_HIGH_MINUS, false, Curve(5)},
    {ID_CONTRAST_LOW_MINUS_HIGH_PLUS, false, Curve(4)},
    {ID_COLOR_BRIGHTNESS_CONTRAST, true, {}}, // changes the document itself: with the defaults, nothing
    {ID_COLOR_HISTOGRAM, false, {}},
    {ID_CONTRAST, false, {}},
    {ID_NOISE_UNIFORM, true, [](CImageProcessor& p) { return p.UniformNoise(150, 75); }},
    {ID_NOISE_GAUSSIAN, true, [](CImageProcessor& p) { return p.GaussianNoise(35, 10); }},
    {ID_NOISE_SALT_PEPPER, false, {}},
    {ID_EFFECT_CONCAVITY, false, Effect(EFFECT_CONCAVITY)},
    {ID_EFFECT_CONVEXITY, false, Effect(EFFECT_CONVEXITY)},
    {ID_EFFECT_EXPLOSION, false, Effect(EFFECT_EXPLOSION)},
    {ID_EFFECT_MADNESS, false, Effect(EFFECT_MADNESS)},
    {ID_EFFECT_V_WAVE, false, Effect(EFFECT_V_WAVE)},
    {ID_EFFECT_H_WAVE, false, Effect(EFFECT_H_WAVE)},
    {ID_EFFECT_FISH_EYE, false, Effect(EFFECT_FISH_EYE)},
    {ID_EFFECT_RIPPLES, false, Effect(EFFECT_RIPPLES)},
    {ID_EFFECT_MOSAIC, false, Effect(EFFECT_MOSAIC)},
    {ID_EFFECT_TWIRL, false, Effect(EFFECT_TWIRL)},
    {ID_EFFECT_STAR, false, Effect(EFFECT_STAR)},
};

// Explosion draws from a generator seeded by the clock's second: the direct call is made for each
// second the command may have read.
time_t g_nSecond = 0;
time_t ThatSecond(time_t*)
{
    return g_nSecond;
}
} // namespace

class CTestCommandRows : public CAppTestCase {
    Q_OBJECT
private slots:
    void everyRowRunsItsOperation_data()
    {
        QTest::addColumn<int>("nId");
        for (const SProcessingCommand& command : ProcessingCommands())
            QTest::addRow("%d %s", command.nId, command.pszTitle ? command.pszTitle : "") << command.nId;
    }

    void everyRowRunsItsOperation()
    {
        QFETCH(int, nId);
        const auto it = std::find_if(std::begin(kExpected), std::end(kExpected),
                                     [nId](const SExpected& e) { return e.nId == nId; });
        QVERIFY2(it != std::end(kExpected), "a command the test does not know");
        // Not square and varied, so that a turn, a flip or a swapped kernel shows.
        QVERIFY(Show(MakeVaried(23, 14, 24)));
        CLumivoDoc* pSource = ActiveDoc();
        const CBitmapPtr pBefore(FreeImage_Clone(pSource->m_pBitmap));
        if (it->bDialog)
            DriveNextModal([](QWidget* pDialog) { PressButton(pDialog, QStringLiteral("OK")); });
        const time_t nStart = std::time(nullptr);
        QVERIFY(MainWnd()->ExecuteCommand(nId));
        const time_t nEnd = std::time(nullptr);
        CheckModalsDriven();

        const auto& docs = m_app.App().m_pDocTemplate->GetDocuments();
        QVERIFY(SamePixels(pSource->m_pBitmap, pBefore.get())); // the source keeps its picture
        if (!it->fnOperation) {
            QCOMPARE(docs.size(), size_t(1));
            return;
        }
        QCOMPARE(docs.size(), size_t(2));
        FIBITMAP* pResult = static_cast<CLumivoDoc*>(docs.back())->m_pBitmap;
        bool bSame = false;
        g_pSource = pBefore.get();
        for (g_nSecond = nStart; g_nSecond <= nEnd && !bSame; ++g_nSecond) {
            CImageProcessor processor(pBefore.get());
            processor.m_pfnTime = ThatSecond;
            const CBitmapPtr pExpected(it->fnOperation(processor));
            QVERIFY(pExpected);
            bSame = SamePixels(pResult, pExpected.get());
        }
        QVERIFY(bSame);
    }
};

QTEST_MAIN(CTestCommandRows)
#include "tst_commandrows.moc"
