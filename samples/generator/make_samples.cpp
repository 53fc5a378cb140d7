// Writes Lumivo's sample images (samples/), the folder used for next/previous stepping
// (samples/folder/), and the test fixtures (tests/data/): small images with known pixel values and
// damaged or hostile files for every format the viewer opens.
//
// Usage: make_samples <repository root>
//
// Everything is synthetic and deterministic: pictures are computed from formulas and the "random"
// bytes come from a fixed-seed generator, so a rerun writes the same bytes wherever FreeImage's
// encoders are deterministic. Every image written through FreeImage is loaded again and must come
// back with the depth (and for 16-bit the masks) it was written with; lossless formats must also
// give back the same colours. The program exits with status 1 otherwise.
//
// Known-content fixtures in tests/data, all 9 x 4 pixels; x counted from the left (0..8), y from the
// TOP row (0..3). FreeImage stores rows bottom-up, so row y is scan line 3 - y.
//
//   file                  depth  pixel (x, y)
//   pixels-1.bmp           1     index = 1 if (x + 2y) mod 3 == 0, else 0
//   pixels-4.bmp           4     index = (x + 4y) mod 16
//   pixels-8-grey.bmp      8     index = 7 * (9y + x)
//   pixels-8-palette.bmp   8     index = 7 * (9y + x)
//   pixels-8-palette.pcx   8     the same pixels and palette as pixels-8-palette.bmp
//   pixels-16-555.bmp     16     word = (3x << 10) | (10y << 5) | (31 - x - y)
//   pixels-16-565.bmp     16     word = (3x << 11) | (20y << 5) | (31 - x - y)
//   pixels-24.bmp         24     R = 30x, G = 80y, B = 255 - 10(x + y)
//   pixels-32.bmp         32     R, G, B as pixels-24.bmp, A = 255 - 20x - 10y
//
//   palette entry k of   pixels-1: 0 black, 1 white
//                        pixels-4: R = 17 * (5k mod 16), G = 255 - 17k, B = 17k
//                   pixels-8-grey: R = G = B = k
//                pixels-8-palette: R = k, G = 255 - k, B = 3k mod 256
//   masks (R, G, B) of  pixels-16-555: 0x7C00, 0x03E0, 0x001F;  pixels-16-565: 0xF800, 0x07E0, 0x001F
//
// The 16-bit words are stored little-endian; 24- and 32-bit pixels in the byte order B, G, R (, A).

#include <FreeImage.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Rgba {
    std::uint8_t r, g, b, a;
};

// Pixel painters take x from the left and y from the top.
using ColourPainter = std::function<Rgba(int x, int y)>;
using IndexPainter = std::function<int(int x, int y)>;

struct BitmapDeleter {
    void operator()(FIBITMAP* pBitmap) const { FreeImage_Unload(pBitmap); }
};
using Bitmap = std::unique_ptr<FIBITMAP, BitmapDeleter>;

bool g_bFailed = false;
fs::path g_root; // repository root, for the table printed while writing

void Fail(const std::string& strWhat)
{
    std::fprintf(stderr, "make_samples: %s\n", strWhat.c_str());
    g_bFailed = true;
}

std::uint8_t ToByte(double dValue)
{
    return static_cast<std::uint8_t>(std::lround(std::clamp(dValue, 0.0, 1.0) * 255.0));
}

Rgba FromUnit(double dRed, double dGreen, double dBlue, double dAlpha = 1.0)
{
    return {ToByte(dRed), ToByte(dGreen), ToByte(dBlue), ToByte(dAlpha)};
}

// Hue, saturation and value all in 0..1.
Rgba FromHsv(double dHue, double dSat, double dVal)
{
    const double dSector = std::fmod(dHue, 1.0) * 6.0;
    const int nSector = static_cast<int>(dSector);
    const double dFrac = dSector - nSector;
    const double p = dVal * (1 - dSat), q = dVal * (1 - dSat * dFrac), t = dVal * (1 - dSat * (1 - dFrac));
    switch (nSector) {
    case 0: return FromUnit(dVal, t, p);
    case 1: return FromUnit(q, dVal, p);
    case 2: return FromUnit(p, dVal, t);
    case 3: return FromUnit(p, q, dVal);
    case 4: return FromUnit(t, p, dVal);
    default: return FromUnit(dVal, p, q);
    }
}

double Smooth(double dEdge0, double dEdge1, double dValue)
{
    const double t = std::clamp((dValue - dEdge0) / (dEdge1 - dEdge0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

// Entry of the 8 x 8 ordered-dither matrix, 0..63.
int Bayer8(int x, int y)
{
    int nValue = 0;
    for (int nBit = 0; nBit < 3; ++nBit) {
        const int xb = (x >> nBit) & 1, yb = (y >> nBit) & 1;
        const int nShift = 2 * (2 - nBit);
        nValue |= ((xb ^ yb) << (nShift + 1)) | (yb << nShift);
    }
    return nValue;
}

// Fixed-seed xorshift generator; the seed is taken from the file name so that adding a file never
// changes the bytes of another.
class CRandom {
public:
    explicit CRandom(const std::string& strSeed)
    {
        for (const char c : strSeed)
            m_nState = (m_nState ^ static_cast<std::uint8_t>(c)) * 16777619u;
        if (m_nState == 0)
            m_nState = 1;
    }
    std::uint8_t NextByte()
    {
        m_nState ^= m_nState << 13;
        m_nState ^= m_nState >> 17;
        m_nState ^= m_nState << 5;
        return static_cast<std::uint8_t>(m_nState >> 24);
    }

private:
    std::uint32_t m_nState = 2166136261u;
};

using Palette = std::vector<Rgba>;

Palette MakePalette(int nCount, const std::function<Rgba(int)>& entry)
{
    Palette palette(nCount);
    for (int k = 0; k < nCount; ++k)
        palette[k] = entry(k);
    return palette;
}

Bitmap MakeIndexed(int nWidth, int nHeight, int nBpp, const Palette& palette, const IndexPainter& paint)
{
    Bitmap bitmap(FreeImage_Allocate(nWidth, nHeight, nBpp));
    RGBQUAD* pEntries = FreeImage_GetPalette(bitmap.get());
    for (size_t k = 0; k < palette.size(); ++k)
        pEntries[k] = {palette[k].b, palette[k].g, palette[k].r, 0};
    for (int y = 0; y < nHeight; ++y) {
        for (int x = 0; x < nWidth; ++x) {
            BYTE nIndex = static_cast<BYTE>(paint(x, y));
            FreeImage_SetPixelIndex(bitmap.get(), x, nHeight - 1 - y, &nIndex);
        }
    }
    return bitmap;
}

enum class EColour { k555, k565, k24, k32 };

// True-colour bitmap; 16-bit channels keep the top 5 (6 for 565 green) bits of each 8-bit value.
Bitmap MakeColour(int nWidth, int nHeight, EColour eColour, const ColourPainter& paint)
{
    Bitmap bitmap;
    switch (eColour) {
    case EColour::k555:
        bitmap.reset(
            FreeImage_Allocate(nWidth, nHeight, 16, FI16_555_RED_MASK, FI16_555_GREEN_MASK, FI16_555_BLUE_MASK));
        break;
    case EColour::k565:
        bitmap.reset(
            FreeImage_Allocate(nWidth, nHeight, 16, FI16_565_RED_MASK, FI16_565_GREEN_MASK, FI16_565_BLUE_MASK));
        break;
    case EColour::k24: bitmap.reset(FreeImage_Allocate(nWidth, nHeight, 24)); break;
    case EColour::k32: bitmap.reset(FreeImage_Allocate(nWidth, nHeight, 32)); break;
    }
    for (int y = 0; y < nHeight; ++y) {
        BYTE* pLine = FreeImage_GetScanLine(bitmap.get(), nHeight - 1 - y);
        for (int x = 0; x < nWidth; ++x) {
            const Rgba c = paint(x, y);
            switch (eColour) {
            case EColour::k555:
            case EColour::k565: {
                const unsigned nWord = eColour == EColour::k555 ? ((c.r >> 3) << 10) | ((c.g >> 3) << 5) | (c.b >> 3)
                                                                : ((c.r >> 3) << 11) | ((c.g >> 2) << 5) | (c.b >> 3);
                pLine[2 * x] = static_cast<BYTE>(nWord & 0xFF);
                pLine[2 * x + 1] = static_cast<BYTE>(nWord >> 8);
                break;
            }
            case EColour::k24:
            case EColour::k32: {
                const int nBytes = eColour == EColour::k24 ? 3 : 4;
                BYTE* pPixel = pLine + nBytes * x;
                pPixel[FI_RGBA_RED] = c.r;
                pPixel[FI_RGBA_GREEN] = c.g;
                pPixel[FI_RGBA_BLUE] = c.b;
                if (nBytes == 4)
                    pPixel[FI_RGBA_ALPHA] = c.a;
                break;
            }
            }
        }
    }
    return bitmap;
}

const Palette kBlackWhite = {{0, 0, 0, 255}, {255, 255, 255, 255}};
const Palette kWhiteBlack = {{255, 255, 255, 255}, {0, 0, 0, 255}};

Palette GreyRamp()
{
    return MakePalette(256, [](int k) {
        const auto v = static_cast<std::uint8_t>(k);
        return Rgba{v, v, v, 255};
    });
}

// A smooth colour cycle used by the plasma pictures.
Palette CyclePalette()
{
    return MakePalette(256, [](int k) {
        const double a = 2 * std::numbers::pi * k / 256.0;
        return FromUnit(0.5 + 0.5 * std::sin(a), 0.5 + 0.5 * std::sin(a + 2.1), 0.5 + 0.5 * std::sin(a + 4.2));
    });
}

// Entry 0 a dark background, 1..15 hues around the wheel.
Palette WheelPalette()
{
    return MakePalette(16, [](int k) { return k == 0 ? Rgba{36, 38, 48, 255} : FromHsv((k - 1) / 15.0, 0.75, 0.95); });
}

// A lit sphere on a dark floor, ordered-dithered to black and white.
IndexPainter DitheredSphere(int w, int h)
{
    return [w, h](int x, int y) {
        const double dx = (x - w / 2.0) / (0.4 * w), dy = (y - h / 2.0) / (0.4 * h);
        const double d2 = dx * dx + dy * dy;
        double dLight = 0.15 + 0.25 * y / h;
        if (d2 < 1) {
            const double dz = std::sqrt(1 - d2);
            dLight = std::clamp(0.1 + 0.9 * (-0.45 * dx - 0.55 * dy + 0.7 * dz), 0.0, 1.0);
        }
        return dLight * 64 > Bayer8(x, y) + 0.5 ? 1 : 0;
    };
}

IndexPainter Checker(int nSquare)
{
    return [nSquare](int x, int y) { return (x / nSquare + y / nSquare) % 2; };
}

IndexPainter Rings(int w, int h, double dWidth)
{
    return [w, h, dWidth](int x, int y) { return static_cast<int>(std::hypot(x - w / 2.0, y - h / 2.0) / dWidth) % 2; };
}

IndexPainter Waves()
{
    return [](int x, int y) {
        const double dShifted = y + 8 * std::sin(x / 10.0);
        return static_cast<int>(std::floor(dShifted / 8)) % 2 != 0 ? 1 : 0;
    };
}

IndexPainter Wheel(int w, int h)
{
    return [w, h](int x, int y) {
        const double dx = x - w / 2.0 + 0.5, dy = y - h / 2.0 + 0.5;
        if (std::hypot(dx, dy) > 0.46 * std::min(w, h))
            return 0;
        const double dTurn = (std::atan2(dy, dx) + std::numbers::pi) / (2 * std::numbers::pi);
        return 1 + std::min(14, static_cast<int>(dTurn * 15));
    };
}

IndexPainter DiagonalStripes()
{
    return [](int x, int y) { return ((x + y) / 8) % 16; };
}

IndexPainter Plasma(int w, int h)
{
    return [w, h](int x, int y) {
        const double v = std::sin(x / 16.0) + std::sin(y / 8.0) + std::sin((x + y) / 16.0) +
                         std::sin(std::hypot(x - w / 2.0, y - h / 2.0) / 8.0);
        return std::clamp(static_cast<int>((v + 4) / 8 * 256), 0, 255);
    };
}

// Grey ripples fading out from the centre.
IndexPainter Ripple(int w, int h)
{
    return [w, h](int x, int y) {
        const double d = std::hypot(x - w / 2.0, y - h / 2.0);
        return static_cast<int>(ToByte(0.5 + 0.5 * std::cos(d / 3.0) * std::exp(-d / (0.6 * w))));
    };
}

IndexPainter GreyGradient(int w, int h)
{
    return [w, h](int x, int y) {
        const double d = std::hypot(x - w * 0.3, y - h * 0.3) / std::hypot(w, h);
        return static_cast<int>(ToByte(1.0 - 1.4 * d));
    };
}

ColourPainter Gradient(int w, int h)
{
    return [w, h](int x, int y) {
        const double u = x / (w - 1.0), v = y / (h - 1.0);
        return FromUnit(u, 0.5 * (1 - u) + 0.5 * v, 1 - v);
    };
}

// Three overlapping discs mixing red, green and blue on a dark slate.
ColourPainter Circles(int w, int h)
{
    return [w, h](int x, int y) {
        const double s = std::min(w, h), r = 0.28 * s;
        const double cx[3] = {w / 2.0, w / 2.0 - 0.17 * s, w / 2.0 + 0.17 * s};
        const double cy[3] = {h / 2.0 - 0.14 * s, h / 2.0 + 0.15 * s, h / 2.0 + 0.15 * s};
        double c[3] = {0.12, 0.14, 0.18};
        for (int i = 0; i < 3; ++i)
            c[i] += Smooth(r + 0.75, r - 0.75, std::hypot(x + 0.5 - cx[i], y + 0.5 - cy[i]));
        return FromUnit(c[0], c[1], c[2]);
    };
}

// A hue-wheel disc whose alpha fades to fully transparent at its rim.
ColourPainter AlphaDisc(int w, int h)
{
    return [w, h](int x, int y) {
        const double dx = x + 0.5 - w / 2.0, dy = y + 0.5 - h / 2.0, r = 0.47 * std::min(w, h);
        const double d = std::hypot(dx, dy);
        Rgba c = FromHsv((std::atan2(dy, dx) + std::numbers::pi) / (2 * std::numbers::pi),
                         0.2 + 0.8 * std::min(1.0, d / r), 1.0);
        c.a = ToByte(Smooth(r, 0.8 * r, d));
        return c;
    };
}

// A sunset: sky fading to orange, a sun, and two ranges of hills.
ColourPainter Landscape(int w, int h)
{
    return [w, h](int x, int y) {
        const double u = x / (w - 1.0), v = y / (h - 1.0);
        double r = 0.15 + 0.85 * v, g = 0.2 + 0.45 * v, b = 0.45 - 0.2 * v;
        const double dSun = Smooth(0.085, 0.075, std::hypot(u - 0.68, (v - 0.52) * h / w));
        r += dSun, g += 0.8 * dSun, b += 0.3 * dSun;
        const double dFar = 0.62 + 0.06 * std::sin(u * 9.0) + 0.03 * std::sin(u * 23.0);
        const double dNear = 0.78 + 0.05 * std::sin(u * 5.0 + 1.0) + 0.02 * std::sin(u * 31.0);
        if (v > dNear)
            return FromUnit(0.08, 0.22 + 0.2 * (v - dNear), 0.1);
        if (v > dFar)
            return FromUnit(0.3, 0.2, 0.35);
        return FromUnit(r, g, b);
    };
}

// A hue gradient with a pale disc; used for the images of the stepping folder.
ColourPainter HueCard(int w, int h, double dHue)
{
    return [w, h, dHue](int x, int y) {
        if (std::hypot(x - w / 2.0, y - h / 2.0) < 0.3 * h)
            return FromHsv(dHue, 0.15, 1.0);
        return FromHsv(dHue, 0.4 + 0.6 * x / w, 0.5 + 0.5 * y / h);
    };
}

void WriteBytes(const fs::path& path, const Bytes& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!file)
        Fail("cannot write " + path.string());
}

Bytes EncodeWith(FIBITMAP* pBitmap, FREE_IMAGE_FORMAT nFormat)
{
    FIMEMORY* pMemory = FreeImage_OpenMemory();
    Bytes bytes;
    BYTE* pData = nullptr;
    DWORD nSize = 0;
    if (FreeImage_SaveToMemory(nFormat, pBitmap, pMemory, 0) && FreeImage_AcquireMemory(pMemory, &pData, &nSize))
        bytes.assign(pData, pData + nSize);
    FreeImage_CloseMemory(pMemory);
    if (bytes.empty())
        Fail(std::string("cannot encode as ") + FreeImage_GetFormatFromFIF(nFormat));
    return bytes;
}

const char* ColourTypeName(FIBITMAP* pBitmap)
{
    switch (FreeImage_GetColorType(pBitmap)) {
    case FIC_MINISWHITE: return "min-is-white";
    case FIC_MINISBLACK: return "grey";
    case FIC_RGB: return "rgb";
    case FIC_PALETTE: return "palette";
    case FIC_RGBALPHA: return "rgba";
    case FIC_CMYK: return "cmyk";
    }
    return "?";
}

// True when both bitmaps show the same colours (and alpha) everywhere.
bool SameColours(FIBITMAP* pFirst, FIBITMAP* pSecond)
{
    const Bitmap first(FreeImage_ConvertTo32Bits(pFirst)), second(FreeImage_ConvertTo32Bits(pSecond));
    const unsigned w = FreeImage_GetWidth(pFirst), h = FreeImage_GetHeight(pFirst);
    if (!first || !second || FreeImage_GetWidth(pSecond) != w || FreeImage_GetHeight(pSecond) != h)
        return false;
    for (unsigned y = 0; y < h; ++y) {
        if (!std::equal(FreeImage_GetScanLine(first.get(), y), FreeImage_GetScanLine(first.get(), y) + 4 * w,
                        FreeImage_GetScanLine(second.get(), y)))
            return false;
    }
    return true;
}

// Saves through FreeImage by extension, as the viewer does, then loads the file again and checks
// that it comes back with the same depth (and 16-bit masks) and, unless the format is lossy, the
// same colours. Prints one table row. The colour type is only printed: readers may pick their own
// palette order (FreeImage's PBM reader always gives black then white).
void SaveImage(const fs::path& path, const Bitmap& bitmap)
{
    const std::string strPath = path.string();
    const FREE_IMAGE_FORMAT nFormat = FreeImage_GetFIFFromFilename(strPath.c_str());
    if (nFormat == FIF_UNKNOWN || !FreeImage_Save(nFormat, bitmap.get(), strPath.c_str(), 0)) {
        Fail("cannot save " + strPath);
        return;
    }
    const Bitmap loaded(FreeImage_Load(nFormat, strPath.c_str(), 0));
    if (!loaded) {
        Fail("cannot load " + strPath + " back");
        return;
    }
    const unsigned nBpp = FreeImage_GetBPP(loaded.get());
    const bool bLossy = nFormat == FIF_JPEG;
    std::string strProblems;
    if (nBpp != FreeImage_GetBPP(bitmap.get()))
        strProblems += " depth";
    if (nBpp == 16 && FreeImage_GetGreenMask(loaded.get()) != FreeImage_GetGreenMask(bitmap.get()))
        strProblems += " masks";
    if (!bLossy && !SameColours(bitmap.get(), loaded.get()))
        strProblems += " pixels";
    if (!strProblems.empty())
        Fail(strPath + " reads back with different" + strProblems);

    std::string strKind = ColourTypeName(loaded.get());
    if (nBpp == 16)
        strKind = FreeImage_GetGreenMask(loaded.get()) == FI16_565_GREEN_MASK ? "565" : "555";
    if (bLossy)
        strKind += " (lossy)";
    std::printf("%-42s %-5s %3ux%-3u %2u-bit  %-20s %6llu bytes\n", path.lexically_relative(g_root).c_str(),
                FreeImage_GetFormatFromFIF(nFormat), FreeImage_GetWidth(loaded.get()),
                FreeImage_GetHeight(loaded.get()), nBpp, strKind.c_str(),
                static_cast<unsigned long long>(fs::file_size(path)));
}

void Put8(Bytes& bytes, unsigned nValue)
{
    bytes.push_back(static_cast<std::uint8_t>(nValue));
}
void Put16(Bytes& bytes, unsigned nValue)
{
    Put8(bytes, nValue & 0xFF);
    Put8(bytes, (nValue >> 8) & 0xFF);
}
void Put32(Bytes& bytes, std::uint32_t nValue)
{
    Put16(bytes, nValue & 0xFFFF);
    Put16(bytes, nValue >> 16);
}
void Put16Be(Bytes& bytes, unsigned nValue)
{
    Put8(bytes, (nValue >> 8) & 0xFF);
    Put8(bytes, nValue & 0xFF);
}
void Put32Be(Bytes& bytes, std::uint32_t nValue)
{
    Put16Be(bytes, nValue >> 16);
    Put16Be(bytes, nValue & 0xFFFF);
}
void PutText(Bytes& bytes, const std::string& strText)
{
    bytes.insert(bytes.end(), strText.begin(), strText.end());
}
void PutFill(Bytes& bytes, size_t nCount, std::uint8_t nValue)
{
    bytes.insert(bytes.end(), nCount, nValue);
}
void PutRandom(Bytes& bytes, size_t nCount, CRandom& random)
{
    for (size_t i = 0; i < nCount; ++i)
        bytes.push_back(random.NextByte());
}

// BMP file header and BITMAPINFOHEADER; the caller appends the palette and the pixel data.
Bytes BmpHeaders(std::int32_t nWidth, std::int32_t nHeight, unsigned nBpp, unsigned nCompression,
                 std::uint32_t nColours, std::uint32_t nDataSize)
{
    const std::uint32_t nOffset = 54 + 4 * std::min<std::uint32_t>(nColours, 256);
    Bytes bytes;
    PutText(bytes, "BM");
    Put32(bytes, nOffset + nDataSize);
    Put32(bytes, 0);
    Put32(bytes, nOffset);
    Put32(bytes, 40);
    Put32(bytes, static_cast<std::uint32_t>(nWidth));
    Put32(bytes, static_cast<std::uint32_t>(nHeight));
    Put16(bytes, 1);
    Put16(bytes, nBpp);
    Put32(bytes, nCompression);
    Put32(bytes, nDataSize);
    Put32(bytes, 2835);
    Put32(bytes, 2835);
    Put32(bytes, nColours);
    Put32(bytes, 0);
    return bytes;
}

void PutGreyPalette(Bytes& bytes, int nCount)
{
    for (int k = 0; k < nCount; ++k) {
        const unsigned v = 255 * k / (nCount - 1);
        Put8(bytes, v), Put8(bytes, v), Put8(bytes, v), Put8(bytes, 0);
    }
}

std::uint32_t Crc32(const std::uint8_t* pData, size_t nSize)
{
    std::uint32_t nCrc = 0xFFFFFFFFu;
    for (size_t i = 0; i < nSize; ++i) {
        nCrc ^= pData[i];
        for (int k = 0; k < 8; ++k)
            nCrc = (nCrc >> 1) ^ (0xEDB88320u & (0u - (nCrc & 1u)));
    }
    return ~nCrc;
}

void PutPngChunk(Bytes& bytes, const char* szType, const Bytes& data)
{
    Put32Be(bytes, static_cast<std::uint32_t>(data.size()));
    const size_t nStart = bytes.size();
    PutText(bytes, szType);
    bytes.insert(bytes.end(), data.begin(), data.end());
    Put32Be(bytes, Crc32(bytes.data() + nStart, bytes.size() - nStart));
}

// Run-length encodes an 8-bit palette bitmap as a version-5 PCX file with a 256-colour palette
// (FreeImage reads PCX but cannot write it).
Bytes EncodePcx8(FIBITMAP* pBitmap)
{
    const unsigned w = FreeImage_GetWidth(pBitmap), h = FreeImage_GetHeight(pBitmap);
    const unsigned nLineBytes = (w + 1) & ~1u;
    Bytes bytes;
    Put8(bytes, 0x0A), Put8(bytes, 5), Put8(bytes, 1), Put8(bytes, 8);
    Put16(bytes, 0), Put16(bytes, 0), Put16(bytes, w - 1), Put16(bytes, h - 1);
    Put16(bytes, 72), Put16(bytes, 72);
    PutFill(bytes, 48, 0);
    Put8(bytes, 0), Put8(bytes, 1);
    Put16(bytes, nLineBytes), Put16(bytes, 1);
    PutFill(bytes, 128 - bytes.size(), 0);
    for (unsigned y = 0; y < h; ++y) {
        const BYTE* pLine = FreeImage_GetScanLine(pBitmap, h - 1 - y);
        Bytes line(pLine, pLine + w);
        line.resize(nLineBytes, 0);
        for (size_t i = 0; i < line.size();) {
            size_t nRun = 1;
            while (i + nRun < line.size() && nRun < 63 && line[i + nRun] == line[i])
                ++nRun;
            if (nRun > 1 || line[i] >= 0xC0)
                Put8(bytes, 0xC0 | static_cast<unsigned>(nRun));
            Put8(bytes, line[i]);
            i += nRun;
        }
    }
    Put8(bytes, 0x0C);
    const RGBQUAD* pPalette = FreeImage_GetPalette(pBitmap);
    for (int k = 0; k < 256; ++k)
        Put8(bytes, pPalette[k].rgbRed), Put8(bytes, pPalette[k].rgbGreen), Put8(bytes, pPalette[k].rgbBlue);
    return bytes;
}

void WriteSamples(const fs::path& dir)
{
    struct SSample {
        const char* szName;
        std::function<Bitmap()> make;
    };
    const Palette greys = GreyRamp(), cycle = CyclePalette(), wheel = WheelPalette();
    const SSample samples[] = {
        {"sphere-bw-1.bmp", [] { return MakeIndexed(128, 128, 1, kBlackWhite, DitheredSphere(128, 128)); }},
        {"checker-bw-1.png", [] { return MakeIndexed(96, 96, 1, kBlackWhite, Checker(12)); }},
        {"rings-miniswhite-1.tif", [] { return MakeIndexed(128, 96, 1, kWhiteBlack, Rings(128, 96, 6)); }},
        {"rings-miniswhite-1.bmp", [] { return MakeIndexed(96, 96, 1, kWhiteBlack, Rings(96, 96, 5)); }},
        // FreeImage's PBM writer stores palette indices as they are, and PBM's bit 1 is black: only
        // a min-is-white bitmap comes out the right way round.
        {"waves-1.pbm", [] { return MakeIndexed(128, 64, 1, kWhiteBlack, Waves()); }},
        {"wheel-4.bmp", [&] { return MakeIndexed(128, 128, 4, wheel, Wheel(128, 128)); }},
        {"wheel-4.png", [&] { return MakeIndexed(96, 96, 4, wheel, Wheel(96, 96)); }},
        {"wheel-4.ico", [&] { return MakeIndexed(64, 64, 4, wheel, Wheel(64, 64)); }},
        {"stripes-4.tif", [&] { return MakeIndexed(128, 96, 4, wheel, DiagonalStripes()); }},
        {"ripple-grey-8.pgm", [&] { return MakeIndexed(128, 128, 8, greys, Ripple(128, 128)); }},
        {"ripple-grey-8.png", [&] { return MakeIndexed(96, 96, 8, greys, Ripple(96, 96)); }},
        {"gradient-grey-8.jpg", [&] { return MakeIndexed(160, 120, 8, greys, GreyGradient(160, 120)); }},
        {"gradient-grey-8.tif", [&] { return MakeIndexed(96, 72, 8, greys, GreyGradient(96, 72)); }},
        {"plasma-8.bmp", [&] { return MakeIndexed(160, 120, 8, cycle, Plasma(160, 120)); }},
        {"plasma-8.png", [&] { return MakeIndexed(128, 96, 8, cycle, Plasma(128, 96)); }},
        {"plasma-8.tga", [&] { return MakeIndexed(128, 96, 8, cycle, Plasma(128, 96)); }},
        {"plasma-8.tif", [&] { return MakeIndexed(96, 72, 8, cycle, Plasma(96, 72)); }},
        {"plasma-8.ico", [&] { return MakeIndexed(64, 64, 8, cycle, Plasma(64, 64)); }},
        {"gradient-565-16.bmp", [] { return MakeColour(128, 96, EColour::k565, Gradient(128, 96)); }},
        {"circles-565-16.bmp", [] { return MakeColour(96, 96, EColour::k565, Circles(96, 96)); }},
        {"gradient-555-16.bmp", [] { return MakeColour(128, 96, EColour::k555, Gradient(128, 96)); }},
        {"gradient-555-16.tga", [] { return MakeColour(96, 72, EColour::k555, Gradient(96, 72)); }},
        {"circles-24.bmp", [] { return MakeColour(128, 128, EColour::k24, Circles(128, 128)); }},
        {"circles-24.ppm", [] { return MakeColour(96, 96, EColour::k24, Circles(96, 96)); }},
        {"circles-24.tga", [] { return MakeColour(96, 96, EColour::k24, Circles(96, 96)); }},
        {"circles-24.ico", [] { return MakeColour(64, 64, EColour::k24, Circles(64, 64)); }},
        {"gradient-24.png", [] { return MakeColour(160, 120, EColour::k24, Gradient(160, 120)); }},
        {"gradient-24.tif", [] { return MakeColour(128, 96, EColour::k24, Gradient(128, 96)); }},
        {"landscape-24.jpg", [] { return MakeColour(320, 240, EColour::k24, Landscape(320, 240)); }},
        {"landscape-24.png", [] { return MakeColour(160, 120, EColour::k24, Landscape(160, 120)); }},
        {"alpha-disc-32.png", [] { return MakeColour(128, 128, EColour::k32, AlphaDisc(128, 128)); }},
        {"alpha-disc-32.bmp", [] { return MakeColour(96, 96, EColour::k32, AlphaDisc(96, 96)); }},
        {"alpha-disc-32.tga", [] { return MakeColour(96, 96, EColour::k32, AlphaDisc(96, 96)); }},
        {"alpha-disc-32.tif", [] { return MakeColour(96, 96, EColour::k32, AlphaDisc(96, 96)); }},
        {"alpha-disc-32.ico", [] { return MakeColour(64, 64, EColour::k32, AlphaDisc(64, 64)); }},
    };
    for (const SSample& sample : samples)
        SaveImage(dir / sample.szName, sample.make());
}

// Five images of different formats and widths (64, 72, 80, 88, 96; all 48 high, so a test can tell
// which one is shown), a text file and a directory whose name ends in an image extension.
void WriteFolder(const fs::path& dir)
{
    const char* names[] = {"a.bmp", "b.png", "c.jpg", "d.tif", "e.tga"};
    for (int i = 0; i < 5; ++i) {
        const int w = 64 + 8 * i;
        SaveImage(dir / names[i], MakeColour(w, 48, EColour::k24, HueCard(w, 48, i / 5.0)));
    }
    Bytes text;
    PutText(text, "Not an image: stepping through this folder skips this file.\n");
    WriteBytes(dir / "notes.txt", text);
    fs::create_directories(dir / "sub.png");
    WriteBytes(dir / "sub.png" / ".keep", {});
}

// The known-content fixtures described at the top of this file.
void WritePixelFixtures(const fs::path& dir)
{
    constexpr int w = 9, h = 4;
    const Palette four = MakePalette(16, [](int k) {
        return Rgba{static_cast<std::uint8_t>(17 * (5 * k % 16)), static_cast<std::uint8_t>(255 - 17 * k),
                    static_cast<std::uint8_t>(17 * k), 255};
    });
    const Palette colours = MakePalette(256, [](int k) {
        return Rgba{static_cast<std::uint8_t>(k), static_cast<std::uint8_t>(255 - k),
                    static_cast<std::uint8_t>(3 * k % 256), 255};
    });
    const auto rgb = [](int x, int y, int a) {
        return Rgba{static_cast<std::uint8_t>(30 * x), static_cast<std::uint8_t>(80 * y),
                    static_cast<std::uint8_t>(255 - 10 * (x + y)), static_cast<std::uint8_t>(a)};
    };
    // 16-bit fields given as 8-bit values whose dropped low bits are zero, so they pack exactly.
    const auto fields = [](int r5, int g, int b5) {
        return Rgba{static_cast<std::uint8_t>(8 * r5), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(8 * b5),
                    255};
    };
    const IndexPainter ramp = [](int x, int y) { return 7 * (9 * y + x); };

    SaveImage(dir / "pixels-1.bmp",
              MakeIndexed(w, h, 1, kBlackWhite, [](int x, int y) { return (x + 2 * y) % 3 == 0 ? 1 : 0; }));
    SaveImage(dir / "pixels-4.bmp", MakeIndexed(w, h, 4, four, [](int x, int y) { return (x + 4 * y) % 16; }));
    SaveImage(dir / "pixels-8-grey.bmp", MakeIndexed(w, h, 8, GreyRamp(), ramp));
    const Bitmap palette8 = MakeIndexed(w, h, 8, colours, ramp);
    SaveImage(dir / "pixels-8-palette.bmp", palette8);
    WriteBytes(dir / "pixels-8-palette.pcx", EncodePcx8(palette8.get()));
    SaveImage(dir / "pixels-16-555.bmp",
              MakeColour(w, h, EColour::k555, [&](int x, int y) { return fields(3 * x, 8 * 10 * y, 31 - x - y); }));
    SaveImage(dir / "pixels-16-565.bmp",
              MakeColour(w, h, EColour::k565, [&](int x, int y) { return fields(3 * x, 4 * 20 * y, 31 - x - y); }));
    SaveImage(dir / "pixels-24.bmp", MakeColour(w, h, EColour::k24, [&](int x, int y) { return rgb(x, y, 255); }));
    SaveImage(dir / "pixels-32.bmp",
              MakeColour(w, h, EColour::k32, [&](int x, int y) { return rgb(x, y, 255 - 20 * x - 10 * y); }));
}

struct SFormat {
    const char* szExt;
    Bytes signature;
    FREE_IMAGE_FORMAT nWriter; // FIF_UNKNOWN where FreeImage cannot write the format
};

// A valid small file of the format: what the truncated and scrambled fixtures are cut from.
Bytes ValidFile(const SFormat& format)
{
    const int w = 48, h = 48; // square: FreeImage writes no other icons
    if (std::string(format.szExt) == "pcx") {
        return EncodePcx8(MakeIndexed(w, h, 8, CyclePalette(), Plasma(w, h)).get());
    }
    Bitmap bitmap;
    if (format.nWriter == FIF_PBM)
        bitmap = MakeIndexed(w, h, 1, kWhiteBlack, Checker(8));
    else if (format.nWriter == FIF_PGM)
        bitmap = MakeIndexed(w, h, 8, GreyRamp(), Ripple(w, h));
    else
        bitmap = MakeColour(w, h, EColour::k24, Circles(w, h));
    return EncodeWith(bitmap.get(), format.nWriter);
}

// Headers that claim an enormous image, with a little data behind them. Where the format's size
// fields are 16-bit, the largest size they allow is claimed instead of 100000 x 100000.
void WriteHugeHeaders(const fs::path& dir)
{
    constexpr std::uint32_t kHuge = 100000;
    {
        Bytes bytes = BmpHeaders(kHuge, kHuge, 24, 0, 0, 0);
        PutFill(bytes, 64, 0x55);
        WriteBytes(dir / "huge-100000x100000.bmp", bytes);
    }
    {
        Bytes bytes = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
        Bytes header;
        Put32Be(header, kHuge), Put32Be(header, kHuge);
        Put8(header, 8), Put8(header, 2), Put8(header, 0), Put8(header, 0), Put8(header, 0); // 8-bit RGB
        PutPngChunk(bytes, "IHDR", header);
        // A zlib stream with one stored block of 16 zero bytes: far less than the rows need.
        Bytes data = {0x78, 0x01, 0x01, 16, 0, 0xEF, 0xFF};
        PutFill(data, 16, 0);
        Put32Be(data, 0x00100001); // Adler-32 of 16 zero bytes
        PutPngChunk(bytes, "IDAT", data);
        PutPngChunk(bytes, "IEND", {});
        WriteBytes(dir / "huge-100000x100000.png", bytes);
    }
    {
        // Little-endian TIFF, one IFD of 9 entries at offset 8, one uncompressed RGB strip.
        struct SEntry {
            unsigned nTag, nType;
            std::uint32_t nValue;
        };
        const std::uint32_t nData = 8 + 2 + 9 * 12 + 4 + 6;
        const std::uint32_t nBits = nData - 6;
        const SEntry entries[] = {{256, 4, kHuge}, {257, 4, kHuge}, {258, 3, nBits}, {259, 3, 1}, {262, 3, 2},
                                  {273, 4, nData}, {277, 3, 3},     {278, 4, kHuge}, {279, 4, 64}};
        Bytes bytes = {'I', 'I', 42, 0};
        Put32(bytes, 8);
        Put16(bytes, 9);
        for (const SEntry& entry : entries) {
            Put16(bytes, entry.nTag), Put16(bytes, entry.nType);
            Put32(bytes, entry.nTag == 258 ? 3 : 1);
            Put32(bytes, entry.nValue);
        }
        Put32(bytes, 0);
        Put16(bytes, 8), Put16(bytes, 8), Put16(bytes, 8); // BitsPerSample values
        PutFill(bytes, 64, 0x55);
        WriteBytes(dir / "huge-100000x100000.tif", bytes);
    }
    {
        Bytes bytes = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0}; // uncompressed true colour
        Put16(bytes, 65535), Put16(bytes, 65535), Put8(bytes, 24), Put8(bytes, 0x20);
        PutFill(bytes, 64, 0x55);
        WriteBytes(dir / "huge-65535x65535.tga", bytes);
    }
    {
        Bytes bytes = {0x0A, 5, 1, 8};
        Put16(bytes, 0), Put16(bytes, 0), Put16(bytes, 65534), Put16(bytes, 65534);
        Put16(bytes, 72), Put16(bytes, 72);
        PutFill(bytes, 48, 0);
        Put8(bytes, 0), Put8(bytes, 3), Put16(bytes, 65535), Put16(bytes, 1);
        PutFill(bytes, 128 - bytes.size(), 0);
        PutFill(bytes, 64, 0xC1);
        WriteBytes(dir / "huge-65535x65535.pcx", bytes);
    }
    {
        // An icon directory with one 32-bit entry whose bitmap header claims the size (ICO bitmap
        // headers count the XOR and AND masks, so the height field is doubled).
        Bytes bytes = {0, 0, 1, 0, 1, 0, 0, 0, 0, 0};
        Put16(bytes, 1), Put16(bytes, 32), Put32(bytes, 40 + 64), Put32(bytes, 22);
        Put32(bytes, 40), Put32(bytes, kHuge), Put32(bytes, 2 * kHuge), Put16(bytes, 1), Put16(bytes, 32);
        PutFill(bytes, 24, 0);
        PutFill(bytes, 64, 0x55);
        WriteBytes(dir / "huge-100000x100000.ico", bytes);
    }
    {
        // Baseline JPEG, three components, 65500 x 65500 (the largest size libjpeg accepts), one
        // quantisation table, the standard Huffman tables implied, then a few entropy-coded bytes.
        Bytes bytes = {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x43, 0x00};
        PutFill(bytes, 64, 1);
        Put8(bytes, 0xFF), Put8(bytes, 0xC0), Put16Be(bytes, 17), Put8(bytes, 8);
        Put16Be(bytes, 65500), Put16Be(bytes, 65500), Put8(bytes, 3);
        for (unsigned nComponent = 1; nComponent <= 3; ++nComponent)
            Put8(bytes, nComponent), Put8(bytes, 0x11), Put8(bytes, 0);
        const Bytes scan = {0xFF, 0xDA, 0x00, 0x0C, 0x03, 0x01, 0x00, 0x02, 0x00, 0x03, 0x00, 0x00, 0x3F, 0x00};
        bytes.insert(bytes.end(), scan.begin(), scan.end());
        PutFill(bytes, 64, 0x55);
        Put8(bytes, 0xFF), Put8(bytes, 0xD9);
        WriteBytes(dir / "huge-65500x65500.jpg", bytes);
    }
    {
        // 8 x 536870912 pixels of 4 bits, run-length encoded: a 2 GiB bitmap. FreeImage 3.18 crashes on
        // every RLE4 bitmap of 2 GiB or more once that allocation succeeds, whatever the data.
        Bytes bytes = BmpHeaders(8, 536870912, 4, 2, 16, 2);
        PutGreyPalette(bytes, 16);
        Put8(bytes, 0), Put8(bytes, 1); // end of bitmap
        WriteBytes(dir / "huge-8x536870912-rle4.bmp", bytes);
    }
    const struct {
        const char* szName;
        const char* szHeader;
    } pnm[] = {{"huge-100000x100000.pbm", "P4\n100000 100000\n"},
               {"huge-100000x100000.pgm", "P5\n100000 100000\n255\n"},
               {"huge-100000x100000.ppm", "P6\n100000 100000\n255\n"}};
    for (const auto& file : pnm) {
        Bytes bytes;
        PutText(bytes, file.szHeader);
        PutFill(bytes, 64, 0x55);
        WriteBytes(dir / file.szName, bytes);
    }
}

// Run-length streams that run past the end of their lines and of the image, and headers whose
// counts and extents contradict themselves.
void WriteHostileHeaders(const fs::path& dir)
{
    {
        Bytes data;
        for (int i = 0; i < 8; ++i)
            Put8(data, 255), Put8(data, 7); // encoded runs of 255 pixels in an 8-pixel line
        Put8(data, 0), Put8(data, 255);     // an absolute run of 255 bytes
        PutFill(data, 256, 9);
        Put8(data, 0), Put8(data, 2), Put8(data, 200), Put8(data, 200); // delta far outside
        Put8(data, 2), Put8(data, 3), Put8(data, 0), Put8(data, 1);
        Bytes bytes = BmpHeaders(8, 4, 8, 1, 256, static_cast<std::uint32_t>(data.size()));
        PutGreyPalette(bytes, 256);
        bytes.insert(bytes.end(), data.begin(), data.end());
        WriteBytes(dir / "rle8-overrun.bmp", bytes);
    }
    {
        Bytes data;
        for (int i = 0; i < 8; ++i)
            Put8(data, 255), Put8(data, 0x5A);
        Put8(data, 0), Put8(data, 255);
        PutFill(data, 128, 0x77);
        Put8(data, 0), Put8(data, 2), Put8(data, 250), Put8(data, 250);
        Put8(data, 4), Put8(data, 0x12), Put8(data, 0), Put8(data, 1);
        Bytes bytes = BmpHeaders(8, 4, 4, 2, 16, static_cast<std::uint32_t>(data.size()));
        PutGreyPalette(bytes, 16);
        bytes.insert(bytes.end(), data.begin(), data.end());
        WriteBytes(dir / "rle4-overrun.bmp", bytes);
    }
    {
        Bytes bytes = BmpHeaders(8, 4, 8, 0, 0x7FFFFFFF, 32);
        PutGreyPalette(bytes, 256);
        PutFill(bytes, 32, 0x80);
        WriteBytes(dir / "palette-count-overflow.bmp", bytes);
    }
    {
        Bytes bytes = BmpHeaders(-8, 4, 24, 0, 0, 96);
        PutFill(bytes, 96, 0x80);
        WriteBytes(dir / "negative-width.bmp", bytes);
    }
    {
        Bytes bytes = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0}; // run-length true colour, 8 x 4
        Put16(bytes, 8), Put16(bytes, 4), Put8(bytes, 24), Put8(bytes, 0x20);
        for (int i = 0; i < 16; ++i)
            Put8(bytes, 0xFF), Put8(bytes, 0x20), Put8(bytes, 0x40), Put8(bytes, 0x60); // runs of 128
        Put8(bytes, 0x7F);                                                              // 128 raw pixels
        PutFill(bytes, 3 * 128, 0x33);
        WriteBytes(dir / "rle-overrun.tga", bytes);
    }
    {
        // Run-length true colour, 2048 x 2048, with no pixel data at all: FreeImage 3.18 returns an
        // image, but only after several seconds per million pixels spent failing to read.
        Bytes bytes = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        Put16(bytes, 2048), Put16(bytes, 2048), Put8(bytes, 24), Put8(bytes, 0x20);
        WriteBytes(dir / "rle-without-data-2048x2048.tga", bytes);
    }
    {
        // Run-length true colour whose 8-byte image ID field runs past the end of the 18-byte file.
        // FreeImage 3.18 frees the bitmap it allocated and then flips it (a use after free that
        // crashes): the viewer has to turn such a file away before FreeImage sees it.
        Bytes bytes = {8, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        Put16(bytes, 8), Put16(bytes, 4), Put8(bytes, 24), Put8(bytes, 0x20);
        WriteBytes(dir / "rle-id-past-end.tga", bytes);
    }
    {
        Bytes bytes = {0, 1, 1, 0, 0};                         // colour-mapped, 65535 map entries
        Put16(bytes, 65535), Put8(bytes, 24), Put32(bytes, 0); // of 24 bits, origin 0, 0
        Put16(bytes, 8), Put16(bytes, 4), Put8(bytes, 8), Put8(bytes, 0x20);
        PutFill(bytes, 96, 0x44);
        WriteBytes(dir / "colour-map-overlong.tga", bytes);
    }
    const auto pcxHeader = [](unsigned nXMin, unsigned nXMax, unsigned nLineBytes, unsigned nPlanes = 1) {
        Bytes bytes = {0x0A, 5, 1, 8};
        Put16(bytes, nXMin), Put16(bytes, 0), Put16(bytes, nXMax), Put16(bytes, 3);
        Put16(bytes, 72), Put16(bytes, 72);
        PutFill(bytes, 48, 0);
        Put8(bytes, 0), Put8(bytes, nPlanes), Put16(bytes, nLineBytes), Put16(bytes, 1);
        PutFill(bytes, 128 - bytes.size(), 0);
        return bytes;
    };
    {
        Bytes bytes = pcxHeader(0, 7, 8);
        for (int i = 0; i < 32; ++i)
            Put8(bytes, 0xFF), Put8(bytes, 0x42); // runs of 63 in 8-byte lines
        Put8(bytes, 0x0C);
        PutFill(bytes, 768, 0x99);
        WriteBytes(dir / "rle-overrun.pcx", bytes);
    }
    {
        Bytes bytes = pcxHeader(100, 10, 8);
        PutFill(bytes, 64, 0x42);
        WriteBytes(dir / "inverted-window.pcx", bytes);
    }
    {
        Bytes bytes = pcxHeader(0, 63, 2); // 64 pixels wide, 2 bytes per line
        for (int i = 0; i < 8; ++i)
            Put8(bytes, 0xC2), Put8(bytes, 0x42);
        Put8(bytes, 0x0C);
        PutFill(bytes, 768, 0x99);
        WriteBytes(dir / "line-bytes-short.pcx", bytes);
    }
    {
        // The same for three planes (24-bit): FreeImage 3.18 reads each line's planes past the end of
        // its line buffer (no crash seen, but the pixels come from other heap memory).
        Bytes bytes = pcxHeader(0, 63, 2, 3);
        for (int i = 0; i < 12; ++i)
            Put8(bytes, 0xC2), Put8(bytes, 0x42);
        WriteBytes(dir / "line-bytes-short-24.pcx", bytes);
    }
    {
        // A valid 16 x 16 icon whose bitmap header says 48 bits per pixel. FreeImage 3.18 allocates
        // an 8-bit bitmap for a depth it does not know and then reads 48-bit rows into it: a heap
        // overflow that crashes. The viewer has to turn such a file away before FreeImage sees it.
        Bytes bytes = EncodeWith(MakeColour(16, 16, EColour::k32, AlphaDisc(16, 16)).get(), FIF_ICO);
        const size_t nHeader = bytes[18] | bytes[19] << 8 | bytes[20] << 16 | size_t{bytes[21]} << 24;
        if (nHeader + 16 <= bytes.size()) {
            bytes[nHeader + 14] = 48;
            bytes[nHeader + 15] = 0;
        }
        WriteBytes(dir / "bit-count-48.ico", bytes);
    }
    {
        Bytes bytes = {0, 0, 1, 0, 0xFF, 0xFF}; // 65535 directory entries in a 70-byte file
        for (int i = 0; i < 4; ++i) {
            Put8(bytes, 16), Put8(bytes, 16), Put8(bytes, 0), Put8(bytes, 0), Put16(bytes, 1), Put16(bytes, 32);
            Put32(bytes, 0x7FFFFFFF), Put32(bytes, 0x7FFFFFF0);
        }
        WriteBytes(dir / "directory-overrun.ico", bytes);
    }
}

void WriteDamagedFiles(const fs::path& dir)
{
    const SFormat formats[] = {
        {"bmp", {'B', 'M'}, FIF_BMP},
        {"png", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}, FIF_PNG},
        {"tif", {'I', 'I', 42, 0}, FIF_TIFF},
        {"tga", {0, 0, 2}, FIF_TARGA}, // TGA has no magic number: a plausible start of a header
        {"pcx", {0x0A, 5, 1, 8}, FIF_UNKNOWN},
        {"ico", {0, 0, 1, 0}, FIF_ICO},
        {"jpg", {0xFF, 0xD8, 0xFF}, FIF_JPEG},
        {"pbm", {'P', '4', '\n'}, FIF_PBM},
        {"pgm", {'P', '5', '\n'}, FIF_PGM},
        {"ppm", {'P', '6', '\n'}, FIF_PPM},
        {"pcd", {}, FIF_UNKNOWN}, // FreeImage can neither write nor recognise Photo CD
    };
    for (const SFormat& format : formats) {
        const std::string strExt = format.szExt;
        WriteBytes(dir / ("empty." + strExt), {});

        const std::string strRandom = "random-after-signature." + strExt;
        CRandom random(strRandom);
        Bytes bytes;
        if (strExt == "pcd") {
            // An image pack starts with 2048 bytes of header; the signature "PCD_IPI" follows.
            PutRandom(bytes, 0x800, random);
            PutText(bytes, "PCD_IPI");
        } else {
            bytes = format.signature;
        }
        PutRandom(bytes, 4096 - bytes.size(), random);
        WriteBytes(dir / strRandom, bytes);

        if (strExt == "pcd")
            continue;
        const Bytes valid = ValidFile(format);
        WriteBytes(dir / ("truncated-half." + strExt), Bytes(valid.begin(), valid.begin() + valid.size() / 2));
        // The first quarter kept (headers), the rest overwritten with noise of the same length.
        const std::string strScrambled = "scrambled-body." + strExt;
        CRandom noise(strScrambled);
        Bytes scrambled(valid.begin(), valid.begin() + valid.size() / 4);
        PutRandom(scrambled, valid.size() - scrambled.size(), noise);
        WriteBytes(dir / strScrambled, scrambled);
    }
    {
        // Photo CD images have fixed sizes chosen by the reader, so no header can claim a huge one;
        // this is a pack header with nothing behind it.
        Bytes bytes(0x800, 0);
        PutText(bytes, "PCD_IPI");
        PutFill(bytes, 0x1000 - bytes.size(), 0);
        WriteBytes(dir / "header-only.pcd", bytes);
    }
    // A valid image that only an extension would let the viewer open.
    const Bytes tiny = EncodeWith(MakeColour(8, 8, EColour::k24, Gradient(8, 8)).get(), FIF_BMP);
    WriteBytes(dir / "bmp-without-extension", tiny);
    WriteBytes(dir / "bmp-with-unknown-extension.xyz", tiny);
    WriteBytes(dir / "valid-with-tiff-extension.tiff",
               EncodeWith(MakeColour(8, 8, EColour::k24, Gradient(8, 8)).get(), FIF_TIFF));
    WriteHugeHeaders(dir);
    WriteHostileHeaders(dir);
}

void ReportMessage(FREE_IMAGE_FORMAT nFormat, const char* szMessage)
{
    std::fprintf(stderr, "FreeImage (%s): %s\n", nFormat == FIF_UNKNOWN ? "?" : FreeImage_GetFormatFromFIF(nFormat),
                 szMessage);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_samples <repository root>\n");
        return 2;
    }
    g_root = fs::absolute(argv[1]).lexically_normal();
    const fs::path& root = g_root;
    const fs::path samples = root / "samples", folder = samples / "folder", data = root / "tests" / "data";
    for (const fs::path& dir : {samples, folder, data})
        fs::create_directories(dir);
    FreeImage_SetOutputMessage(ReportMessage);

    WriteSamples(samples);
    WriteFolder(folder);
    WritePixelFixtures(data);
    WriteDamagedFiles(data);
    return g_bFailed ? 1 : 0;
}
