// The colour picker: geometry, typed and spun values, clicks and drags on both pictures, the
// exclusive-or drawing.
#include "image/ColorSpace.h"
#include "res/CommandIds.h"
#include "support/TestSupport.h"
#include "tools/ColorPickerDlg.h"
#include "tools/SpinButtonCtrl.h"

#include <QLineEdit>
#include <QPainter>
#include <QtTest>
#include <memory>

namespace {

constexpr unsigned int kStartColor = 10 | 20 << 8 | 30 << 16; // RGB(10, 20, 30)

QString Field(const CColorPickerDlg& dlg, const char* pszName)
{
    return dlg.findChild<QLineEdit*>(QString::fromLatin1(pszName))->text();
}

} // namespace

class CTestColorPicker : public QObject {
    Q_OBJECT
private:
    CAppFixture m_app;
    std::unique_ptr<CColorPickerDlg> m_pDlg;
    QSet<QWidget*> m_windowsBefore;

    CColorPickerDlg& ShownPicker()
    {
        m_pDlg = std::make_unique<CColorPickerDlg>(kStartColor);
        m_pDlg->show();
        [[maybe_unused]] const bool bExposed = QTest::qWaitForWindowExposed(m_pDlg.get());
        return *m_pDlg;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_app.Start());
        m_windowsBefore = TopLevelWidgets();
    }
    void cleanup()
    {
        m_pDlg.reset();
        QCOMPARE(TopLevelWidgets(), m_windowsBefore);
    }
    void cleanupTestCase() { m_app.Stop(); }

    void startsFromTheColourAndItsGeometry()
    {
        CColorPickerDlg dlg(kStartColor);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Color Picker"));
        QCOMPARE((QList<int>{dlg.m_nHue, dlg.m_nSaturation, dlg.m_nBrightness}), (QList<int>{210, 170, 30}));
        QCOMPARE(Field(dlg, "edit1010"), QStringLiteral("210"));
        QCOMPARE(Field(dlg, "edit1002"), QStringLiteral("10"));
        QCOMPARE(dlg.m_axes[0].nLength, 99);
        QCOMPARE(dlg.m_axes[1].nLength, 88);
        QCOMPARE(dlg.m_axes[2].nLength, 88);
        QCOMPARE(dlg.m_ptWheelCentre, dlg.m_rcHsb.topLeft() + QPoint(100, 100));
        QCOMPARE(dlg.m_ptOrigin, dlg.m_rcRgb.topLeft() + QPoint(102, 108));
        QCOMPARE(dlg.m_rcBar,
                 QRect(dlg.m_rcHsb.x() + dlg.m_imgHsb.width() + 20, dlg.m_rcHsb.y(), 20, dlg.m_imgHsb.height()));
        QVERIFY(dlg.m_imgHsb.height() <= 256);
        // Both pictures lie inside their areas.
        QVERIFY(dlg.m_rcHsb.contains(QRect(dlg.m_rcHsb.topLeft(), dlg.m_imgHsb.size())));
        QVERIFY(dlg.m_rcRgb.contains(QRect(dlg.m_rcRgb.topLeft(), dlg.m_imgRgb.size())));
        // The wheel's rim is fully saturated: hue 0 to the right, 90 at the top.
        const QImage wheel = dlg.m_imgHsb;
        QCOMPARE(wheel.pixelColor(200, 100), QColor(255, 0, 0));
        QCOMPARE(wheel.pixelColor(100, 0), QColor(127, 255, 0));
    }

    void typedValuesAreLimited_data()
    {
        QTest::addColumn<QString>("strEdit");
        QTest::addColumn<QString>("strTyped");
        QTest::addColumn<int>("nStored");
        QTest::newRow("red 300") << "edit1002"
                                 << "300" << 255;
        QTest::newRow("hue 400") << "edit1010"
                                 << "400" << 359;
        QTest::newRow("saturation -5") << "edit1012"
                                       << "-5" << 0;
        QTest::newRow("blue not a number") << "edit1006"
                                           << "x1" << 0;
        QTest::newRow("green in range") << "edit1004"
                                        << "77" << 77;
    }
    void typedValuesAreLimited()
    {
        QFETCH(QString, strEdit);
        QFETCH(QString, strTyped);
        QFETCH(int, nStored);
        CColorPickerDlg dlg(kStartColor);
        FillField(&dlg, strEdit, strTyped);
        const int nId = strEdit.mid(4).toInt();
        const int* pnValue = nId == 1002   ? &dlg.m_nRed
                             : nId == 1004 ? &dlg.m_nGreen
                             : nId == 1006 ? &dlg.m_nBlue
                             : nId == 1010 ? &dlg.m_nHue
                                           : &dlg.m_nSaturation;
        QCOMPARE(*pnValue, nStored);
        QCOMPARE(Field(dlg, qPrintable(strEdit)), QString::number(nStored));
        // The other representation follows.
        int r, g, b;
        HSBToRGB(dlg.m_nHue, dlg.m_nSaturation, dlg.m_nBrightness, r, g, b);
        if (nId >= 1010)
            QCOMPARE((QList<int>{dlg.m_nRed, dlg.m_nGreen, dlg.m_nBlue}), (QList<int>{r, g, b}));
        QCOMPARE(Field(dlg, "edit1002"), QString::number(dlg.m_nRed));
        QCOMPARE(Field(dlg, "edit1014"), QString::number(dlg.m_nBrightness));
    }

    void spinningTheHueTo360Stores359()
    {
        CColorPickerDlg dlg(kStartColor);
        FillField(&dlg, "edit1010", "359");
        dlg.findChild<CSpinButtonCtrl*>("spin1011")->Step(1);
        QCOMPARE(dlg.m_nHue, 359);
        QCOMPARE(Field(dlg, "edit1010"), QStringLiteral("359"));
    }

    void clicksOnTheHsbPicture_data()
    {
        QTest::addColumn<QPoint>("ptOffset"); // from the wheel centre
        QTest::addColumn<int>("nHue");
        QTest::addColumn<int>("nSaturation");
        QTest::addColumn<int>("nBrightness");
        QTest::newRow("centre") << QPoint(0, 0) << 0 << 0 << 30;
        QTest::newRow("rim right") << QPoint(100, 0) << 0 << 255 << 30;
        QTest::newRow("rim top") << QPoint(0, -100) << 90 << 255 << 30;
        QTest::newRow("half way down") << QPoint(0, 50) << 270 << 127 << 30;
        QTest::newRow("just outside the wheel") << QPoint(-80, 70) << 210 << 170 << 30;
    }
    void clicksOnTheHsbPicture()
    {
        QFETCH(QPoint, ptOffset);
        QFETCH(int, nHue);
        QFETCH(int, nSaturation);
        QFETCH(int, nBrightness);
        CColorPickerDlg& dlg = ShownPicker();
        QTest::mouseClick(&dlg, Qt::LeftButton, {}, dlg.m_ptWheelCentre + ptOffset);
        QCOMPARE((QList<int>{dlg.m_nHue, dlg.m_nSaturation, dlg.m_nBrightness}),
                 (QList<int>{nHue, nSaturation, nBrightness}));
        int r, g, b;
        HSBToRGB(nHue, nSaturation, nBrightness, r, g, b);
        QCOMPARE((QList<int>{dlg.m_nRed, dlg.m_nGreen, dlg.m_nBlue}), (QList<int>{r, g, b}));
    }

    void barClicksSetTheBrightness()
    {
        CColorPickerDlg& dlg = ShownPicker();
        const QRect rcBar = dlg.m_rcBar;
        QTest::mousePress(&dlg, Qt::LeftButton, {}, QPoint(rcBar.center().x(), rcBar.y()));
        QCOMPARE(dlg.m_nBrightness, 255);
        // Dragged below the bar: limited to 0.
        QTest::mouseMove(&dlg, QPoint(rcBar.center().x(), rcBar.bottom() + 40));
        QCOMPARE(dlg.m_nBrightness, 0);
        QTest::mouseRelease(&dlg, Qt::LeftButton, {}, QPoint(rcBar.center().x(), rcBar.bottom() + 40));
        QCOMPARE(dlg.m_nHue, 210);
        QCOMPARE(dlg.m_nSaturation, 170);
        QCOMPARE(Field(dlg, "edit1014"), QStringLiteral("0"));
    }

    void handleDrags()
    {
        CColorPickerDlg& dlg = ShownPicker();
        // Red: beyond the end of its axis stays 255; below the origin gives 0.
        QTest::mousePress(&dlg, Qt::LeftButton, {}, dlg.m_ptHandles[0]);
        QTest::mouseMove(&dlg, dlg.m_ptOrigin - QPoint(0, 150));
        QCOMPARE(dlg.m_nRed, 255);
        QCOMPARE(dlg.m_ptHandles[0], dlg.m_axes[0].ptEnd);
        QTest::mouseMove(&dlg, dlg.m_ptOrigin + QPoint(3, 20));
        QCOMPARE(dlg.m_nRed, 0);
        QTest::mouseRelease(&dlg, Qt::LeftButton, {}, dlg.m_ptOrigin + QPoint(3, 20));
        // After the release moves change nothing.
        QTest::mouseMove(&dlg, dlg.m_ptOrigin - QPoint(0, 150));
        QCOMPARE(dlg.m_nRed, 0);
        // Blue: dragged far right is 255, and hue, saturation, brightness follow.
        QTest::mousePress(&dlg, Qt::LeftButton, {}, dlg.m_ptHandles[2]);
        QTest::mouseMove(&dlg, dlg.m_ptOrigin + QPoint(300, 0));
        QTest::mouseRelease(&dlg, Qt::LeftButton, {}, dlg.m_ptOrigin + QPoint(300, 0));
        QCOMPARE(dlg.m_nBlue, 255);
        int h, s, v;
        RGBToHSB(0, 20, 255, h, s, v);
        QCOMPARE((QList<int>{dlg.m_nHue, dlg.m_nSaturation, dlg.m_nBrightness}), (QList<int>{h, s, v}));
        QCOMPARE(Field(dlg, "edit1006"), QStringLiteral("255"));
        // A press beside the handles starts nothing.
        QTest::mousePress(&dlg, Qt::LeftButton, {}, dlg.m_rcRgb.topLeft() + QPoint(2, 2));
        QTest::mouseMove(&dlg, dlg.m_ptOrigin);
        QTest::mouseRelease(&dlg, Qt::LeftButton, {}, dlg.m_ptOrigin);
        QCOMPARE(dlg.m_nBlue, 255);
    }

    // Markers, handles and edges are drawn in exclusive-or: after drags and edits that come back to
    // the first colour the canvas is exactly as it was painted at first.
    void exclusiveOrDrawingLeavesNoTrace()
    {
        CColorPickerDlg& dlg = ShownPicker();
        dlg.repaint();
        const QImage before = dlg.m_canvas.copy();
        QTest::mousePress(&dlg, Qt::LeftButton, {}, dlg.m_ptWheelCentre + QPoint(40, -30));
        QTest::mouseMove(&dlg, dlg.m_ptWheelCentre + QPoint(-60, 10));
        QTest::mouseRelease(&dlg, Qt::LeftButton, {}, dlg.m_ptWheelCentre + QPoint(-60, 10));
        dlg.repaint();
        QTest::mousePress(&dlg, Qt::LeftButton, {}, dlg.m_rcBar.center());
        QTest::mouseRelease(&dlg, Qt::LeftButton, {}, dlg.m_rcBar.center());
        QTest::mousePress(&dlg, Qt::LeftButton, {}, dlg.m_ptHandles[1]);
        QTest::mouseMove(&dlg, dlg.m_ptOrigin - QPoint(60, 0));
        QTest::mouseRelease(&dlg, Qt::LeftButton, {}, dlg.m_ptOrigin - QPoint(60, 0));
        QVERIFY(dlg.m_canvas != before);
        FillField(&dlg, "edit1002", "10");
        FillField(&dlg, "edit1004", "20");
        FillField(&dlg, "edit1006", "30");
        dlg.repaint();
        QCOMPARE((QList<int>{dlg.m_nHue, dlg.m_nSaturation, dlg.m_nBrightness}), (QList<int>{210, 170, 30}));
        QCOMPARE(dlg.m_canvas, before);
    }

    // The bar bitmap: whole bytes for every row, rows counted from the top, drawn through its palette.
    void dibRowsAndPalette()
    {
        CDIB dib;
        QVERIFY(dib.Create(3, 2, 1));
        QCOMPARE(dib.m_nBytesPerRow, 4); // 3 one-bit pixels still need a byte, then a multiple of 4
        QCOMPARE(dib.Row(0), dib.m_pBits + 4); // the top row is stored last
        QVERIFY(dib.Create(20, 3, 8));
        QCOMPARE(dib.m_nBytesPerRow, 20);
        QCOMPARE(dib.m_pInfoHeader->biSize, DWORD(40));
        QCOMPARE(reinterpret_cast<BYTE*>(dib.m_pColorTable), reinterpret_cast<BYTE*>(dib.m_pInfoHeader) + 40);
        for (int i = 0; i < 3; ++i)
            std::fill_n(dib.Row(i), 20, BYTE(i));
        const BYTE palette[3 * 256] = {255, 0, 0, 0, 255, 0, 0, 0, 255};
        dib.SetPalette(palette);
        QImage image(24, 4, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            dib.Draw(painter, 2, 0, 20, 2, 0, 1); // the lower two rows at the top of the image
        }
        QCOMPARE(image.pixelColor(2, 0), QColor(0, 255, 0));
        QCOMPARE(image.pixelColor(21, 1), QColor(0, 0, 255));
        QCOMPARE(image.pixelColor(1, 0), QColor(Qt::white));
        QCOMPARE(image.pixelColor(2, 2), QColor(Qt::white));
        // Sizes a header must not claim.
        QVERIFY(!dib.Create(0, 10, 8));
        QVERIFY(!dib.Create(10, -10, 8));
        QVERIFY(!dib.Create(10, 10, 7));
        QVERIFY(!dib.Create(1 << 30, 1 << 30, 32));
        QVERIFY(!dib.m_pBlock);
    }
};

QTEST_MAIN(CTestColorPicker)
#include "tst_colorpicker.moc"
