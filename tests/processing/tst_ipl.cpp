// The ipl layer: headers and storage, the bitmap bridge for every depth, and every operation against a
// brute-force reference, the formula written again, or a property.
#include "processing/ipl/Ipl.h"

#include <FreeImage.h>
#include <QtTest>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <numeric>
#include <random>
#include <vector>

namespace {

struct SImageDeleter {
    void operator()(IplImage* p) const { iplDeallocate(p, IPL_IMAGE_ALL); }
};
using CImage = std::unique_ptr<IplImage, SImageDeleter>;

struct SBitmapDeleter {
    void operator()(FIBITMAP* p) const { FreeImage_Unload(p); }
};
using CBitmap = std::unique_ptr<FIBITMAP, SBitmapDeleter>;

// An allocated, zero-filled image of the usual layouts (4 channels carry alpha in channel 4).
CImage Make(int nWidth, int nHeight, int nChannels, int nDepth = IPL_DEPTH_8U)
{
    static const char* const models[] = {"", "GRAY", "", "RGB", "RGBA"};
    static const char* const seqs[] = {"", "GRAY", "", "BGR", "BGRA"};
    CImage p(iplCreateImageHeader(nChannels, nChannels == 4 ? 4 : 0, nDepth, models[nChannels], seqs[nChannels],
                                  IPL_DATA_ORDER_PIXEL, IPL_ORIGIN_BL, IPL_ALIGN_DWORD, nWidth, nHeight, nullptr,
                                  nullptr, nullptr, nullptr));
    if (p)
        nDepth == IPL_DEPTH_32F ? iplAllocateImageFP(p.get(), 0, 0.0f) : iplAllocateImage(p.get(), 0, 0);
    return p;
}

// A sample; depth-1 images read as 0 or 1.
int Get(const IplImage* p, int x, int y, int c = 0)
{
    auto* pRow = reinterpret_cast<const uchar*>(p->imageData + y * p->widthStep);
    if (p->depth == IPL_DEPTH_1U)
        return (pRow[x / 8] >> (7 - x % 8)) & 1;
    return pRow[x * p->nChannels + c];
}

void Set(IplImage* p, int x, int y, int c, int v)
{
    auto* pRow = reinterpret_cast<uchar*>(p->imageData + y * p->widthStep);
    if (p->depth == IPL_DEPTH_1U)
        pRow[x / 8] = uchar(v ? pRow[x / 8] | (0x80 >> (x % 8)) : pRow[x / 8] & ~(0x80 >> (x % 8)));
    else
        pRow[x * p->nChannels + c] = uchar(v);
}

CImage Random(int nWidth, int nHeight, int nChannels, unsigned nSeed, int nDepth = IPL_DEPTH_8U, int nLevels = 256)
{
    CImage p = Make(nWidth, nHeight, nChannels, nDepth);
    std::mt19937 rng(nSeed);
    for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < nWidth; ++x)
            for (int c = 0; c < nChannels; ++c)
                Set(p.get(), x, y, c, nDepth == IPL_DEPTH_1U ? int(rng() % 2) : int(rng() % nLevels));
    return p;
}

// Samples of a and b are equal everywhere; reports the first difference.
bool SameSamples(const IplImage* a, const IplImage* b)
{
    if (a->width != b->width || a->height != b->height || a->nChannels != b->nChannels)
        return false;
    for (int y = 0; y < a->height; ++y)
        for (int x = 0; x < a->width; ++x)
            for (int c = 0; c < a->nChannels; ++c)
                if (Get(a, x, y, c) != Get(b, x, y, c)) {
                    qWarning("differ at %d,%d,%d: %d vs %d", x, y, c, Get(a, x, y, c), Get(b, x, y, c));
                    return false;
                }
    return true;
}

// Every sample of dst against fnExpect(x, y, c).
template <class F> bool Matches(const IplImage* dst, F&& fnExpect, int nTolerance = 0)
{
    for (int y = 0; y < dst->height; ++y)
        for (int x = 0; x < dst->width; ++x)
            for (int c = 0; c < dst->nChannels; ++c)
                if (std::abs(Get(dst, x, y, c) - fnExpect(x, y, c)) > nTolerance) {
                    qWarning("at %d,%d,%d: %d, expected %d", x, y, c, Get(dst, x, y, c), fnExpect(x, y, c));
                    return false;
                }
    return true;
}

// The samples of a window with the edges replicated, as a brute-force reference.
std::vector<int> Window(const IplImage* p, int x, int y, int c, int nCols, int nRows, int nAnchorX, int nAnchorY)
{
    std::vector<int> v;
    for (int j = 0; j < nRows; ++j)
        for (int i = 0; i < nCols; ++i)
            v.push_back(Get(p, std::clamp(x - nAnchorX + i, 0, p->width - 1),
                            std::clamp(y - nAnchorY + j, 0, p->height - 1), c));
    return v;
}

// A bitmap of the depth with random pixels; 8-bit ones get a grey ramp or a colour table.
CBitmap RandomBitmap(int nBpp, bool bGrey565, unsigned nSeed)
{
    const unsigned r = bGrey565 && nBpp == 16 ? 0xF800 : 0, g = r ? 0x07E0 : 0, b = r ? 0x001F : 0;
    CBitmap bmp(FreeImage_Allocate(13, 7, nBpp, r, g, b));
    std::mt19937 rng(nSeed);
    const int nPitch = int(FreeImage_GetPitch(bmp.get()));
    for (int i = 0; i < nPitch * 7; ++i)
        FreeImage_GetBits(bmp.get())[i] = uchar(rng());
    if (nBpp == 8 && !bGrey565)
        for (int k = 0; k < 256; ++k)
            FreeImage_GetPalette(bmp.get())[k] = RGBQUAD{uchar(k * 7), uchar(255 - k), uchar(k ^ 0x55), 0};
    return bmp;
}

CImage Translate(FIBITMAP* pBitmap, int* pClone)
{
    unsigned masks[3] = {FreeImage_GetRedMask(pBitmap), FreeImage_GetGreenMask(pBitmap),
                         FreeImage_GetBlueMask(pBitmap)};
    return CImage(iplTranslateDIB(FreeImage_GetInfoHeader(pBitmap), FreeImage_GetPalette(pBitmap), masks,
                                  FreeImage_GetBits(pBitmap), pClone));
}

// The noise generator and draws written again: splitmix64, 53-bit unit values.
double UnitDraw(uint64_t nSeed, uint64_t n)
{
    uint64_t z = nSeed + (n + 1) * 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return double((z ^ (z >> 31)) >> 11) / 9007199254740992.0;
}

} // namespace

class CTestIpl : public QObject {
    Q_OBJECT

private slots:
    void headerRefusals_data();
    void headerRefusals();
    void storageAndClone();
    void bridgeRoundTrip_data();
    void bridgeRoundTrip();
    void deallocationKeepsBitmapPixels();
    void scaling();
    void rotationByQuarterTurns_data();
    void rotationByQuarterTurns();
    void rotationAndShearGeometry();
    void mirror_data();
    void mirror();
    void remap();
    void rankFilters_data();
    void rankFilters();
    void blurAndFixedFilters();
    void thresholdNotMorphology();
    void tables();
    void noise();
};

void CTestIpl::headerRefusals_data()
{
    QTest::addColumn<int>("nChannels");
    QTest::addColumn<int>("nAlpha");
    QTest::addColumn<int>("nDepth");
    QTest::addColumn<int>("nOrder");
    QTest::addColumn<int>("nWidth");
    QTest::addColumn<int>("nHeight");
    QTest::newRow("width 0") << 3 << 0 << 8 << 0 << 0 << 5;
    QTest::newRow("height -1") << 3 << 0 << 8 << 0 << 5 << -1;
    QTest::newRow("two channels") << 2 << 0 << 8 << 0 << 5 << 5;
    QTest::newRow("alpha past channels") << 3 << 4 << 8 << 0 << 5 << 5;
    QTest::newRow("planar") << 3 << 0 << 8 << IPL_DATA_ORDER_PLANE << 5 << 5;
    QTest::newRow("colour bits") << 3 << 0 << 1 << 0 << 5 << 5;
    QTest::newRow("over 2 GiB") << 4 << 0 << 8 << 0 << 40000 << 40000;
}

void CTestIpl::headerRefusals()
{
    QFETCH(int, nChannels);
    QFETCH(int, nAlpha);
    QFETCH(int, nDepth);
    QFETCH(int, nOrder);
    QFETCH(int, nWidth);
    QFETCH(int, nHeight);
    QVERIFY(!iplCreateImageHeader(nChannels, nAlpha, nDepth, "RGB", "BGR", nOrder, IPL_ORIGIN_BL, 4, nWidth, nHeight,
                                  nullptr, nullptr, nullptr, nullptr));
    QCOMPARE(iplGetErrStatus(), IPL_StsBadArg);
}

void CTestIpl::storageAndClone()
{
    // rows padded to the alignment; storage zero-filled; fill values
    CImage p = Make(5, 3, 3);
    QCOMPARE(p->widthStep, 16);
    QCOMPARE(p->imageSize, 48);
    QVERIFY(std::all_of(p->imageData, p->imageData + p->imageSize, [](char c) { return c == 0; }));
    CImage bits = Make(33, 2, 1, IPL_DEPTH_1U);
    QCOMPARE(bits->widthStep, 8);
    CImage filled(
        iplCreateImageHeader(1, 0, IPL_DEPTH_8U, "GRAY", "GRAY", 0, 1, 8, 3, 2, nullptr, nullptr, nullptr, nullptr));
    QCOMPARE(iplAllocateImage(filled.get(), 1, 77), IPL_StsOk);
    QCOMPARE(filled->widthStep, 8);
    QCOMPARE(Get(filled.get(), 2, 1), 77);
    QCOMPARE(iplAllocateImage(filled.get(), 0, 0), IPL_StsBadArg); // storage already there
    CImage map = Make(4, 4, 1, IPL_DEPTH_32F);
    QCOMPARE(reinterpret_cast<float*>(map->imageData)[5], 0.0f);

    // the clone has its own copy of the samples and the same layout
    CImage src = Random(9, 4, 4, 1);
    CImage clone(iplCloneImage(src.get()));
    QVERIFY(clone && clone->imageData != src->imageData && clone->imageDataOrigin);
    QCOMPARE(clone->alphaChannel, 4);
    QCOMPARE(QByteArray(clone->channelSeq, 4), QByteArray("BGRA"));
    QVERIFY(SameSamples(src.get(), clone.get()));
}

void CTestIpl::bridgeRoundTrip_data()
{
    QTest::addColumn<int>("nBpp");
    QTest::addColumn<bool>("bGrey565");
    QTest::addColumn<int>("nChannels");
    QTest::addColumn<bool>("bShared");
    QTest::newRow("1") << 1 << false << 1 << true;
    QTest::newRow("8 grey") << 8 << true << 1 << true;
    QTest::newRow("8 colour") << 8 << false << 3 << false;
    QTest::newRow("16 555") << 16 << false << 3 << false;
    QTest::newRow("16 565") << 16 << true << 3 << false;
    QTest::newRow("24") << 24 << false << 3 << true;
    QTest::newRow("32") << 32 << false << 4 << true;
}

void CTestIpl::bridgeRoundTrip()
{
    QFETCH(int, nBpp);
    QFETCH(bool, bGrey565);
    QFETCH(int, nChannels);
    QFETCH(bool, bShared);
    CBitmap bmp = RandomBitmap(nBpp, bGrey565, 7);
    int nClone = -1;
    CImage img = Translate(bmp.get(), &nClone);
    QVERIFY(img);
    QCOMPARE(img->nChannels, nChannels);
    QCOMPARE(img->depth, nBpp == 1 ? IPL_DEPTH_1U : IPL_DEPTH_8U);
    QCOMPARE(img->alphaChannel, nChannels == 4 ? 4 : 0);
    QCOMPARE(img->origin, IPL_ORIGIN_BL);
    QCOMPARE(nClone, bShared ? 0 : 1);
    QCOMPARE(img->imageData == reinterpret_cast<char*>(FreeImage_GetBits(bmp.get())), bShared);
    QCOMPARE(img->imageDataOrigin != nullptr, !bShared);

    // back into a bitmap of the depth product: shared depths give the same bits, expanded ones what
    // FreeImage's own conversion to 24 bits gives
    const int nOutBpp = img->depth * img->nChannels;
    CBitmap out(FreeImage_Allocate(img->width, img->height, nOutBpp));
    QCOMPARE(iplConvertToDIBSep(img.get(), FreeImage_GetInfoHeader(out.get()), FreeImage_GetPalette(out.get()),
                                FreeImage_GetBits(out.get()), nOutBpp == 1 ? 1 : 2, 1),
             IPL_StsOk);
    CBitmap expect(bShared ? FreeImage_Clone(bmp.get()) : FreeImage_ConvertTo24Bits(bmp.get()));
    const unsigned nRowBytes = (FreeImage_GetWidth(out.get()) * nOutBpp + 7) / 8;
    for (unsigned y = 0; y < FreeImage_GetHeight(out.get()); ++y) {
        const uchar* pOut = FreeImage_GetScanLine(out.get(), int(y));
        const uchar* pExpect = FreeImage_GetScanLine(expect.get(), int(y));
        if (nOutBpp == 1)
            QCOMPARE(pOut[1] >> 3, pExpect[1] >> 3); // 13 pixels: 8 + 5 bits
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(pOut), nOutBpp == 1 ? 1 : int(nRowBytes)),
                 QByteArray(reinterpret_cast<const char*>(pExpect), nOutBpp == 1 ? 1 : int(nRowBytes)));
    }
    if (nOutBpp <= 8) {
        const RGBQUAD* pal = FreeImage_GetPalette(out.get());
        const int nLast = (1 << nOutBpp) - 1;
        QCOMPARE(int(pal[0].rgbRed), 0);
        QCOMPARE(int(pal[nLast].rgbGreen), 255);
        QCOMPARE(int(pal[nLast / 2].rgbBlue), nLast == 1 ? 0 : 127);
    }
    // a bitmap of another depth product is refused
    CBitmap wrong(FreeImage_Allocate(img->width, img->height, nOutBpp == 24 ? 32 : 24));
    QCOMPARE(iplConvertToDIBSep(img.get(), FreeImage_GetInfoHeader(wrong.get()), FreeImage_GetPalette(wrong.get()),
                                FreeImage_GetBits(wrong.get()), 2, 1),
             IPL_StsBadArg);
}

void CTestIpl::deallocationKeepsBitmapPixels()
{
    // ASan reports a free of the bitmap's pixels or a use after it
    CBitmap bmp(FreeImage_Allocate(8, 4, 24));
    int nClone = 0;
    IplImage* p = Translate(bmp.get(), &nClone).release();
    QVERIFY(p);
    iplDeallocate(p, IPL_IMAGE_ALL);
    FreeImage_GetBits(bmp.get())[0] = 42;
    QCOMPARE(int(FreeImage_GetBits(bmp.get())[0]), 42);
    // a 4-bit bitmap and a damaged header are refused
    CBitmap four(FreeImage_Allocate(8, 4, 4));
    QVERIFY(!Translate(four.get(), &nClone));
    BITMAPINFOHEADER header = *FreeImage_GetInfoHeader(bmp.get());
    header.biWidth = -3;
    QVERIFY(!iplTranslateDIB(&header, nullptr, nullptr, FreeImage_GetBits(bmp.get()), &nClone));
}

void CTestIpl::scaling()
{
    // nearest neighbour samples at x * xSrc / xDst, into whatever size dst has
    CImage src = Random(101, 51, 3, 2);
    CImage half = Make(51, 26, 3);
    QCOMPARE(iplDecimate(src.get(), half.get(), 1, 2, 1, 2, IPL_INTER_NN), IPL_StsOk);
    QVERIFY(Matches(half.get(), [&](int x, int y, int c) { return Get(src.get(), 2 * x, 2 * y, c); }));
    CImage twice = Make(202, 153, 3);
    QCOMPARE(iplZoom(src.get(), twice.get(), 2, 1, 3, 1, IPL_INTER_NN), IPL_StsOk);
    QVERIFY(Matches(twice.get(), [&](int x, int y, int c) { return Get(src.get(), x / 2, y / 3, c); }));
    CImage copy = Make(101, 51, 3);
    QCOMPARE(iplResize(src.get(), copy.get(), 1, 1, 1, 1, IPL_INTER_LINEAR), IPL_StsOk);
    QVERIFY(SameSamples(src.get(), copy.get()));
    // linear scales by the factor even where the sizes were rounded: 1/2 of 101 x 51 averages pixel pairs
    QCOMPARE(iplDecimate(src.get(), half.get(), 1, 2, 1, 2, IPL_INTER_LINEAR), IPL_StsOk);
    QVERIFY(Matches(half.get(), [&](int x, int y, int c) {
        const auto at = [&](int u, int v) { return Get(src.get(), std::min(u, 100), std::min(v, 50), c); };
        return (at(2 * x, 2 * y) + at(2 * x + 1, 2 * y) + at(2 * x, 2 * y + 1) + at(2 * x + 1, 2 * y + 1) + 2) / 4;
    }, 1));

    // refused factors and masks write nothing
    CImage untouched = Make(51, 26, 3);
    QCOMPARE(iplZoom(src.get(), untouched.get(), 1, 2, 2, 1, IPL_INTER_NN), IPL_StsBadArg);
    QCOMPARE(iplDecimate(src.get(), untouched.get(), 2, 1, 1, 2, IPL_INTER_NN), IPL_StsBadArg);
    QCOMPARE(iplResize(src.get(), untouched.get(), 0, 1, 1, 1, IPL_INTER_NN), IPL_StsBadArg);
    QCOMPARE(iplResize(src.get(), untouched.get(), 1, 1, 1, 1, 3), IPL_StsBadArg);
    QCOMPARE(iplDecimateBlur(src.get(), untouched.get(), 1, 2, 1, 2, IPL_INTER_NN, 4, 3), IPL_StsBadArg);
    QVERIFY(
        std::all_of(untouched->imageData, untouched->imageData + untouched->imageSize, [](char c) { return c == 0; }));

    // decimate-blur by 1/1 is the centred blur
    CImage blurred = Make(101, 51, 3), expect = Make(101, 51, 3);
    QCOMPARE(iplDecimateBlur(src.get(), blurred.get(), 1, 1, 1, 1, IPL_INTER_CUBIC, 5, 3), IPL_StsOk);
    QCOMPARE(iplBlur(src.get(), expect.get(), 5, 3, 2, 1), IPL_StsOk);
    QVERIFY(SameSamples(blurred.get(), expect.get()));
}

void CTestIpl::rotationByQuarterTurns_data()
{
    QTest::addColumn<int>("nAngle");
    QTest::addColumn<int>("nChannels");
    QTest::addColumn<int>("nInterpolate");
    for (int nAngle : {90, 180, 270, 360})
        for (int nChannels : {1, 4})
            for (int nInter : {IPL_INTER_NN, IPL_INTER_LINEAR})
                QTest::addRow("%d degrees %d channels inter %d", nAngle, nChannels, nInter)
                    << nAngle << nChannels << nInter;
}

void CTestIpl::rotationByQuarterTurns()
{
    // the size and shifts a caller computes so that the picture lands inside; the reference inverts the
    // mapping (x cos + y sin + xs, -x sin + y cos + ys) exactly
    QFETCH(int, nAngle);
    QFETCH(int, nChannels);
    QFETCH(int, nInterpolate);
    const int W = 7, H = 5;
    const bool bTurned = nAngle % 180 != 0;
    const int nCos = nAngle == 360 ? 1 : nAngle == 180 ? -1 : 0, nSin = nAngle == 90 ? 1 : nAngle == 270 ? -1 : 0;
    const int xs = nAngle == 90 ? 0 : nAngle == 180 ? W : nAngle == 270 ? H - 1 : 0;
    const int ys = nAngle == 90 ? W : nAngle == 180 ? H - 1 : nAngle == 270 ? 0 : 0;
    CImage src = Random(W, H, nChannels, 3);
    CImage dst = Make(bTurned ? H : W, bTurned ? W : H, nChannels);
    QCOMPARE(iplRotate(src.get(), dst.get(), nAngle, xs, ys, nInterpolate), IPL_StsOk);
    QVERIFY(Matches(dst.get(), [&](int u, int v, int c) {
        const int x = nCos * (u - xs) - nSin * (v - ys), y = nSin * (u - xs) + nCos * (v - ys);
        return x >= 0 && x < W && y >= 0 && y < H ? Get(src.get(), x, y, c) : 0;
    }));
}

void CTestIpl::rotationAndShearGeometry()
{
    // shear by whole pixels: (x + y, y) and (x, y + x)
    CImage src = Random(6, 4, 3, 4);
    CImage sx = Make(10, 4, 3), sy = Make(6, 10, 3);
    QCOMPARE(iplShear(src.get(), sx.get(), 1.0, 0.0, 0.0, 0.0, IPL_INTER_NN), IPL_StsOk);
    QVERIFY(Matches(sx.get(),
                    [&](int u, int v, int c) { return u - v >= 0 && u - v < 6 ? Get(src.get(), u - v, v, c) : 0; }));
    QCOMPARE(iplShear(src.get(), sy.get(), 0.0, 1.0, 0.0, 0.0, IPL_INTER_LINEAR), IPL_StsOk);
    QVERIFY(Matches(sy.get(),
                    [&](int u, int v, int c) { return v - u >= 0 && v - u < 4 ? Get(src.get(), u, v - u, c) : 0; }));
    QCOMPARE(iplShear(src.get(), sy.get(), 1.0, 1.0, 0.0, 0.0, IPL_INTER_NN), IPL_StsBadArg); // no inverse

    // 30 degrees of a flat image: inside the picture the value, outside 0, never a blend with black
    CImage flat = Make(40, 30, 1);
    std::memset(flat->imageData, 200, size_t(flat->imageSize));
    const double a = 30 * 0.01745329222222;
    CImage turned = Make(int(40 * std::cos(a) + 30 * std::sin(a)), int(40 * std::sin(a) + 30 * std::cos(a)), 1);
    QCOMPARE(turned->width, 49);
    QCOMPARE(iplRotate(flat.get(), turned.get(), 30, 0, 40 * std::sin(a), IPL_INTER_LINEAR), IPL_StsOk);
    int nInside = 0;
    QVERIFY(Matches(turned.get(), [&](int u, int v, int) {
        const int s = Get(turned.get(), u, v);
        nInside += s == 200;
        return s == 0 ? 0 : 200;
    }));
    QVERIFY(std::abs(nInside - 40 * 30) < 80);
}

void CTestIpl::mirror_data()
{
    QTest::addColumn<int>("nChannels");
    QTest::addColumn<int>("nDepth");
    QTest::newRow("bits") << 1 << IPL_DEPTH_1U;
    QTest::newRow("grey") << 1 << IPL_DEPTH_8U;
    QTest::newRow("colour") << 3 << IPL_DEPTH_8U;
    QTest::newRow("alpha") << 4 << IPL_DEPTH_8U;
}

void CTestIpl::mirror()
{
    QFETCH(int, nChannels);
    QFETCH(int, nDepth);
    const int W = 11, H = 6;
    CImage src = Random(W, H, nChannels, 5, nDepth);
    CImage once = Make(W, H, nChannels, nDepth), twice = Make(W, H, nChannels, nDepth);
    for (int nAxis : {0, 1, -1}) {
        QCOMPARE(iplMirror(src.get(), once.get(), nAxis), IPL_StsOk);
        QVERIFY(Matches(once.get(), [&](int x, int y, int c) {
            return Get(src.get(), nAxis != 0 ? W - 1 - x : x, nAxis != 1 ? H - 1 - y : y, c);
        }));
        QCOMPARE(iplMirror(once.get(), twice.get(), nAxis), IPL_StsOk);
        QVERIFY(SameSamples(src.get(), twice.get()));
    }
    QCOMPARE(iplMirror(src.get(), once.get(), 2), IPL_StsBadArg);
    // in place
    CImage copy(iplCloneImage(src.get()));
    QCOMPARE(iplMirror(copy.get(), copy.get(), 1), IPL_StsOk);
    QCOMPARE(iplMirror(copy.get(), copy.get(), 1), IPL_StsOk);
    QVERIFY(SameSamples(src.get(), copy.get()));
}

void CTestIpl::remap()
{
    const int W = 6, H = 4;
    CImage src = Random(W, H, 3, 6);
    CImage mx = Make(5, 3, 1, IPL_DEPTH_32F), my = Make(5, 3, 1, IPL_DEPTH_32F), dst = Make(5, 3, 3);
    auto put = [](IplImage* p, int x, int y, float v) {
        reinterpret_cast<float*>(p->imageData + y * p->widthStep)[x] = v;
    };
    // row 0: whole positions including the last column; row 1: halves; row 2: outside
    const float xs[3][5] = {{0, 5, 2, 3, 5}, {0.5f, 4.5f, 1.5f, 2, 3}, {-0.5f, 5.5f, 2, NAN, 1e9f}};
    const float ys[3][5] = {{0, 3, 1, 2, 0}, {0, 1, 2, 2.5f, 0.5f}, {0, 0, -1, 0, 0}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            put(mx.get(), x, y, xs[y][x]);
            put(my.get(), x, y, ys[y][x]);
        }
    std::memset(dst->imageData, 9, size_t(dst->imageSize));
    QCOMPARE(iplRemap(src.get(), mx.get(), my.get(), dst.get(), IPL_INTER_LINEAR), IPL_StsOk);
    for (int x = 0; x < 5; ++x)
        for (int c = 0; c < 3; ++c) {
            QCOMPARE(Get(dst.get(), x, 0, c), Get(src.get(), int(xs[0][x]), int(ys[0][x]), c));
            const int x0 = int(xs[1][x]), y0 = int(ys[1][x]);
            const int x1 = xs[1][x] > float(x0) ? x0 + 1 : x0, y1 = ys[1][x] > float(y0) ? y0 + 1 : y0;
            const int nTwice = Get(src.get(), x0, y0, c) + Get(src.get(), x1, y1, c);
            QVERIFY(std::abs(2 * Get(dst.get(), x, 1, c) - nTwice) <= 1);
            QCOMPARE(Get(dst.get(), x, 2, c), 0);
        }
    CImage small = Make(4, 3, 1, IPL_DEPTH_32F);
    QCOMPARE(iplRemap(src.get(), small.get(), my.get(), dst.get(), IPL_INTER_LINEAR), IPL_StsBadArg);
}

void CTestIpl::rankFilters_data()
{
    QTest::addColumn<int>("nCols");
    QTest::addColumn<int>("nRows");
    QTest::addColumn<int>("nChannels");
    QTest::addColumn<int>("nDepth");
    for (int nCols = 1; nCols <= 7; ++nCols)
        for (int nRows = 1; nRows <= 7; ++nRows)
            QTest::addRow("%dx%d", nCols, nRows)
                << nCols << nRows << std::array{1, 3, 4}[(nCols + nRows) % 3] << IPL_DEPTH_8U;
    QTest::newRow("9x5 alpha") << 9 << 5 << 4 << IPL_DEPTH_8U;
    QTest::newRow("5x3 bits") << 5 << 3 << 1 << IPL_DEPTH_1U;
}

void CTestIpl::rankFilters()
{
    // median (upper middle for even counts), minimum and maximum against sorting every window, with
    // anchors all over the aperture; few levels so that ties are common; alpha kept
    QFETCH(int, nCols);
    QFETCH(int, nRows);
    QFETCH(int, nChannels);
    QFETCH(int, nDepth);
    const int W = 37, H = 9;
    CImage src = Random(W, H, nChannels, unsigned(nCols * 8 + nRows), nDepth, nCols == 3 ? 4 : 256);
    CImage dst = Make(W, H, nChannels, nDepth);
    using FnFilter = IPLStatus (*)(const IplImage*, IplImage*, int, int, int, int);
    const FnFilter filters[] = {iplMedianFilter, iplMinFilter, iplMaxFilter, iplMedianFilter};
    for (int f = 0; f < 4; ++f) {
        // the median twice: centred, and off-centre
        const int ax = f == 3 ? nCols / 2 : (nCols * 5 + f) % nCols, ay = f == 3 ? nRows / 2 : (nRows * 3 + f) % nRows;
        QCOMPARE(filters[f](src.get(), dst.get(), nCols, nRows, ax, ay), IPL_StsOk);
        QVERIFY(Matches(dst.get(), [&](int x, int y, int c) {
            if (src->alphaChannel == c + 1)
                return Get(src.get(), x, y, c);
            std::vector<int> v = Window(src.get(), x, y, c, nCols, nRows, ax, ay);
            std::sort(v.begin(), v.end());
            return f == 1 ? v.front() : f == 2 ? v.back() : v[v.size() / 2];
        }));
        QCOMPARE(filters[f](src.get(), dst.get(), nCols, nRows, nCols, 0), IPL_StsBadArg); // anchor outside
    }
    QCOMPARE(iplMedianFilter(src.get(), dst.get(), 32, 1, 0, 0), IPL_StsBadArg);
}

void CTestIpl::blurAndFixedFilters()
{
    // the mean, halves rounded up, any anchor; OpenCV's own blur is one too high on some pixels of
    // power-of-two windows
    CImage src = Random(23, 8, 4, 8);
    CImage dst = Make(23, 8, 4);
    for (auto [nCols, nRows, ax, ay] :
         {std::array{3, 3, 1, 1}, {5, 3, 0, 2}, {1, 7, 0, 6}, {7, 5, 6, 0}, {4, 4, 1, 2}, {2, 1, 0, 0}, {4, 3, 3, 1}}) {
        QCOMPARE(iplBlur(src.get(), dst.get(), nCols, nRows, ax, ay), IPL_StsOk);
        QVERIFY(Matches(dst.get(), [&](int x, int y, int c) {
            if (c == 3)
                return Get(src.get(), x, y, c);
            const std::vector<int> v = Window(src.get(), x, y, c, nCols, nRows, ax, ay);
            const int n = int(v.size()), s = std::accumulate(v.begin(), v.end(), 0);
            return (2 * s + n) / (2 * n);
        }));
    }
    QCOMPARE(iplBlur(src.get(), dst.get(), 3, 3, 5, 1), IPL_StsBadArg);

    // the eleven kernels written again, rows in storage order, halves rounded up, saturated
    struct SKernel {
        int nSize, nDivisor;
        std::vector<int> k;
    };
    const SKernel kernels[] = {
        {3, 1, {-1, 0, 1, -1, 0, 1, -1, 0, 1}},
        {3, 1, {1, 1, 1, 0, 0, 0, -1, -1, -1}},
        {3, 1, {-1, 0, 1, -2, 0, 2, -1, 0, 1}},
        {3, 1, {1, 2, 1, 0, 0, 0, -1, -2, -1}},
        {3, 1, {-1, -1, -1, -1, 8, -1, -1, -1, -1}},
        {5, 1, {-1, -3, -4, -3, -1, -3, 0, 6, 0, -3, -4, 6, 20, 6, -4, -3, 0, 6, 0, -3, -1, -3, -4, -3, -1}},
        {3, 16, {1, 2, 1, 2, 4, 2, 1, 2, 1}},
        {5, 571, {2, 7, 12, 7, 2, 7, 31, 52, 31, 7, 12, 52, 127, 52, 12, 7, 31, 52, 31, 7, 2, 7, 12, 7, 2}},
        {3, 1, {-1, -1, -1, -1, 9, -1, -1, -1, -1}},
        {5, 1, std::vector<int>(25, -1)},
        {3, 8, {-1, -1, -1, -1, 16, -1, -1, -1, -1}},
    };
    CImage soft = Random(23, 8, 4, 9, IPL_DEPTH_8U, 40); // small values: the sums stay near 0..255
    for (int nCode = 0; nCode < 11; ++nCode) {
        SKernel k = kernels[nCode];
        if (nCode == 9)
            k.k[12] = 25;
        for (const IplImage* pIn : {src.get(), soft.get()}) {
            QCOMPARE(iplFixedFilter(pIn, dst.get(), nCode), IPL_StsOk);
            QVERIFY(Matches(dst.get(), [&](int x, int y, int c) {
                if (c == 3)
                    return Get(pIn, x, y, c);
                const int r = k.nSize / 2;
                const std::vector<int> v = Window(pIn, x, y, c, k.nSize, k.nSize, r, r);
                int s = 0;
                for (size_t i = 0; i < v.size(); ++i)
                    s += v[i] * k.k[i];
                const int q = int(std::floor((2.0 * s + k.nDivisor) / (2.0 * k.nDivisor)));
                return std::clamp(q, 0, 255);
            }));
        }
    }
    QCOMPARE(iplFixedFilter(src.get(), dst.get(), 11), IPL_StsBadArg);
}

void CTestIpl::thresholdNotMorphology()
{
    // threshold of grey samples into bits: below the level 0, else 1
    CImage grey = Random(19, 5, 1, 10);
    CImage bits = Make(19, 5, 1, IPL_DEPTH_1U);
    for (int nLevel : {0, 1, 128, 255, 256}) {
        QCOMPARE(iplThreshold(grey.get(), bits.get(), nLevel), IPL_StsOk);
        QVERIFY(Matches(bits.get(), [&](int x, int y, int) { return Get(grey.get(), x, y) >= nLevel ? 1 : 0; }));
    }
    // a colour source goes by luminance: pure colours and white against levels between them
    CImage colour = Make(4, 1, 3);
    const int bgr[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}}; // luma 29, 150, 76, 255
    for (int x = 0; x < 4; ++x)
        for (int c = 0; c < 3; ++c)
            Set(colour.get(), x, 0, c, bgr[x][c]);
    CImage four = Make(4, 1, 1, IPL_DEPTH_1U);
    QCOMPARE(iplThreshold(colour.get(), four.get(), 100), IPL_StsOk);
    QVERIFY(Matches(four.get(), [](int x, int, int) { return x == 1 || x == 3 ? 1 : 0; }));
    QCOMPARE(iplThreshold(colour.get(), colour.get(), 100), IPL_StsBadArg); // 3-channel result
    // rows of many pixels, with a part byte at the end (its spare bits 0), and more rows than are converted
    // at once; colour into bits as into bytes
    for (int nWidth : {77, 96}) {
        CImage wideGrey = Random(nWidth, 900, 1, 13), wideColour = Random(nWidth, 900, 3, 14);
        CImage wideBits = Make(nWidth, 900, 1, IPL_DEPTH_1U), wideBytes = Make(nWidth, 900, 1);
        for (int nLevel : {0, 100, 256}) {
            QCOMPARE(iplThreshold(wideGrey.get(), wideBits.get(), nLevel), IPL_StsOk);
            QVERIFY(Matches(wideBits.get(), [&](int x, int y, int) { return Get(wideGrey.get(), x, y) >= nLevel; }));
            for (int y = 0; nWidth % 8 && y < 900; ++y)
                QCOMPARE(uchar(wideBits->imageData[y * wideBits->widthStep + nWidth / 8]) & (0xFF >> nWidth % 8), 0);
        }
        QCOMPARE(iplThreshold(wideColour.get(), wideBits.get(), 120), IPL_StsOk);
        QCOMPARE(iplThreshold(wideColour.get(), wideBytes.get(), 120), IPL_StsOk);
        QVERIFY(Matches(wideBits.get(), [&](int x, int y, int) { return Get(wideBytes.get(), x, y) / 255; }));
    }

    // complement: twice is the identity, bits flip, alpha stays
    CImage src = Random(9, 4, 4, 11);
    CImage once = Make(9, 4, 4), twice = Make(9, 4, 4);
    QCOMPARE(iplNot(src.get(), once.get()), IPL_StsOk);
    QVERIFY(Matches(once.get(), [&](int x, int y, int c) {
        return c == 3 ? Get(src.get(), x, y, c) : 255 - Get(src.get(), x, y, c);
    }));
    QCOMPARE(iplNot(once.get(), twice.get()), IPL_StsOk);
    QVERIFY(SameSamples(src.get(), twice.get()));
    CImage flipped = Make(19, 5, 1, IPL_DEPTH_1U);
    QCOMPARE(iplNot(bits.get(), flipped.get()), IPL_StsOk);
    QVERIFY(Matches(flipped.get(), [&](int x, int y, int) { return 1 - Get(bits.get(), x, y); }));

    // erosion and dilation: n passes of the 3 x 3 minimum or maximum; open and close compose them
    CImage a = Make(9, 4, 4), b = Make(9, 4, 4), ref = Make(9, 4, 4);
    for (int n : {1, 2}) {
        for (bool bMax : {false, true}) {
            QCOMPARE((bMax ? iplDilate : iplErode)(src.get(), a.get(), n), IPL_StsOk);
            QCOMPARE((bMax ? iplMaxFilter : iplMinFilter)(src.get(), ref.get(), 2 * n + 1, 2 * n + 1, n, n), IPL_StsOk);
            QVERIFY(SameSamples(a.get(), ref.get()));
        }
        QCOMPARE(iplOpen(src.get(), a.get(), n), IPL_StsOk);
        QCOMPARE(iplErode(src.get(), b.get(), n), IPL_StsOk);
        QCOMPARE(iplDilate(b.get(), ref.get(), n), IPL_StsOk);
        QVERIFY(SameSamples(a.get(), ref.get()));
        QCOMPARE(iplClose(src.get(), a.get(), n), IPL_StsOk);
        QCOMPARE(iplDilate(src.get(), b.get(), n), IPL_StsOk);
        QCOMPARE(iplErode(b.get(), ref.get(), n), IPL_StsOk);
        QVERIFY(SameSamples(a.get(), ref.get()));
    }
    QCOMPARE(iplErode(src.get(), a.get(), 0), IPL_StsBadArg);
}

void CTestIpl::tables()
{
    CImage src = Random(17, 6, 4, 12);
    std::vector<int> keys(257), values(257), factors(257);
    IplLUT lut{257, keys.data(), values.data(), factors.data(), IPL_LUT_LOOKUP};
    IplLUT* luts[4] = {&lut, &lut, &lut, &lut};
    std::iota(keys.begin(), keys.end(), 0);

    // histogram: value[k] counts [key[k], key[k+1]), here of the last channel (alpha counts too)
    QCOMPARE(iplComputeHisto(src.get(), luts), IPL_StsOk);
    int nCount = 0;
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 17; ++x)
            nCount += Get(src.get(), x, y, 3) == 77;
    QCOMPARE(values[77], nCount);
    IplLUT coarse{3, keys.data(), values.data(), nullptr, IPL_LUT_LOOKUP};
    keys[1] = 100;
    keys[2] = 200;
    IplLUT* coarseLuts[4] = {&coarse, &coarse, &coarse, &coarse};
    QCOMPARE(iplComputeHisto(src.get(), coarseLuts), IPL_StsOk);
    nCount = 0;
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 17; ++x)
            nCount += Get(src.get(), x, y, 3) >= 100 && Get(src.get(), x, y, 3) < 200;
    QCOMPARE(values[1], nCount);
    std::iota(keys.begin(), keys.end(), 0);

    // lookup: 257 keys, 256 values; alpha passes
    for (int k = 0; k < 256; ++k)
        values[k] = 300 - 2 * k;
    CImage dst = Make(17, 6, 4);
    QCOMPARE(iplContrastStretch(src.get(), dst.get(), luts), IPL_StsOk);
    QVERIFY(Matches(dst.get(), [&](int x, int y, int c) {
        const int v = Get(src.get(), x, y, c);
        return c == 3 ? v : std::clamp(300 - 2 * v, 0, 255);
    }));
    // interpolated over keys 0..254 (255 stays 255), and over two keys 0 and 255
    lut = {255, keys.data(), values.data(), factors.data(), IPL_LUT_INTER};
    for (int k = 0; k < 255; ++k)
        values[k] = k * k / 256;
    QCOMPARE(iplContrastStretch(src.get(), dst.get(), luts), IPL_StsOk);
    QVERIFY(Matches(dst.get(), [&](int x, int y, int c) {
        const int v = Get(src.get(), x, y, c);
        return c == 3 || v == 255 ? v : v * v / 256;
    }));
    keys[1] = 255;
    values[0] = 0;
    values[1] = 127;
    lut.num = 2;
    QCOMPARE(iplContrastStretch(src.get(), dst.get(), luts), IPL_StsOk);
    QVERIFY(Matches(dst.get(), [&](int x, int y, int c) {
        const int v = Get(src.get(), x, y, c);
        return c == 3 ? v : (2 * v * 127 + 255) / 510;
    }));
    std::iota(keys.begin(), keys.end(), 0);

    // equalisation of levels 10, 20, 30 in counts 1, 2, 1: cumulative 1, 3, 4 -> 0, 170, 255
    CImage steps = Make(4, 1, 1);
    for (int x = 0; x < 4; ++x)
        Set(steps.get(), x, 0, 0, x == 0 ? 10 : x == 3 ? 30 : 20);
    lut = {257, keys.data(), values.data(), nullptr, IPL_LUT_LOOKUP};
    QCOMPARE(iplComputeHisto(steps.get(), luts), IPL_StsOk);
    CImage equal = Make(4, 1, 1);
    QCOMPARE(iplHistoEqualize(steps.get(), equal.get(), luts), IPL_StsOk);
    QVERIFY(Matches(equal.get(), [](int x, int, int) { return x == 0 ? 0 : x == 3 ? 255 : 170; }));

    // scalar addition saturates both ways
    for (int nValue : {60, -60}) {
        QCOMPARE(iplAddS(src.get(), dst.get(), nValue), IPL_StsOk);
        QVERIFY(Matches(dst.get(), [&](int x, int y, int c) {
            const int v = Get(src.get(), x, y, c);
            return c == 3 ? v : std::clamp(v + nValue, 0, 255);
        }));
    }
    QCOMPARE(iplContrastStretch(src.get(), dst.get(), nullptr), IPL_StsBadArg);

    // rows of many samples with a tail: a table per channel, and one table for all; alpha kept; the
    // histogram of every channel
    std::vector<std::vector<int>> tableValues(4, std::vector<int>(256)), counts(4, std::vector<int>(256));
    IplLUT tables[4], histos[4];
    IplLUT* perChannel[4];
    IplLUT* histoLuts[4];
    for (int c = 0; c < 4; ++c) {
        for (int k = 0; k < 256; ++k)
            tableValues[c][k] = (k * 37 + 50 * c) % 256;
        tables[c] = {257, keys.data(), tableValues[c].data(), nullptr, IPL_LUT_LOOKUP};
        histos[c] = {257, keys.data(), counts[c].data(), nullptr, IPL_LUT_LOOKUP};
        perChannel[c] = &tables[c];
        histoLuts[c] = &histos[c];
    }
    IplLUT* shared[4] = {&tables[1], &tables[1], &tables[1], &tables[1]};
    for (int nChannels : {1, 3, 4}) {
        CImage wide = Random(301, 3, nChannels, 15), wideOut = Make(301, 3, nChannels);
        for (IplLUT** ppLuts : {perChannel, shared}) {
            QCOMPARE(iplContrastStretch(wide.get(), wideOut.get(), ppLuts), IPL_StsOk);
            QVERIFY(Matches(wideOut.get(), [&](int x, int y, int c) {
                const int v = Get(wide.get(), x, y, c);
                return c == 3 ? v : ppLuts[c]->value[v];
            }));
        }
        QCOMPARE(iplComputeHisto(wide.get(), histoLuts), IPL_StsOk);
        for (int c = 0; c < nChannels; ++c) {
            std::vector<int> expected(256);
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 301; ++x)
                    ++expected[Get(wide.get(), x, y, c)];
            QCOMPARE(counts[c], expected);
        }
    }
}

void CTestIpl::noise()
{
    CImage src = Make(40, 30, 4);
    std::memset(src->imageData, 100, size_t(src->imageSize));
    CImage a(iplCloneImage(src.get())), b(iplCloneImage(src.get()));
    IplNoiseParam param;

    // the same seed gives the same noise, another seed other noise; alpha untouched
    QCOMPARE(iplNoiseGaussianInit(&param, 1, 35, 10), IPL_StsOk);
    QCOMPARE(iplNoiseImage(a.get(), &param), IPL_StsOk);
    QCOMPARE(iplNoiseImage(b.get(), &param), IPL_StsOk);
    QVERIFY(SameSamples(a.get(), b.get()));
    double dSum = 0, dSquares = 0;
    const int n = 40 * 30 * 3;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            QCOMPARE(Get(a.get(), x, y, 3), 100);
            for (int c = 0; c < 3; ++c) {
                const double d = Get(a.get(), x, y, c) - 100;
                dSum += d;
                dSquares += d * d;
            }
        }
    QVERIFY(std::abs(dSum / n - 35) < 0.6);
    QVERIFY(std::abs(std::sqrt(dSquares / n - (dSum / n) * (dSum / n)) - 10) < 0.6);
    iplNoiseGaussianInit(&param, 2, 35, 10);
    QCOMPARE(iplNoiseImage(b.get(), &param), IPL_StsOk);
    QVERIFY(std::memcmp(a->imageData, b->imageData, size_t(a->imageSize)) != 0);

    // uniform: low + (high - low) u with the generator written again, one draw per colour sample in
    // storage order, rounded half up; low above high as the dialog allows
    CImage u(iplCloneImage(src.get()));
    QCOMPARE(iplNoiseUniformInit(&param, 1, 150, 75), IPL_StsOk);
    QCOMPARE(iplNoiseImage(u.get(), &param), IPL_StsOk);
    QVERIFY(Matches(u.get(), [](int x, int y, int c) {
        if (c == 3)
            return 100;
        const double d = 150 + (75.0 - 150) * UnitDraw(1, uint64_t((y * 40 + x) * 3 + c));
        return std::clamp(int(std::floor(100 + d + 0.5)), 0, 255);
    }));
    QCOMPARE(iplNoiseImage(u.get(), nullptr), IPL_StsBadArg);

    // the draws follow the samples in storage order whatever the row length: an odd number of samples per
    // row splits Gaussian pairs across rows, and the rows laid end to end give the same noise
    CImage rows = Make(5, 4, 3), line = Make(20, 1, 3);
    std::memset(rows->imageData, 128, size_t(rows->imageSize));
    std::memset(line->imageData, 128, size_t(line->imageSize));
    iplNoiseGaussianInit(&param, 7, 0, 40);
    QCOMPARE(iplNoiseImage(rows.get(), &param), IPL_StsOk);
    QCOMPARE(iplNoiseImage(line.get(), &param), IPL_StsOk);
    QVERIFY(Matches(rows.get(), [&](int x, int y, int c) { return Get(line.get(), y * 5 + x, 0, c); }));

    // rows whose samples do not fill whole groups of draws: uniform against the formula, and Gaussian
    // noise as seed 7 has always made it (a hash of the samples)
    CImage wide = Make(333, 5, 3);
    std::memset(wide->imageData, 100, size_t(wide->imageSize));
    iplNoiseUniformInit(&param, 3, -40, 90);
    QCOMPARE(iplNoiseImage(wide.get(), &param), IPL_StsOk);
    QVERIFY(Matches(wide.get(), [](int x, int y, int c) {
        const double d = -40 + 130.0 * UnitDraw(3, uint64_t((y * 333 + x) * 3 + c));
        return std::clamp(int(std::floor(100 + d + 0.5)), 0, 255);
    }));
    CImage pattern = Make(1001, 37, 3);
    for (int i = 0; i < pattern->imageSize; ++i)
        pattern->imageData[i] = char((i * 37 + i / 101) & 255);
    iplNoiseGaussianInit(&param, 7, 0, 40);
    QCOMPARE(iplNoiseImage(pattern.get(), &param), IPL_StsOk);
    uint64_t nHash = 0xcbf29ce484222325ull; // FNV-1a
    for (int y = 0; y < 37; ++y)
        for (int i = 0; i < 1001 * 3; ++i)
            nHash = (nHash ^ uchar(pattern->imageData[y * pattern->widthStep + i])) * 0x100000001b3ull;
    QCOMPARE(nHash, 0x4fa135d5a876c60full);
}

QTEST_GUILESS_MAIN(CTestIpl)
#include "tst_ipl.moc"
