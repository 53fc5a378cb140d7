#pragma once
// View base: a scrolling window over a document; one logical unit is one device pixel.
#include "framework/CmdTarget.h"

#include <QAbstractScrollArea>

class CDocument;
class QMdiSubWindow;

class CView : public QAbstractScrollArea, public CCmdTarget {
    Q_OBJECT
public:
    explicit CView(CDocument* pDocument);
    ~CView() override;

    CDocument* GetDocument() const { return m_pDocument; }
    // The child frame holding this view, or null.
    QMdiSubWindow* GetParentFrame() const;

    // Called by the document; the default repaints.
    virtual void OnUpdate(CView* pSender, int nHint);
    virtual void OnInitialUpdate() { OnUpdate(nullptr, 0); }
    // Draws in logical coordinates: the painter is already translated by the scroll position and
    // clipped to the exposed rectangle (clipBoundingRect() gives it in logical coordinates).
    virtual void OnDraw(QPainter& painter) = 0;

    void SetScrollSizes(QSize sizeTotal);
    QSize GetTotalSize() const { return m_sizeTotal; }
    QPoint GetScrollPosition() const;
    void ScrollToPosition(QPoint pt);

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;
    void scrollContentsBy(int dx, int dy) override;
    void focusInEvent(QFocusEvent* pEvent) override;
    virtual void OnSetFocus() {}

private:
    void UpdateBars();
    friend class CDocument;
    CDocument* m_pDocument;
    QSize m_sizeTotal{0, 0};
};
