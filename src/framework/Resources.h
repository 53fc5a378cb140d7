#pragma once
// Plain data that describes commands, menus, toolbars and strings. The application fills these tables
// (src/res); the framework builds actions, menus and toolbars from them.
#include <span>

// One row per command: what menus, toolbars, the status bar and tooltips show for it.
struct SCommandInfo {
    int nId;
    const char* pszText;   // menu text with '&' mnemonic and "\t<accelerator>", nullptr when in no menu
    const char* pszPrompt; // "status prompt\ntooltip", nullptr when the command has no string
    const char* pszAccel;  // shortcuts in QKeySequence portable text, ';'-separated, nullptr when none
    const char* pszIcon;   // icon resource path (":/icons/open.svg"), nullptr when on no toolbar
};

enum EMenuEntryKind { MENU_POPUP, MENU_ITEM, MENU_SEPARATOR, MENU_RECENT_FILES };

// One line of a menu resource. Entries nest by depth: a MENU_POPUP at depth d holds the entries of
// depth d + 1 that follow it. MENU_ITEM takes its text from pszText when given, else from the command.
struct SMenuEntry {
    int nDepth;
    EMenuEntryKind eKind;
    const char* pszText;
    int nId;
};

struct SMenuResource {
    int nId;
    std::span<const SMenuEntry> entries;
};

enum EDockSide : unsigned { DOCK_TOP = 1, DOCK_BOTTOM = 2, DOCK_LEFT = 4, DOCK_RIGHT = 8, DOCK_ANY = 15 };

struct SToolbarResource {
    int nId;
    const char* pszName;          // name shown in the toolbars dialog
    std::span<const int> buttons; // command ids, 0 for a separator
    EDockSide eStart;             // side it is docked to at creation
    unsigned nAllowed;            // EDockSide bits where it may be docked
    bool bVisible;                // shown at start
    int nButtonWidth, nButtonHeight;
};

struct SStringResource {
    int nId;
    const char* pszText;
};

// The complete resource set of an application, with the ids the main frame uses.
struct SResourceSet {
    std::span<const SCommandInfo> commands;
    std::span<const SMenuResource> menus;
    std::span<const SToolbarResource> toolbars;
    std::span<const SStringResource> strings;
    int nFrameMenu;    // menu shown while no document is active
    int nDocumentMenu; // menu shown while a document is active
    int nTitleString;  // the main window's title
};
