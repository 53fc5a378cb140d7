#pragma once
// Registers Lumivo as the handler of image file extensions: one key tree per extension in the classes
// root, and the same choice made for the desktop (a lumivo.desktop entry and the extension's MIME type
// defaulting to it in mimeapps.list).
#include <QString>
#include <span>

class CRegKey;

struct SAssociation {
    const char* pszExtension; // the key written, lower case with its dot
    int nIcon;                // icon index written after the program's path
    int nControlId;           // the check box that chooses it
    const char* pszText;      // the check box's text
};

// The extensions in processing order.
std::span<const SAssociation> Associations();

enum class EAssociateResult {
    DONE,
    PATH_TOO_LONG, // a command or icon text over 251 characters; nothing was changed for that extension
    DELETE_FAILED, // the old key of the extension could not be deleted
    CREATE_FAILED, // the extension's key could not be created
};

// Writes the keys of every association whose flag is set (flags in the order of Associations()),
// stopping at the first failure; extensions written before it keep their registration. strExe is the
// full path of the program, written unquoted into the key tree.
EAssociateResult AssociateExtensions(std::span<const bool> checked, const QString& strExe, const CRegKey& root);

// Deletes the key strName under parent with everything below it.
bool RecursiveDeleteKey(const CRegKey& parent, const QString& strName);

// The desktop side of one extension: writes lumivo.desktop (actions "Open" and "View with Lumivo")
// into the user's applications folder and makes the extension's MIME type default to it in the
// user's mimeapps.list, leaving every other line of that file as it was.
bool MakeDesktopDefault(const QString& strExtension, const QString& strExe);
// The program's path as a desktop entry's Exec line needs it: quoted when it holds a reserved
// character, with the escapes of a quoted argument, of field codes and of the file's strings.
QString DesktopExecProgram(const QString& strExe);
