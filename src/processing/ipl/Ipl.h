#pragma once
// The image-processing layer every pixel operation of the program goes through: an image header over
// pixel memory, lookup tables, noise parameters and the operations the processing commands call.
//
// Images are pixel-interleaved with 1, 3 or 4 channels of depth 1 (bits, the leftmost pixel in the
// most significant bit), 8u or 32f (32f only for coordinate maps). Rows are addressed in storage
// order: row 0 is the first stored line, which for bottom-left images is the bottom of the picture.
// Depth-1 images are processed as 8u samples 0 and 255 and packed back (128 and above is 1).
//
// Every operation returns its status, which iplGetErrStatus() reports as well until the next call of
// this thread. A refused call writes nothing. Operations that change sample values leave an alpha
// channel as it was; geometric ones move it with the pixels. Neighbourhood filters replicate the edge
// pixels; geometric operations and remap give 0 where the source position falls outside the source.

struct tagBITMAPINFOHEADER;
struct tagRGBQUAD;
struct IplROI;      // regions of interest are not supported: pass null
struct IplTileInfo; // tiling is not supported: pass null

using IPLStatus = int;
constexpr IPLStatus IPL_StsOk = 0;
constexpr IPLStatus IPL_StsNoMem = -4;
constexpr IPLStatus IPL_StsBadArg = -5;

constexpr int IPL_DEPTH_1U = 1;
constexpr int IPL_DEPTH_8U = 8;
constexpr int IPL_DEPTH_32F = 32;

constexpr int IPL_DATA_ORDER_PIXEL = 0;
constexpr int IPL_DATA_ORDER_PLANE = 1; // refused
constexpr int IPL_ORIGIN_TL = 0;
constexpr int IPL_ORIGIN_BL = 1;
constexpr int IPL_ALIGN_4BYTES = 4;
constexpr int IPL_ALIGN_8BYTES = 8;
constexpr int IPL_ALIGN_16BYTES = 16;
constexpr int IPL_ALIGN_32BYTES = 32;
constexpr int IPL_ALIGN_DWORD = IPL_ALIGN_4BYTES;
constexpr int IPL_ALIGN_QWORD = IPL_ALIGN_8BYTES;

constexpr int IPL_INTER_NN = 0;
constexpr int IPL_INTER_LINEAR = 1;
constexpr int IPL_INTER_CUBIC = 2;

// Parts released by iplDeallocate.
constexpr int IPL_IMAGE_HEADER = 1;
constexpr int IPL_IMAGE_DATA = 2;
constexpr int IPL_IMAGE_ROI = 4;
constexpr int IPL_IMAGE_TILE = 8;
constexpr int IPL_IMAGE_MASK = 16;
constexpr int IPL_IMAGE_ALL = 31;

constexpr int IPL_LUT_LOOKUP = 0;
constexpr int IPL_LUT_INTER = 1;

constexpr int IPL_NOISE_UNIFORM = 0;
constexpr int IPL_NOISE_GAUSSIAN = 1;

// Fixed kernels of iplFixedFilter, results saturated to 0..255.
enum IplFilter {
    IPL_PREWITT_3x3_V, // [-1 0 1] in every row
    IPL_PREWITT_3x3_H, // rows [1 1 1], [0 0 0], [-1 -1 -1]
    IPL_SOBEL_3x3_V,   // [-1 0 1], [-2 0 2], [-1 0 1]
    IPL_SOBEL_3x3_H,   // [1 2 1], [0 0 0], [-1 -2 -1]
    IPL_LAPLACIAN_3x3, // -1 around 8
    IPL_LAPLACIAN_5x5, // rows [-1 -3 -4 -3 -1], [-3 0 6 0 -3], [-4 6 20 6 -4], ...
    IPL_GAUSSIAN_3x3,  // [1 2 1], [2 4 2], [1 2 1] / 16
    IPL_GAUSSIAN_5x5,  // [2 7 12 7 2], [7 31 52 31 7], [12 52 127 52 12], ... / 571
    IPL_HIPASS_3x3,    // -1 around 9
    IPL_HIPASS_5x5,    // -1 around 25
    IPL_SHARPEN_3x3,   // (-1 around 16) / 8
};

struct IplImage {
    int nChannels;      // 1, 3 or 4
    int alphaChannel;   // 0, or the 1-based index of the channel that holds alpha
    int depth;          // IPL_DEPTH_1U, IPL_DEPTH_8U or IPL_DEPTH_32F
    char colorModel[4]; // "GRAY", "RGB", "RGBA"; not zero-terminated when all four are used
    char channelSeq[4]; // "GRAY", "BGR", "BGRA"
    int dataOrder;      // IPL_DATA_ORDER_PIXEL
    int origin;         // IPL_ORIGIN_TL or IPL_ORIGIN_BL
    int align;          // row alignment in bytes
    int width;
    int height;
    int imageSize;         // widthStep * height
    char* imageData;       // row 0; null until storage is allocated or attached
    int widthStep;         // bytes from one row to the next
    char* imageDataOrigin; // storage this layer allocated and iplDeallocate frees; null when imageData
                           // belongs to someone else (a bitmap's pixels, rows of another image)
};

// A table per channel. Lookup tables (IPL_LUT_LOOKUP) have num keys and num - 1 values: a level in
// [key[k], key[k+1]) becomes value[k]. Interpolated tables (IPL_LUT_INTER) have num keys and num values
// and map key[k] to value[k], linearly in between (rounded to nearest). Levels a table does not cover
// keep their value: for the interpolated tables of keys 0..254, level 255 stays 255. Results are
// saturated to 0..255. factor is not read. iplComputeHisto writes value[k] = count of [key[k], key[k+1]).
struct IplLUT {
    int num;
    int* key;
    int* value;
    int* factor;
    int interpolateType;
};

// Noise added by iplNoiseImage, drawn from a generator that the seed fixes on every machine.
struct IplNoiseParam {
    int noise; // IPL_NOISE_UNIFORM or IPL_NOISE_GAUSSIAN
    unsigned seed;
    int lowInt, highInt; // uniform: low + (high - low) * u, u in [0, 1)
    int mean, stDev;     // Gaussian: mean + stDev * n, n standard normal
};

// Bitmap bridge. iplTranslateDIB makes an image over a bottom-up device-independent bitmap given by
// its info header, colour table, colour masks (red, green, blue; for 16 bits, null means 555) and
// pixels: 1-bit, grey-palette 8-bit, 24-bit and 32-bit images share the pixels; colour-palette 8-bit
// and 16-bit ones become 3-channel copies. *pCloneData tells whether the pixels were copied. Null for
// any other bitmap or a header that does not describe a usable image.
IplImage* iplTranslateDIB(const tagBITMAPINFOHEADER* pHeader, const tagRGBQUAD* pPalette, const unsigned* pMasks,
                          void* pBits, int* pCloneData);
// Writes the image into a bitmap of the same size whose bits per pixel is depth times channels (1, 8,
// 24 or 32), with a black and white colour table for 1 bit and a grey ramp for 8. dither and
// paletteConversion are accepted and have no effect.
IPLStatus iplConvertToDIBSep(const IplImage* pImage, const tagBITMAPINFOHEADER* pHeader, tagRGBQUAD* pPalette,
                             void* pBits, int dither, int paletteConversion);

// Images. A header is refused (null) for a width or height below 1, an unsupported layout, a region,
// mask or tile, or a size beyond 2 GiB. Storage is always zero-filled, then set to fillValue when
// doFill is not 0. Deallocation never frees storage it did not allocate.
IplImage* iplCreateImageHeader(int nChannels, int alphaChannel, int depth, const char* colorModel,
                               const char* channelSeq, int dataOrder, int origin, int align, int width, int height,
                               IplROI* roi, IplImage* maskROI, void* imageId, IplTileInfo* tileInfo);
IPLStatus iplAllocateImage(IplImage* pImage, int doFill, int fillValue);
IPLStatus iplAllocateImageFP(IplImage* pImage, int doFill, float fillValue);
void iplDeallocate(IplImage* pImage, int flag);
IPLStatus iplGetErrStatus();
IplImage* iplCloneImage(const IplImage* pImage);

// Scaling by xDst/xSrc and yDst/ySrc into dst. Nearest neighbour takes dst(x, y) from the source pixel
// (x * xSrc / xDst, y * ySrc / yDst) rounded down, whatever dst's size; linear and cubic fit the picture
// onto dst's size (the same scale when dst's size is the source's times the factors, rounded). Zoom
// refuses factors below 1, Decimate factors above 1.
IPLStatus iplZoom(const IplImage* src, IplImage* dst, int xDst, int xSrc, int yDst, int ySrc, int interpolate);
IPLStatus iplDecimate(const IplImage* src, IplImage* dst, int xDst, int xSrc, int yDst, int ySrc, int interpolate);
IPLStatus iplResize(const IplImage* src, IplImage* dst, int xDst, int xSrc, int yDst, int ySrc, int interpolate);
// A centred box blur of the odd mask size, then Decimate.
IPLStatus iplDecimateBlur(const IplImage* src, IplImage* dst, int xDst, int xSrc, int yDst, int ySrc, int interpolate,
                          int xMaskSize, int yMaskSize);
// Source column x and row y go to (x cos a + y sin a + xShift, -x sin a + y cos a + yShift), a the angle
// in degrees.
IPLStatus iplRotate(const IplImage* src, IplImage* dst, double angle, double xShift, double yShift, int interpolate);
// 0 reverses the rows, 1 the columns, -1 both.
IPLStatus iplMirror(const IplImage* src, IplImage* dst, int flipAxis);
// Source (x, y) goes to (x + xShear y + xShift, y + yShear x + yShift).
IPLStatus iplShear(const IplImage* src, IplImage* dst, double xShear, double yShear, double xShift, double yShift,
                   int interpolate);

// Neighbourhood filters over nCols x nRows with the anchor pixel at (anchorX, anchorY) inside it. The
// mean is rounded to nearest; the median of an even count is the upper middle value.
IPLStatus iplBlur(const IplImage* src, IplImage* dst, int nCols, int nRows, int anchorX, int anchorY);
IPLStatus iplMedianFilter(const IplImage* src, IplImage* dst, int nCols, int nRows, int anchorX, int anchorY);
IPLStatus iplMaxFilter(const IplImage* src, IplImage* dst, int nCols, int nRows, int anchorX, int anchorY);
IPLStatus iplMinFilter(const IplImage* src, IplImage* dst, int nCols, int nRows, int anchorX, int anchorY);
// Rows of the kernels apply to rows in storage order; divided results are rounded half up.
IPLStatus iplFixedFilter(const IplImage* src, IplImage* dst, int filter);

// dst has one channel: 0 where the source is below threshold, else 1 (255 for 8u). A colour source is
// taken by its luminance.
IPLStatus iplThreshold(const IplImage* src, IplImage* dst, int threshold);
IPLStatus iplNot(const IplImage* src, IplImage* dst);
// 3 x 3 morphology, repeated nIterations (at least 1) times; Open erodes first, Close dilates first.
IPLStatus iplErode(const IplImage* src, IplImage* dst, int nIterations);
IPLStatus iplDilate(const IplImage* src, IplImage* dst, int nIterations);
IPLStatus iplOpen(const IplImage* src, IplImage* dst, int nIterations);
IPLStatus iplClose(const IplImage* src, IplImage* dst, int nIterations);

// One table per channel, alpha included.
IPLStatus iplComputeHisto(const IplImage* src, IplLUT** ppLuts);
// Maps each channel through the cumulative histogram of its table: the lowest occupied bin to 0, the
// whole count to 255.
IPLStatus iplHistoEqualize(const IplImage* src, IplImage* dst, const IplLUT* const* ppLuts);
IPLStatus iplContrastStretch(const IplImage* src, IplImage* dst, const IplLUT* const* ppLuts);

// dst(x, y) = src sampled at (xMap(x, y), yMap(x, y)); maps are 1-channel 32f images of dst's size.
IPLStatus iplRemap(const IplImage* src, const IplImage* xMap, const IplImage* yMap, IplImage* dst, int interpolate);

// Noise: one independent draw per colour sample in storage order, added, rounded half up, saturated.
IPLStatus iplNoiseUniformInit(IplNoiseParam* pParam, unsigned seed, int low, int high);
IPLStatus iplNoiseGaussianInit(IplNoiseParam* pParam, unsigned seed, int mean, int stDev);
IPLStatus iplNoiseImage(IplImage* pImage, const IplNoiseParam* pParam);

// dst = src + value, saturated.
IPLStatus iplAddS(const IplImage* src, IplImage* dst, int value);
