// The image view inside the running application: zoom and its limits from every source, drawing
// (centring, nearest-neighbour pixels of every depth, the hatch), the pixel readout, fitting the
// frame, the status on focus, a second window, printing and preview.
#include "document/LumivoDoc.h"
#include "document/LumivoView.h"
#include "framework/FrameWnd.h"
#include "res/CommandIds.h"
#include "support/TestSupport.h"

#include <FreeImage.h>
#include <QDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QStandardPaths>
#include <QtTest>
#include <functional>
#include <memory>

namespace {

// The colour of picture pixel (x, y), y counted from the top, for the true-colour fixtures.
QRgb FixtureColour(int x, int y)
{
    return qRgb((x * 7) & 255, (y * 5) & 255, (x + 3 * y) & 255);
}

// A bitmap of the given depth; pixel (x, y) from the top gets fnValue(x, y): a palette index for 1, 4
// and 8 bits, the raw 16-bit word, or an RGB colour for 24 and 32 bits (32-bit alpha left at 0, which
// the view must ignore). Palettes hold the colours of FixtureColour(i, i).
FIBITMAP* MakeBitmap(int nWidth, int nHeight, int nBpp, const std::function<unsigned(int, int)>& fnValue,
                     bool b565 = false)
{
    FIBITMAP* pBitmap =
        nBpp == 16 && b565
            ? FreeImage_Allocate(nWidth, nHeight, 16, FI16_565_RED_MASK, FI16_565_GREEN_MASK, FI16_565_BLUE_MASK)
        : nBpp == 16
            ? FreeImage_Allocate(nWidth, nHeight, 16, FI16_555_RED_MASK, FI16_555_GREEN_MASK, FI16_555_BLUE_MASK)
            : FreeImage_Allocate(nWidth, nHeight, nBpp);
    if (RGBQUAD* pPalette = FreeImage_GetPalette(pBitmap)) {
        for (unsigned i = 0; i < FreeImage_GetColorsUsed(pBitmap); ++i) {
            const QRgb c = FixtureColour(int(i), int(i));
            pPalette[i] = RGBQUAD{BYTE(qBlue(c)), BYTE(qGreen(c)), BYTE(qRed(c)), 0};
        }
    }
    for (int y = 0; y < nHeight; ++y) {
        BYTE* pLine = FreeImage_GetScanLine(pBitmap, nHeight - 1 - y);
        for (int x = 0; x < nWidth; ++x) {
            const unsigned v = fnValue(x, y);
            if (nBpp <= 8) {
                BYTE nIndex = BYTE(v);
                FreeImage_SetPixelIndex(pBitmap, unsigned(x), unsigned(nHeight - 1 - y), &nIndex);
            } else if (nBpp == 16) {
                pLine[2 * x] = BYTE(v), pLine[2 * x + 1] = BYTE(v >> 8);
            } else {
                BYTE* p = pLine + x * (nBpp / 8);
                p[0] = BYTE(qBlue(v)), p[1] = BYTE(qGreen(v)), p[2] = BYTE(qRed(v));
            }
        }
    }
    return pBitmap;
}

FIBITMAP* MakeTrueColour(int nWidth, int nHeight)
{
    return MakeBitmap(nWidth, nHeight, 24, [](int x, int y) { return FixtureColour(x, y); });
}

FIBITMAP* MakeSolid(int nWidth, int nHeight, QRgb colour)
{
    return MakeBitmap(nWidth, nHeight, 24, [colour](int, int) { return colour; });
}

// What FreeImage itself says picture pixel (x, y) looks like.
QRgb FreeImageColour(FIBITMAP* pBitmap, int x, int y)
{
    const unsigned nRow = FreeImage_GetHeight(pBitmap) - 1 - unsigned(y);
    RGBQUAD c{};
    if (FreeImage_GetBPP(pBitmap) <= 8) {
        BYTE nIndex = 0;
        FreeImage_GetPixelIndex(pBitmap, unsigned(x), nRow, &nIndex);
        c = FreeImage_GetPalette(pBitmap)[nIndex];
    } else {
        FreeImage_GetPixelColor(pBitmap, unsigned(x), nRow, &c);
    }
    return qRgb(c.rgbRed, c.rgbGreen, c.rgbBlue);
}

bool SameColour(QRgb a, QRgb b, int nTolerance)
{
    return std::abs(qRed(a) - qRed(b)) <= nTolerance && std::abs(qGreen(a) - qGreen(b)) <= nTolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= nTolerance;
}

QImage Grab(CLumivoView* pView)
{
    return pView->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

void MoveMouse(CLumivoView* pView, QPoint pt)
{
    QMouseEvent event(QEvent::MouseMove, QPointF(pt), pView->viewport()->mapToGlobal(QPointF(pt)), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(pView->viewport(), &event);
}

void TurnWheel(CLumivoView* pView, int nDelta)
{
    const QPointF pt(5, 5);
    QWheelEvent event(pt, pView->viewport()->mapToGlobal(pt), QPoint(), QPoint(0, nDelta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(pView->viewport(), &event);
}

// Paints the view now, so that the offsets of the last drawing are current.
void Paint(CLumivoView* pView)
{
    pView->viewport()->repaint();
}

} // namespace

class CTestView : public CAppTestCase {
    Q_OBJECT
private:

    // A bitmap whose neighbouring pixels differ, at any depth.
    static FIBITMAP* MakeVaried(int nWidth, int nHeight, int nBpp, bool b565)
    {
        const unsigned nColours = nBpp <= 8 ? 1u << nBpp : 0;
        return MakeBitmap(
            nWidth, nHeight, nBpp,
            [nBpp, nColours](int x, int y) -> unsigned {
                if (nBpp <= 8)
                    return unsigned(x * 3 + y * 5) % nColours;
                if (nBpp == 16)
                    return unsigned(x * 1237 + y * 4327) & 0xFFFF;
                return FixtureColour(x, y);
            },
            b565);
    }

    // Shows pBitmap at dZoom scrolled to ptScroll and compares every drawn pixel with the picture
    // pixel nearest-neighbour scaling puts there, as FreeImage reads it.
    void CheckDrawing(FIBITMAP* pBitmap, double dZoom, QPoint ptScroll)
    {
        const int nWidth = int(FreeImage_GetWidth(pBitmap)), nHeight = int(FreeImage_GetHeight(pBitmap));
        const int nBpp = int(FreeImage_GetBPP(pBitmap));
        CLumivoView* pView = Show(pBitmap);
        SetClientSize(pView, QSize(200, 150));
        pView->m_dZoom = dZoom;
        pView->GetDocument()->UpdateAllViews(nullptr, 0);
        pView->ScrollToPosition(ptScroll);
        QCOMPARE(pView->GetScrollPosition(), ptScroll);
        Paint(pView);
        const QImage shot = Grab(pView);

        const int nDrawWidth = int(nWidth * dZoom), nDrawHeight = int(nHeight * dZoom);
        const QRect rcImage(pView->m_nOffsetX - ptScroll.x(), pView->m_nOffsetY - ptScroll.y(), nDrawWidth,
                            nDrawHeight);
        const QRect rcShown = rcImage & shot.rect();
        QVERIFY(!rcShown.isEmpty());
        const int nTolerance = nBpp == 16 ? 1 : 0; // widening 5 or 6 bits to 8 may round either way
        for (int y = rcShown.top(); y <= rcShown.bottom(); ++y) {
            for (int x = rcShown.left(); x <= rcShown.right(); ++x) {
                const int nSourceX = (x - rcImage.left()) * nWidth / nDrawWidth;
                const int nSourceY = (y - rcImage.top()) * nHeight / nDrawHeight;
                const QRgb expected = FreeImageColour(pBitmap, nSourceX, nSourceY);
                if (!SameColour(shot.pixel(x, y), expected, nTolerance))
                    QFAIL(qPrintable(QString("client (%1,%2), image (%3,%4): %5 instead of %6")
                                         .arg(x)
                                         .arg(y)
                                         .arg(nSourceX)
                                         .arg(nSourceY)
                                         .arg(shot.pixel(x, y), 8, 16)
                                         .arg(expected, 8, 16)));
            }
        }
        // Outside the picture only the hatch.
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                if (!rcImage.contains(x, y) && shot.pixel(x, y) != qRgb(191, 191, 191) &&
                    shot.pixel(x, y) != qRgb(255, 255, 255))
                    QFAIL(qPrintable(QString("client (%1,%2) is no hatch").arg(x).arg(y)));
    }

private slots:
    // --- zoom -------------------------------------------------------------------------------------

    void zoomLimits_data()
    {
        QTest::addColumn<QString>("strSource");
        QTest::addColumn<double>("dStart");
        QTest::addColumn<double>("dExpected");
        const double dMin = 1.0 / 1024;
        for (const char* pszSource : {"command", "key", "wheel"}) {
            QTest::addRow("%s in from 8", pszSource) << QString("%1 in").arg(pszSource) << 8.0 << 16.0;
            QTest::addRow("%s in refused at 16", pszSource) << QString("%1 in").arg(pszSource) << 16.0 << 16.0;
        }
        for (const char* pszSource : {"command", "key", "wheel", "right button"}) {
            QTest::addRow("%s out from 1/512", pszSource) << QString("%1 out").arg(pszSource) << 2 * dMin << dMin;
            QTest::addRow("%s out refused at 1/1024", pszSource) << QString("%1 out").arg(pszSource) << dMin << dMin;
        }
    }

    void zoomLimits()
    {
        QFETCH(QString, strSource);
        QFETCH(double, dStart);
        QFETCH(double, dExpected);
        CLumivoView* pView = Show(MakeTrueColour(64, 48));
        pView->m_dZoom = dStart;
        pView->GetDocument()->UpdateAllViews(nullptr, 0);
        pView->setFocus();
        MainWnd()->UpdateCommandUI();

        const std::map<QString, std::function<void()>> sources = {
            {"command in", [] { MainWnd()->ExecuteCommand(ID_IMAGE_ZOOM_IN); }},
            {"command out", [] { MainWnd()->ExecuteCommand(ID_IMAGE_ZOOM_OUT); }},
            {"key in", [pView] { QTest::keyClick(pView, Qt::Key_Plus); }},
            {"key out", [pView] { QTest::keyClick(pView, Qt::Key_Minus); }},
            {"wheel in", [pView] { TurnWheel(pView, 120); }},
            {"wheel out", [pView] { TurnWheel(pView, -120); }},
            {"right button out", [pView] { QTest::mouseClick(pView->viewport(), Qt::RightButton, {}, QPoint(5, 5)); }},
        };
        sources.at(strSource)();
        QCOMPARE(pView->m_dZoom, dExpected);
        // The scroll area follows the zoom.
        QCOMPARE(pView->GetTotalSize(), QSize(int(64 * dExpected), int(48 * dExpected)));
    }

    void zoomOutTenTimesReachesTheLimit()
    {
        CLumivoView* pView = Show(MakeTrueColour(64, 48));
        for (int i = 0; i < 10; ++i) {
            QVERIFY(MainWnd()->QueryCommand(ID_IMAGE_ZOOM_OUT).m_bEnabled);
            QVERIFY(MainWnd()->ExecuteCommand(ID_IMAGE_ZOOM_OUT));
        }
        QCOMPARE(pView->m_dZoom, 1.0 / 1024);
        QVERIFY(!MainWnd()->QueryCommand(ID_IMAGE_ZOOM_OUT).m_bEnabled);
        QVERIFY(MainWnd()->QueryCommand(ID_IMAGE_ZOOM_IN).m_bEnabled);
    }

    void secondWindowStartsAtZoomOne()
    {
        CLumivoView* pFirst = Show(MakeTrueColour(64, 48));
        MainWnd()->ExecuteCommand(ID_IMAGE_ZOOM_IN);
        MainWnd()->ExecuteCommand(ID_IMAGE_ZOOM_IN);
        QVERIFY(MainWnd()->ExecuteCommand(ID_WINDOW_NEW));
        QCoreApplication::processEvents();
        const auto& views = pFirst->GetDocument()->GetViews();
        QCOMPARE(views.size(), size_t(2));
        auto* pSecond = static_cast<CLumivoView*>(views.back());
        QCOMPARE(pFirst->m_dZoom, 4.0);
        QCOMPARE(pSecond->m_dZoom, 1.0);
        QCOMPARE(pSecond->GetTotalSize(), QSize(64, 48));
        QCOMPARE(pFirst->GetTotalSize(), QSize(256, 192));
    }

    // --- frame fitting -----------------------------------------------------------------------------

    void newImageFitsTheFrame()
    {
        // Small: the client area becomes the picture, no scroll bars.
        CLumivoView* pSmall = Show(MakeTrueColour(120, 90));
        QCOMPARE(pSmall->viewport()->size(), QSize(120, 90));
        QVERIFY(!pSmall->horizontalScrollBar()->isVisible() && !pSmall->verticalScrollBar()->isVisible());

        // Too large: the frame stops 12 pixels short of the main window's far edges and, caption and
        // borders included, inside the visible MDI area; the view scrolls.
        CLumivoView* pLarge = Show(MakeTrueColour(4000, 3000));
        QMdiSubWindow* pFrame = pLarge->GetParentFrame();
        const QPoint ptFrame = pFrame->mapToGlobal(QPoint(0, 0));
        const QRect rcMain = MainWnd()->frameGeometry();
        const QWidget* pArea = pFrame->mdiArea()->viewport();
        const QRect rcArea(pArea->mapToGlobal(QPoint(0, 0)), pArea->size());
        QVERIFY(rcArea.contains(QRect(ptFrame, pFrame->size())));
        const QSize sizeInner = pLarge->contentsRect().size(); // client area with its scroll bars
        QVERIFY(sizeInner.width() <= rcMain.left() + MainWnd()->width() - ptFrame.x() - 12);
        QVERIFY(sizeInner.height() <= rcMain.top() + MainWnd()->height() - ptFrame.y() - 12);
        QVERIFY(pFrame->geometry().bottom() >= pArea->height() - 16); // as much as the area allows
        QVERIFY(pLarge->horizontalScrollBar()->isVisible() && pLarge->verticalScrollBar()->isVisible());
    }

    void fitsBeforeTheMainWindowShows()
    {
        // At start-up a file opens before the main window is shown and before its frame was laid out.
        MainWnd()->hide();
        CLumivoView* pView = Show(MakeTrueColour(150, 110));
        MainWnd()->show();
        QVERIFY(QTest::qWaitForWindowExposed(MainWnd()));
        QCOMPARE(pView->viewport()->size(), QSize(150, 110));
    }

    void maximisedFrameKeepsItsSize()
    {
        CLumivoView* pView = Show(MakeTrueColour(120, 90));
        QMdiSubWindow* pFrame = pView->GetParentFrame();
        pFrame->showMaximized();
        QCoreApplication::processEvents();
        const QSize size = pFrame->size();
        pView->GetDocument()->UpdateAllViews(nullptr, CLumivoDoc::HINT_NEW_IMAGE);
        MainWnd()->ExecuteCommand(ID_IMAGE_ZOOM_OUT);
        QCOMPARE(pFrame->size(), size);
        QVERIFY(pFrame->isMaximized());
    }

    void zoomResizesTheFrame()
    {
        CLumivoView* pView = Show(MakeTrueColour(400, 300));
        QMdiSubWindow* pFrame = pView->GetParentFrame();
        QCOMPARE(pView->viewport()->size(), QSize(400, 300));

        // Zoom in by command keeps the frame; the view scrolls.
        const QSize sizeFrame = pFrame->size();
        MainWnd()->ExecuteCommand(ID_IMAGE_ZOOM_IN);
        QCOMPARE(pFrame->size(), sizeFrame);

        // Zoom out shrinks it to the picture plus a 2-pixel margin on each side.
        MainWnd()->ExecuteCommand(ID_IMAGE_ZOOM_OUT);
        MainWnd()->ExecuteCommand(ID_IMAGE_ZOOM_OUT);
        QCoreApplication::processEvents();
        QCOMPARE(pView->viewport()->size(), QSize(204, 154));

        // The right button only zooms.
        const QSize sizeBefore = pFrame->size();
        QTest::mouseClick(pView->viewport(), Qt::RightButton, {}, QPoint(5, 5));
        QCOMPARE(pView->m_dZoom, 0.25);
        QCOMPARE(pFrame->size(), sizeBefore);

        // The wheel grows the frame with the picture, past the MDI area, which then scrolls.
        for (int i = 0; i < 4; ++i)
            TurnWheel(pView, 120);
        QCOMPARE(pView->m_dZoom, 4.0);
        QCoreApplication::processEvents();
        QCOMPARE(pView->viewport()->size(), QSize(1604, 1204));
        QMdiArea* pMdi = pFrame->mdiArea();
        QVERIFY(pMdi->horizontalScrollBar()->isVisible());
        QVERIFY(pMdi->verticalScrollBar()->isVisible());
    }

    // --- drawing -----------------------------------------------------------------------------------

    void smallImageIsCentred()
    {
        CLumivoView* pView = Show(MakeSolid(100, 100, qRgb(200, 30, 40)));
        SetClientSize(pView, QSize(300, 200));
        QCOMPARE(pView->viewport()->size(), QSize(300, 200));
        Paint(pView);
        QCOMPARE(QPoint(pView->m_nOffsetX, pView->m_nOffsetY), QPoint(100, 50));
        const QImage shot = Grab(pView);
        QCOMPARE(shot.pixel(100, 50), qRgb(200, 30, 40));
        QCOMPARE(shot.pixel(199, 149), qRgb(200, 30, 40));
        for (QPoint pt : {QPoint(99, 50), QPoint(100, 49), QPoint(200, 149), QPoint(199, 150)})
            QVERIFY2(shot.pixel(pt) != qRgb(200, 30, 40), qPrintable(QString("%1,%2").arg(pt.x()).arg(pt.y())));

        // Larger than the window: at the origin.
        pView->m_dZoom = 4;
        pView->GetDocument()->UpdateAllViews(nullptr, 0);
        Paint(pView);
        QCOMPARE(QPoint(pView->m_nOffsetX, pView->m_nOffsetY), QPoint(0, 0));
    }

    void drawsEveryDepthNearestNeighbour_data()
    {
        QTest::addColumn<int>("nBpp");
        QTest::addColumn<bool>("b565");
        QTest::addColumn<double>("dZoom");
        QTest::addColumn<QPoint>("ptScroll");
        struct SDepth {
            const char* pszName;
            int nBpp;
            bool b565;
        };
        for (const SDepth& d : {SDepth{"1-bit", 1, false}, SDepth{"4-bit", 4, false}, SDepth{"8-bit", 8, false},
                                SDepth{"16-bit 555", 16, false}, SDepth{"16-bit 565", 16, true},
                                SDepth{"24-bit", 24, false}, SDepth{"32-bit", 32, false}}) {
            QTest::addRow("%s at 1", d.pszName) << d.nBpp << d.b565 << 1.0 << QPoint(0, 0);
            QTest::addRow("%s at 1/2", d.pszName) << d.nBpp << d.b565 << 0.5 << QPoint(0, 0);
            QTest::addRow("%s at 4, scrolled", d.pszName) << d.nBpp << d.b565 << 4.0 << QPoint(37, 21);
        }
    }

    void drawsEveryDepthNearestNeighbour()
    {
        QFETCH(int, nBpp);
        QFETCH(bool, b565);
        QFETCH(double, dZoom);
        QFETCH(QPoint, ptScroll);
        // Odd sizes, so that halving truncates.
        CheckDrawing(MakeVaried(151, 97, nBpp, b565), dZoom, ptScroll);
    }

    void drawsFarZoomedOut_data()
    {
        QTest::addColumn<int>("nBpp");
        QTest::addColumn<bool>("b565");
        QTest::addColumn<double>("dZoom");
        for (double dZoom : {1.0 / 8, 1.0 / 16, 1.0 / 64}) {
            QTest::addRow("16-bit 565 at 1/%d", int(1 / dZoom)) << 16 << true << dZoom;
            QTest::addRow("24-bit at 1/%d", int(1 / dZoom)) << 24 << false << dZoom;
            QTest::addRow("32-bit at 1/%d", int(1 / dZoom)) << 32 << false << dZoom;
        }
    }

    void drawsFarZoomedOut()
    {
        // Drawn from a copy sampled once at the zoomed size, and still the same pixels.
        QFETCH(int, nBpp);
        QFETCH(bool, b565);
        QFETCH(double, dZoom);
        CheckDrawing(MakeVaried(1603, 967, nBpp, b565), dZoom, QPoint(0, 0));
    }

    void farZoomFollowsTheDocumentsPixels()
    {
        CLumivoView* pView = Show(MakeSolid(1600, 960, qRgb(255, 0, 0)));
        CLumivoDoc* pDoc = pView->GetDocument();
        pView->m_dZoom = 1.0 / 16;
        pDoc->UpdateAllViews(nullptr, 0);
        const auto centre = [pView] {
            Paint(pView);
            return Grab(pView).pixel(QPoint(pView->m_nOffsetX + 50, pView->m_nOffsetY + 30) -
                                     pView->GetScrollPosition());
        };
        QCOMPARE(centre(), qRgb(255, 0, 0));

        // Another bitmap in the same document, as the next file brings.
        pDoc->ReplaceImage(CBitmapPtr(MakeSolid(1600, 960, qRgb(0, 255, 0))), 0.0, 0);
        QCOMPARE(centre(), qRgb(0, 255, 0));

        // The same bitmap changed in place, announced as a new image.
        for (int y = 0; y < pDoc->m_nHeight; ++y) {
            BYTE* pLine = FreeImage_GetScanLine(pDoc->m_pBitmap, y);
            for (int x = 0; x < pDoc->m_nWidth; ++x)
                pLine[3 * x] = 255, pLine[3 * x + 1] = 0, pLine[3 * x + 2] = 0;
        }
        pDoc->UpdateAllViews(nullptr, CLumivoDoc::HINT_NEW_IMAGE);
        QCOMPARE(centre(), qRgb(0, 0, 255));
    }

    void hatchBackground()
    {
        // An empty document: only the hatch, grey lines on white.
        CLumivoDoc* pEmpty = static_cast<CLumivoDoc*>(m_pApp->OpenDocumentFile(QString()));
        auto* pView = static_cast<CLumivoView*>(pEmpty->GetViews().front());
        SetClientSize(pView, QSize(64, 48));
        const QImage shot = Grab(pView);
        QSet<QRgb> colours;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                colours.insert(shot.pixel(x, y));
        QCOMPARE(colours, (QSet<QRgb>{qRgb(191, 191, 191), qRgb(255, 255, 255)}));
        // A diagonal cross repeating every 8 pixels both ways.
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 56; ++x)
                QCOMPARE(shot.pixel(x, y), shot.pixel(x + 8, y + 8));
        QVERIFY(shot.pixel(0, 0) != shot.pixel(1, 0));
    }

    void hatchMovesWithThePicture()
    {
        // Narrow and tall: hatch beside the picture, which scrolls vertically.
        CLumivoView* pView = Show(MakeTrueColour(40, 1000));
        SetClientSize(pView, QSize(200, 150));
        const QImage before = Grab(pView);
        pView->ScrollToPosition(QPoint(0, 3));
        const QImage after = Grab(pView);
        for (int y = 0; y < 140; ++y)
            for (int x = 0; x < 40; ++x)
                QCOMPARE(after.pixel(x, y), before.pixel(x, y + 3));
    }

    // --- pixel readout -----------------------------------------------------------------------------

    void readout_data()
    {
        QTest::addColumn<double>("dZoom");
        QTest::addColumn<QPoint>("ptScroll");
        QTest::addColumn<QPoint>("ptClient");
        QTest::addColumn<QPoint>("ptImage");
        QTest::newRow("zoom 2") << 2.0 << QPoint(0, 0) << QPoint(10, 10) << QPoint(5, 5);
        QTest::newRow("zoom 1/2") << 0.5 << QPoint(0, 0) << QPoint(10, 10) << QPoint(20, 20);
        QTest::newRow("zoom 2, scrolled") << 2.0 << QPoint(30, 40) << QPoint(10, 10) << QPoint(20, 25);
        QTest::newRow("zoom 1/2, scrolled") << 0.5 << QPoint(30, 40) << QPoint(11, 1) << QPoint(82, 82);
        QTest::newRow("zoom 1, last pixel") << 1.0 << QPoint(1000, 850) << QPoint(199, 149) << QPoint(1199, 999);
    }

    void readout()
    {
        QFETCH(double, dZoom);
        QFETCH(QPoint, ptScroll);
        QFETCH(QPoint, ptClient);
        QFETCH(QPoint, ptImage);
        CLumivoView* pView = Show(MakeTrueColour(1200, 1000));
        SetClientSize(pView, QSize(200, 150));
        pView->m_dZoom = dZoom;
        pView->GetDocument()->UpdateAllViews(nullptr, 0);
        pView->ScrollToPosition(ptScroll);
        Paint(pView);
        QCOMPARE(pView->ViewToImage(ptClient), ptImage);
        MoveMouse(pView, ptClient);
        const QRgb c = FixtureColour(ptImage.x(), ptImage.y());
        QCOMPARE(MainWnd()->GetPaneText(ID_SEPARATOR), QString::asprintf("[%d,%d] [-1] [RGB=%d:%d:%d]", ptImage.x(),
                                                                         ptImage.y(), qRed(c), qGreen(c), qBlue(c)));
    }

    void readoutOffTheImageIsBlank()
    {
        CLumivoView* pView = Show(MakeTrueColour(100, 100));
        SetClientSize(pView, QSize(300, 200));
        Paint(pView);
        MoveMouse(pView, QPoint(150, 100));
        QVERIFY(MainWnd()->GetPaneText(ID_SEPARATOR).startsWith("[50,50]"));
        MoveMouse(pView, QPoint(99, 100));
        QCOMPARE(MainWnd()->GetPaneText(ID_SEPARATOR), QStringLiteral(" "));
        MoveMouse(pView, QPoint(150, 150));
        QCOMPARE(MainWnd()->GetPaneText(ID_SEPARATOR), QStringLiteral(" "));
    }

    void readoutOfEveryDepth_data()
    {
        QTest::addColumn<int>("nBpp");
        QTest::addColumn<bool>("b565");
        QTest::addColumn<unsigned>("nValue");
        QTest::addColumn<QString>("strExpected");
        const auto text = [](int nIndex, QRgb c) {
            return QString::asprintf("[2,1] [%d] [RGB=%d:%d:%d]", nIndex, qRed(c), qGreen(c), qBlue(c));
        };
        QTest::newRow("1-bit") << 1 << false << 1u << text(1, FixtureColour(1, 1));
        QTest::newRow("4-bit") << 4 << false << 9u << text(9, FixtureColour(9, 9));
        QTest::newRow("8-bit") << 8 << false << 200u << text(200, FixtureColour(200, 200));
        QTest::newRow("16-bit 555") << 16 << false << 0x7FFFu << text(-1, 0);
        QTest::newRow("16-bit 565") << 16 << true << 0xF81Fu << text(-1, 0);
        QTest::newRow("24-bit") << 24 << false << unsigned(qRgb(10, 20, 30)) << text(-1, qRgb(10, 20, 30));
        QTest::newRow("32-bit") << 32 << false << unsigned(qRgb(250, 128, 3)) << text(-1, qRgb(250, 128, 3));
    }

    void readoutOfEveryDepth()
    {
        QFETCH(int, nBpp);
        QFETCH(bool, b565);
        QFETCH(unsigned, nValue);
        QFETCH(QString, strExpected);
        // Only pixel (2, 1) holds the value; its neighbours hold 0.
        FIBITMAP* pBitmap = MakeBitmap(
            5, 4, nBpp, [nValue](int x, int y) { return x == 2 && y == 1 ? nValue : 0u; }, b565);
        CLumivoView* pView = Show(pBitmap);
        pView->m_dZoom = 8;
        pView->GetDocument()->UpdateAllViews(nullptr, 0);
        Paint(pView);
        const QPoint ptClient =
            QPoint(pView->m_nOffsetX, pView->m_nOffsetY) - pView->GetScrollPosition() + QPoint(2 * 8 + 3, 8 + 7);
        MoveMouse(pView, ptClient);
        QCOMPARE(MainWnd()->GetPaneText(ID_SEPARATOR), strExpected);
    }

    // --- status on focus ---------------------------------------------------------------------------

    void focusShowsTheDocumentsStatus()
    {
        CLumivoView* pFirst = Show(MakeTrueColour(120, 90), "first", 0.123);
        CLumivoView* pSecond = Show(MakeBitmap(64, 32, 8, [](int, int) { return 0u; }), "second", 2.5);
        QCOMPARE(MainWnd()->GetPaneText(ID_INDICATOR_IMAGE), QStringLiteral("[64x32x8]"));
        QCOMPARE(MainWnd()->GetPaneText(ID_INDICATOR_TIME), QStringLiteral("Time : 2.500"));
        pFirst->GetParentFrame()->mdiArea()->setActiveSubWindow(pFirst->GetParentFrame());
        QTRY_COMPARE(MainWnd()->GetPaneText(ID_INDICATOR_IMAGE), QStringLiteral("[120x90x24]"));
        QCOMPARE(MainWnd()->GetPaneText(ID_INDICATOR_TIME), QStringLiteral("Time : 0.123"));
        // A left click also opens the crop menu, which is closed as soon as it shows.
        QTimer closer;
        connect(&closer, &QTimer::timeout, [] {
            if (QWidget* pMenu = QApplication::activePopupWidget())
                pMenu->close();
        });
        closer.start(10);
        QTest::mouseClick(pSecond->viewport(), Qt::LeftButton, {}, QPoint(3, 3));
        closer.stop();
        pSecond->setFocus(Qt::MouseFocusReason);
        QTRY_COMPARE(MainWnd()->GetPaneText(ID_INDICATOR_IMAGE), QStringLiteral("[64x32x8]"));
    }

    // --- printing ----------------------------------------------------------------------------------

    void printScalesAndCentresOnThePage_data()
    {
        QTest::addColumn<QSize>("sizeImage");
        QTest::newRow("tall: page height, centred across") << QSize(60, 150);
        QTest::newRow("wide: page width, centred down") << QSize(150, 60);
    }

    void printScalesAndCentresOnThePage()
    {
        QFETCH(QSize, sizeImage);
        QTemporaryDir dir;
        const QString strPdf = dir.filePath("page.pdf");
        QPrinter& printer = m_pApp->GetPrinter();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(strPdf);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setPageOrientation(QPageLayout::Portrait);
        Show(MakeSolid(sizeImage.width(), sizeImage.height(), qRgb(0, 0, 255)));
        QVERIFY(MainWnd()->ExecuteCommand(ID_FILE_PRINT_DIRECT));
        QVERIFY(QFileInfo(strPdf).size() > 0);

        // Render the page at 36 dpi (half a point per pixel) and find the blue picture on it.
        const int nDpi = 36;
        if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty())
            QSKIP("pdftoppm is not installed: the printed page cannot be read back");
        QCOMPARE(QProcess::execute("pdftoppm",
                                   {"-r", QString::number(nDpi), "-png", "-singlefile", strPdf, dir.filePath("page")}),
                 0);
        const QImage page(dir.filePath("page.png"));
        QVERIFY(!page.isNull());
        QRect rcBlue;
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x)
                if (const QRgb c = page.pixel(x, y); qBlue(c) > 200 && qRed(c) < 60 && qGreen(c) < 60)
                    rcBlue |= QRect(x, y, 1, 1);
        QVERIFY(!rcBlue.isEmpty());

        // Where it belongs: the printable area in points, scaled and centred as the view computes it.
        const QRectF rcPage = printer.pageLayout().paintRectPoints();
        const double dScale = sizeImage.width() > sizeImage.height() ? rcPage.width() / sizeImage.width()
                                                                     : rcPage.height() / sizeImage.height();
        const QSizeF sizePrinted = QSizeF(sizeImage) * dScale;
        const QRectF rcExpected(rcPage.left() + (rcPage.width() - sizePrinted.width()) / 2,
                                rcPage.top() + (rcPage.height() - sizePrinted.height()) / 2, sizePrinted.width(),
                                sizePrinted.height());
        const double dPixels = nDpi / 72.0;
        const QRect rcWanted(
            QPoint(qRound(rcExpected.left() * dPixels), qRound(rcExpected.top() * dPixels)),
            QPoint(qRound(rcExpected.right() * dPixels) - 1, qRound(rcExpected.bottom() * dPixels) - 1));
        const auto near = [](int a, int b) { return std::abs(a - b) <= 2; };
        QVERIFY2(near(rcBlue.left(), rcWanted.left()) && near(rcBlue.top(), rcWanted.top()) &&
                     near(rcBlue.right(), rcWanted.right()) && near(rcBlue.bottom(), rcWanted.bottom()),
                 qPrintable(QString("picture at %1,%2 %3x%4, expected %5,%6 %7x%8")
                                .arg(rcBlue.x())
                                .arg(rcBlue.y())
                                .arg(rcBlue.width())
                                .arg(rcBlue.height())
                                .arg(rcWanted.x())
                                .arg(rcWanted.y())
                                .arg(rcWanted.width())
                                .arg(rcWanted.height())));
    }

    void printPreviewShowsThePage()
    {
        Show(MakeSolid(40, 30, qRgb(0, 0, 255)));
        int nPages = -1;
        bool bBlue = false;
        DriveNextModal([&](QWidget* pModal) {
            auto* pPreview = pModal->findChild<QPrintPreviewWidget*>();
            if (pPreview) {
                pPreview->updatePreview();
                nPages = pPreview->pageCount();
                const QImage shot = pPreview->grab().toImage();
                for (int y = 0; y < shot.height() && !bBlue; ++y)
                    for (int x = 0; x < shot.width() && !bBlue; ++x)
                        bBlue = shot.pixel(x, y) == qRgb(0, 0, 255);
            }
            static_cast<QDialog*>(pModal)->reject();
        });
        QVERIFY(MainWnd()->ExecuteCommand(ID_FILE_PRINT_PREVIEW));
        QCOMPARE(nPages, 1);
        QVERIFY(bBlue);
    }
};

QTEST_MAIN(CTestView)
#include "tst_view.moc"
