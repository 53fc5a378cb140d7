#pragma once
// Numeric ids of Lumivo's own commands and resources. The numbers are fixed: menus, toolbars and the
// string table refer to them. The framework's standard ids (ID_FILE_OPEN, ID_EDIT_COPY ...) come from
// AfxRes.h.
#include "framework/AfxRes.h"

// Commands: menu items, toolbar buttons and accelerators.
enum ECommandId : int {
    // Image view: zoom by powers of two.
    ID_IMAGE_ZOOM_IN = 32771,
    ID_IMAGE_ZOOM_OUT = 32776,

    // Main-frame tools.
    ID_FILE_CAPTURE = 32777,

    // Colour-depth conversions.
    ID_CONVERT_GRAY = 32787,
    ID_CONVERT_WU = 32789,
    ID_CONVERT_NEUQUANT = 32790,
    ID_CONVERT_16BITS_555 = 32792,
    ID_CONVERT_24BITS = 32794,
    ID_CONVERT_32BITS = 32796,
    ID_CONVERT_16BITS_565 = 32797,

    ID_FILE_ASSOCIATIONS = 32799,

    // Stepping through the image files of the document's folder.
    ID_FILE_PREVIOUS = 32801,
    ID_FILE_NEXT = 32802,

    // Scanner.
    ID_FILE_SELECT_SOURCE = 32803,
    ID_FILE_ACQUIRE = 32805,

    ID_WINDOW_CLOSE_ALL = 32809,
    ID_IMAGE_CROP = 32811,
    ID_VIEW_BACKGROUND_COLOR = 32816,
    ID_FILE_BATCH_CONVERSION = 32818,

    // Geometric operations.
    ID_GEOM_ZOOM = 32823,
    ID_GEOM_DECIMATE = 32824,
    ID_GEOM_DECIMATE_BLUR = 32825,
    ID_GEOM_MIRROR = 32826,
    ID_GEOM_ROTATE = 32827,
    ID_GEOM_SHEAR = 32828,
    ID_GEOM_RESIZE = 32829,

    // Filters with a parameter dialog.
    ID_FILTER_BLUR = 32830,
    ID_FILTER_FIXED = 32831,
    ID_FILTER_MEDIAN = 32832,
    ID_FILTER_MIN = 32833,
    ID_FILTER_MAX = 32834,

    // Threshold, invert and morphology.
    ID_CONVERT_BLACK_WHITE = 32835,
    ID_COLOR_INVERT = 32836,
    ID_MORPH_ERODE = 32837,
    ID_MORPH_DILATE = 32838,
    ID_MORPH_OPEN = 32839,
    ID_MORPH_CLOSE = 32840,

    // Histogram and contrast.
    ID_COLOR_HISTOGRAM = 32841,
    ID_COLOR_EQUALIZE = 32842,
    ID_CONTRAST = 32843,
    ID_CONTRAST_LOW_PLUS = 32845,
    ID_CONTRAST_HIGH_PLUS = 32846,
    ID_CONTRAST_LOW_MINUS_HIGH_PLUS = 32847,
    ID_CONTRAST_LOW_PLUS_HIGH_MINUS = 32849,

    // Distortion effects.
    ID_EFFECT_CONCAVITY = 32850,
    ID_EFFECT_CONVEXITY = 32851,
    ID_EFFECT_EXPLOSION = 32852,
    ID_EFFECT_MADNESS = 32853,
    ID_EFFECT_V_WAVE = 32854,
    ID_EFFECT_H_WAVE = 32855,
    ID_EFFECT_FISH_EYE = 32856,
    ID_EFFECT_RIPPLES = 32857,
    ID_EFFECT_MOSAIC = 32858,
    ID_EFFECT_TWIRL = 32859,
    ID_EFFECT_STAR = 32860,

    // Usage notice; both ids show the same dialog.
    ID_HELP_USAGE = 32861,
    ID_HELP_USAGE2 = 32862,

    // Fixed-kernel filters of the Filters toolbar.
    ID_FILTER_PREWITT_V = 32889,
    ID_FILTER_PREWITT_H = 32890,
    ID_FILTER_SOBEL_V = 32891,
    ID_FILTER_SOBEL_H = 32892,
    ID_FILTER_LAPLACIAN_3X3 = 32893,
    ID_FILTER_LAPLACIAN_5X5 = 32894,
    ID_FILTER_GAUSSIAN_3X3 = 32895,
    ID_FILTER_GAUSSIAN_5X5 = 32896,
    ID_FILTER_HIPASS_3X3 = 32897,
    ID_FILTER_HIPASS_5X5 = 32898,
    ID_FILTER_SHARPEN = 32899,

    ID_VIEW_TOOLBARS_DIALOG = 32900,
    ID_FILE_HEX_VIEW = 32906,

    // Noise.
    ID_NOISE_UNIFORM = 32908,
    ID_NOISE_SALT_PEPPER = 32909,
    ID_NOISE_GAUSSIAN = 32910,

    ID_COLOR_BRIGHTNESS_CONTRAST = 32911,
};

// Menus, toolbars, strings and status-bar panes.
enum EResourceId : int {
    IDS_PROGRESS = 108,         // default caption of the progress dialog
    IDR_MAINFRAME = 128,        // main frame: menu without document, Normal toolbar, title, icon
    IDR_LUMIVOTYPE = 129,       // document template: menu with document, template string
    IDR_CROP_POPUP = 137,       // pop-up shown after a rubber-band selection
    IDR_TOOLBAR_MORPH = 171,    // Morphological Operation Toolbar
    IDR_TOOLBAR_EFFECTS = 178,  // Effects Toolbar
    IDR_TOOLBAR_FILTERS = 180,  // Filters Toolbar
    IDR_TOOLBAR_CONTRAST = 186, // Contrast Toolbar

    IDS_IDLE_MESSAGE = 57345, // prompt pane text while no prompt is shown

    // Status-bar panes 1 to 3 (the lock-key panes 4 to 6 are the framework's); their strings size them.
    ID_INDICATOR_BLANK = 59142,
    ID_INDICATOR_IMAGE = 59143, // "[width x height x bpp]"
    ID_INDICATOR_TIME = 61446,  // "Time : seconds"

    IDS_BATCH_PROGRESS = 61447, // caption of the batch conversion's progress dialog
};
