// The colour picker's conversions between RGB and hue, saturation, brightness.
#include "image/ColorSpace.h"

#include <QtTest>

class CTestColorSpace : public QObject {
    Q_OBJECT
private slots:
    void rgbToHsb_data()
    {
        QTest::addColumn<int>("r");
        QTest::addColumn<int>("g");
        QTest::addColumn<int>("b");
        QTest::addColumn<int>("nHue");
        QTest::addColumn<int>("nSaturation");
        QTest::addColumn<int>("nBrightness");
        QTest::newRow("red") << 255 << 0 << 0 << 0 << 255 << 255;
        QTest::newRow("green") << 0 << 255 << 0 << 120 << 255 << 255;
        QTest::newRow("blue") << 0 << 0 << 255 << 240 << 255 << 255;
        QTest::newRow("grey") << 128 << 128 << 128 << 0 << 0 << 128;
        QTest::newRow("black") << 0 << 0 << 0 << 0 << 0 << 0;
        QTest::newRow("dark blue-grey") << 10 << 20 << 30 << 210 << 170 << 30;
        // Red and green tie at the maximum: red's formula decides.
        QTest::newRow("yellow") << 255 << 255 << 0 << 60 << 255 << 255;
        // Green and blue tie: green's formula.
        QTest::newRow("cyan") << 0 << 255 << 255 << 180 << 255 << 255;
        // A negative hue wraps round, just below 360.
        QTest::newRow("red towards magenta") << 255 << 0 << 1 << 359 << 255 << 255;
        QTest::newRow("magenta") << 255 << 0 << 255 << 300 << 255 << 255;
    }
    void rgbToHsb()
    {
        QFETCH(int, r);
        QFETCH(int, g);
        QFETCH(int, b);
        QFETCH(int, nHue);
        QFETCH(int, nSaturation);
        QFETCH(int, nBrightness);
        int h = -1, s = -1, v = -1;
        RGBToHSB(r, g, b, h, s, v);
        QCOMPARE(h, nHue);
        QCOMPARE(s, nSaturation);
        QCOMPARE(v, nBrightness);
    }

    void hsbToRgb_data()
    {
        QTest::addColumn<int>("h");
        QTest::addColumn<int>("s");
        QTest::addColumn<int>("v");
        QTest::addColumn<int>("nRed");
        QTest::addColumn<int>("nGreen");
        QTest::addColumn<int>("nBlue");
        QTest::newRow("yellow") << 60 << 255 << 255 << 255 << 255 << 0;
        QTest::newRow("magenta") << 300 << 255 << 255 << 255 << 0 << 255;
        QTest::newRow("red") << 0 << 255 << 255 << 255 << 0 << 0;
        QTest::newRow("green") << 120 << 255 << 255 << 0 << 255 << 0;
        QTest::newRow("blue") << 240 << 255 << 255 << 0 << 0 << 255;
        QTest::newRow("no saturation") << 200 << 0 << 77 << 77 << 77 << 77;
        QTest::newRow("no brightness") << 200 << 255 << 0 << 0 << 0 << 0;
        // Each range of the table once, the values truncated toward zero.
        QTest::newRow("61") << 61 << 255 << 255 << 250 << 255 << 0;
        QTest::newRow("150") << 150 << 255 << 255 << 0 << 255 << 127;
        QTest::newRow("210 (back from 10,20,30)") << 210 << 170 << 30 << 10 << 20 << 30;
        QTest::newRow("270") << 270 << 255 << 255 << 127 << 0 << 255;
        QTest::newRow("359") << 359 << 255 << 255 << 255 << 0 << 4;
    }
    void hsbToRgb()
    {
        QFETCH(int, h);
        QFETCH(int, s);
        QFETCH(int, v);
        QFETCH(int, nRed);
        QFETCH(int, nGreen);
        QFETCH(int, nBlue);
        int r = -1, g = -1, b = -1;
        HSBToRGB(h, s, v, r, g, b);
        QCOMPARE(r, nRed);
        QCOMPARE(g, nGreen);
        QCOMPARE(b, nBlue);
    }

    // Every result stays in 0 to 255 over the whole input range.
    void hsbToRgbStaysInRange()
    {
        for (int h = 0; h < 360; ++h)
            for (int s = 0; s < 256; s += 15)
                for (int v = 0; v < 256; v += 15) {
                    int r, g, b;
                    HSBToRGB(h, s, v, r, g, b);
                    QVERIFY2(std::min({r, g, b}) >= 0 && std::max({r, g, b}) <= v,
                             qPrintable(QStringLiteral("%1 %2 %3").arg(h).arg(s).arg(v)));
                }
    }
};

QTEST_GUILESS_MAIN(CTestColorSpace)
#include "tst_colorspace.moc"
