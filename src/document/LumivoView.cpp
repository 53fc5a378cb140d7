#include "document/LumivoView.h"

#include "document/Bitmap.h"
#include "document/LumivoDoc.h"

#include <QPainter>

CLumivoView::CLumivoView(CLumivoDoc* pDocument) : CView(pDocument) {}

CLumivoView::~CLumivoView() = default;

CLumivoDoc* CLumivoView::GetDocument() const
{
    return static_cast<CLumivoDoc*>(CView::GetDocument());
}

void CLumivoView::OnUpdate(CView* pSender, int nHint)
{
    CLumivoDoc* pDoc = GetDocument();
    m_image = pDoc ? BitmapToQImage(pDoc->m_pBitmap) : QImage();
    if (pDoc && pDoc->m_pBitmap)
        SetScrollSizes(QSize(pDoc->m_nWidth, pDoc->m_nHeight));
    CView::OnUpdate(pSender, nHint);
}

void CLumivoView::OnDraw(QPainter& painter)
{
    const QRect area(QPoint(0, 0), viewport()->size().expandedTo(GetTotalSize()));
    painter.fillRect(area, QBrush(QColor(191, 191, 191), Qt::DiagCrossPattern));
    if (m_image.isNull())
        return;
    // Rows are stored bottom-up: draw the wrapped image mirrored vertically.
    painter.save();
    painter.translate(0, m_image.height());
    painter.scale(1, -1);
    painter.drawImage(0, 0, m_image);
    painter.restore();
}

void CLumivoView::OnSetFocus()
{
    if (CLumivoDoc* pDoc = GetDocument())
        pDoc->ShowImageStatus();
}
