#include "image/ImageFormats.h"

#include <FreeImage.h>
#include <QFile>

namespace {

const SImageFormat g_formats[] = {
    {"Windows Bitmap", "bmp", FIF_BMP, true, true, true},
    {"JPEG - JFIF Compliant", "jpg", FIF_JPEG, true, true, true},
    {"Tagged Image Format TIFF", "tif;tiff", FIF_TIFF, true, true, true},
    {"Portable Network Graphics PNG", "png", FIF_PNG, true, true, true},
    {"Truevision TARGA TGA", "tga", FIF_TARGA, true, true, true},
    {"ZSoft Paintbrush", "pcx", FIF_PCX, true, false, true},
    {"ICON Files", "ico", FIF_ICO, true, true, true},
    {"Kodal Photo CD", "pcd", FIF_PCD, true, false, true},
    {"Portable Bitmap", "pbm", FIF_PBM, true, true, true},
    {"Portable Graymap", "pgm", FIF_PGM, true, true, true},
    {"Portable PixelMap", "ppm", FIF_PPM, true, true, true},
};

QStringList Extensions(const SImageFormat& format)
{
    return QString::fromLatin1(format.pszExtensions).split(QLatin1Char(';'));
}

QString FilterEntry(const QString& strDescription, const QStringList& extensions)
{
    QStringList patterns;
    for (const QString& strExtension : extensions)
        patterns.append(QStringLiteral("*.") + strExtension);
    const QString strPatterns = patterns.join(QLatin1Char(';'));
    return QStringLiteral("%1 (%2)|%2|").arg(strDescription, strPatterns);
}

QString FormatEntry(const SImageFormat& format)
{
    return FilterEntry(QString::fromLatin1(format.pszDescription), Extensions(format));
}

const QString ALL_FILES = QStringLiteral("All Files (*.*)|*.*|");

} // namespace

std::span<const SImageFormat> ImageFormats()
{
    return g_formats;
}

const SImageFormat* FindImageFormat(const QString& strPath)
{
    const QString strName = strPath.mid(strPath.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype nDot = strName.lastIndexOf(QLatin1Char('.'));
    if (nDot < 0)
        return nullptr;
    const QString strExtension = strName.mid(nDot + 1).toLower();
    for (const SImageFormat& format : g_formats)
        if (Extensions(format).contains(strExtension))
            return &format;
    const int nFif = FreeImage_GetFIFFromFilename(QFile::encodeName(strName).constData());
    for (const SImageFormat& format : g_formats)
        if (nFif != FIF_UNKNOWN && format.nFormat == nFif)
            return &format;
    return nullptr;
}

int FormatFromFileName(const QString& strPath)
{
    const SImageFormat* pFormat = FindImageFormat(strPath);
    return pFormat ? pFormat->nFormat : -1;
}

bool IsBrowsableExtension(const QString& strExtension)
{
    for (const SImageFormat& format : g_formats)
        if (format.bBrowsable && Extensions(format).constFirst().toUpper() == strExtension)
            return true;
    return false;
}

QString OpenImageFilter()
{
    QString strFilter = ALL_FILES;
    for (const SImageFormat& format : g_formats)
        if (format.bReadable)
            strFilter += FormatEntry(format);
    return strFilter;
}

QString SaveImageFilter()
{
    QString strFilter;
    for (const SImageFormat& format : g_formats)
        strFilter += FormatEntry(format);
    return strFilter + ALL_FILES;
}

QStringList NameFiltersFromFilter(const QString& strFilter)
{
    // Pairs of description and patterns; the dialog reads the patterns from the parentheses,
    // separated by blanks.
    const QStringList parts = strFilter.split(QLatin1Char('|'), Qt::SkipEmptyParts);
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString strName = parts.at(i);
        const qsizetype nOpen = strName.lastIndexOf(QLatin1Char('('));
        strName = strName.left(nOpen) + QLatin1Char('(') +
                  QString(parts.at(i + 1)).replace(QLatin1Char(';'), QLatin1Char(' ')) + QLatin1Char(')');
        filters.append(strName);
    }
    return filters;
}

QString SaveAsPath(const QString& strChosen, int nFilterIndex)
{
    QString strPath = strChosen;
    const qsizetype nNameStart = strPath.lastIndexOf(QLatin1Char('/')) + 1;
    const qsizetype nDot = strPath.indexOf(QLatin1Char('.'), nNameStart);
    if (nDot >= 0)
        strPath.truncate(nDot);
    if (nFilterIndex >= 1 && nFilterIndex <= int(std::size(g_formats)))
        strPath += QLatin1Char('.') + Extensions(g_formats[nFilterIndex - 1]).constFirst();
    else if (nFilterIndex == int(std::size(g_formats)) + 1)
        strPath += QStringLiteral("*.*"); // "All Files" appends its pattern as the program always has
    return strPath;
}
