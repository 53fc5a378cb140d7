#include "res/LumivoResources.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <span>

namespace {

// One row per command, sorted by id (checked below, so lookups can bisect).
// Prompts are "status-bar prompt\ntooltip"; a prompt without '\n' has no tooltip of its own.
constexpr SCommandInfo g_commands[] = {
    // id, menu text, prompt, accelerators, toolbar icon
    {ID_IMAGE_ZOOM_IN, nullptr, "Manify the Image\nMagnify", "+", ":/icons/zoom-in.svg"},
    {ID_IMAGE_ZOOM_OUT, nullptr, "Unmagnify the Image\nUnMagnify", "-", ":/icons/zoom-out.svg"},
    {ID_FILE_CAPTURE, "&Capture", "Capture window\nCapture", nullptr, ":/icons/capture.svg"},
    {ID_CONVERT_GRAY, "Gray", "Convert to gray\nGray", nullptr, nullptr},
    {ID_CONVERT_WU, "Wu", "Wu Algorithm\nWu", nullptr, nullptr},
    {ID_CONVERT_NEUQUANT, "NewQuant", "NeuQuant Algorithm\nNewQuant", nullptr, nullptr},
    {ID_CONVERT_16BITS_555, "Model 555", "Convert to 16 bits, model 555\nModel 555", nullptr, nullptr},
    {ID_CONVERT_24BITS, "True color 24 bits", "Convert to true color 24 bits\nTrue color 24 bits", nullptr, nullptr},
    {ID_CONVERT_32BITS, "32 Bits", "Convert to 32 bits\n32 Bits", nullptr, nullptr},
    {ID_CONVERT_16BITS_565, "Model 565", "Convert to 16 bits, model 565\nModel 565", nullptr, nullptr},
    {ID_FILE_ASSOCIATIONS, "A&ssociations", "Extentions association\nAssociation", nullptr, nullptr},
    {ID_FILE_PREVIOUS, nullptr, "Open the previous image file of the folder\nPrevious file", nullptr,
     ":/icons/previous.svg"},
    {ID_FILE_NEXT, nullptr, "Open the next image file of the folder\nNext File", nullptr, ":/icons/next.svg"},
    {ID_FILE_SELECT_SOURCE, "Select source", "Select source...\nSelect source...", nullptr, nullptr},
    {ID_FILE_ACQUIRE, "Acquire...", "Acquire from Twain source\nAcquire", nullptr, ":/icons/acquire.svg"},
    {ID_WINDOW_CLOSE_ALL, "Close All", "Close all documents\nClose All", nullptr, nullptr},
    {ID_IMAGE_CROP, "Crop", "Crop the selection into a new image\nCrop", nullptr, nullptr},
    {ID_VIEW_BACKGROUND_COLOR, "&Background Color...", "Change Background Color", nullptr, nullptr},
    {ID_FILE_BATCH_CONVERSION, "&Batch conversion...", "Batch Command\nBatch Command", nullptr, nullptr},
    {ID_GEOM_ZOOM, "&Zoom Image", "Zoom image\nZoom image", nullptr, nullptr},
    {ID_GEOM_DECIMATE, "Decimate", "Decimate image\nDecimate image", nullptr, nullptr},
    {ID_GEOM_DECIMATE_BLUR, "Decimate && Blur", "Decimate && Blur image\nDecimate && Blur image", nullptr, nullptr},
    {ID_GEOM_MIRROR, "Mirror", "Mirror image\nMirror image", nullptr, nullptr},
    {ID_GEOM_ROTATE, "Rotate", "Rotate image\nRotate image", nullptr, nullptr},
    {ID_GEOM_SHEAR, "Shear", "Shear image\nShear image", nullptr, nullptr},
    {ID_GEOM_RESIZE, "Resize", "Resize image\nResize image", nullptr, nullptr},
    {ID_FILTER_BLUR, "Blur", "Blur image\nBlur image", nullptr, nullptr},
    {ID_FILTER_FIXED, "Filter", "Filter image\nFilter image", nullptr, nullptr},
    {ID_FILTER_MEDIAN, "Median Filter", "Median Filter\nMedian Filter", nullptr, nullptr},
    {ID_FILTER_MIN, "Min Filter", "Min Filter\nMin Filter", nullptr, nullptr},
    {ID_FILTER_MAX, "Max Filter", "Max Filter\nMax Filter", nullptr, nullptr},
    {ID_CONVERT_BLACK_WHITE, "Black && White", "Convert to black and white image\nConvert to black and white image",
     nullptr, nullptr},
    {ID_COLOR_INVERT, "Invert", "Invert Image\nInvert Image", nullptr, nullptr},
    {ID_MORPH_ERODE, "Erode", "Erode\nErode", nullptr, ":/icons/morph-erode.svg"},
    {ID_MORPH_DILATE, "Dilate", "Dilate\nDilate", nullptr, ":/icons/morph-dilate.svg"},
    {ID_MORPH_OPEN, "Open", "Open\nOpen", nullptr, ":/icons/morph-open.svg"},
    {ID_MORPH_CLOSE, "Close", "Close\nClose", nullptr, ":/icons/morph-close.svg"},
    {ID_COLOR_HISTOGRAM, nullptr, "Histogram", nullptr, nullptr},
    {ID_COLOR_EQUALIZE, "Equalize Histogram", "Equalize Histogram", nullptr, nullptr},
    {ID_CONTRAST, nullptr, "Contrast", nullptr, ":/icons/contrast.svg"},
    {ID_CONTRAST_LOW_PLUS, "Low +", "Contrast Low +", nullptr, ":/icons/contrast-low-plus.svg"},
    {ID_CONTRAST_HIGH_PLUS, "High +", "Contrast High +", nullptr, ":/icons/contrast-high-plus.svg"},
    {ID_CONTRAST_LOW_MINUS_HIGH_PLUS, "Low - High+", "Contrast Low - High +", nullptr,
     ":/icons/contrast-low-minus-high-plus.svg"},
    {ID_CONTRAST_LOW_PLUS_HIGH_MINUS, "Low + High -", "Contrast Low + High -", nullptr,
     ":/icons/contrast-low-plus-high-minus.svg"},
    {ID_EFFECT_CONCAVITY, "Concavity", "Concavity", nullptr, ":/icons/effect-concavity.svg"},
    {ID_EFFECT_CONVEXITY, "Convexity", "Convexity", nullptr, ":/icons/effect-convexity.svg"},
    {ID_EFFECT_EXPLOSION, "Explosion", "Explosion", nullptr, ":/icons/effect-explosion.svg"},
    {ID_EFFECT_MADNESS, "Madness", "Madness", nullptr, ":/icons/effect-madness.svg"},
    {ID_EFFECT_V_WAVE, "V. Wave", "Vertical Wave", nullptr, ":/icons/effect-v-wave.svg"},
    {ID_EFFECT_H_WAVE, "H. wave", "Horizontal Wave", nullptr, ":/icons/effect-h-wave.svg"},
    {ID_EFFECT_FISH_EYE, "Fish Eye", "Fish Eye", nullptr, ":/icons/effect-fish-eye.svg"},
    {ID_EFFECT_RIPPLES, "Ripples", "Ripples", nullptr, ":/icons/effect-ripples.svg"},
    {ID_EFFECT_MOSAIC, "Mosaic", "Mosaic", nullptr, ":/icons/effect-mosaic.svg"},
    {ID_EFFECT_TWIRL, "Twirl", "Twirl", nullptr, ":/icons/effect-twirl.svg"},
    {ID_EFFECT_STAR, "Star", "Star", nullptr, ":/icons/effect-star.svg"},
    {ID_HELP_USAGE, "&Usage...", "Show the usage notice\nUsage", nullptr, nullptr},
    {ID_HELP_USAGE2, nullptr, "Show the usage notice\nUsage", nullptr, nullptr},
    {ID_FILTER_PREWITT_V, nullptr, "Vertical Prewit\nVertical Prewit", nullptr, ":/icons/filter-prewitt-v.svg"},
    {ID_FILTER_PREWITT_H, nullptr, "Horizontal Prewit\nHorizontal Prewit", nullptr, ":/icons/filter-prewitt-h.svg"},
    {ID_FILTER_SOBEL_V, nullptr, "Vertical Sobel\nVertical Sobel", nullptr, ":/icons/filter-sobel-v.svg"},
    {ID_FILTER_SOBEL_H, nullptr, "Horizontal Sobel\nHorizontal Sobel", nullptr, ":/icons/filter-sobel-h.svg"},
    {ID_FILTER_LAPLACIAN_3X3, nullptr, "Laplacian 3X3\n Laplacain 3X3", nullptr, ":/icons/filter-laplacian-3x3.svg"},
    {ID_FILTER_LAPLACIAN_5X5, nullptr, "Laplacian 5X5\n Laplacain 5X5", nullptr, ":/icons/filter-laplacian-5x5.svg"},
    {ID_FILTER_GAUSSIAN_3X3, nullptr, "Gaussian 3X3\nGaussian3X3", nullptr, ":/icons/filter-gaussian-3x3.svg"},
    {ID_FILTER_GAUSSIAN_5X5, nullptr, "Gaussian 5X5\nGaussian5X5", nullptr, ":/icons/filter-gaussian-5x5.svg"},
    {ID_FILTER_HIPASS_3X3, nullptr, "High Pass 3x3 \n High Pass 3x3", nullptr, ":/icons/filter-hipass-3x3.svg"},
    {ID_FILTER_HIPASS_5X5, nullptr, "High Pass 5x5 \n High Pass 5x5", nullptr, ":/icons/filter-hipass-5x5.svg"},
    {ID_FILTER_SHARPEN, nullptr, "Sharpen\nSharpen", nullptr, ":/icons/filter-sharpen.svg"},
    {ID_VIEW_TOOLBARS_DIALOG, "Toolbars", "Toolbars\nToolbars", nullptr, nullptr},
    {ID_FILE_HEX_VIEW, "&Hex File View...", "Hex File View", nullptr, nullptr},
    {ID_NOISE_UNIFORM, "Uniform", "Add Uniform Noise", nullptr, nullptr},
    {ID_NOISE_SALT_PEPPER, nullptr, "Add Salt & Pepper Noise", nullptr, nullptr},
    {ID_NOISE_GAUSSIAN, "Gaussian", "Add Gaussian Noise", nullptr, nullptr},
    {ID_COLOR_BRIGHTNESS_CONTRAST, "Brightness \\ Contrast", "Adjust Brightness & Contrast", nullptr, nullptr},

    {ID_FILE_NEW, nullptr, "Create a new document\nNew", "Ctrl+N", nullptr},
    {ID_FILE_OPEN, "&Open...\tCtrl+O", "Open an existing document\nOpen", "Ctrl+O", ":/icons/open.svg"},
    {ID_FILE_CLOSE, "&Close", "Close the active document\nClose", nullptr, nullptr},
    {ID_FILE_SAVE, "&Save\tCtrl+S", "Save the active document\nSave", "Ctrl+S", ":/icons/save.svg"},
    {ID_FILE_SAVE_AS, "Save &As...", "Save the active document with a new name\nSave As", nullptr, nullptr},
    {ID_FILE_PRINT_SETUP, "P&rint Setup...", "Change the printer and printing options\nPrint Setup", nullptr, nullptr},
    {ID_FILE_PRINT, "&Print...\tCtrl+P", "Print the active document\nPrint", "Ctrl+P", ":/icons/print.svg"},
    {ID_FILE_PRINT_DIRECT, nullptr, "Print the active document using current options\nQuick Print", nullptr, nullptr},
    {ID_FILE_PRINT_PREVIEW, "Print Pre&view", "Display full pages\nPrint Preview", nullptr, nullptr},
    {ID_FILE_MRU_FILE1, nullptr, "Open this document", nullptr, nullptr},
    {ID_FILE_MRU_FILE2, nullptr, "Open this document", nullptr, nullptr},
    {ID_FILE_MRU_FILE3, nullptr, "Open this document", nullptr, nullptr},
    {ID_FILE_MRU_FILE4, nullptr, "Open this document", nullptr, nullptr},
    {ID_FILE_MRU_FILE5, nullptr, "Open this document", nullptr, nullptr},
    {ID_EDIT_COPY, "&Copy\tCtrl+C", "Copy the selection and put it on the Clipboard\nCopy", "Ctrl+C;Ctrl+Ins",
     ":/icons/copy.svg"},
    {ID_EDIT_CUT, "Cu&t\tCtrl+X", "Cut the selection and put it on the Clipboard\nCut", "Ctrl+X;Shift+Del",
     ":/icons/cut.svg"},
    {ID_EDIT_PASTE, "&Paste\tCtrl+V", "Insert Clipboard contents\nPaste", "Ctrl+V;Shift+Ins", ":/icons/paste.svg"},
    {ID_EDIT_UNDO, "&Undo\tCtrl+Z", "Undo the last action\nUndo", "Ctrl+Z;Alt+Backspace", nullptr},
    {ID_WINDOW_NEW, "&New Window", "Open another window for the active document\nNew Window", nullptr, nullptr},
    {ID_WINDOW_ARRANGE, "&Arrange Icons", "Arrange icons at the bottom of the window\nArrange Icons", nullptr, nullptr},
    {ID_WINDOW_CASCADE, "&Cascade", "Arrange windows so they overlap\nCascade Windows", nullptr, nullptr},
    {ID_WINDOW_TILE_HORZ, "&Tile", "Arrange windows as non-overlapping tiles\nTile Windows", nullptr, nullptr},
    {ID_APP_ABOUT, "&About Lumivo...", "Display program information, version number and copyright\nAbout", nullptr,
     ":/icons/about.svg"},
    {ID_APP_EXIT, "E&xit", "Quit the application; prompts to save documents\nExit", nullptr, nullptr},
    {ID_VIEW_TOOLBAR, "&Toolbar", "Show or hide the toolbar\nToggle ToolBar", nullptr, nullptr},
    {ID_VIEW_STATUS_BAR, "&Status Bar", "Show or hide the status bar\nToggle StatusBar", nullptr, nullptr},
};

constexpr bool IsSortedById(std::span<const SCommandInfo> rows)
{
    for (std::size_t i = 1; i < rows.size(); ++i)
        if (rows[i - 1].nId >= rows[i].nId)
            return false;
    return true;
}
static_assert(IsSortedById(g_commands), "command rows must be sorted by id, each id once");

// Menu lines. Menus 128 and 129 share their View and Help pop-ups, so menus are joined from parts.
constexpr SMenuEntry Popup(int nDepth, const char* pszText)
{
    return {nDepth, MENU_POPUP, pszText, 0};
}
constexpr SMenuEntry Item(int nDepth, int nId, const char* pszText = nullptr)
{
    return {nDepth, MENU_ITEM, pszText, nId};
}
constexpr SMenuEntry Separator(int nDepth)
{
    return {nDepth, MENU_SEPARATOR, nullptr, 0};
}
constexpr SMenuEntry RecentFiles(int nDepth)
{
    return {nDepth, MENU_RECENT_FILES, "Recent File", ID_FILE_MRU_FILE1};
}

template <std::size_t... N> constexpr auto Join(const std::array<SMenuEntry, N>&... parts)
{
    std::array<SMenuEntry, (N + ...)> all{};
    auto out = all.begin();
    ((out = std::copy(parts.begin(), parts.end(), out)), ...);
    return all;
}

// File menu without a document.
constexpr auto g_fileNoDoc = std::to_array<SMenuEntry>({
    Popup(0, "&File"),
    Item(1, ID_FILE_OPEN),
    Separator(1),
    Item(1, ID_FILE_CAPTURE),
    Item(1, ID_FILE_SELECT_SOURCE, "Select Source"),
    Item(1, ID_FILE_ACQUIRE),
    Separator(1),
    Item(1, ID_FILE_ASSOCIATIONS),
    Separator(1),
    Item(1, ID_FILE_PRINT_SETUP),
    Separator(1),
    RecentFiles(1),
    Separator(1),
    Item(1, ID_APP_EXIT),
});

// File menu with a document.
constexpr auto g_fileDoc = std::to_array<SMenuEntry>({
    Popup(0, "&File"),
    Item(1, ID_FILE_OPEN),
    Item(1, ID_FILE_CLOSE),
    Item(1, ID_FILE_SAVE),
    Item(1, ID_FILE_SAVE_AS),
    Separator(1),
    Item(1, ID_FILE_CAPTURE),
    Item(1, ID_FILE_SELECT_SOURCE),
    Item(1, ID_FILE_ACQUIRE),
    Separator(1),
    Item(1, ID_FILE_ASSOCIATIONS),
    Separator(1),
    Item(1, ID_FILE_PRINT),
    Item(1, ID_FILE_PRINT_PREVIEW),
    Item(1, ID_FILE_PRINT_SETUP),
    Separator(1),
    RecentFiles(1),
    Separator(1),
    Item(1, ID_APP_EXIT),
});

constexpr auto g_edit = std::to_array<SMenuEntry>({
    Popup(0, "&Edit"),
    Item(1, ID_EDIT_UNDO),
    Separator(1),
    Item(1, ID_EDIT_CUT),
    Item(1, ID_EDIT_COPY),
    Item(1, ID_EDIT_PASTE),
});

constexpr auto g_view = std::to_array<SMenuEntry>({
    Popup(0, "&View"),
    Item(1, ID_VIEW_TOOLBAR),
    Item(1, ID_VIEW_STATUS_BAR),
    Item(1, ID_VIEW_TOOLBARS_DIALOG),
});

constexpr auto g_image = std::to_array<SMenuEntry>({
    Popup(0, "&Image"),
    Item(1, ID_GEOM_ZOOM),
    Item(1, ID_GEOM_DECIMATE),
    Item(1, ID_GEOM_RESIZE),
    Item(1, ID_GEOM_DECIMATE_BLUR),
    Item(1, ID_GEOM_MIRROR),
    Item(1, ID_GEOM_ROTATE),
    Item(1, ID_GEOM_SHEAR),
    Separator(1),
    Item(1, ID_FILTER_BLUR),
    Item(1, ID_FILTER_FIXED),
    Item(1, ID_FILTER_MEDIAN),
    Item(1, ID_FILTER_MIN),
    Item(1, ID_FILTER_MAX),
    Separator(1),
    Item(1, ID_MORPH_ERODE),
    Item(1, ID_MORPH_DILATE),
    Item(1, ID_MORPH_OPEN),
    Item(1, ID_MORPH_CLOSE),
    Separator(1),
    Popup(1, "Effects..."),
    Item(2, ID_EFFECT_CONCAVITY),
    Item(2, ID_EFFECT_CONVEXITY),
    Item(2, ID_EFFECT_EXPLOSION),
    Item(2, ID_EFFECT_MADNESS),
    Item(2, ID_EFFECT_V_WAVE),
    Item(2, ID_EFFECT_H_WAVE),
    Item(2, ID_EFFECT_FISH_EYE),
    Item(2, ID_EFFECT_RIPPLES),
    Item(2, ID_EFFECT_MOSAIC),
    Item(2, ID_EFFECT_TWIRL),
    Item(2, ID_EFFECT_STAR),
    Popup(1, "Noise"),
    Item(2, ID_NOISE_UNIFORM),
    Item(2, ID_NOISE_GAUSSIAN),
});

constexpr auto g_color = std::to_array<SMenuEntry>({
    Popup(0, "C&olor"),
    Popup(1, "C&onversions"),
    Item(2, ID_CONVERT_GRAY),
    Popup(2, "Quantize"),
    Item(3, ID_CONVERT_WU),
    Item(3, ID_CONVERT_NEUQUANT),
    Popup(2, "16 Bits"),
    Item(3, ID_CONVERT_16BITS_555),
    Item(3, ID_CONVERT_16BITS_565),
    Item(2, ID_CONVERT_24BITS),
    Item(2, ID_CONVERT_32BITS),
    Separator(2),
    Item(2, ID_CONVERT_BLACK_WHITE),
    Item(1, ID_COLOR_INVERT),
    Separator(1),
    Item(1, ID_COLOR_EQUALIZE),
    Popup(1, "Contrast"),
    Item(2, ID_CONTRAST_LOW_PLUS),
    Item(2, ID_CONTRAST_HIGH_PLUS),
    Item(2, ID_CONTRAST_LOW_PLUS_HIGH_MINUS),
    Item(2, ID_CONTRAST_LOW_MINUS_HIGH_PLUS),
    Popup(1, "Adjust.."),
    Item(2, ID_COLOR_BRIGHTNESS_CONTRAST),
});

constexpr auto g_tools = std::to_array<SMenuEntry>({
    Popup(0, "&Tools"),
    Item(1, ID_FILE_BATCH_CONVERSION),
    Item(1, ID_FILE_HEX_VIEW),
    Separator(1),
    Item(1, ID_VIEW_BACKGROUND_COLOR),
});

constexpr auto g_window = std::to_array<SMenuEntry>({
    Popup(0, "&Window"),
    Item(1, ID_WINDOW_NEW),
    Item(1, ID_WINDOW_CASCADE),
    Item(1, ID_WINDOW_TILE_HORZ),
    Item(1, ID_WINDOW_ARRANGE),
    Separator(1),
    Item(1, ID_WINDOW_CLOSE_ALL),
});

constexpr auto g_help = std::to_array<SMenuEntry>({
    Popup(0, "&Help"),
    Item(1, ID_HELP_USAGE),
    Separator(1),
    Item(1, ID_APP_ABOUT),
});

constexpr auto g_menuMainFrame = Join(g_fileNoDoc, g_view, g_tools, g_help);
constexpr auto g_menuDocument = Join(g_fileDoc, g_edit, g_view, g_image, g_color, g_tools, g_window, g_help);
constexpr auto g_menuCrop = std::to_array<SMenuEntry>({
    Popup(0, "Image"),
    Item(1, ID_IMAGE_CROP),
});

constexpr SMenuResource g_menus[] = {
    {IDR_MAINFRAME, g_menuMainFrame},
    {IDR_LUMIVOTYPE, g_menuDocument},
    {IDR_CROP_POPUP, g_menuCrop},
};

// Toolbar buttons, 0 for a separator.
constexpr int g_normalButtons[] = {
    ID_FILE_OPEN,
    ID_FILE_SAVE,
    0,
    ID_EDIT_CUT,
    ID_EDIT_COPY,
    ID_EDIT_PASTE,
    0,
    ID_FILE_PRINT,
    ID_FILE_ACQUIRE,
    ID_IMAGE_ZOOM_IN,
    ID_IMAGE_ZOOM_OUT,
    ID_FILE_CAPTURE,
    ID_FILE_PREVIOUS,
    ID_FILE_NEXT,
    0,
    ID_APP_ABOUT,
};
constexpr int g_morphButtons[] = {ID_MORPH_OPEN, ID_MORPH_ERODE, ID_MORPH_CLOSE, ID_MORPH_DILATE};
constexpr int g_effectButtons[] = {
    ID_EFFECT_CONCAVITY, ID_EFFECT_CONVEXITY, ID_EFFECT_EXPLOSION, ID_EFFECT_MADNESS,
    ID_EFFECT_V_WAVE,    ID_EFFECT_H_WAVE,    ID_EFFECT_FISH_EYE,  ID_EFFECT_RIPPLES,
    ID_EFFECT_MOSAIC,    ID_EFFECT_TWIRL,     ID_EFFECT_STAR,
};
constexpr int g_filterButtons[] = {
    ID_FILTER_PREWITT_V,     ID_FILTER_PREWITT_H,     ID_FILTER_SOBEL_V,      ID_FILTER_SOBEL_H,
    ID_FILTER_LAPLACIAN_3X3, ID_FILTER_LAPLACIAN_5X5, ID_FILTER_GAUSSIAN_3X3, ID_FILTER_GAUSSIAN_5X5,
    ID_FILTER_HIPASS_3X3,    ID_FILTER_HIPASS_5X5,    ID_FILTER_SHARPEN,
};
constexpr int g_contrastButtons[] = {
    ID_CONTRAST,
    ID_CONTRAST_LOW_PLUS,
    ID_CONTRAST_HIGH_PLUS,
    ID_CONTRAST_LOW_PLUS_HIGH_MINUS,
    ID_CONTRAST_LOW_MINUS_HIGH_PLUS,
};

// In creation order.
constexpr SToolbarResource g_toolbars[] = {
    {IDR_MAINFRAME, "Normal Toolbar", g_normalButtons, DOCK_TOP, DOCK_ANY, true, 16, 16},
    {IDR_TOOLBAR_MORPH, "Morphological Operation Toolbar", g_morphButtons, DOCK_TOP, DOCK_TOP, false, 16, 16},
    {IDR_TOOLBAR_EFFECTS, "Effects Toolbar", g_effectButtons, DOCK_LEFT, DOCK_ANY, false, 16, 16},
    {IDR_TOOLBAR_FILTERS, "Filters Toolbar", g_filterButtons, DOCK_LEFT, DOCK_ANY, false, 16, 16},
    {IDR_TOOLBAR_CONTRAST, "Contrast Toolbar", g_contrastButtons, DOCK_TOP, DOCK_ANY, false, 16, 15},
};

// Sizes the time and image panes of the status bar.
constexpr char g_widePane[] = "                                   ";
static_assert(sizeof(g_widePane) == 36, "the wide panes are sized by 35 blanks");

// Strings that are no command prompt.
constexpr SStringResource g_strings[] = {
    {IDS_PROGRESS, "Progress"},
    {IDR_MAINFRAME, "Lumivo"},
    {IDR_LUMIVOTYPE, "\nLumivo\nLumivo\n\n\nLumivo.Document\nLumivoDocument"},
    {AFX_IDS_APP_TITLE, "Lumivo"},
    {IDS_IDLE_MESSAGE, "Ready"},
    {ID_INDICATOR_CAPS, "CAP"},
    {ID_INDICATOR_NUM, "NUM"},
    {ID_INDICATOR_SCRL, "SCRL"},
    {ID_INDICATOR_BLANK, " "},
    {ID_INDICATOR_IMAGE, g_widePane},
    {ID_INDICATOR_TIME, g_widePane},
    {IDS_BATCH_PROGRESS, "Converting files progress ..."},
};

constexpr SResourceSet g_resources = {g_commands,    g_menus,        g_toolbars,   g_strings,
                                      IDR_MAINFRAME, IDR_LUMIVOTYPE, IDR_MAINFRAME};

} // namespace

const SResourceSet& LumivoResources()
{
    return g_resources;
}
