#include "processing/Operations.h"

#include "image/Bitmap.h"
#include "image/Crop.h"
#include "image/DepthConversions.h"
#include "processing/ImageProcessor.h"
#include "processing/ipl/Ipl.h"

#include <FreeImage.h>
#include <QStringList>
#include <cfloat>
#include <cmath>

namespace {

constexpr const char* INTERPOLATIONS = "Nearest|Linear|Cubic";

// Zoom, Decimate and Resize share one dialog and differ in their starting factors.
template <int DstX, int SrcX, int DstY, int SrcY>
constexpr SOperationParam kScaling[] = {
    {"destination-x", "edit1042", "X", "Destination", PARAM_INT, DstX, 1, 65000, true},
    {"source-x", "edit1044", "X", "Source", PARAM_INT, SrcX, 1, 65000, true},
    {"destination-y", "edit1043", "Y", "Destination", PARAM_INT, DstY, 1, 65000, true},
    {"source-y", "edit1045", "Y", "Source", PARAM_INT, SrcY, 1, 65000, true},
    {"interpolation", "radio1046", INTERPOLATIONS, "Interpolation", PARAM_RADIO, 0, 0, 2, true},
};

constexpr SOperationParam kDecimateBlur[] = {
    {"mask-horizontal", "edit1049", "Horizontal ", "Blur Mask Size", PARAM_UINT, 3, 3, 7, true},
    {"mask-vertical", "edit1050", "Vertical", "Blur Mask Size", PARAM_UINT, 3, 3, 7, true},
    {"interpolation", "radio1046", INTERPOLATIONS, "Interpolation", PARAM_RADIO, 0, 0, 2, true},
    {"destination-x", "edit1042", "X", "Destination", PARAM_INT, 1, 1, 65000, true},
    {"source-x", "edit1044", "X", "Source", PARAM_INT, 2, 1, 65000, true},
    {"destination-y", "edit1043", "Y", "Destination", PARAM_INT, 1, 1, 65000, true},
    {"source-y", "edit1045", "Y", "Source", PARAM_INT, 2, 1, 65000, true},
};

constexpr SOperationParam kMirror[] = {
    {"horizontal", "check1054", "Horizontal", "Flip axis", PARAM_CHECK, 1},
    {"vertical", "check1055", "Vertical", "Flip axis", PARAM_CHECK, 0},
};

constexpr SOperationParam kRotate[] = {
    {"angle", "edit1049", "", "Angle", PARAM_DOUBLE, 90.0, 1.0, 360.0, true},
    {"interpolation", "radio1056", INTERPOLATIONS, "Interpolation", PARAM_RADIO, 0, 0, 2, true},
};

constexpr SOperationParam kShear[] = {
    {"x", "edit1049", "X", "Coefficients", PARAM_DOUBLE, 0.2},
    {"y", "edit1050", "Y", "Coefficients", PARAM_DOUBLE, 0.1},
    {"interpolation", "radio1056", INTERPOLATIONS, "Interpolation", PARAM_RADIO, 0, 0, 2, true},
};

// Blur and the non-linear filters: the aperture and the anchor inside it, with their own ranges.
template <int ApertureMin, int AnchorDefault, int AnchorMin, int AnchorMax>
constexpr SOperationParam kAperture[] = {
    {"aperture-x", "edit1049", "X", "Aperture", PARAM_UINT, 3, ApertureMin, 7, true},
    {"aperture-y", "edit1059", "Y", "Aperture", PARAM_UINT, 3, ApertureMin, 7, true},
    {"anchor-x", "edit1050", "X", "Anchor", PARAM_UINT, AnchorDefault, AnchorMin, AnchorMax, true},
    {"anchor-y", "edit1060", "Y", "Anchor", PARAM_UINT, AnchorDefault, AnchorMin, AnchorMax, true},
};
constexpr auto& kBlur = kAperture<3, 1, 0, 7>;
constexpr auto& kNonLinear = kAperture<1, 1, 1, 6>;

constexpr SOperationParam kFilter[] = {
    {"filter", "combo1061",
     "VERTICAL PREWIT 3 X 3|HORIZONTAL PREWIT 3 X 3|VERTICAL SOBEL 3 X 3|HORIZONTAL SOBEL 3 X 3|"
     "LAPLACIAN 3 X 3|LAPLACIAN 5 X 5|GAUSSIAN 3 X 3|GAUSSIAN 5 X 5|HIPASS 3 X 3|HIPASS 5 X 5|SHARPEN",
     "Filter type", PARAM_COMBO, 0, 0, 10, true},
};

constexpr SOperationParam kThreshold[] = {
    {"threshold", "edit1049", "", "Threshold value", PARAM_UINT, 128, 0, 255, true},
};

constexpr SOperationParam kMorph[] = {
    {"iterations", "edit1049", "", "Iterations", PARAM_UINT, 1, 1, 100, true},
};

constexpr SOperationParam kUniform[] = {
    {"low", "edit1049", "Low", "Range Noise Parameters", PARAM_INT, 150, 0, 255, true},
    {"high", "edit1050", "High", "Range Noise Parameters", PARAM_INT, 75, 0, 255, true},
};

constexpr SOperationParam kGaussian[] = {
    {"mean", "edit1049", "Mean", "Statistic Noise Parameters", PARAM_INT, 35, 0, 255, true},
    {"std-dev", "edit1050", "Std. Dev.", "Statistic Noise Parameters", PARAM_INT, 10, 0, 255, true},
};

// The brightness and contrast dialog's two sliders.
constexpr SOperationParam kAdjust[] = {
    {"brightness", "slider1067", "Brightness", "", PARAM_INT, 0, -200, 200, true},
    {"contrast", "slider1068", "Contrast", "", PARAM_INT, 0, -200, 200, true},
};

// Crop has no dialog of its own: a rectangle from the top-left corner.
constexpr SOperationParam kCrop[] = {
    {"x", "", "X", "", PARAM_UINT, 0, 0, 65535, true},
    {"y", "", "Y", "", PARAM_UINT, 0, 0, 65535, true},
    {"width", "", "Width", "", PARAM_UINT, 1, 1, 65535, true},
    {"height", "", "Height", "", PARAM_UINT, 1, 1, 65535, true},
};

int I(double d)
{
    return int(d);
}

template <FIBITMAP* (CImageProcessor::*Operation)(int, int, int, int, int)>
FIBITMAP* RunScaling(FIBITMAP* p, const double* v)
{
    return (CImageProcessor(p).*Operation)(I(v[0]), I(v[1]), I(v[2]), I(v[3]), I(v[4]));
}

template <FIBITMAP* (CImageProcessor::*Operation)(int, int, int, int)>
FIBITMAP* RunAperture(FIBITMAP* p, const double* v)
{
    return (CImageProcessor(p).*Operation)(I(v[0]), I(v[1]), I(v[2]), I(v[3]));
}

template <FIBITMAP* (CImageProcessor::*Operation)(int)> FIBITMAP* RunOne(FIBITMAP* p, const double* v)
{
    return (CImageProcessor(p).*Operation)(I(v[0]));
}

template <FIBITMAP* (CImageProcessor::*Operation)(int, int)> FIBITMAP* RunTwo(FIBITMAP* p, const double* v)
{
    return (CImageProcessor(p).*Operation)(I(v[0]), I(v[1]));
}

// Operations without parameters: the processor's call with its fixed arguments.
template <auto Operation, int... Args> FIBITMAP* RunFixed(FIBITMAP* p, const double*)
{
    return (CImageProcessor(p).*Operation)(Args...);
}

FIBITMAP* RunMirror(FIBITMAP* p, const double* v)
{
    const bool bH = v[0] != 0, bV = v[1] != 0;
    if (!bH && !bV)
        return nullptr; // no flip axis
    return CImageProcessor(p).Mirror(bH ? (bV ? -1 : 0) : 1);
}

FIBITMAP* RunBlackWhite(FIBITMAP* p, const double* v)
{
    const CBitmapPtr pGrey(GreyForThreshold(p));
    return pGrey ? CImageProcessor(pGrey.get()).Threshold(I(v[0])) : nullptr;
}

// The tone operations need 8 bits or more.
template <auto Operation, int... Args> FIBITMAP* RunTone(FIBITMAP* p, const double* v)
{
    return FreeImage_GetBPP(p) >= 8 ? RunFixed<Operation, Args...>(p, v) : nullptr;
}

template <FIBITMAP* (CImageProcessor::*Operation)(int, int)> FIBITMAP* RunToneTwo(FIBITMAP* p, const double* v)
{
    return FreeImage_GetBPP(p) >= 8 ? RunTwo<Operation>(p, v) : nullptr;
}

// Without the menu's enabling rule: a picture already at the depth comes back as FreeImage's copy of it,
// so converting a mixed folder to 24 bits passes its 24-bit pictures through instead of failing them.
template <EDepthConversion Kind> FIBITMAP* RunConversion(FIBITMAP* p, const double*)
{
    return DepthConversions()[Kind].fnConvert(p);
}

FIBITMAP* RunCrop(FIBITMAP* p, const double* v)
{
    // Rows count from the top here and from the bottom in the bitmap.
    const qint64 nHeight = FreeImage_GetHeight(p);
    const qint64 nX = qint64(v[0]), nY = qint64(v[1]), nW = qint64(v[2]), nH = qint64(v[3]);
    if (nY + nH > nHeight)
        return nullptr;
    return CropBitmap(p, int(nX), int(nHeight - nY - nH), int(nX + nW), int(nHeight - nY));
}

constexpr auto kFixed = &CImageProcessor::FixedFilter;
constexpr auto kCurve = &CImageProcessor::ContrastStretch;
constexpr auto kEffect = &CImageProcessor::Effect;
using CIP = CImageProcessor;

const SOperation g_operations[] = {
    {"zoom", kScaling<2, 1, 2, 1>, &RunScaling<&CIP::Zoom>},
    {"decimate", kScaling<1, 2, 1, 2>, &RunScaling<&CIP::Decimate>},
    {"resize", kScaling<1, 2, 2, 1>, &RunScaling<&CIP::Resize>},
    {"decimate-blur", kDecimateBlur,
     [](FIBITMAP* p, const double* v) {
         return CImageProcessor(p).DecimateBlur(I(v[3]), I(v[4]), I(v[5]), I(v[6]), I(v[2]), I(v[0]), I(v[1]));
     }},
    {"mirror", kMirror, &RunMirror},
    {"rotate", kRotate,
     [](FIBITMAP* p, const double* v) { return CImageProcessor(p).Rotate(v[0], 0.0, 0.0, I(v[1])); }},
    {"shear", kShear,
     [](FIBITMAP* p, const double* v) { return CImageProcessor(p).Shear(v[0], v[1], 0.0, 0.0, I(v[2])); }},
    {"blur", kBlur, &RunAperture<&CIP::Blur>},
    {"filter", kFilter, &RunOne<&CIP::FixedFilter>},
    {"median", kNonLinear, &RunAperture<&CIP::MedianFilter>},
    {"min", kNonLinear, &RunAperture<&CIP::MinFilter>},
    {"max", kNonLinear, &RunAperture<&CIP::MaxFilter>},
    {"vertical-prewit", {}, &RunFixed<kFixed, IPL_PREWITT_3x3_V>},
    {"horizontal-prewit", {}, &RunFixed<kFixed, IPL_PREWITT_3x3_H>},
    {"vertical-sobel", {}, &RunFixed<kFixed, IPL_SOBEL_3x3_V>},
    {"horizontal-sobel", {}, &RunFixed<kFixed, IPL_SOBEL_3x3_H>},
    {"laplacian-3x3", {}, &RunFixed<kFixed, IPL_LAPLACIAN_3x3>},
    {"laplacian-5x5", {}, &RunFixed<kFixed, IPL_LAPLACIAN_5x5>},
    {"gaussian-3x3", {}, &RunFixed<kFixed, IPL_GAUSSIAN_3x3>},
    {"gaussian-5x5", {}, &RunFixed<kFixed, IPL_GAUSSIAN_5x5>},
    {"high-pass-3x3", {}, &RunFixed<kFixed, IPL_HIPASS_3x3>},
    {"high-pass-5x5", {}, &RunFixed<kFixed, IPL_HIPASS_5x5>},
    {"sharpen", {}, &RunFixed<kFixed, IPL_SHARPEN_3x3>},
    {"black-white", kThreshold, &RunBlackWhite},
    {"invert", {}, &RunFixed<&CIP::Invert>},
    {"erode", kMorph, &RunOne<&CIP::Erode>},
    {"dilate", kMorph, &RunOne<&CIP::Dilate>},
    {"open", kMorph, &RunOne<&CIP::MorphOpen>},
    {"close", kMorph, &RunOne<&CIP::MorphClose>},
    {"equalize-histogram", {}, &RunTone<&CIP::HistoEqualize>},
    {"contrast-low-plus", {}, &RunTone<kCurve, 3>},
    {"contrast-high-plus", {}, &RunTone<kCurve, 2>},
    {"contrast-low-minus-high-plus", {}, &RunTone<kCurve, 4>},
    {"contrast-low-plus-high-minus", {}, &RunTone<kCurve, 5>},
    {"brightness-contrast", kAdjust, &RunToneTwo<&CIP::BrightnessContrast>},
    {"add-uniform-noise", kUniform, &RunToneTwo<&CIP::UniformNoise>},
    {"add-gaussian-noise", kGaussian, &RunToneTwo<&CIP::GaussianNoise>},
    {"concavity", {}, &RunFixed<kEffect, EFFECT_CONCAVITY>},
    {"convexity", {}, &RunFixed<kEffect, EFFECT_CONVEXITY>},
    {"explosion", {}, &RunFixed<kEffect, EFFECT_EXPLOSION>},
    {"madness", {}, &RunFixed<kEffect, EFFECT_MADNESS>},
    {"vertical-wave", {}, &RunFixed<kEffect, EFFECT_V_WAVE>},
    {"horizontal-wave", {}, &RunFixed<kEffect, EFFECT_H_WAVE>},
    {"fish-eye", {}, &RunFixed<kEffect, EFFECT_FISH_EYE>},
    {"ripples", {}, &RunFixed<kEffect, EFFECT_RIPPLES>},
    {"mosaic", {}, &RunFixed<kEffect, EFFECT_MOSAIC>},
    {"twirl", {}, &RunFixed<kEffect, EFFECT_TWIRL>},
    {"star", {}, &RunFixed<kEffect, EFFECT_STAR>},
    {"to-grey", {}, &RunConversion<CONVERT_TO_GREY>},
    {"to-8-bits-wu", {}, &RunConversion<CONVERT_WU>},
    {"to-8-bits-neuquant", {}, &RunConversion<CONVERT_NEUQUANT>},
    {"to-16-bits-555", {}, &RunConversion<CONVERT_TO_555>},
    {"to-16-bits-565", {}, &RunConversion<CONVERT_TO_565>},
    {"to-24-bits", {}, &RunConversion<CONVERT_TO_24>},
    {"to-32-bits", {}, &RunConversion<CONVERT_TO_32>},
    {"crop", kCrop, &RunCrop},
};

} // namespace

std::span<const SOperation> Operations()
{
    return g_operations;
}

const SOperation* FindOperation(const QString& strName)
{
    for (const SOperation& operation : g_operations)
        if (strName == QLatin1String(operation.pszName))
            return &operation;
    return nullptr;
}

FIBITMAP* GreyForThreshold(FIBITMAP* pSource)
{
    const int nBpp = int(FreeImage_GetBPP(pSource));
    if (nBpp <= 1)
        return nullptr;
    if (nBpp == 24)
        return FreeImage_ConvertTo8Bits(pSource);
    const CBitmapPtr pColour(FreeImage_ConvertTo24Bits(pSource));
    return pColour ? FreeImage_ConvertTo8Bits(pColour.get()) : nullptr;
}

QString FormatParamValue(const SOperationParam& param, double dValue)
{
    return param.eType == PARAM_DOUBLE ? QString::number(dValue, 'g', DBL_DIG) : QString::number(qint64(dValue));
}

QString ParseParamValue(const SOperationParam& param, const QString& strText, double* pdValue)
{
    const QString strTrimmed = strText.trimmed();
    bool bOk = false;
    double dValue = 0;
    if (param.eType == PARAM_RADIO || param.eType == PARAM_COMBO) {
        // Entries match without their spaces, so that "GAUSSIAN 3 X 3" is also gaussian3x3.
        const QStringList entries =
            QString::fromLatin1(param.pszLabel).remove(QLatin1Char(' ')).split(QLatin1Char('|'));
        const QString strEntry = QString(strTrimmed).remove(QLatin1Char(' '));
        for (qsizetype i = 0; i < entries.size() && !bOk; ++i)
            if (entries[i].compare(strEntry, Qt::CaseInsensitive) == 0)
                bOk = true, dValue = double(i);
        if (!bOk)
            dValue = strTrimmed.toInt(&bOk);
    } else if (param.eType == PARAM_CHECK) {
        const QString strLower = strTrimmed.toLower();
        bOk = QStringList{"1", "0", "yes", "no", "true", "false"}.contains(strLower);
        dValue = (strLower == "1" || strLower == "yes" || strLower == "true") ? 1 : 0;
        if (!bOk)
            return QStringLiteral("Please enter yes or no.");
    } else if (param.eType == PARAM_INT) {
        dValue = strTrimmed.toInt(&bOk);
    } else if (param.eType == PARAM_UINT) {
        dValue = strTrimmed.toUInt(&bOk);
    } else {
        dValue = strTrimmed.toDouble(&bOk);
        bOk = bOk && std::isfinite(dValue);
    }
    // The dialogs' prompts, word for word.
    const bool bInteger = param.eType != PARAM_DOUBLE;
    if (!bOk) {
        if (param.eType == PARAM_UINT)
            return QStringLiteral("Please enter a positive integer.");
        return bInteger ? QStringLiteral("Please enter an integer.") : QStringLiteral("Please enter a number.");
    }
    if (param.bRange && (dValue < param.dMin || dValue > param.dMax)) {
        const QString strMin = FormatParamValue(param, param.dMin), strMax = FormatParamValue(param, param.dMax);
        return bInteger ? QStringLiteral("Please enter an integer between %1 and %2.").arg(strMin, strMax)
                        : QStringLiteral("Please enter a number between %1 and %2.").arg(strMin, strMax);
    }
    *pdValue = dValue;
    return {};
}
