#pragma once
// The view of an image document inside its child frame: draws the picture scaled by a zoom factor
// that doubles or halves, centred on a hatched background, reads out the pixel under the mouse,
// fits its frame to a new image, prints and previews. A left-button drag selects a rectangle that
// can be cropped into a new image; N and P step to the next and previous file of the folder.
#include "framework/ScrollView.h"

#include <QBrush>
#include <QImage>

class CLumivoDoc;
class QPrinter;
struct FIBITMAP;

class CLumivoView : public CView {
    Q_OBJECT
public:
    // Zoom limits: zoom in while below MAX_ZOOM_IN (so 16 is the largest factor), zoom out while
    // above MIN_ZOOM (1/1024, also the smallest factor).
    static constexpr double MAX_ZOOM_IN = 9.0;
    static constexpr double MIN_ZOOM = 1.0 / 1024;

    explicit CLumivoView(CLumivoDoc* pDocument);
    ~CLumivoView() override;

    CLumivoDoc* GetDocument() const;
    void OnUpdate(CView* pSender, int nHint) override;
    void OnDraw(QPainter& painter) override;
    // Draws the picture scaled to the printer's page and centred on it.
    void OnPrint(QPainter& painter, QSize sizePage);
    // One page of the image on the printer; false when the printer would not start.
    bool PrintTo(QPrinter& printer);

    // A point of the client area in image coordinates (y counted from the top row), with the
    // scroll position and the offsets of the last drawing.
    QPoint ViewToImage(QPoint ptClient) const;

    // The last rubber-band selection, in client coordinates (right and bottom edges exclusive).
    QRect m_tracker;

    double m_dZoom = 1.0;
    int m_nDrawWidth = 0; // zoomed image size, recomputed at every drawing
    int m_nDrawHeight = 0;
    int m_nOffsetX = 0; // where the picture's top-left corner is drawn, in logical coordinates
    int m_nOffsetY = 0;

protected:
    void OnSetFocus() override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    void wheelEvent(QWheelEvent* pEvent) override;

private:
    void OnZoomIn();
    void OnZoomOut();
    // Multiplies the zoom and resizes the frame as zoom out and the wheel do.
    void ZoomAndFollowWithFrame(double dFactor);
    void OnFilePrint();
    void OnFilePrintDirect();
    void OnFilePrintPreview();
    void OnImageCrop();
    // Shows the crop menu for the finished selection started at ptStart, then repaints without it.
    void ShowCropMenu(QPoint ptStart);
    // Next (+1) and previous (-1) file: the document steps, the view asks.
    bool CanStepFile(int nStep) const;
    void StepFile(int nStep);
    void DrawTracker(QPainter& painter) const;

    // The zoomed image size, truncated toward zero.
    QSize ZoomedSize() const;
    // The outer size the child frame needs to show a client area of exactly sizeClient.
    QSize FrameSizeForClient(QSize sizeClient) const;
    // Resizes the child frame, leaving its position; nothing while it is minimised or maximised.
    void ResizeFrame(QSize sizeOuter);
    // After a new image: the frame is made to fit the zoomed image, as far as the main window has room.
    void FitFrameToImage();
    // The document's pixels, wrapped (re-wrapped when the document holds another bitmap).
    const QImage& Picture();

    QBrush m_brBackground;
    QImage m_image;
    FIBITMAP* m_pShownBitmap = nullptr; // the bitmap m_image wraps
    QImage m_zoomed;                    // the picture at the drawn size, kept while far zoomed out
    QImage m_buffer;                    // the converted pixels of one drawing; as large as the window
    int m_nWheelDelta = 0;              // wheel rotation not yet turned into zoom steps
    QPoint m_ptTrackStart;              // where the left button went down
    bool m_bTracking = false;           // the left button is down: the selection follows the mouse
    bool m_bShowTracker = false;        // the selection is drawn until the views are next updated
};
