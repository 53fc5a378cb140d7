#include "commands/ProcessingCommands.h"

#include "commands/BrightnessContrastDlg.h"
#include "commands/GeometricDialogs.h"
#include "commands/PixelDialogs.h"
#include "document/LumivoDoc.h"
#include "framework/WinApp.h"
#include "image/Bitmap.h"
#include "processing/ImageProcessor.h"
#include "processing/Operations.h"
#include "res/CommandIds.h"

#include <FreeImage.h>
#include <QMessageBox>
#include <memory>

namespace {

// Operation pszName, as declared in the core, over the processor's bitmap with these values.
FnOperation RunOperation(const char* pszName, std::vector<double> values)
{
    const SOperation* pOperation = FindOperation(QString::fromLatin1(pszName));
    return [pOperation, values = std::move(values)](CImageProcessor& processor) {
        return pOperation->fnRun(processor.m_pSrcBitmap, values.data());
    };
}

// Commands with a parameter dialog: on OK, the operation with the dialog's values.
template <class D> FnOperation PrepareDialog(CLumivoDoc&, const char* pszOperation)
{
    D dialog;
    if (dialog.DoModal() != CDialog::IDOK)
        return {};
    return RunOperation(pszOperation, dialog.Values());
}

// Zoom, Decimate and Resize: one dialog, starting from the operation's own factors.
FnOperation PrepareScaling(CLumivoDoc&, const char* pszOperation)
{
    CDialogGeometricSettings dialog(pszOperation);
    if (dialog.DoModal() != CDialog::IDOK)
        return {};
    return RunOperation(pszOperation, dialog.Values());
}

FnOperation PrepareMirror(CLumivoDoc&, const char* pszOperation)
{
    CMirrorDialog dialog;
    if (dialog.DoModal() != CDialog::IDOK)
        return {};
    if (!dialog.m_bHorizontal && !dialog.m_bVertical) {
        AfxMessageBox(QStringLiteral("Not flip axis specified"), QMessageBox::Ok);
        return {};
    }
    return RunOperation(pszOperation, dialog.Values());
}

// Commands without a dialog.
FnOperation PrepareDirect(CLumivoDoc&, const char* pszOperation)
{
    return RunOperation(pszOperation, {});
}

// Commands that are routed and enabled but do nothing.
FnOperation PrepareNothing(CLumivoDoc&, const char*)
{
    return {};
}

// Black && White thresholds a grey copy of the picture, made before the dialog and released as soon
// as the threshold is done; without a copy it works on the document's own bitmap.
FnOperation PrepareBlackWhite(CLumivoDoc& doc, const char*)
{
    auto pShared = std::make_shared<CBitmapPtr>(GreyForThreshold(doc.m_pBitmap));
    CDialogThreshold dialog;
    if (dialog.DoModal() != CDialog::IDOK)
        return {};
    return [pShared, n = int(dialog.m_nThreshold)](CImageProcessor& processor) -> FIBITMAP* {
        if (!*pShared)
            return processor.Threshold(n);
        FIBITMAP* pResult = CImageProcessor(pShared->get()).Threshold(n);
        pShared->reset();
        return pResult;
    };
}

// Brightness \ Contrast runs its dialog, which changes the document itself; nothing follows.
FnOperation PrepareBrightnessContrast(CLumivoDoc& doc, const char*)
{
    CImageProcessor processor(doc.m_pBitmap);
    CDialogBrightnessContrast dialog(doc, processor);
    dialog.DoModal();
    return {};
}

// Every processing command with its enabling rule, preparation and the operation it runs.
const SProcessingCommand g_commands[] = {
    {ID_GEOM_ZOOM, "Zoom image", ENABLE_ALWAYS, &PrepareScaling, "zoom"},
    {ID_GEOM_DECIMATE, "Decimate image", ENABLE_ALWAYS, &PrepareScaling, "decimate"},
    {ID_GEOM_DECIMATE_BLUR, "Decimate blur image", ENABLE_ALWAYS, &PrepareDialog<CDialogDecimateBlur>, "decimate-blur"},
    {ID_GEOM_MIRROR, "Mirror image", ENABLE_ALWAYS, &PrepareMirror, "mirror"},
    {ID_GEOM_ROTATE, "Rotate image", ENABLE_ALWAYS, &PrepareDialog<CDialogRotate>, "rotate"},
    {ID_GEOM_SHEAR, "Shear image", ENABLE_ALWAYS, &PrepareDialog<CDialogShear>, "shear"},
    {ID_GEOM_RESIZE, "Resize image", ENABLE_ALWAYS, &PrepareScaling, "resize"},
    {ID_FILTER_BLUR, "Blur image", ENABLE_ALWAYS, &PrepareDialog<CDialogBlur>, "blur"},
    {ID_FILTER_FIXED, "Filter image", ENABLE_ALWAYS, &PrepareDialog<CDialogFilter>, "filter"},
    {ID_FILTER_MEDIAN, "Non - linear filter image", ENABLE_ALWAYS, &PrepareDialog<CDialogNFilter>, "median"},
    {ID_FILTER_MIN, "Non - linear filter image", ENABLE_ALWAYS, &PrepareDialog<CDialogNFilter>, "min"},
    {ID_FILTER_MAX, "Non - linear filter image", ENABLE_ALWAYS, &PrepareDialog<CDialogNFilter>, "max"},
    {ID_FILTER_PREWITT_V, "Vertical Prewit image", ENABLE_ALWAYS, &PrepareDirect, "vertical-prewit"},
    {ID_FILTER_PREWITT_H, "Horizontal Prewit image", ENABLE_ALWAYS, &PrepareDirect, "horizontal-prewit"},
    {ID_FILTER_SOBEL_V, "Vertical Sobel image", ENABLE_ALWAYS, &PrepareDirect, "vertical-sobel"},
    {ID_FILTER_SOBEL_H, "Horizontal Sobel image", ENABLE_ALWAYS, &PrepareDirect, "horizontal-sobel"},
    {ID_FILTER_LAPLACIAN_3X3, "Laplacian 3x3 image", ENABLE_ALWAYS, &PrepareDirect, "laplacian-3x3"},
    {ID_FILTER_LAPLACIAN_5X5, "Laplacian 5x5 image", ENABLE_ALWAYS, &PrepareDirect, "laplacian-5x5"},
    {ID_FILTER_GAUSSIAN_3X3, "Gaussian 3x3 image", ENABLE_ALWAYS, &PrepareDirect, "gaussian-3x3"},
    {ID_FILTER_GAUSSIAN_5X5, "Gaussian 5x5 image", ENABLE_ALWAYS, &PrepareDirect, "gaussian-5x5"},
    {ID_FILTER_HIPASS_3X3, "HiPass 3x3 image", ENABLE_ALWAYS, &PrepareDirect, "high-pass-3x3"},
    {ID_FILTER_HIPASS_5X5, "HiPass 5x5 image", ENABLE_ALWAYS, &PrepareDirect, "high-pass-5x5"},
    {ID_FILTER_SHARPEN, "Sharpen image", ENABLE_ALWAYS, &PrepareDirect, "sharpen"},
    {ID_CONVERT_BLACK_WHITE, "Binarized Image", ENABLE_MORE_THAN_1BIT, &PrepareBlackWhite, "black-white"},
    {ID_COLOR_INVERT, "Invert Image", ENABLE_ALWAYS, &PrepareDirect, "invert"},
    {ID_MORPH_ERODE, "Erode Image", ENABLE_ALWAYS, &PrepareDialog<CDialogMorph>, "erode"},
    {ID_MORPH_DILATE, "Dilate Image", ENABLE_ALWAYS, &PrepareDialog<CDialogMorph>, "dilate"},
    {ID_MORPH_OPEN, "Open Image", ENABLE_ALWAYS, &PrepareDialog<CDialogMorph>, "open"},
    {ID_MORPH_CLOSE, "Close Image", ENABLE_ALWAYS, &PrepareDialog<CDialogMorph>, "close"},
    {ID_COLOR_EQUALIZE, "Equalized Histogram Image", ENABLE_8BIT_OR_MORE, &PrepareDirect, "equalize-histogram"},
    {ID_CONTRAST_LOW_PLUS, "More Contrast Image", ENABLE_8BIT_OR_MORE, &PrepareDirect, "contrast-low-plus"},
    {ID_CONTRAST_HIGH_PLUS, "More Contrast Image", ENABLE_8BIT_OR_MORE, &PrepareDirect, "contrast-high-plus"},
    {ID_CONTRAST_LOW_PLUS_HIGH_MINUS, "More Contrast Image", ENABLE_8BIT_OR_MORE, &PrepareDirect,
     "contrast-low-plus-high-minus"},
    {ID_CONTRAST_LOW_MINUS_HIGH_PLUS, "More Contrast Image", ENABLE_8BIT_OR_MORE, &PrepareDirect,
     "contrast-low-minus-high-plus"},
    {ID_COLOR_BRIGHTNESS_CONTRAST, nullptr, ENABLE_8BIT_OR_MORE, &PrepareBrightnessContrast, nullptr},
    {ID_COLOR_HISTOGRAM, nullptr, ENABLE_8BIT_OR_MORE, &PrepareNothing, nullptr},
    {ID_CONTRAST, nullptr, ENABLE_8BIT_OR_MORE, &PrepareNothing, nullptr},
    {ID_NOISE_UNIFORM, "Noisy image", ENABLE_8BIT_OR_MORE, &PrepareDialog<CDialogUniform>, "add-uniform-noise"},
    {ID_NOISE_GAUSSIAN, "Noisy image", ENABLE_8BIT_OR_MORE, &PrepareDialog<CDialogGaussian>, "add-gaussian-noise"},
    {ID_NOISE_SALT_PEPPER, nullptr, ENABLE_ALWAYS, &PrepareNothing, nullptr},
    {ID_EFFECT_CONCAVITY, "Effects Image", ENABLE_ALWAYS, &PrepareDirect, "concavity"},
    {ID_EFFECT_CONVEXITY, "Effects Image", ENABLE_ALWAYS, &PrepareDirect, "convexity"},
    {ID_EFFECT_EXPLOSION, "Effects Image", ENABLE_ALWAYS, &PrepareDirect, "explosion"},
    {ID_EFFECT_MADNESS, "Effects Image", ENABLE_ALWAYS, &PrepareDirect, "madness"},
    {ID_EFFECT_V_WAVE, "Effects Image", ENABLE_ALWAYS, &PrepareDirect, "vertical-wave"},
    {ID_EFFECT_H_WAVE, "Effects Image", ENABLE_ALWAYS, &PrepareDirect, "horizontal-wave"},
    {ID_EFFECT_FISH_EYE, "Effects Image", ENABLE_ALWAYS, &PrepareDirect, "fish-eye"},
    {ID_EFFECT_RIPPLES, "Effects Image", ENABLE_ALWAYS, &PrepareDirect, "ripples"},
    {ID_EFFECT_MOSAIC, "Effects Image", ENABLE_ALWAYS, &PrepareDirect, "mosaic"},
    {ID_EFFECT_TWIRL, "Effects Image", ENABLE_ALWAYS, &PrepareDirect, "twirl"},
    {ID_EFFECT_STAR, "Effects Image", ENABLE_ALWAYS, &PrepareDirect, "star"},
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
    const FnOperation fnOperation = command.fnPrepare(doc, command.pszOperation);
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
