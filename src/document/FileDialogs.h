#pragma once
// The Open and Save As dialogs for images.
#include <QString>
#include <QStringList>

class QWidget;

// Filters in the "Description|patterns|...|" form the program's menus have always used.
extern const char* const OPEN_IMAGE_FILTER;
extern const char* const SAVE_IMAGE_FILTER;

// The dialog's name filters for such a filter string ("A (*.a;*.b)|*.a;*.b|" gives "A (*.a *.b)").
QStringList NameFiltersFromFilter(const char* pszFilter);

// Asks for an image to open (all files preselected); empty on Cancel.
QString PromptOpenImage(QWidget* pParent);
// Asks for a name to save under; gives the chosen path and the 1-based filter index, false on Cancel.
bool PromptSaveImage(QWidget* pParent, QString& strPath, int& nFilterIndex);
// The path Save As writes: the chosen name without anything from the first '.' of its file-name
// part, plus the extension of the chosen filter (the last, "All Files", names no format).
QString SaveAsPath(const QString& strChosen, int nFilterIndex);
