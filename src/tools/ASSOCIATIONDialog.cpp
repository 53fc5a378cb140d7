#include "tools/ASSOCIATIONDialog.h"

#include "framework/FrameWnd.h"
#include "framework/WinApp.h"
#include "system/DesktopAssociations.h"
#include "system/Registry.h"

#include <QCoreApplication>
#include <QFormLayout>
#include <QLabel>
#include <QMessageBox>

namespace {

// Error boxes of a stopped command: caption and text per result.
struct SAssociateError {
    EAssociateResult eResult;
    const char* pszCaption;
    const char* pszText;
};
const SAssociateError g_errors[] = {
    {EAssociateResult::PATH_TOO_LONG, "Error - Path is too long",
     "Can not associate path longer than 255 characters\t\nTo associate - Put this file in a shorter path on your "
     "hard drive and try again\t"},
    {EAssociateResult::DELETE_FAILED, "Access Violation",
     "Can not recursively delete the registry key\t\n(You may not have permission to WRITE into registry)\t\n"
     "Mission aborted\t"},
    {EAssociateResult::CREATE_FAILED, "Access Violation",
     "Can not gain WRITE accesss to the registry\t\nPlease try to login windows with more permissions\t"},
};

} // namespace

CASSOCIATIONDialog::CASSOCIATIONDialog(QWidget* pParent) : CDialog(pParent)
{
    setWindowTitle(QStringLiteral("Associations"));
    FormLayout()->addRow(new QLabel(QStringLiteral("Choose the file extention "), this));
    FormLayout()->addRow(new QLabel(QStringLiteral("To associate with Lumivo"), this));
    const auto associations = Associations();
    static_assert(std::tuple_size_v<decltype(m_bChecked)> == 11);
    for (size_t i = 0; i < associations.size() && i < m_bChecked.size(); ++i) {
        SField field;
        field.strName = QString::number(associations[i].nControlId);
        field.strLabel = QString::fromLatin1(associations[i].pszText);
        field.eType = FIELD_CHECK;
        field.pValue = &m_bChecked[i];
        AddField(field);
    }
}

void OnAssociations()
{
    CASSOCIATIONDialog dialog(AfxGetMainWnd());
    if (dialog.DoModal() != CDialog::IDOK)
        return;
    QMessageBox confirm(QMessageBox::Information, QStringLiteral("Attention"),
                        QStringLiteral("This will change the registry\nFile extentions will open with this "
                                       "application in the future\t\n\nDo you wish to continue ?\t"),
                        QMessageBox::Yes | QMessageBox::No, AfxGetMainWnd());
    if (confirm.exec() != QMessageBox::Yes)
        return;
    const EAssociateResult eResult = AssociateExtensions(dialog.m_bChecked, QCoreApplication::applicationFilePath(),
                                                         CRegKey::Root(CRegKey::ClassesRootFolder()));
    for (const SAssociateError& error : g_errors)
        if (error.eResult == eResult) {
            QMessageBox box(QMessageBox::Critical, QString::fromLatin1(error.pszCaption),
                            QString::fromLatin1(error.pszText), QMessageBox::Ok, AfxGetMainWnd());
            box.exec();
        }
}
