#pragma once
// The one object through which processing reaches the image-processing layer: built over one
// bitmap, it runs one operation and hands back a new bitmap (or null). It never changes the bitmap
// it was built over, beyond a palette rewrite it undoes before returning.
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <vector>

struct FIBITMAP;
struct IplImage;
struct IplLUT;

class CImageProcessor {
public:
    explicit CImageProcessor(FIBITMAP* pBitmap);
    virtual ~CImageProcessor();
    CImageProcessor(const CImageProcessor&) = delete;
    CImageProcessor& operator=(const CImageProcessor&) = delete;

    // Status codes of the bridge.
    enum { STATUS_OK = 0, STATUS_UNSUPPORTED = 1, STATUS_FAILED = -4 };

    // Makes m_pSrcImage over the bitmap: 0, 1 for a depth other than 1, 8, 16, 24, 32, -4 on failure.
    int TranslateSource();
    // A zero-filled result image with the source's layout (or pLayout's) and the given size; null when
    // refused.
    IplImage* CreateResultImage(int nWidth, int nHeight, const IplImage* pLayout = nullptr);
    // Converts m_pDstImage into the new bitmap m_pDstBitmap: 0, 1 (depth not convertible, the
    // bitmap is left unfilled) or -4 (no bitmap).
    int ConvertResult();

    // Geometric operations.
    FIBITMAP* Zoom(int nDstX, int nSrcX, int nDstY, int nSrcY, int nInterpolation);
    FIBITMAP* Decimate(int nDstX, int nSrcX, int nDstY, int nSrcY, int nInterpolation);
    FIBITMAP* Resize(int nDstX, int nSrcX, int nDstY, int nSrcY, int nInterpolation);
    FIBITMAP* DecimateBlur(int nDstX, int nSrcX, int nDstY, int nSrcY, int nInterpolation, int nMaskX, int nMaskY);
    FIBITMAP* Mirror(int nAxis);
    FIBITMAP* Rotate(double dAngle, double dShiftX, double dShiftY, int nInterpolation);
    FIBITMAP* Shear(double dShearX, double dShearY, double dShiftX, double dShiftY, int nInterpolation);

    // Neighbourhood filters over nCols x nRows; null unless the anchor lies inside the aperture.
    FIBITMAP* Blur(int nCols, int nRows, int nAnchorX, int nAnchorY);
    FIBITMAP* MedianFilter(int nCols, int nRows, int nAnchorX, int nAnchorY);
    FIBITMAP* MinFilter(int nCols, int nRows, int nAnchorX, int nAnchorY);
    FIBITMAP* MaxFilter(int nCols, int nRows, int nAnchorX, int nAnchorY);
    // One of the fixed kernels (an IplFilter code).
    FIBITMAP* FixedFilter(int nFilter);

    // A 1-bit picture: 0 below nLevel, 1 from it on (colour taken by its luminance).
    FIBITMAP* Threshold(int nLevel);
    FIBITMAP* Invert();
    FIBITMAP* Erode(int nIterations);
    FIBITMAP* Dilate(int nIterations);
    FIBITMAP* MorphOpen(int nIterations);
    FIBITMAP* MorphClose(int nIterations);

    // Tables: one per channel, keys 0 .. nKeys - 1 set to zero like everything else; null when memory
    // runs out (nothing is left allocated). FreeLUTs accepts null.
    static IplLUT** AllocLUTs(int nChannels, int nMode, int nKeys);
    static void FreeLUTs(IplLUT** ppLuts, int nChannels);
    // The source's histogram, one table of 257 keys per channel; *pnChannels gets the channel count.
    IplLUT** ComputeHisto(int* pnChannels);
    FIBITMAP* HistoEqualize();
    // Curve 2 "High +", 3 "Low +", 4 "Low - High+", 5 "Low + High -"; null for any other.
    FIBITMAP* ContrastStretch(int nCurve);
    // The value table of a contrast curve, levels 0 .. 254.
    static void FillContrastCurve(int nCurve, int* pValues);

    // Brightness and contrast adjustment: PrepareAdjust translates the source and gives the working
    // image (a copy of it; the caller frees it), AdjustBrightnessContrast sets the working image to
    // source + brightness and maps it through the tables into the result bitmap. The result bitmap is
    // reused by the next adjustment while m_pDstBitmap still points at it.
    IplImage* PrepareAdjust();
    FIBITMAP* AdjustBrightnessContrast(IplImage* pWork, int nBrightness, IplLUT** ppLuts);
    // The adjustment's tables: one per channel, keys 0 .. 256; null when memory runs out.
    static IplLUT** AllocAdjustLUTs(int nChannels);
    // The adjustment table for contrast s (-200 .. 200), levels 0 .. 255.
    static void FillAdjustTable(int nContrast, int* pValues);
    // One adjustment as a new bitmap the caller owns, as the dialog's last preview would show it.
    FIBITMAP* BrightnessContrast(int nBrightness, int nContrast);

    // A copy of the source with noise added, the generator seeded with 1 so that the same image and
    // values always give the same picture.
    FIBITMAP* UniformNoise(int nLow, int nHigh);
    FIBITMAP* GaussianNoise(int nMean, int nStDev);

    // Distortion effect nCode (an EffectKind; any other code is Star): the source remapped with linear
    // sampling, positions outside it left at 0. Null without a bitmap or for a depth the bridge refuses.
    FIBITMAP* Effect(int nCode);
    // The clock that seeds Explosion's generator: the calendar time in seconds.
    time_t (*m_pfnTime)(time_t*) = [](time_t* p) { return std::time(p); };

    FIBITMAP* m_pSrcBitmap;            // not owned: the document's bitmap
    FIBITMAP* m_pDstBitmap = nullptr;  // handed to the caller
    IplImage* m_pSrcImage = nullptr;   // owned
    IplImage* m_pDstImage = nullptr;   // owned

protected:
    struct SSize {
        int nWidth, nHeight;
    };
    using FnSize = std::function<SSize(int nWidth, int nHeight)>;
    using FnApply = std::function<int(const IplImage* pSrc, IplImage* pDst)>;
    // The operation template: translate, size the result from the source's size, create it, apply,
    // convert back. Parameter checks come before, in the caller.
    FIBITMAP* Run(const FnSize& fnSize, const FnApply& fnApply);
    // Converts the result back and hands it over when nStatus (the operation's) is IPL_StsOk; otherwise
    // drops it, so that a failed operation gives no picture rather than a blank one.
    FIBITMAP* Finish(int nStatus);
    // Scaling by the factors, rounded as MulDiv does (Zoom, Decimate, Resize, DecimateBlur).
    static FnSize ScaledSize(int nDstX, int nSrcX, int nDstY, int nSrcY);
    // The result keeps the source's size.
    FIBITMAP* RunSameSize(const FnApply& fnApply);
    // The aperture filters: the anchor must lie inside the aperture.
    using FnAperture = int (*)(const IplImage*, IplImage*, int, int, int, int);
    FIBITMAP* RunAperture(FnAperture fnFilter, int nCols, int nRows, int nAnchorX, int nAnchorY);
    using FnMorphology = int (*)(const IplImage*, IplImage*, int);
    FIBITMAP* RunMorphology(FnMorphology fnMorphology, int nIterations);
};

enum EffectKind {
    EFFECT_CONCAVITY,
    EFFECT_CONVEXITY,
    EFFECT_EXPLOSION,
    EFFECT_MADNESS,
    EFFECT_V_WAVE,
    EFFECT_H_WAVE,
    EFFECT_FISH_EYE,
    EFFECT_RIPPLES,
    EFFECT_MOSAIC,
    EFFECT_TWIRL,
    EFFECT_STAR,
};

// Where an effect samples the source for each destination pixel of a W x H image, row 0 being the
// first stored line. Effects build their maps band by band through it, so the maps never exist whole.
class CEffectMap {
public:
    // Rows of a band hold about this many pixels (at least one row).
    static constexpr int kBandPixels = 1 << 15;

    // nSeed is read by Explosion only: it seeds the generator that draws p then q (each mod 10) per
    // pixel in raster order. A band starts its generator at its own first pixel, so any split into
    // bands draws the same numbers as one pass over the whole image.
    CEffectMap(int nCode, int nWidth, int nHeight, unsigned nSeed = 0);
    // The source column and row of destination rows y0 .. y1 - 1, into rows of pX and pY nStep bytes apart.
    void Fill(int y0, int y1, float* pX, float* pY, size_t nStep) const;

private:
    struct SRow;
    void FillRow(const SRow& row, float* pX, float* pY) const;

    EffectKind m_eKind;
    int m_nWidth, m_nHeight;
    unsigned m_nSeed;
    double m_dCx, m_dCy, m_dR; // centre and lens radius
    float m_fAW, m_fAH;        // angular steps
    double m_dDiagonal;
    double m_dFishNorm; // 2 / pi
    // Column terms, computed once per column for the effects that use them: sin(x aW) and cos(x aW),
    // or H. wave's displacement.
    std::vector<double> m_colSin, m_colCos, m_colWave;
};

// a * b / c with a 64-bit product, rounded to nearest with halves away from zero; -1 when c is 0 or
// the result does not fit.
int MulDiv(int a, int b, int c);
