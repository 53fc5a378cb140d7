#include "app/LogoMdi.h"

#include <QPainter>
#include <QResizeEvent>

CLogoMdi::CLogoMdi(QWidget* pParent) : QMdiArea(pParent)
{
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

void CLogoMdi::paintEvent(QPaintEvent* pEvent)
{
    QPainter painter(viewport());
    painter.fillRect(pEvent->rect(), m_crBackground);
}

void CLogoMdi::resizeEvent(QResizeEvent* pEvent)
{
    QMdiArea::resizeEvent(pEvent);
    const QSize size = pEvent->size();
    if ((m_nLastWidth != 0 || m_nLastHeight != 0) && (size.width() != m_nLastWidth || size.height() != m_nLastHeight))
        viewport()->update(); // the whole area, not only the uncovered strip
    m_nLastWidth = size.width();
    m_nLastHeight = size.height();
}
