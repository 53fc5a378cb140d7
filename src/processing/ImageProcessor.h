#pragma once
// The one object through which processing reaches the image-processing layer: built over one
// bitmap, it runs one operation and hands back a new bitmap (or null). It never changes the bitmap
// it was built over, beyond a palette rewrite it undoes before returning.
#include <functional>

struct FIBITMAP;
struct IplImage;

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
    // A zero-filled result image with the source's layout and the given size; null when refused.
    IplImage* CreateResultImage(int nWidth, int nHeight);
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

    FIBITMAP* m_pSrcBitmap;            // not owned: the document's bitmap
    FIBITMAP* m_pDstBitmap = nullptr;  // handed to the caller
    IplImage* m_pSrcImage = nullptr;   // owned
    IplImage* m_pDstImage = nullptr;   // owned

protected:
    struct SSize {
        int nWidth, nHeight;
    };
    using FnSize = std::function<SSize(int nWidth, int nHeight)>;
    using FnApply = std::function<void(const IplImage* pSrc, IplImage* pDst)>;
    // The operation template: translate, size the result from the source's size, create it, apply,
    // convert back. Parameter checks come before, in the caller.
    FIBITMAP* Run(const FnSize& fnSize, const FnApply& fnApply);
    // Scaling by the factors, rounded as MulDiv does (Zoom, Decimate, Resize, DecimateBlur).
    static FnSize ScaledSize(int nDstX, int nSrcX, int nDstY, int nSrcY);
    // The result keeps the source's size.
    FIBITMAP* RunSameSize(const FnApply& fnApply);
};

// a * b / c with a 64-bit product, rounded to nearest with halves away from zero; -1 when c is 0 or
// the result does not fit.
int MulDiv(int a, int b, int c);
