#include "tools/SpinButtonCtrl.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

CSpinButtonCtrl::CSpinButtonCtrl(QWidget* pParent) : QWidget(pParent)
{
    auto* pLayout = new QVBoxLayout(this);
    pLayout->setContentsMargins(0, 0, 0, 0);
    pLayout->setSpacing(0);
    for (const auto& [eArrow, nDelta] : {std::pair{Qt::UpArrow, 1}, std::pair{Qt::DownArrow, -1}}) {
        auto* pButton = new QToolButton(this);
        pButton->setArrowType(eArrow);
        pButton->setAutoRepeat(true);
        pButton->setFocusPolicy(Qt::NoFocus);
        pButton->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
        pButton->setObjectName(nDelta > 0 ? QStringLiteral("up") : QStringLiteral("down"));
        connect(pButton, &QToolButton::clicked, this, [this, nDelta = nDelta] { Step(nDelta); });
        pLayout->addWidget(pButton);
    }
}

void CSpinButtonCtrl::SetRange(int nLower, int nUpper)
{
    m_nLower = nLower;
    m_nUpper = nUpper;
}

void CSpinButtonCtrl::SetPos(int nPos)
{
    m_nPos = std::clamp(nPos, m_nLower, m_nUpper);
    if (m_pBuddy)
        m_pBuddy->setText(QString::number(m_nPos));
}

void CSpinButtonCtrl::SetBuddy(QLineEdit* pBuddy)
{
    m_pBuddy = pBuddy;
    pBuddy->installEventFilter(this);
}

void CSpinButtonCtrl::Step(int nDelta)
{
    int nPos = m_nPos;
    if (m_pBuddy) {
        bool bOk = false;
        const int nTyped = m_pBuddy->text().trimmed().toInt(&bOk);
        if (bOk)
            nPos = std::clamp(nTyped, m_nLower, m_nUpper);
    }
    if (m_fnDeltaPos && !m_fnDeltaPos(nPos, nDelta))
        return;
    SetPos(nPos + nDelta);
}

bool CSpinButtonCtrl::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (pWatched == m_pBuddy && pEvent->type() == QEvent::KeyPress && isEnabled()) {
        const int nKey = static_cast<QKeyEvent*>(pEvent)->key();
        if (nKey == Qt::Key_Up || nKey == Qt::Key_Down) {
            Step(nKey == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(pWatched, pEvent);
}
