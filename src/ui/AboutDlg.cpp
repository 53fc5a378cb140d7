#include "ui/AboutDlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QVBoxLayout>

CAboutDlg::CAboutDlg(QWidget* pParent) : QDialog(pParent)
{
    setWindowTitle(tr("About Lumivo"));
    auto* pLayout = new QVBoxLayout(this);
    auto* pRow = new QHBoxLayout;
    auto* pIcon = new QLabel(this);
    pIcon->setPixmap(QIcon(QStringLiteral(":/icons/lumivo.svg")).pixmap(32, 32));
    pRow->addWidget(pIcon);
    pRow->addWidget(new QLabel(tr("Lumivo Version 1.0"), this), 1);
    pLayout->addLayout(pRow);
    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(pButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    pLayout->addWidget(pButtons);
}
