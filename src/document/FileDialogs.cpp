#include "document/FileDialogs.h"

#include <QFileDialog>

const char* const OPEN_IMAGE_FILTER =
    "All Files (*.*)|*.*|Windows Bitmap (*.bmp)|*.bmp|JPEG - JFIF Compliant (*.jpg)|*.jpg|Tagged Image "
    "Format TIFF (*.tif;*.tiff)|*.tif;*.tiff|Portable Network Graphics PNG (*.png)|*.png|Truevision TARGA TGA "
    "(*.tga)|*.tga|ZSoft Paintbrush (*.pcx)|*.pcx|ICON Files (*.ico)|*.ico|Kodal Photo CD (*.pcd)|*.pcd|Portable "
    "Bitmap (*.pbm)|*.pbm|Portable Graymap (*.pgm)|*.pgm|Portable PixelMap (*.ppm)|*.ppm|";

const char* const SAVE_IMAGE_FILTER =
    "Windows Bitmap (*.bmp)|*.bmp|JPEG - JFIF Compliant (*.jpg)|*.jpg|Tagged Image Format TIFF "
    "(*.tif;*.tiff)|*.tif;*.tiff|Portable Network Graphics PNG (*.png)|*.png|Truevision TARGA TGA "
    "(*.tga)|*.tga|ZSoft Paintbrush (*.pcx)|*.pcx|ICON Files (*.ico)|*.ico|Kodal Photo CD (*.pcd)|*.pcd|Portable "
    "Bitmap (*.pbm)|*.pbm|Portable Graymap (*.pgm)|*.pgm|Portable PixelMap (*.ppm)|*.ppm|All Files (*.*)|*.*|";

QStringList NameFiltersFromFilter(const char* pszFilter)
{
    // Pairs of description and patterns; the dialog reads the patterns from the parentheses,
    // separated by blanks.
    const QStringList parts = QString::fromLatin1(pszFilter).split(QLatin1Char('|'), Qt::SkipEmptyParts);
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString strName = parts.at(i);
        const qsizetype nOpen = strName.lastIndexOf(QLatin1Char('('));
        strName = strName.left(nOpen) + QLatin1Char('(') + QString(parts.at(i + 1)).replace(QLatin1Char(';'), QLatin1Char(' ')) + QLatin1Char(')');
        filters.append(strName);
    }
    return filters;
}

QString PromptOpenImage(QWidget* pParent)
{
    QFileDialog dialog(pParent, QObject::tr("Open"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters(NameFiltersFromFilter(OPEN_IMAGE_FILTER));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

bool PromptSaveImage(QWidget* pParent, QString& strPath, int& nFilterIndex)
{
    QFileDialog dialog(pParent, QObject::tr("Save As"));
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // The extension is replaced after the dialog; the final name is checked by the caller.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    const QStringList filters = NameFiltersFromFilter(SAVE_IMAGE_FILTER);
    dialog.setNameFilters(filters);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    strPath = dialog.selectedFiles().constFirst();
    nFilterIndex = int(filters.indexOf(dialog.selectedNameFilter())) + 1;
    return true;
}

QString SaveAsPath(const QString& strChosen, int nFilterIndex)
{
    static const char* const extensions[] = {".bmp", ".jpg", ".tif", ".png", ".tga", ".pcx",
                                             ".ico", ".pcd", ".pbm", ".pgm", ".ppm", "*.*"};
    QString strPath = strChosen;
    const qsizetype nNameStart = strPath.lastIndexOf(QLatin1Char('/')) + 1;
    const qsizetype nDot = strPath.indexOf(QLatin1Char('.'), nNameStart);
    if (nDot >= 0)
        strPath.truncate(nDot);
    if (nFilterIndex >= 1 && nFilterIndex <= int(std::size(extensions)))
        strPath += QLatin1String(extensions[nFilterIndex - 1]);
    return strPath;
}
