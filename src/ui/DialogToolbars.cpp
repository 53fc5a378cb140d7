#include "ui/DialogToolbars.h"

#include "framework/FrameWnd.h"
#include "res/CommandIds.h"
#include "ui/XHeaderCtrl.h"
#include "ui/XListCtrl.h"

#include <QDialogButtonBox>
#include <QToolBar>
#include <QVBoxLayout>

namespace {
// The toolbar of each row, in row order.
constexpr int g_rowToolbars[CDialogToolbars::kToolbarCount] = {
    IDR_TOOLBAR_EFFECTS, IDR_TOOLBAR_FILTERS, IDR_TOOLBAR_MORPH, IDR_MAINFRAME, IDR_TOOLBAR_CONTRAST,
};
constexpr int kListWidth = 320;
constexpr int kListHeight = 140;
} // namespace

CDialogToolbars::CDialogToolbars(CMDIFrameWnd* pFrame, QWidget* pParent)
    : QDialog(pParent), m_pFrame(pFrame), m_pList(new CXListCtrl(this))
{
    setWindowTitle(tr("Toolbars"));
    m_pList->setObjectName(QStringLiteral("list"));
    m_pList->setFixedSize(kListWidth, kListHeight);
    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(pButtons, &QDialogButtonBox::accepted, this, &CDialogToolbars::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &CDialogToolbars::reject);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(m_pList);
    pLayout->addWidget(pButtons);
    pLayout->setSizeConstraint(QLayout::SetFixedSize);

    // 1-2. Full-row and track select; "Enable" takes 18/64 of the width, "Toolbar" the rest.
    m_pList->SetExtendedStyle(CXListCtrl::LVS_EX_FULLROWSELECT | CXListCtrl::LVS_EX_TRACKSELECT);
    const int nTotal = m_pList->width() - 2;
    const int nEnable = nTotal * 18 / 64;
    m_pList->InsertColumn(tr("Enable"), CXListCtrl::LVCFMT_CENTER, nEnable);
    m_pList->InsertColumn(tr("Toolbar"), CXListCtrl::LVCFMT_LEFT, nTotal - nEnable - 2);

    // 3. The "Enable" header shows a check box.
    CXHeaderCtrl* pHeader = m_pList->GetHeaderCtrl();
    pHeader->SetImageList({m_pList->CheckBoxImage(false), m_pList->CheckBoxImage(true)});
    pHeader->SetItemImage(0, CXListCtrl::HEADER_UNCHECKED);

    // 4-5. One row per toolbar, checked when it is shown.
    m_pList->setUpdatesEnabled(false);
    for (int i = 0; i < kToolbarCount; ++i) {
        const QToolBar* pBar = m_pFrame ? m_pFrame->GetToolBar(g_rowToolbars[i]) : nullptr;
        m_strNames[i] = pBar ? pBar->windowTitle() : QString();
        m_nVisible[i] = pBar && !pBar->isHidden() ? 1 : 0;
        m_pList->InsertItem(i, QString());
        m_pList->SetCheckbox(i, 0, m_nVisible[i]);
        m_pList->SetItemText(i, 1, m_strNames[i]);
    }
    m_pList->setUpdatesEnabled(true);
}

void CDialogToolbars::accept()
{
    for (int i = 0; i < kToolbarCount; ++i)
        if (QToolBar* pBar = m_pFrame ? m_pFrame->GetToolBar(g_rowToolbars[i]) : nullptr)
            pBar->setVisible(m_pList->GetCheckbox(i, 0) == 1);
    QDialog::accept();
}
