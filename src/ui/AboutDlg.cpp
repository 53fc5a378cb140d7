#include "ui/AboutDlg.h"

#include "ui/HyperLink.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QVBoxLayout>

CAboutDlg::CAboutDlg(QWidget* pParent) : QDialog(pParent)
{
    setWindowTitle(tr("About Lumivo"));
    const QString strSite = QString::fromLatin1(g_szWebSite);
    m_pHyperLink = new CHyperLink(strSite, this);
    m_pHyperLink->setObjectName(QStringLiteral("hyperlink"));
    m_pHyperLink->SetURL(strSite, tr("Visit the Lumivo web site"));

    auto* pIcon = new QLabel(this);
    pIcon->setPixmap(QIcon(QStringLiteral(":/icons/lumivo.svg")).pixmap(32, 32));
    auto* pText = new QVBoxLayout;
    pText->addWidget(new QLabel(tr("Lumivo Version 1.0"), this));
    pText->addWidget(m_pHyperLink);
    auto* pRow = new QHBoxLayout;
    pRow->addWidget(pIcon, 0, Qt::AlignTop);
    pRow->addLayout(pText, 1);
    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(pButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pRow);
    pLayout->addWidget(pButtons);
    pLayout->setSizeConstraint(QLayout::SetFixedSize);
}
