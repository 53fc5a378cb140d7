#include "framework/ScrollView.h"

#include "framework/Document.h"

#include <QMdiSubWindow>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

CView::CView(CDocument* pDocument) : m_pDocument(pDocument)
{
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    if (m_pDocument)
        m_pDocument->AddView(this);
}

CView::~CView()
{
    if (m_pDocument)
        m_pDocument->RemoveView(this); // may destroy the document
}

QMdiSubWindow* CView::GetParentFrame() const
{
    for (QWidget* p = parentWidget(); p; p = p->parentWidget())
        if (auto* pFrame = qobject_cast<QMdiSubWindow*>(p))
            return pFrame;
    return nullptr;
}

void CView::OnUpdate(CView*, int)
{
    viewport()->update();
}

void CView::SetScrollSizes(QSize sizeTotal)
{
    m_sizeTotal = sizeTotal.expandedTo(QSize(0, 0));
    UpdateBars();
    viewport()->update();
}

QPoint CView::GetScrollPosition() const
{
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

void CView::ScrollToPosition(QPoint pt)
{
    horizontalScrollBar()->setValue(pt.x());
    verticalScrollBar()->setValue(pt.y());
}

void CView::UpdateBars()
{
    // When everything fits without scroll bars, measure without them, or bars shown for a smaller
    // window would keep themselves needed.
    const QSize sizeMax = maximumViewportSize();
    const bool bFits = m_sizeTotal.width() <= sizeMax.width() && m_sizeTotal.height() <= sizeMax.height();
    const QSize sizeClient = bFits ? sizeMax : viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, m_sizeTotal.width() - sizeClient.width()));
    horizontalScrollBar()->setPageStep(std::max(1, sizeClient.width()));
    horizontalScrollBar()->setSingleStep(std::max(1, sizeClient.width() / 10));
    verticalScrollBar()->setRange(0, std::max(0, m_sizeTotal.height() - sizeClient.height()));
    verticalScrollBar()->setPageStep(std::max(1, sizeClient.height()));
    verticalScrollBar()->setSingleStep(std::max(1, sizeClient.height() / 10));
}

void CView::paintEvent(QPaintEvent* pEvent)
{
    QPainter painter(viewport());
    painter.setClipRect(pEvent->rect());
    painter.translate(-GetScrollPosition());
    OnDraw(painter);
}

void CView::resizeEvent(QResizeEvent* pEvent)
{
    QAbstractScrollArea::resizeEvent(pEvent);
    UpdateBars();
}

void CView::scrollContentsBy(int, int)
{
    viewport()->update();
}

void CView::focusInEvent(QFocusEvent* pEvent)
{
    QAbstractScrollArea::focusInEvent(pEvent);
    OnSetFocus();
}
