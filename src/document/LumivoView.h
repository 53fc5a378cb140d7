#pragma once
// The view of an image document inside its child frame.
#include "framework/ScrollView.h"

#include <QImage>

class CLumivoDoc;

class CLumivoView : public CView {
    Q_OBJECT
public:
    explicit CLumivoView(CLumivoDoc* pDocument);
    ~CLumivoView() override;

    CLumivoDoc* GetDocument() const;
    void OnUpdate(CView* pSender, int nHint) override;
    void OnDraw(QPainter& painter) override;

protected:
    void OnSetFocus() override;

private:
    QImage m_image; // the document's pixels, wrapped; refreshed when the image changes
};
