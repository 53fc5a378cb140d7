#include "document/FileDialogs.h"

#include "image/ImageFormats.h"

#include <QFileDialog>

QString PromptOpenImage(QWidget* pParent)
{
    QFileDialog dialog(pParent, QObject::tr("Open"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters(NameFiltersFromFilter(OpenImageFilter()));
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
    const QStringList filters = NameFiltersFromFilter(SaveImageFilter());
    dialog.setNameFilters(filters);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    strPath = dialog.selectedFiles().constFirst();
    nFilterIndex = int(filters.indexOf(dialog.selectedNameFilter())) + 1;
    return true;
}
