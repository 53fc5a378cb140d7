#include "ui/ProgressDlg.h"

#include "framework/FrameWnd.h"
#include "framework/WinApp.h"
#include "res/CommandIds.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

CProgressDlg::CProgressDlg(int nCaptionId) : m_nCaptionId(nCaptionId ? nCaptionId : IDS_PROGRESS)
{
    m_pProgress = new QProgressBar(this);
    m_pProgress->setObjectName(QStringLiteral("progress"));
    m_pProgress->setTextVisible(false);
    m_pPercent = new QLabel(QStringLiteral(" 0 %"), this);
    m_pPercent->setObjectName(QStringLiteral("percent"));
    auto* pCancel = new QPushButton(QStringLiteral("Cancel"), this);
    connect(pCancel, &QPushButton::clicked, this, &CProgressDlg::reject);

    auto* pRow = new QHBoxLayout;
    pRow->addWidget(m_pProgress, 1);
    pRow->addWidget(m_pPercent);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pRow);
    pLayout->addWidget(pCancel, 0, Qt::AlignHCenter);
    setMinimumWidth(320);
}

CProgressDlg::~CProgressDlg()
{
    if (m_pParentWnd)
        DestroyWindow();
}

bool CProgressDlg::Create(QWidget* pParent)
{
    QWidget* pOwner = pParent ? pParent->window() : AfxGetMainWnd();
    m_pParentWnd = pOwner;
    if (pOwner) {
        setParent(pOwner, windowFlags() | Qt::Dialog);
        m_bParentDisabled = pOwner->isEnabled();
        if (m_bParentDisabled)
            pOwner->setEnabled(false);
    }
    // A window is enabled on its own even when its parent is not.
    setEnabled(true);

    m_pProgress->setRange(m_nLower, m_nUpper);
    m_pProgress->setValue(m_nLower);
    const CWinApp* pApp = AfxGetApp();
    setWindowTitle(pApp ? pApp->LoadString(m_nCaptionId) : QString());
    show();
    return true;
}

void CProgressDlg::StepIt()
{
    QCoreApplication::processEvents();

    const int nPrevious = m_pProgress->value();
    int nPos = nPrevious + m_nStep;
    if (nPos > m_nUpper)
        nPos = m_nLower + (nPos - m_nLower) % (m_nUpper - m_nLower);
    m_pProgress->setValue(nPos);

    const int nPercent = (nPrevious + m_nStep - m_nLower) * 100 / (m_nUpper - m_nLower);
    const QString strText = QString::asprintf("%d%c", nPercent == 100 ? 100 : nPercent % 100, '%');
    if (m_pPercent->text() != strText)
        m_pPercent->setText(strText);
}

void CProgressDlg::reject()
{
    m_bCancel = true;
}

void CProgressDlg::DestroyWindow()
{
    if (m_pParentWnd && m_bParentDisabled)
        m_pParentWnd->setEnabled(true);
    m_pParentWnd = nullptr;
    m_bParentDisabled = false;
    hide();
}
