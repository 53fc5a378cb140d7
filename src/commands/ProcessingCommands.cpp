#include "commands/ProcessingCommands.h"

#include "commands/BrightnessContrastDlg.h"
#include "commands/GeometricDialogs.h"
#include "commands/PixelDialogs.h"
#include "document/LumivoDoc.h"
#include "framework/WinApp.h"
#include "image/Bitmap.h"
#include "processing/ImageProcessor.h"
#include "processing/ipl/Ipl.h"
#include "res/CommandIds.h"

#include <FreeImage.h>
#include <QMessageBox>
#include <memory>

namespace {

// Runs dialog D modally with the handler's defaults; on OK gives fnMake applied to the dialog.
template <class D, class FnDefaults, class FnMake> FnOperation AskThen(FnDefaults fnDefaults, FnMake fnMake)
{
    D dialog;
    fnDefaults(dialog);
    if (dialog.DoModal() != CDialog::IDOK)
        return {};
    return fnMake(dialog);
}

// Zoom, Decimate and Resize: the same dialog with their own starting factors.
template <FIBITMAP* (CImageProcessor::*Operation)(int, int, int, int, int), int DstX, int SrcX, int DstY, int SrcY>
FnOperation PrepareScaling(CLumivoDoc&)
{
    return AskThen<CDialogGeometricSettings>(
        [](CDialogGeometricSettings& d) {
            d.m_nDstX = DstX, d.m_nSrcX = SrcX, d.m_nDstY = DstY, d.m_nSrcY = SrcY, d.m_nInterpolation = 0;
        },
        [](const CDialogGeometricSettings& d) -> FnOperation {
            return [dx = d.m_nDstX, sx = d.m_nSrcX, dy = d.m_nDstY, sy = d.m_nSrcY, i = d.m_nInterpolation](
                       CImageProcessor& processor) { return (processor.*Operation)(dx, sx, dy, sy, i); };
        });
}

FnOperation PrepareDecimateBlur(CLumivoDoc&)
{
    return AskThen<CDialogDecimateBlur>([](auto&) {},
                                        [](const CDialogDecimateBlur& d) -> FnOperation {
                                            return [dx = d.m_nDstX, sx = d.m_nSrcX, dy = d.m_nDstY, sy = d.m_nSrcY,
                                                    i = d.m_nInterpolation, mx = int(d.m_nMaskX),
                                                    my = int(d.m_nMaskY)](CImageProcessor& processor) {
                                                return processor.DecimateBlur(dx, sx, dy, sy, i, mx, my);
                                            };
                                        });
}

FnOperation PrepareMirror(CLumivoDoc&)
{
    return AskThen<CMirrorDialog>([](auto&) {},
                                  [](const CMirrorDialog& d) -> FnOperation {
                                      if (!d.m_bHorizontal && !d.m_bVertical) {
                                          AfxMessageBox(QStringLiteral("Not flip axis specified"), QMessageBox::Ok);
                                          return {};
                                      }
                                      const int nAxis = d.m_bHorizontal ? (d.m_bVertical ? -1 : 0) : 1;
                                      return [nAxis](CImageProcessor& processor) { return processor.Mirror(nAxis); };
                                  });
}

FnOperation PrepareRotate(CLumivoDoc&)
{
    return AskThen<CDialogRotate>([](auto&) {},
                                  [](const CDialogRotate& d) -> FnOperation {
                                      return [a = d.m_dAngle, i = d.m_nInterpolation](CImageProcessor& processor) {
                                          return processor.Rotate(a, 0.0, 0.0, i);
                                      };
                                  });
}

FnOperation PrepareShear(CLumivoDoc&)
{
    return AskThen<CDialogShear>([](auto&) {},
                                 [](const CDialogShear& d) -> FnOperation {
                                     return [x = d.m_dShearX, y = d.m_dShearY,
                                             i = d.m_nInterpolation](CImageProcessor& processor) {
                                         return processor.Shear(x, y, 0.0, 0.0, i);
                                     };
                                 });
}

// Commands without a dialog: the operation with its fixed arguments.
template <auto Operation, int... Args> FnOperation PrepareDirect(CLumivoDoc&)
{
    return [](CImageProcessor& processor) { return (processor.*Operation)(Args...); };
}

// Commands that are routed and enabled but do nothing.
FnOperation PrepareNothing(CLumivoDoc&)
{
    return {};
}

// Blur, Median, Min and Max: the aperture and its anchor.
template <class D, FIBITMAP* (CImageProcessor::*Operation)(int, int, int, int)> FnOperation PrepareAperture(CLumivoDoc&)
{
    return AskThen<D>([](auto&) {},
                      [](const D& d) -> FnOperation {
                          return [cx = int(d.m_nApertureX), cy = int(d.m_nApertureY), ax = int(d.m_nAnchorX),
                                  ay = int(d.m_nAnchorY)](CImageProcessor& processor) {
                              return (processor.*Operation)(cx, cy, ax, ay);
                          };
                      });
}

FnOperation PrepareFilter(CLumivoDoc&)
{
    return AskThen<CDialogFilter>([](auto&) {},
                                  [](const CDialogFilter& d) -> FnOperation {
                                      return [n = d.m_nFilter](CImageProcessor& processor) {
                                          return processor.FixedFilter(n);
                                      };
                                  });
}

template <FIBITMAP* (CImageProcessor::*Operation)(int)> FnOperation PrepareMorph(CLumivoDoc&)
{
    return AskThen<CDialogMorph>([](auto&) {},
                                 [](const CDialogMorph& d) -> FnOperation {
                                     return [n = int(d.m_nIterations)](CImageProcessor& processor) {
                                         return (processor.*Operation)(n);
                                     };
                                 });
}

// The two noise dialogs give the operation's two values in the order of their fields.
template <class D, int D::*First, int D::*Second, FIBITMAP* (CImageProcessor::*Operation)(int, int)>
FnOperation PrepareNoise(CLumivoDoc&)
{
    return AskThen<D>([](auto&) {},
                      [](const D& d) -> FnOperation {
                          return [a = d.*First, b = d.*Second](CImageProcessor& processor) {
                              return (processor.*Operation)(a, b);
                          };
                      });
}

// Black && White thresholds a grey copy of the picture, made before the dialog and released as soon
// as the threshold is done; without a copy it works on the document's own bitmap.
FnOperation PrepareBlackWhite(CLumivoDoc& doc)
{
    CBitmapPtr pGrey;
    if (doc.m_nBpp == 24) {
        pGrey.reset(FreeImage_ConvertTo8Bits(doc.m_pBitmap));
    } else {
        const CBitmapPtr pColour(FreeImage_ConvertTo24Bits(doc.m_pBitmap));
        pGrey.reset(FreeImage_ConvertTo8Bits(pColour.get()));
    }
    auto pShared = std::make_shared<CBitmapPtr>(std::move(pGrey));
    return AskThen<CDialogThreshold>([](auto&) {},
                                     [pShared](const CDialogThreshold& d) -> FnOperation {
                                         return [pShared,
                                                 n = int(d.m_nThreshold)](CImageProcessor& processor) -> FIBITMAP* {
                                             if (!*pShared)
                                                 return processor.Threshold(n);
                                             FIBITMAP* pResult = CImageProcessor(pShared->get()).Threshold(n);
                                             pShared->reset();
                                             return pResult;
                                         };
                                     });
}

// Brightness \ Contrast runs its dialog, which changes the document itself; nothing follows.
FnOperation PrepareBrightnessContrast(CLumivoDoc& doc)
{
    CImageProcessor processor(doc.m_pBitmap);
    CDialogBrightnessContrast dialog(doc, processor);
    dialog.DoModal();
    return {};
}

constexpr auto kFixed = &CImageProcessor::FixedFilter;
constexpr auto kCurve = &CImageProcessor::ContrastStretch;
constexpr auto kEffect = &CImageProcessor::Effect;

// Every processing command with its enabling rule and preparation.
const SProcessingCommand g_commands[] = {
    {ID_GEOM_ZOOM, "Zoom image", ENABLE_ALWAYS, &PrepareScaling<&CImageProcessor::Zoom, 2, 1, 2, 1>},
    {ID_GEOM_DECIMATE, "Decimate image", ENABLE_ALWAYS, &PrepareScaling<&CImageProcessor::Decimate, 1, 2, 1, 2>},
    {ID_GEOM_DECIMATE_BLUR, "Decimate blur image", ENABLE_ALWAYS, &PrepareDecimateBlur},
    {ID_GEOM_MIRROR, "Mirror image", ENABLE_ALWAYS, &PrepareMirror},
    {ID_GEOM_ROTATE, "Rotate image", ENABLE_ALWAYS, &PrepareRotate},
    {ID_GEOM_SHEAR, "Shear image", ENABLE_ALWAYS, &PrepareShear},
    {ID_GEOM_RESIZE, "Resize image", ENABLE_ALWAYS, &PrepareScaling<&CImageProcessor::Resize, 1, 2, 2, 1>},
    {ID_FILTER_BLUR, "Blur image", ENABLE_ALWAYS, &PrepareAperture<CDialogBlur, &CImageProcessor::Blur>},
    {ID_FILTER_FIXED, "Filter image", ENABLE_ALWAYS, &PrepareFilter},
    {ID_FILTER_MEDIAN, "Non - linear filter image", ENABLE_ALWAYS,
     &PrepareAperture<CDialogNFilter, &CImageProcessor::MedianFilter>},
    {ID_FILTER_MIN, "Non - linear filter image", ENABLE_ALWAYS,
     &PrepareAperture<CDialogNFilter, &CImageProcessor::MinFilter>},
    {ID_FILTER_MAX, "Non - linear filter image", ENABLE_ALWAYS,
     &PrepareAperture<CDialogNFilter, &CImageProcessor::MaxFilter>},
    {ID_FILTER_PREWITT_V, "Vertical Prewit image", ENABLE_ALWAYS, &PrepareDirect<kFixed, IPL_PREWITT_3x3_V>},
    {ID_FILTER_PREWITT_H, "Horizontal Prewit image", ENABLE_ALWAYS, &PrepareDirect<kFixed, IPL_PREWITT_3x3_H>},
    {ID_FILTER_SOBEL_V, "Vertical Sobel image", ENABLE_ALWAYS, &PrepareDirect<kFixed, IPL_SOBEL_3x3_V>},
    {ID_FILTER_SOBEL_H, "Horizontal Sobel image", ENABLE_ALWAYS, &PrepareDirect<kFixed, IPL_SOBEL_3x3_H>},
    {ID_FILTER_LAPLACIAN_3X3, "Laplacian 3x3 image", ENABLE_ALWAYS, &PrepareDirect<kFixed, IPL_LAPLACIAN_3x3>},
    {ID_FILTER_LAPLACIAN_5X5, "Laplacian 5x5 image", ENABLE_ALWAYS, &PrepareDirect<kFixed, IPL_LAPLACIAN_5x5>},
    {ID_FILTER_GAUSSIAN_3X3, "Gaussian 3x3 image", ENABLE_ALWAYS, &PrepareDirect<kFixed, IPL_GAUSSIAN_3x3>},
    {ID_FILTER_GAUSSIAN_5X5, "Gaussian 5x5 image", ENABLE_ALWAYS, &PrepareDirect<kFixed, IPL_GAUSSIAN_5x5>},
    {ID_FILTER_HIPASS_3X3, "HiPass 3x3 image", ENABLE_ALWAYS, &PrepareDirect<kFixed, IPL_HIPASS_3x3>},
    {ID_FILTER_HIPASS_5X5, "HiPass 5x5 image", ENABLE_ALWAYS, &PrepareDirect<kFixed, IPL_HIPASS_5x5>},
    {ID_FILTER_SHARPEN, "Sharpen image", ENABLE_ALWAYS, &PrepareDirect<kFixed, IPL_SHARPEN_3x3>},
    {ID_CONVERT_BLACK_WHITE, "Binarized Image", ENABLE_MORE_THAN_1BIT, &PrepareBlackWhite},
    {ID_COLOR_INVERT, "Invert Image", ENABLE_ALWAYS, &PrepareDirect<&CImageProcessor::Invert>},
    {ID_MORPH_ERODE, "Erode Image", ENABLE_ALWAYS, &PrepareMorph<&CImageProcessor::Erode>},
    {ID_MORPH_DILATE, "Dilate Image", ENABLE_ALWAYS, &PrepareMorph<&CImageProcessor::Dilate>},
    {ID_MORPH_OPEN, "Open Image", ENABLE_ALWAYS, &PrepareMorph<&CImageProcessor::MorphOpen>},
    {ID_MORPH_CLOSE, "Close Image", ENABLE_ALWAYS, &PrepareMorph<&CImageProcessor::MorphClose>},
    {ID_COLOR_EQUALIZE, "Equalized Histogram Image", ENABLE_8BIT_OR_MORE,
     &PrepareDirect<&CImageProcessor::HistoEqualize>},
    {ID_CONTRAST_LOW_PLUS, "More Contrast Image", ENABLE_8BIT_OR_MORE, &PrepareDirect<kCurve, 3>},
    {ID_CONTRAST_HIGH_PLUS, "More Contrast Image", ENABLE_8BIT_OR_MORE, &PrepareDirect<kCurve, 2>},
    {ID_CONTRAST_LOW_PLUS_HIGH_MINUS, "More Contrast Image", ENABLE_8BIT_OR_MORE, &PrepareDirect<kCurve, 5>},
    {ID_CONTRAST_LOW_MINUS_HIGH_PLUS, "More Contrast Image", ENABLE_8BIT_OR_MORE, &PrepareDirect<kCurve, 4>},
    {ID_COLOR_BRIGHTNESS_CONTRAST, nullptr, ENABLE_8BIT_OR_MORE, &PrepareBrightnessContrast},
    {ID_COLOR_HISTOGRAM, nullptr, ENABLE_8BIT_OR_MORE, &PrepareNothing},
    {ID_CONTRAST, nullptr, ENABLE_8BIT_OR_MORE, &PrepareNothing},
    {ID_NOISE_UNIFORM, "Noisy image", ENABLE_8BIT_OR_MORE,
     &PrepareNoise<CDialogUniform, &CDialogUniform::m_nLow, &CDialogUniform::m_nHigh, &CImageProcessor::UniformNoise>},
    {ID_NOISE_GAUSSIAN, "Noisy image", ENABLE_8BIT_OR_MORE,
     &PrepareNoise<CDialogGaussian, &CDialogGaussian::m_nMean, &CDialogGaussian::m_nStdDev,
                   &CImageProcessor::GaussianNoise>},
    {ID_NOISE_SALT_PEPPER, nullptr, ENABLE_ALWAYS, &PrepareNothing},
    {ID_EFFECT_CONCAVITY, "Effects Image", ENABLE_ALWAYS, &PrepareDirect<kEffect, EFFECT_CONCAVITY>},
    {ID_EFFECT_CONVEXITY, "Effects Image", ENABLE_ALWAYS, &PrepareDirect<kEffect, EFFECT_CONVEXITY>},
    {ID_EFFECT_EXPLOSION, "Effects Image", ENABLE_ALWAYS, &PrepareDirect<kEffect, EFFECT_EXPLOSION>},
    {ID_EFFECT_MADNESS, "Effects Image", ENABLE_ALWAYS, &PrepareDirect<kEffect, EFFECT_MADNESS>},
    {ID_EFFECT_V_WAVE, "Effects Image", ENABLE_ALWAYS, &PrepareDirect<kEffect, EFFECT_V_WAVE>},
    {ID_EFFECT_H_WAVE, "Effects Image", ENABLE_ALWAYS, &PrepareDirect<kEffect, EFFECT_H_WAVE>},
    {ID_EFFECT_FISH_EYE, "Effects Image", ENABLE_ALWAYS, &PrepareDirect<kEffect, EFFECT_FISH_EYE>},
    {ID_EFFECT_RIPPLES, "Effects Image", ENABLE_ALWAYS, &PrepareDirect<kEffect, EFFECT_RIPPLES>},
    {ID_EFFECT_MOSAIC, "Effects Image", ENABLE_ALWAYS, &PrepareDirect<kEffect, EFFECT_MOSAIC>},
    {ID_EFFECT_TWIRL, "Effects Image", ENABLE_ALWAYS, &PrepareDirect<kEffect, EFFECT_TWIRL>},
    {ID_EFFECT_STAR, "Effects Image", ENABLE_ALWAYS, &PrepareDirect<kEffect, EFFECT_STAR>},
};

} // namespace

std::span<const SProcessingCommand> ProcessingCommands()
{
    return g_commands;
}

bool IsProcessingEnabled(EEnableRule eRule, int nBpp)
{
    switch (eRule) {
    case ENABLE_MORE_THAN_1BIT: return nBpp > 1;
    case ENABLE_8BIT_OR_MORE: return nBpp >= 8;
    default: return true;
    }
}

void RunProcessingCommand(CLumivoDoc& doc, const SProcessingCommand& command)
{
    CImageProcessor processor(doc.m_pBitmap);
    const FnOperation fnOperation = command.fnPrepare(doc);
    if (!fnOperation)
        return; // cancelled: nothing measured, nothing changed
    const CStopwatch clock;
    FIBITMAP* pResult = nullptr;
    {
        CWaitCursor wait;
        try {
            pResult = fnOperation(processor);
        } catch (...) {
            pResult = nullptr; // an operation that throws produced nothing
        }
        doc.m_dElapsed = clock.Elapsed();
    }
    CLumivoDoc::CreateResultDocument(pResult, QString::fromUtf8(command.pszTitle), doc.m_dElapsed);
}

void AddProcessingCommands(CLumivoDoc& doc)
{
    for (const SProcessingCommand& command : ProcessingCommands())
        doc.OnCommand(
            command.nId, [&doc, &command] { RunProcessingCommand(doc, command); },
            [&doc, &command](CCmdUI& ui) { ui.Enable(IsProcessingEnabled(command.eRule, doc.m_nBpp)); });
}
