#include "ui/DlgUsage.h"

#include "ui/AboutDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

CDlgUsage::CDlgUsage(QWidget* pParent) : QDialog(pParent)
{
    setWindowTitle(tr("Usage"));
    auto* pLayout = new QVBoxLayout(this);
    const QString lines[] = {
        tr("Lumivo is provided as freeware."),
        tr("Any suggestions, feedback and comments are appreciated."),
        tr("Please check %1 for updates.").arg(QString::fromLatin1(g_szWebSite)),
    };
    for (const QString& strLine : lines)
        pLayout->addWidget(new QLabel(strLine, this));
    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(pButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    pLayout->addWidget(pButtons);
    pLayout->setSizeConstraint(QLayout::SetFixedSize);
}
