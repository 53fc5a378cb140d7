#include "processing/ProcessingCommands.h"

#include "document/Bitmap.h"
#include "document/LumivoDoc.h"
#include "framework/WinApp.h"
#include "processing/GeometricDialogs.h"
#include "processing/ImageProcessor.h"
#include "res/CommandIds.h"

#include <QMessageBox>

namespace {

// Runs dialog D modally with the handler's defaults; on OK gives fnMake applied to the dialog.
template <class D, class FnDefaults, class FnMake>
FnOperation AskThen(FnDefaults fnDefaults, FnMake fnMake)
{
    D dialog;
    fnDefaults(dialog);
    if (dialog.DoModal() != CDialog::IDOK)
        return {};
    return fnMake(dialog);
}

// Zoom, Decimate and Resize: the same dialog with their own starting factors.
template <FIBITMAP* (CImageProcessor::*Operation)(int, int, int, int, int), int DstX, int SrcX, int DstY, int SrcY>
FnOperation PrepareScaling()
{
    return AskThen<CDialogGeometricSettings>(
        [](CDialogGeometricSettings& d) {
            d.m_nDstX = DstX, d.m_nSrcX = SrcX, d.m_nDstY = DstY, d.m_nSrcY = SrcY, d.m_nInterpolation = 0;
        },
        [](const CDialogGeometricSettings& d) -> FnOperation {
            return [dx = d.m_nDstX, sx = d.m_nSrcX, dy = d.m_nDstY, sy = d.m_nSrcY,
                    i = d.m_nInterpolation](CImageProcessor& processor) {
                return (processor.*Operation)(dx, sx, dy, sy, i);
            };
        });
}

FnOperation PrepareDecimateBlur()
{
    return AskThen<CDialogDecimateBlur>([](auto&) {}, [](const CDialogDecimateBlur& d) -> FnOperation {
        return [dx = d.m_nDstX, sx = d.m_nSrcX, dy = d.m_nDstY, sy = d.m_nSrcY, i = d.m_nInterpolation,
                mx = int(d.m_nMaskX), my = int(d.m_nMaskY)](CImageProcessor& processor) {
            return processor.DecimateBlur(dx, sx, dy, sy, i, mx, my);
        };
    });
}

FnOperation PrepareMirror()
{
    return AskThen<CMirrorDialog>([](auto&) {}, [](const CMirrorDialog& d) -> FnOperation {
        const bool bHorizontal = d.m_bHorizontal;
        const bool bVertical = d.m_bVertical;
        return [=](CImageProcessor& processor) -> std::optional<FIBITMAP*> {
            if (!bHorizontal && !bVertical) {
                AfxMessageBox(QStringLiteral("Not flip axis specified"), QMessageBox::Ok);
                return std::nullopt;
            }
            return processor.Mirror(bHorizontal ? (bVertical ? -1 : 0) : 1);
        };
    });
}

FnOperation PrepareRotate()
{
    return AskThen<CDialogRotate>([](auto&) {}, [](const CDialogRotate& d) -> FnOperation {
        return [a = d.m_dAngle, i = d.m_nInterpolation](CImageProcessor& processor) {
            return processor.Rotate(a, 0.0, 0.0, i);
        };
    });
}

FnOperation PrepareShear()
{
    return AskThen<CDialogShear>([](auto&) {}, [](const CDialogShear& d) -> FnOperation {
        return [x = d.m_dShearX, y = d.m_dShearY, i = d.m_nInterpolation](CImageProcessor& processor) {
            return processor.Shear(x, y, 0.0, 0.0, i);
        };
    });
}

// The effects: no dialog, the code fixed per command.
template <int Code> FnOperation PrepareEffect()
{
    return [](CImageProcessor& processor) { return processor.Effect(Code); };
}

// Every processing command with its enabling rule; commands whose operation is not built yet have
// no preparation and stay disabled.
const SProcessingCommand g_commands[] = {
    {ID_GEOM_ZOOM, "Zoom image", ENABLE_ALWAYS, &PrepareScaling<&CImageProcessor::Zoom, 2, 1, 2, 1>},
    {ID_GEOM_DECIMATE, "Decimate image", ENABLE_ALWAYS, &PrepareScaling<&CImageProcessor::Decimate, 1, 2, 1, 2>},
    {ID_GEOM_DECIMATE_BLUR, "Decimate blur image", ENABLE_ALWAYS, &PrepareDecimateBlur},
    {ID_GEOM_MIRROR, "Mirror image", ENABLE_ALWAYS, &PrepareMirror},
    {ID_GEOM_ROTATE, "Rotate image", ENABLE_ALWAYS, &PrepareRotate},
    {ID_GEOM_SHEAR, "Shear image", ENABLE_ALWAYS, &PrepareShear},
    {ID_GEOM_RESIZE, "Resize image", ENABLE_ALWAYS, &PrepareScaling<&CImageProcessor::Resize, 1, 2, 2, 1>},
    {ID_FILTER_BLUR, "Blur image", ENABLE_ALWAYS, nullptr},
    {ID_FILTER_FIXED, "Filter image", ENABLE_ALWAYS, nullptr},
    {ID_FILTER_MEDIAN, "Non - linear filter image", ENABLE_ALWAYS, nullptr},
    {ID_FILTER_MIN, "Non - linear filter image", ENABLE_ALWAYS, nullptr},
    {ID_FILTER_MAX, "Non - linear filter image", ENABLE_ALWAYS, nullptr},
    {ID_CONVERT_BLACK_WHITE, "Binarized Image", ENABLE_MORE_THAN_1BIT, nullptr},
    {ID_COLOR_INVERT, "Invert Image", ENABLE_ALWAYS, nullptr},
    {ID_MORPH_ERODE, "Erode Image", ENABLE_ALWAYS, nullptr},
    {ID_MORPH_DILATE, "Dilate Image", ENABLE_ALWAYS, nullptr},
    {ID_MORPH_OPEN, "Open Image", ENABLE_ALWAYS, nullptr},
    {ID_MORPH_CLOSE, "Close Image", ENABLE_ALWAYS, nullptr},
    {ID_COLOR_EQUALIZE, "Equalized Histogram Image", ENABLE_8BIT_OR_MORE, nullptr},
    {ID_CONTRAST_LOW_PLUS, "More Contrast Image", ENABLE_8BIT_OR_MORE, nullptr},
    {ID_CONTRAST_HIGH_PLUS, "More Contrast Image", ENABLE_8BIT_OR_MORE, nullptr},
    {ID_CONTRAST_LOW_PLUS_HIGH_MINUS, "More Contrast Image", ENABLE_8BIT_OR_MORE, nullptr},
    {ID_CONTRAST_LOW_MINUS_HIGH_PLUS, "More Contrast Image", ENABLE_8BIT_OR_MORE, nullptr},
    {ID_COLOR_BRIGHTNESS_CONTRAST, nullptr, ENABLE_8BIT_OR_MORE, nullptr},
    {ID_COLOR_HISTOGRAM, nullptr, ENABLE_8BIT_OR_MORE, nullptr},
    {ID_CONTRAST, nullptr, ENABLE_8BIT_OR_MORE, nullptr},
    {ID_NOISE_UNIFORM, "Noisy image", ENABLE_8BIT_OR_MORE, nullptr},
    {ID_NOISE_GAUSSIAN, "Noisy image", ENABLE_8BIT_OR_MORE, nullptr},
    {ID_NOISE_SALT_PEPPER, nullptr, ENABLE_ALWAYS, nullptr},
    {ID_EFFECT_CONCAVITY, "Effects Image", ENABLE_ALWAYS, &PrepareEffect<EFFECT_CONCAVITY>},
    {ID_EFFECT_CONVEXITY, "Effects Image", ENABLE_ALWAYS, &PrepareEffect<EFFECT_CONVEXITY>},
    {ID_EFFECT_EXPLOSION, "Effects Image", ENABLE_ALWAYS, &PrepareEffect<EFFECT_EXPLOSION>},
    {ID_EFFECT_MADNESS, "Effects Image", ENABLE_ALWAYS, &PrepareEffect<EFFECT_MADNESS>},
    {ID_EFFECT_V_WAVE, "Effects Image", ENABLE_ALWAYS, &PrepareEffect<EFFECT_V_WAVE>},
    {ID_EFFECT_H_WAVE, "Effects Image", ENABLE_ALWAYS, &PrepareEffect<EFFECT_H_WAVE>},
    {ID_EFFECT_FISH_EYE, "Effects Image", ENABLE_ALWAYS, &PrepareEffect<EFFECT_FISH_EYE>},
    {ID_EFFECT_RIPPLES, "Effects Image", ENABLE_ALWAYS, &PrepareEffect<EFFECT_RIPPLES>},
    {ID_EFFECT_MOSAIC, "Effects Image", ENABLE_ALWAYS, &PrepareEffect<EFFECT_MOSAIC>},
    {ID_EFFECT_TWIRL, "Effects Image", ENABLE_ALWAYS, &PrepareEffect<EFFECT_TWIRL>},
    {ID_EFFECT_STAR, "Effects Image", ENABLE_ALWAYS, &PrepareEffect<EFFECT_STAR>},
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
    if (!command.fnPrepare)
        return;
    CImageProcessor processor(doc.m_pBitmap);
    const FnOperation fnOperation = command.fnPrepare();
    if (!fnOperation)
        return; // cancelled: nothing measured, nothing changed
    const CStopwatch clock;
    std::optional<FIBITMAP*> result;
    {
        CWaitCursor wait;
        try {
            result = fnOperation(processor);
        } catch (...) {
            result = nullptr; // an operation that throws produced nothing
        }
        if (!result)
            return;
        doc.m_dElapsed = clock.Elapsed();
    }
    CLumivoDoc::CreateResultDocument(*result, QString::fromUtf8(command.pszTitle), doc.m_dElapsed);
}
