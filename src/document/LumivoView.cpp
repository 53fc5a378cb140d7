#include "document/LumivoView.h"

#include "document/LumivoDoc.h"
#include "framework/FrameWnd.h"
#include "framework/WinApp.h"
#include "image/Bitmap.h"
#include "image/BitmapImage.h"
#include "image/Crop.h"
#include "image/Pixel16.h"
#include "res/CommandIds.h"

#include <FreeImage.h>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QWheelEvent>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

// One wheel notch, in eighths of a degree.
constexpr int WHEEL_STEP = 120;

// Pixel readers of the formats a bitmap is wrapped in. Position(x) says where pixel x of a stored row
// lies (a byte offset; a bit offset for 1-bit rows), Byte(position) which byte that is, and the call
// operator gives the pixel's colour. For readers of whole bytes the position is the byte offset.
struct SFetchBytes {
    static size_t Byte(uint32_t nPosition) { return nPosition; }
};
struct SFetchMono {
    const QRgb* pColours;
    static uint32_t Position(uint32_t x) { return x; }
    static size_t Byte(uint32_t nPosition) { return nPosition >> 3; }
    QRgb operator()(const uchar* pRow, uint32_t x) const { return pColours[(pRow[x >> 3] >> (7 - (x & 7))) & 1]; }
};
struct SFetchIndexed8 {
    const QRgb* pColours;
    static uint32_t Position(uint32_t x) { return x; }
    static size_t Byte(uint32_t nPosition) { return nPosition; }
    QRgb operator()(const uchar* pRow, uint32_t nPosition) const { return pColours[pRow[nPosition]]; }
};
// 16-bit pixels: five bits for red and blue, GreenBits (6 for 565, 5 for 555) for green.
template <int GreenBits> struct SFetch16 : SFetchBytes {
    static uint32_t Position(uint32_t x) { return 2 * x; }
    QRgb operator()(const uchar* pRow, uint32_t nPosition) const
    {
        const SRgb8 c = Expand16<GreenBits>(pRow[nPosition] | pRow[nPosition + 1] << 8);
        return 0xFF000000u | uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b;
    }
};
// 24 and 32 bits: blue, green, red in memory, as in a QRgb read on a little-endian machine. A fourth
// byte is ignored: the screen shows no alpha.
struct SFetchBgr24 : SFetchBytes {
    static uint32_t Position(uint32_t x) { return 3 * x; }
    QRgb operator()(const uchar* pRow, uint32_t nPosition) const
    {
        uint16_t nBlueGreen;
        std::memcpy(&nBlueGreen, pRow + nPosition, 2);
        return 0xFF000000u | uint32_t(pRow[nPosition + 2]) << 16 | nBlueGreen;
    }
};
struct SFetchBgr32 : SFetchBytes {
    static uint32_t Position(uint32_t x) { return 4 * x; }
    QRgb operator()(const uchar* pRow, uint32_t nPosition) const
    {
        uint32_t nPixel;
        std::memcpy(&nPixel, pRow + nPosition, 4);
        return 0xFF000000u | nPixel;
    }
};
static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "the 24- and 32-bit readers assume little-endian pixels");

// Which stored pixels land on the destination pixels being drawn.
struct SSampling {
    std::vector<uint32_t> columns; // source column of each destination column
    std::vector<int> rows;         // stored source row of each destination row
};

// Fills the first columns.size() x rows.size() pixels of buffer (RGB32) with the sampled pixels.
template <class TFetch> void SampleRows(const QImage& image, const SSampling& s, QImage& buffer, const TFetch& fetch)
{
    const int nColumns = int(s.columns.size());
    const int nRows = int(s.rows.size());
    std::vector<uint32_t> positions(s.columns.size());
    std::transform(s.columns.begin(), s.columns.end(), positions.begin(), TFetch::Position);
    const uint32_t* pPositions = positions.data();
    for (int y = 0; y < nRows; ++y) {
        auto* pDst = reinterpret_cast<QRgb*>(buffer.scanLine(y));
        if (y > 0 && s.rows[y] == s.rows[y - 1]) {
            std::memcpy(pDst, buffer.constScanLine(y - 1), size_t(nColumns) * sizeof(QRgb));
            continue;
        }
        const uchar* pRow = image.constScanLine(s.rows[y]);
        if (y + 1 < nRows && std::abs(s.rows[y + 1] - s.rows[y]) > 1) {
            // Zoomed out the rows lie apart: fetch the pixels of the next row while this one is
            // converted, or reading them waits on memory at every pixel.
            const uchar* pNext = image.constScanLine(s.rows[y + 1]);
            for (int x = 0; x < nColumns; ++x) {
                __builtin_prefetch(pNext + TFetch::Byte(pPositions[x]));
                pDst[x] = fetch(pRow, pPositions[x]);
            }
        } else {
            for (int x = 0; x < nColumns; ++x)
                pDst[x] = fetch(pRow, pPositions[x]);
        }
    }
}

// The colour table of an indexed image, with every index a pixel can hold mapped to an opaque colour.
std::array<QRgb, 256> ColourTable(const QImage& image)
{
    std::array<QRgb, 256> colours;
    colours.fill(0xFF000000u);
    const QList<QRgb> table = image.colorTable();
    for (qsizetype i = 0; i < std::min<qsizetype>(table.size(), 256); ++i)
        colours[size_t(i)] = 0xFF000000u | table[i];
    return colours;
}

// Converts the pixels s picks from image into the top-left corner of buffer (RGB32, which must be
// large enough). False for a format without a reader.
bool Sample(const QImage& image, const SSampling& s, QImage& buffer)
{
    switch (image.format()) {
    case QImage::Format_Mono: {
        const std::array<QRgb, 256> colours = ColourTable(image);
        SampleRows(image, s, buffer, SFetchMono{colours.data()});
        return true;
    }
    case QImage::Format_Indexed8: {
        const std::array<QRgb, 256> colours = ColourTable(image);
        SampleRows(image, s, buffer, SFetchIndexed8{colours.data()});
        return true;
    }
    case QImage::Format_RGB16: SampleRows(image, s, buffer, SFetch16<6>{}); return true;
    case QImage::Format_RGB555: SampleRows(image, s, buffer, SFetch16<5>{}); return true;
    case QImage::Format_BGR888: SampleRows(image, s, buffer, SFetchBgr24{}); return true;
    case QImage::Format_RGB32: SampleRows(image, s, buffer, SFetchBgr32{}); return true;
    default: return false;
    }
}

// Converts the part of a picture (rows stored bottom-up) that falls inside rcClip, when the whole
// picture is stretched over rcDest nearest neighbour, into the top-left corner of buffer (RGB32, grown
// when too small). Only those pixels are read, so the cost follows the clip, not the image. Returns
// the part's rectangle; empty when nothing of the picture shows.
QRect SamplePicture(const QImage& image, const QRect& rcDest, const QRect& rcClip, QImage& buffer)
{
    const QRect rcPart = rcDest & rcClip;
    if (rcPart.isEmpty() || image.isNull())
        return {};

    // Destination pixel (x, y) shows picture pixel ((x - left) * width / dest width, likewise down); the
    // picture's top row is the last stored row.
    const int64_t nWidth = image.width(), nHeight = image.height();
    SSampling s;
    s.columns.resize(size_t(rcPart.width()));
    s.rows.resize(size_t(rcPart.height()));
    for (int x = 0; x < rcPart.width(); ++x)
        s.columns[size_t(x)] = uint32_t((rcPart.left() + x - rcDest.left()) * nWidth / rcDest.width());
    for (int y = 0; y < rcPart.height(); ++y)
        s.rows[size_t(y)] = int(nHeight - 1 - (rcPart.top() + y - rcDest.top()) * nHeight / rcDest.height());

    if (buffer.width() < rcPart.width() || buffer.height() < rcPart.height() ||
        buffer.format() != QImage::Format_RGB32) {
        buffer = QImage(rcPart.size().expandedTo(buffer.size()), QImage::Format_RGB32);
        if (buffer.isNull())
            return {};
    }
    return Sample(image, s, buffer) ? rcPart : QRect();
}

// Far zoomed out, the pixels drawn from one row of a picture of 16 bits or more lie less than a cache
// line apart, so every paint would read whole rows, hundreds of them from all over the image. When
// each drawn pixel stands for ZOOMED_COPY_FROM picture pixels or more each way, such a picture is
// therefore sampled once into a copy at the drawn size (at most 1/64 of its pixels and 1/32 of its
// bytes), and paints copy from that.
constexpr int ZOOMED_COPY_FROM = 8;

bool WantsZoomedCopy(const QImage& image, const QRect& rcDest)
{
    return image.depth() >= 16 && !rcDest.isEmpty() && int64_t(rcDest.width()) * ZOOMED_COPY_FROM <= image.width() &&
           int64_t(rcDest.height()) * ZOOMED_COPY_FROM <= image.height();
}

// The rectangle between two corners, whichever way it was dragged; its far edges are exclusive.
QRect SelectionRect(QPoint pt1, QPoint pt2)
{
    return {QPoint(std::min(pt1.x(), pt2.x()), std::min(pt1.y(), pt2.y())),
            QSize(std::abs(pt2.x() - pt1.x()), std::abs(pt2.y() - pt1.y()))};
}

} // namespace

CLumivoView::CLumivoView(CLumivoDoc* pDocument)
    : CView(pDocument), m_brBackground(QColor(191, 191, 191), Qt::DiagCrossPattern)
{
    // The sunken edge around the picture; every pixel of the viewport is painted by OnDraw.
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);

    OnCommand(
        ID_IMAGE_ZOOM_IN, [this] { OnZoomIn(); }, [this](CCmdUI& ui) { ui.Enable(m_dZoom < MAX_ZOOM_IN); });
    OnCommand(
        ID_IMAGE_ZOOM_OUT, [this] { OnZoomOut(); }, [this](CCmdUI& ui) { ui.Enable(m_dZoom > MIN_ZOOM); });
    OnCommand(ID_FILE_PRINT, [this] { OnFilePrint(); });
    OnCommand(ID_FILE_PRINT_DIRECT, [this] { OnFilePrintDirect(); });
    OnCommand(ID_FILE_PRINT_PREVIEW, [this] { OnFilePrintPreview(); });
    OnCommand(ID_IMAGE_CROP, [this] { OnImageCrop(); });
    OnCommand(
        ID_FILE_NEXT, [this] { StepFile(1); }, [this](CCmdUI& ui) { ui.Enable(CanStepFile(1)); });
    OnCommand(
        ID_FILE_PREVIOUS, [this] { StepFile(-1); }, [this](CCmdUI& ui) { ui.Enable(CanStepFile(-1)); });
}

CLumivoView::~CLumivoView() = default;

CLumivoDoc* CLumivoView::GetDocument() const
{
    return static_cast<CLumivoDoc*>(CView::GetDocument());
}

const QImage& CLumivoView::Picture()
{
    FIBITMAP* pBitmap = GetDocument() ? GetDocument()->m_pBitmap : nullptr;
    if (pBitmap != m_pShownBitmap) {
        m_image = BitmapToQImage(pBitmap);
        m_zoomed = QImage();
        m_pShownBitmap = pBitmap;
    }
    return m_image;
}

QSize CLumivoView::ZoomedSize() const
{
    const CLumivoDoc* pDoc = GetDocument();
    if (!pDoc)
        return {0, 0};
    return {int(pDoc->m_nWidth * m_dZoom), int(pDoc->m_nHeight * m_dZoom)};
}

void CLumivoView::OnUpdate(CView* pSender, int nHint)
{
    CLumivoDoc* pDoc = GetDocument();
    m_bShowTracker = false;
    // A replaced bitmap may already be freed, and a kept one may have changed in place: drop the wrap
    // of its pixels and the reduced copy now; the next paint wraps the document's bitmap again.
    m_image = QImage();
    m_zoomed = QImage();
    m_pShownBitmap = nullptr;
    if (nHint == CLumivoDoc::HINT_NEW_IMAGE) {
        SetScrollSizes(ZoomedSize());
        FitFrameToImage();
    } else if (pDoc && pDoc->m_pBitmap) {
        SetScrollSizes(ZoomedSize());
    }
    CView::OnUpdate(pSender, nHint);
}

QSize CLumivoView::FrameSizeForClient(QSize sizeClient) const
{
    // The frame's border and caption (its contents margins, right also before it was ever laid out),
    // then the view's sunken edge.
    const QMargins margins = GetParentFrame()->contentsMargins();
    const int nEdge = 2 * frameWidth();
    return sizeClient + QSize(margins.left() + margins.right() + nEdge, margins.top() + margins.bottom() + nEdge);
}

void CLumivoView::ResizeFrame(QSize sizeOuter)
{
    QMdiSubWindow* pFrame = GetParentFrame();
    // Never below the frame's own minimum, so its caption and buttons stay whole.
    if (pFrame && !pFrame->isMinimized() && !pFrame->isMaximized())
        pFrame->resize(sizeOuter.expandedTo(pFrame->minimumSizeHint()));
}

void CLumivoView::FitFrameToImage()
{
    QMdiSubWindow* pFrame = GetParentFrame();
    const QWidget* pMain = AfxGetMainWnd();
    if (!pFrame || !pMain || pFrame->isMinimized() || pFrame->isMaximized())
        return;
    // Room between the frame's top-left corner and the main window's far edges, in screen pixels.
    const QPoint ptFrame = pFrame->mapToGlobal(QPoint(0, 0));
    const QRect rcMain = pMain->frameGeometry();
    int nRoomAcross = rcMain.left() + pMain->width() - ptFrame.x() - 12;
    int nRoomDown = rcMain.top() + pMain->height() - ptFrame.y() - 12;
    // The main window's client area includes toolbars and status bar: the frame, caption and close
    // button included, must also fit inside the visible MDI area.
    if (const QWidget* pArea = pFrame->mdiArea() ? pFrame->mdiArea()->viewport() : nullptr) {
        const QPoint ptAreaEnd = pArea->mapToGlobal(QPoint(pArea->width(), pArea->height()));
        const QSize sizeBorder = FrameSizeForClient(QSize(0, 0));
        nRoomAcross = std::min(nRoomAcross, ptAreaEnd.x() - ptFrame.x() - sizeBorder.width());
        nRoomDown = std::min(nRoomDown, ptAreaEnd.y() - ptFrame.y() - sizeBorder.height());
    }
    const QSize sizeZoomed = ZoomedSize();
    ResizeFrame(
        FrameSizeForClient(QSize(std::min(nRoomAcross, sizeZoomed.width()), std::min(nRoomDown, sizeZoomed.height()))));
}

void CLumivoView::OnZoomIn()
{
    m_dZoom *= 2;
    GetDocument()->UpdateAllViews(nullptr, 0);
}

void CLumivoView::OnZoomOut()
{
    ZoomAndFollowWithFrame(0.5);
}

void CLumivoView::ZoomAndFollowWithFrame(double dFactor)
{
    m_dZoom *= dFactor;
    const QSize sizeZoomed = ZoomedSize();
    SetScrollSizes(sizeZoomed);
    // The frame shrinks when the picture no longer fills the client area, and grows (also beyond the
    // MDI area, which then shows its scroll bars) when the picture no longer fits in it.
    const QSize sizeClient = viewport()->size();
    const QSize sizeSmaller = dFactor < 1 ? sizeZoomed : sizeClient;
    const QSize sizeLarger = dFactor < 1 ? sizeClient : sizeZoomed;
    if (GetParentFrame() && (sizeSmaller.width() < sizeLarger.width() || sizeSmaller.height() < sizeLarger.height()))
        ResizeFrame(FrameSizeForClient(sizeZoomed) + QSize(4, 4));
    GetDocument()->UpdateAllViews(nullptr, 0);
}

void CLumivoView::mousePressEvent(QMouseEvent* pEvent)
{
    if (pEvent->button() == Qt::RightButton && m_dZoom > MIN_ZOOM) {
        m_dZoom *= 0.5;
        GetDocument()->UpdateAllViews(nullptr, 0);
    }
    if (pEvent->button() == Qt::LeftButton) {
        m_ptTrackStart = pEvent->position().toPoint();
        m_tracker = QRect(m_ptTrackStart, QSize(0, 0));
        m_bTracking = true;
        m_bShowTracker = true;
        viewport()->update();
    }
    CView::mousePressEvent(pEvent);
}

void CLumivoView::mouseReleaseEvent(QMouseEvent* pEvent)
{
    if (pEvent->button() == Qt::LeftButton && m_bTracking) {
        m_bTracking = false;
        m_tracker = SelectionRect(m_ptTrackStart, pEvent->position().toPoint());
        viewport()->repaint();
        ShowCropMenu(m_ptTrackStart);
    }
    CView::mouseReleaseEvent(pEvent);
}

void CLumivoView::ShowCropMenu(QPoint ptStart)
{
    const std::unique_ptr<QMenu> pMenu(AfxGetMainWnd() ? AfxGetMainWnd()->LoadPopupMenu(IDR_CROP_POPUP, this)
                                                       : nullptr);
    if (pMenu)
        pMenu->exec(viewport()->mapToGlobal(ptStart + QPoint(m_tracker.width(), m_tracker.height())));
    if (CLumivoDoc* pDoc = GetDocument())
        pDoc->UpdateAllViews(nullptr, 0); // repaints, which removes the selection
}

void CLumivoView::DrawTracker(QPainter& painter) const
{
    // A hatched band around the selection with resize handles outside its corners and edge middles.
    constexpr int HANDLE = 6;
    const QRect rc = m_tracker.translated(GetScrollPosition());
    const QRect rcOuter = rc.adjusted(-HANDLE / 2 - 1, -HANDLE / 2 - 1, HANDLE / 2 + 1, HANDLE / 2 + 1);
    const QBrush hatch(Qt::black, Qt::BDiagPattern);
    painter.setBackgroundMode(Qt::TransparentMode);
    for (const QRect& rcBand : QRegion(rcOuter) - QRegion(rc))
        painter.fillRect(rcBand, hatch);
    const int xs[] = {rcOuter.left() - HANDLE, rc.center().x() - HANDLE / 2, rcOuter.right() + 1};
    const int ys[] = {rcOuter.top() - HANDLE, rc.center().y() - HANDLE / 2, rcOuter.bottom() + 1};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            if (i != 1 || j != 1)
                painter.fillRect(QRect(xs[i], ys[j], HANDLE, HANDLE), Qt::black);
}

void CLumivoView::OnImageCrop()
{
    CLumivoDoc* pDoc = GetDocument();
    if (!pDoc || !pDoc->m_pBitmap)
        return;
    const QPoint ptTopLeft = ViewToImage(m_tracker.topLeft());
    const QPoint ptBottomRight = ViewToImage(m_tracker.topLeft() + QPoint(m_tracker.width(), m_tracker.height()));
    // Rows counted from the top become stored scan lines, counted from the bottom.
    int x1 = ptTopLeft.x(), x2 = ptBottomRight.x();
    int nLower = pDoc->m_nHeight - ptBottomRight.y(), nUpper = pDoc->m_nHeight - ptTopLeft.y();
    if (x2 < x1)
        std::swap(x1, x2);
    if (nLower >= nUpper)
        std::swap(nLower, nUpper);
    // Clamped to the image's size, so a selection past an edge keeps the last column or row.
    x1 = std::max(x1, 0);
    nLower = std::max(nLower, 0);
    x2 = std::min(x2, pDoc->m_nWidth);
    nUpper = std::min(nUpper, pDoc->m_nHeight);
    if (FIBITMAP* pCrop = CropBitmap(pDoc->m_pBitmap, x1, nLower, x2, nUpper))
        CLumivoDoc::CreateResultDocument(pCrop, QStringLiteral("Crop image"), 0.0);
}

bool CLumivoView::CanStepFile(int nStep) const
{
    return GetDocument() && GetDocument()->CanStepFile(nStep);
}

void CLumivoView::StepFile(int nStep)
{
    GetDocument()->StepFile(nStep);
}

void CLumivoView::keyPressEvent(QKeyEvent* pEvent)
{
    const QString strText = pEvent->text();
    if (strText.compare(QLatin1String("n"), Qt::CaseInsensitive) == 0 && CanStepFile(1))
        StepFile(1);
    else if (strText.compare(QLatin1String("p"), Qt::CaseInsensitive) == 0 && CanStepFile(-1))
        StepFile(-1);
    CView::keyPressEvent(pEvent);
}

void CLumivoView::wheelEvent(QWheelEvent* pEvent)
{
    CView::wheelEvent(pEvent); // scroll first
    // One zoom step per notch; finer wheels add up to a notch first.
    m_nWheelDelta += pEvent->angleDelta().y();
    while (m_nWheelDelta <= -WHEEL_STEP || m_nWheelDelta >= WHEEL_STEP) {
        const bool bTowardUser = m_nWheelDelta < 0;
        m_nWheelDelta += bTowardUser ? WHEEL_STEP : -WHEEL_STEP;
        if (bTowardUser) {
            if (m_dZoom > MIN_ZOOM)
                OnZoomOut();
            continue;
        }
        if (m_dZoom < MAX_ZOOM_IN)
            ZoomAndFollowWithFrame(2);
    }
    pEvent->accept();
}

QPoint CLumivoView::ViewToImage(QPoint ptClient) const
{
    const QPoint ptScroll = GetScrollPosition();
    return {int(std::floor((ptClient.x() + ptScroll.x() - m_nOffsetX) / m_dZoom)),
            int(std::floor((ptClient.y() + ptScroll.y() - m_nOffsetY) / m_dZoom))};
}

void CLumivoView::mouseMoveEvent(QMouseEvent* pEvent)
{
    if (m_bTracking) {
        // Dragging up or left gives the same, normalised rectangle.
        m_tracker = SelectionRect(m_ptTrackStart, pEvent->position().toPoint());
        viewport()->update();
    }
    CLumivoDoc* pDoc = GetDocument();
    CMDIFrameWnd* pMain = AfxGetMainWnd();
    if (pDoc && pMain) {
        const QPoint pt = ViewToImage(pEvent->position().toPoint());
        QString strText = QStringLiteral(" ");
        int nIndex = -1;
        uint32_t rgb = 0;
        if (pDoc->IsInsideImage(pt.x(), pt.y())) {
            pDoc->ReadPixel(pt.x(), pt.y(), nIndex, rgb);
            strText = QString::asprintf("[%d,%d] [%d] [RGB=%d:%d:%d]", pt.x(), pt.y(), nIndex, int(rgb >> 16 & 0xFF),
                                        int(rgb >> 8 & 0xFF), int(rgb & 0xFF));
        }
        pMain->SetPaneText(ID_SEPARATOR, strText, true);
    }
    CView::mouseMoveEvent(pEvent);
}

void CLumivoView::OnSetFocus()
{
    if (CLumivoDoc* pDoc = GetDocument())
        pDoc->ShowImageStatus();
}

void CLumivoView::OnDraw(QPainter& painter)
{
    // Everything the view can scroll over, in logical coordinates.
    const QSize sizeClient = viewport()->size();
    const QSize sizeTotal = GetTotalSize();
    const int nRight = std::max(sizeClient.width(), sizeTotal.width());
    const int nBottom = std::max(sizeClient.height(), sizeTotal.height());

    // Centred while the window is larger than the zoomed picture, at the origin otherwise.
    const QSize sizeZoomed = ZoomedSize();
    m_nDrawWidth = sizeZoomed.width();
    m_nDrawHeight = sizeZoomed.height();
    m_nOffsetX = std::max(0, (nRight - m_nDrawWidth) / 2);
    m_nOffsetY = std::max(0, (nBottom - m_nDrawHeight) / 2);

    const QImage& image = Picture();
    const QRect rcArea(0, 0, nRight, nBottom);
    const QRect rcClip = painter.hasClipping() ? painter.clipBoundingRect().toAlignedRect() & rcArea : rcArea;
    const QRect rcImage = image.isNull() ? QRect() : QRect(m_nOffsetX, m_nOffsetY, m_nDrawWidth, m_nDrawHeight);

    // The hatch, anchored at logical (0, 0) so that it moves with the picture while scrolling; its gaps
    // in the window colour. Only where the picture does not cover it: the picture is opaque.
    painter.setBrushOrigin(0, 0);
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(Qt::white);
    for (const QRect& rc : QRegion(rcClip) - QRegion(rcImage))
        painter.fillRect(rc, m_brBackground);

    if (WantsZoomedCopy(image, rcImage)) {
        if (m_zoomed.size() != rcImage.size()) {
            const QRect rcAll(QPoint(0, 0), rcImage.size());
            m_zoomed = QImage();
            SamplePicture(image, rcAll, rcAll, m_zoomed); // left null when memory runs out
        }
        const QRect rcPart = rcImage & rcClip;
        painter.drawImage(rcPart.topLeft(), m_zoomed, rcPart.translated(-rcImage.topLeft()));
    } else {
        const QRect rcPart = SamplePicture(image, rcImage, rcClip, m_buffer);
        if (!rcPart.isEmpty())
            painter.drawImage(rcPart.topLeft(), m_buffer, QRect(QPoint(0, 0), rcPart.size()));
    }
    if (m_bShowTracker)
        DrawTracker(painter);
}

void CLumivoView::OnPrint(QPainter& painter, QSize sizePage)
{
    const QImage& image = Picture();
    if (image.isNull())
        return;
    // Scaled to the page width when the image is wider than tall, otherwise to the page height.
    const double dScale = image.width() > image.height() ? double(sizePage.width()) / image.width()
                                                         : double(sizePage.height()) / image.height();
    const QSize sizePrinted(int(image.width() * dScale), int(image.height() * dScale));
    const QRect rcPrinted(QPoint(std::max(0, (sizePage.width() - sizePrinted.width()) / 2),
                                 std::max(0, (sizePage.height() - sizePrinted.height()) / 2)),
                          sizePrinted);
    // Sampled to at most the printed size, so that a huge image costs no more than the page; the
    // printer enlarges a smaller one itself.
    const QRect rcSampled(QPoint(0, 0), sizePrinted.boundedTo(image.size()));
    QImage sampled;
    if (!SamplePicture(image, rcSampled, rcSampled, sampled).isEmpty())
        painter.drawImage(rcPrinted, sampled, rcSampled);
}

bool CLumivoView::PrintTo(QPrinter& printer)
{
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    OnPrint(painter, QSize(printer.width(), printer.height()));
    return true;
}

void CLumivoView::OnFilePrint()
{
    QPrinter& printer = AfxGetApp()->GetPrinter();
    QPrintDialog dialog(&printer, AfxGetMainWnd());
    if (dialog.exec() == QDialog::Accepted)
        PrintTo(printer);
}

void CLumivoView::OnFilePrintDirect()
{
    PrintTo(AfxGetApp()->GetPrinter());
}

void CLumivoView::OnFilePrintPreview()
{
    QPrintPreviewDialog dialog(&AfxGetApp()->GetPrinter(), AfxGetMainWnd());
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* pPrinter) { PrintTo(*pPrinter); });
    dialog.exec();
}
