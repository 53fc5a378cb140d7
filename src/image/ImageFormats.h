#pragma once
// The image formats the program reads and writes: one row per format, from which the Open and
// Save As filters, the browsable extensions of the folder list and the format of a file name are
// all derived.
#include <QString>
#include <QStringList>
#include <span>

struct SImageFormat {
    const char* pszDescription; // as the file dialogs show it
    const char* pszExtensions;  // lower case, ';'-separated; the first is the one Save As appends
    int nFormat;                // FREE_IMAGE_FORMAT
    bool bReadable;             // listed in the Open filter
    bool bWritable;             // FreeImage can write it
    bool bBrowsable;            // its first extension is stepped through by next and previous file
};

// In the order of the file dialogs' filters.
std::span<const SImageFormat> ImageFormats();

// The format of a file name by its extension (case-insensitive): a table row's extension, or
// another name FreeImage gives to one of the table's formats ("x.jpeg"). Null otherwise.
const SImageFormat* FindImageFormat(const QString& strPath);
// The FreeImage format of a file name, or -1 when it names none of the table's formats.
int FormatFromFileName(const QString& strPath);

// "BMP", "TIF", "PNG", "TGA", "ICO", "JPG", "PCX", "PCD", "PBM", "PGM", "PPM" (upper case, exact).
bool IsBrowsableExtension(const QString& strExtension);

// Filters in the "Description (*.a;*.b)|*.a;*.b|" form: Open lists "All Files" first, then every
// readable format; Save As lists every format, then "All Files".
QString OpenImageFilter();
QString SaveImageFilter();
// The file dialog's name filters of such a filter string ("A (*.a;*.b)|*.a;*.b|" gives "A (*.a *.b)").
QStringList NameFiltersFromFilter(const QString& strFilter);
// The path Save As writes: the chosen name without anything from the first '.' of its file-name
// part, plus the first extension of the chosen filter's format; the last filter, "All Files",
// appends its pattern "*.*".
QString SaveAsPath(const QString& strChosen, int nFilterIndex);
