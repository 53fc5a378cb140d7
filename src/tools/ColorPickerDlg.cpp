#include "tools/ColorPickerDlg.h"

#include "image/ColorSpace.h"
#include "tools/SpinButtonCtrl.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <cmath>

namespace {

// Control rectangles (dialog pixels) and ids.
const QRect g_rcGroupRgb(288, 8, 216, 184);   // 1000
const QRect g_rcGroupHsb(8, 8, 272, 294);     // 1001
const QRect g_rcOldSwatch(288, 216, 100, 40); // 1008
const QRect g_rcNewSwatch(404, 216, 100, 40); // 1009
constexpr QSize g_sizeDialog(512, 390);

enum { IDB_HSB_PICTURE = 130, IDB_RGB_PICTURE = 131 };
const QColor g_crTransparent(192, 192, 192); // picture pixels that take the dialog's face colour

// The origin and the ends of the three axes on picture 131.
constexpr QPoint g_ptAxisOrigin(102, 108);
constexpr QPoint g_ptAxisEnds[3] = {{102, 9}, {23, 147}, {181, 147}};

// The six components: edit and spin ids, member, highest stored value and spin range.
struct SComponent {
    int nEdit, nSpin;
    const char* pszLabel;
    int CColorPickerDlg::*pnValue;
    int nMax, nSpinMax;
    bool bHsb;
};
const SComponent g_components[6] = {
    {1002, 1003, "Red", &CColorPickerDlg::m_nRed, 255, 255, false},
    {1004, 1005, "Green", &CColorPickerDlg::m_nGreen, 255, 255, false},
    {1006, 1007, "Blue", &CColorPickerDlg::m_nBlue, 255, 255, false},
    {1010, 1011, "Hue", &CColorPickerDlg::m_nHue, 359, 360, true},
    {1012, 1013, "Saturation", &CColorPickerDlg::m_nSaturation, 255, 255, true},
    {1014, 1015, "Brightness", &CColorPickerDlg::m_nBrightness, 255, 255, true},
};

// Windows-style rectangle ends: right and bottom lie outside.
int Right(const QRect& rc)
{
    return rc.x() + rc.width();
}
int Bottom(const QRect& rc)
{
    return rc.y() + rc.height();
}
// A 10 x 10 rectangle centred on pt.
QRect HandleRect(QPoint pt)
{
    return QRect(pt.x() - 5, pt.y() - 5, 10, 10);
}
int TruncatedDistance(QPoint a, QPoint b)
{
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    return int(std::sqrt(dx * dx + dy * dy));
}

// A line by slope and intercept, or a vertical one by its x.
struct SLine {
    bool bVertical;
    double x, dSlope, dIntercept;
};
SLine LineThrough(QPoint pt, const CColorPickerDlg::SAxis& axis)
{
    if (axis.bVertical)
        return {true, double(pt.x()), 0, 0};
    return {false, 0, axis.dSlope, pt.y() - axis.dSlope * pt.x()};
}
QPoint Intersect(const SLine& a, const SLine& b)
{
    double x, y;
    if (a.bVertical) {
        x = a.x;
        y = b.dSlope * x + b.dIntercept;
    } else if (b.bVertical) {
        x = b.x;
        y = a.dSlope * x + a.dIntercept;
    } else {
        x = (b.dIntercept - a.dIntercept) / (a.dSlope - b.dSlope);
        y = a.dSlope * x + a.dIntercept;
    }
    return QPoint(int(x), int(y));
}

// Hue and saturation of a wheel point, as the wheel drag and picture 130 both use them.
void WheelHueSaturation(int dx, int dy, int& nHue, int& nSaturation)
{
    nHue = int(std::atan2(double(dy), double(dx)) * 180 * 0.31830988618478295);
    if (nHue < 0)
        nHue += 360;
    const int d = int(std::sqrt(double(dx) * dx + double(dy) * dy));
    nSaturation = std::min(int(d * 255 * 0.01), 255);
}

} // namespace

QImage CColorPickerDlg::LoadPicture(int nId, const QColor& crFace)
{
    QImage image;
    if (nId == IDB_HSB_PICTURE) {
        // The hue/saturation wheel at full brightness: radius 100 about (100, 100), hue 0 to the
        // right growing counter-clockwise. The picture is as high as the brightness bar beside it.
        image = QImage(201, 256, QImage::Format_RGB32);
        image.fill(g_crTransparent);
        for (int y = 0; y <= 200; ++y) {
            auto* pLine = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x <= 200; ++x) {
                const int dx = x - 100, dy = 100 - y;
                if (dx * dx + dy * dy >= 101 * 101)
                    continue;
                int h, s, r, g, b;
                WheelHueSaturation(dx, dy, h, s);
                HSBToRGB(h, s, 255, r, g, b);
                pLine[x] = qRgb(r, g, b);
            }
        }
    } else if (nId == IDB_RGB_PICTURE) {
        // Three axes from a common origin, each in its own colour and named at its end.
        image = QImage(208, 160, QImage::Format_RGB32);
        image.fill(g_crTransparent);
        QPainter painter(&image);
        const QColor colours[3] = {QColor(255, 0, 0), QColor(0, 160, 0), QColor(0, 0, 255)};
        const char* names[3] = {"R", "G", "B"};
        const QPoint ptLabel[3] = {{8, 0}, {-14, 6}, {6, 6}};
        QFont font(QStringLiteral("Arial"));
        font.setPixelSize(11);
        font.setBold(true);
        painter.setFont(font);
        for (int i = 0; i < 3; ++i) {
            painter.setPen(QPen(colours[i], 2));
            painter.drawLine(g_ptAxisOrigin, g_ptAxisEnds[i]);
            painter.drawText(QRect(g_ptAxisEnds[i] + ptLabel[i] - QPoint(0, 4), QSize(12, 14)), Qt::AlignCenter,
                             QString::fromLatin1(names[i]));
        }
    }
    // Background pixels take the dialog's face colour.
    const QRgb rgbKey = g_crTransparent.rgb(), rgbFace = crFace.rgb();
    for (int y = 0; y < image.height(); ++y) {
        auto* pLine = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (pLine[x] == rgbKey)
                pLine[x] = rgbFace;
    }
    return image;
}

CColorPickerDlg::CColorPickerDlg(unsigned int crColor, QWidget* pParent)
    : CDialog(pParent), m_nRed(int(crColor & 0xff)), m_nGreen(int((crColor >> 8) & 0xff)),
      m_nBlue(int((crColor >> 16) & 0xff)), m_nOldRed(m_nRed), m_nOldGreen(m_nGreen), m_nOldBlue(m_nBlue)
{
    RGBToHSB(m_nRed, m_nGreen, m_nBlue, m_nHue, m_nSaturation, m_nBrightness);
    setWindowTitle(QStringLiteral("Color Picker"));
    setFont(QFont(QStringLiteral("Arial"), 8));
    // The controls stand where the geometry puts them, not in the data-exchange form.
    delete layout();
    setFixedSize(g_sizeDialog);

    auto fnGroup = [this](const QRect& rc, const char* pszTitle, const QString& strName) {
        auto* pGroup = new QGroupBox(QString::fromLatin1(pszTitle), this);
        pGroup->setObjectName(strName);
        pGroup->setGeometry(rc);
        pGroup->setAttribute(Qt::WA_TransparentForMouseEvents); // clicks reach the drawing areas
        return pGroup;
    };
    fnGroup(g_rcGroupRgb, "RGB", QStringLiteral("group1000"));
    fnGroup(g_rcGroupHsb, "HSB", QStringLiteral("group1001"));
    const QRect rcValues[2] = {QRect(8, 310, 244, 70), QRect(260, 310, 244, 70)};
    fnGroup(rcValues[0], "RGB Values", QString());
    fnGroup(rcValues[1], "HSB Values", QString());
    for (int i = 0; i < 6; ++i) {
        const SComponent& c = g_components[i];
        const QPoint pt = rcValues[i / 3].topLeft() + QPoint(10 + (i % 3) * 78, 18);
        auto* pLabel = new QLabel(QString::fromLatin1(c.pszLabel), this);
        pLabel->setGeometry(QRect(pt, QSize(74, 16)));
        m_edits[i] = new QLineEdit(this);
        m_edits[i]->setObjectName(QStringLiteral("edit%1").arg(c.nEdit));
        m_edits[i]->setGeometry(QRect(pt + QPoint(0, 20), QSize(46, 22)));
        m_spins[i] = new CSpinButtonCtrl(this);
        m_spins[i]->setObjectName(QStringLiteral("spin%1").arg(c.nSpin));
        m_spins[i]->setGeometry(QRect(pt + QPoint(46, 20), QSize(16, 22)));
        m_spins[i]->SetBuddy(m_edits[i]);
        connect(m_edits[i], &QLineEdit::textChanged, this, [this, i] { OnEditChange(i); });
    }
    auto fnStatic = [this](const QRect& rcSwatch, const char* pszText) {
        auto* pLabel = new QLabel(QString::fromLatin1(pszText), this);
        pLabel->setGeometry(QRect(rcSwatch.topLeft() - QPoint(0, 18), QSize(rcSwatch.width(), 16)));
    };
    fnStatic(g_rcOldSwatch, "Old Color");
    fnStatic(g_rcNewSwatch, "New Color");
    ButtonBox()->setGeometry(QRect(288, 268, 216, 26));
    ButtonBox()->button(QDialogButtonBox::Ok)->setDefault(true);

    OnInitDialog();
}

CColorPickerDlg::~CColorPickerDlg() = default;

unsigned int CColorPickerDlg::GetColor() const
{
    return unsigned(m_nRed) | unsigned(m_nGreen) << 8 | unsigned(m_nBlue) << 16;
}

void CColorPickerDlg::OnInitDialog()
{
    m_rcOld = g_rcOldSwatch;
    m_rcNew = g_rcNewSwatch;
    m_canvas = QImage(g_sizeDialog, QImage::Format_RGB32);
    m_rgnPending = QRegion(m_canvas.rect());
    const QColor crFace = palette().color(QPalette::Window);

    // HSB area: the wheel picture, the bar beside it, one palette entry per bar row.
    m_imgHsb = LoadPicture(IDB_HSB_PICTURE, crFace);
    m_rcHsb = QRect(QPoint(g_rcGroupHsb.x() + 15, g_rcGroupHsb.y() + 25),
                    QPoint(Right(g_rcGroupHsb) - 5 - 1, Bottom(g_rcGroupHsb) - 5 - 1));
    const int L = m_rcHsb.x(), T = m_rcHsb.y();
    m_ptWheelCentre = QPoint(L + 100, T + 100);
    m_rcBar = QRect(L + m_imgHsb.width() + 20, T, 20, m_imgHsb.height());
    m_bar.Create(20, m_rcBar.height(), 8);
    for (int i = 0; i < m_bar.m_nHeight; ++i)
        std::fill_n(m_bar.Row(i), 20, BYTE(i & 255));
    ComputeMarkers();
    ComputeBarPalette();

    // RGB area: the axes picture, its axes placed on the dialog.
    m_imgRgb = LoadPicture(IDB_RGB_PICTURE, crFace);
    m_rcRgb = QRect(QPoint(g_rcGroupRgb.x() + 5 - 3, g_rcGroupRgb.y() + 5 + 10),
                    QPoint(Right(g_rcGroupRgb) - 5 - 1, Bottom(g_rcGroupRgb) - 5 - 1));
    const QPoint ptOffset = m_rcRgb.topLeft();
    m_ptOrigin = g_ptAxisOrigin + ptOffset;
    for (int i = 0; i < 3; ++i) {
        SAxis& axis = m_axes[i];
        axis.ptEnd = g_ptAxisEnds[i] + ptOffset;
        axis.nLength = TruncatedDistance(m_ptOrigin, axis.ptEnd);
        axis.bVertical = axis.ptEnd.x() == m_ptOrigin.x();
        if (!axis.bVertical)
            axis.dSlope = double(axis.ptEnd.y() - m_ptOrigin.y()) / (axis.ptEnd.x() - m_ptOrigin.x());
    }
    ComputeHandlesAndBox();

    for (int i = 0; i < 6; ++i)
        m_spins[i]->SetRange(0, g_components[i].nSpinMax);
    SetSpinPositions();
    m_bInitialised = true;
}

QPoint CColorPickerDlg::WheelPoint(int nHue, int nSaturation) const
{
    const double r = nSaturation * 100.0 / 255;
    const double a = nHue * 3.14159265358 / 180;
    return QPoint(m_ptWheelCentre.x() + int(r * std::cos(a)), m_ptWheelCentre.y() - int(r * std::sin(a)));
}

int CColorPickerDlg::BarRow(int nBrightness) const
{
    return Bottom(m_rcBar) - m_rcBar.height() * nBrightness / 255;
}

QPoint CColorPickerDlg::HandlePoint(int nAxis, int nValue) const
{
    const SAxis& axis = m_axes[nAxis];
    const int d = nValue * axis.nLength / 255;
    const double dx = axis.ptEnd.x() - m_ptOrigin.x(), dy = axis.ptEnd.y() - m_ptOrigin.y();
    const double dLength = std::sqrt(dx * dx + dy * dy);
    return QPoint(int(m_ptOrigin.x() + dx * d / dLength), int(m_ptOrigin.y() + dy * d / dLength));
}

void CColorPickerDlg::ComputeMarkers()
{
    m_rcWheelMarker = HandleRect(WheelPoint(m_nHue, m_nSaturation));
    const int nRow = BarRow(m_nBrightness);
    m_rcBarMarker = QRect(QPoint(m_rcBar.x() - 2, nRow - 4), QPoint(Right(m_rcBar) + 2 - 1, nRow + 4 - 1));
}

void CColorPickerDlg::ComputeBarPalette()
{
    // Row k from the top shades from the current hue and saturation at full brightness to black.
    BYTE palette[3 * 256] = {};
    const int nHeight = m_bar.m_nHeight;
    for (int k = 0; k < nHeight && k < 256; ++k) {
        int r, g, b;
        HSBToRGB(m_nHue, m_nSaturation, (nHeight - 1 - k) * 255 / nHeight, r, g, b);
        palette[3 * k] = BYTE(r);
        palette[3 * k + 1] = BYTE(g);
        palette[3 * k + 2] = BYTE(b);
    }
    m_bar.SetPalette(palette);
}

void CColorPickerDlg::ComputeHandlesAndBox()
{
    const int values[3] = {m_nRed, m_nGreen, m_nBlue};
    for (int i = 0; i < 3; ++i) {
        m_ptHandles[i] = HandlePoint(i, values[i]);
        m_rcHandles[i] = HandleRect(m_ptHandles[i]);
    }
    const QPoint R = m_ptHandles[0], G = m_ptHandles[1], B = m_ptHandles[2];
    const SAxis &red = m_axes[0], &green = m_axes[1], &blue = m_axes[2];
    m_ptRG = Intersect(LineThrough(R, green), LineThrough(G, red));
    m_ptGB = Intersect(LineThrough(G, blue), LineThrough(B, green));
    m_ptRB = Intersect(LineThrough(R, blue), LineThrough(B, red));
    m_ptRGB = Intersect(LineThrough(m_ptGB, red), LineThrough(m_ptRG, blue));
}

// Drawing ------------------------------------------------------------------------------------------

void CColorPickerDlg::DrawSwatch(QPainter& painter, const QRect& rc, const QColor& color) const
{
    painter.fillRect(rc, color);
    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rc.adjusted(0, 0, -1, -1));
    const QRect rcIn = rc.adjusted(1, 1, -2, -2);
    painter.setPen(QColor(192, 192, 192));
    painter.drawLine(rcIn.topLeft(), rcIn.topRight());
    painter.drawLine(rcIn.topLeft(), rcIn.bottomLeft());
    painter.setPen(QColor(128, 128, 128));
    painter.drawLine(rcIn.bottomLeft(), rcIn.bottomRight());
    painter.drawLine(rcIn.topRight(), rcIn.bottomRight());
}

void CColorPickerDlg::DrawBar(QPainter& painter) const
{
    m_bar.Draw(painter, m_rcBar.x(), m_rcBar.y(), m_rcBar.width(), m_rcBar.height(), 0, 0);
}

void CColorPickerDlg::XorMarkers(QPainter& painter) const
{
    painter.save();
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, 1));
    painter.drawEllipse(m_rcWheelMarker.adjusted(0, 0, -1, -1));
    painter.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.drawRect(QRectF(m_rcBarMarker).adjusted(1, 1, -1, -1));
    painter.restore();
}

void CColorPickerDlg::XorHandlesAndEdges(QPainter& painter) const
{
    painter.save();
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, 1));
    for (const QRect& rc : m_rcHandles)
        painter.drawRect(rc.adjusted(0, 0, -1, -1));
    const QPoint R = m_ptHandles[0], G = m_ptHandles[1], B = m_ptHandles[2];
    const QLine edges[9] = {{R, m_ptRG},       {m_ptRG, G}, {G, m_ptGB}, {m_ptGB, m_ptRGB}, {m_ptRGB, m_ptRG},
                            {m_ptRGB, m_ptRB}, {m_ptRB, B}, {B, m_ptGB}, {R, m_ptRB}};
    painter.drawLines(edges, 9);
    painter.restore();
}

void CColorPickerDlg::PaintScene(QPainter& painter)
{
    painter.fillRect(m_canvas.rect(), palette().color(QPalette::Window));
    DrawSwatch(painter, m_rcOld, QColor(m_nOldRed, m_nOldGreen, m_nOldBlue));
    painter.drawImage(m_rcHsb.topLeft(), m_imgHsb);
    DrawBar(painter);
    XorMarkers(painter);
    painter.drawImage(m_rcRgb.topLeft(), m_imgRgb);
    XorHandlesAndEdges(painter);
    DrawSwatch(painter, m_rcNew, QColor(m_nRed, m_nGreen, m_nBlue));
}

void CColorPickerDlg::Invalidate(const QRect& rc)
{
    m_rgnPending += rc;
    update(rc);
}

void CColorPickerDlg::paintEvent(QPaintEvent* pEvent)
{
    if (!m_rgnPending.isEmpty()) {
        QPainter painter(&m_canvas);
        painter.setClipRegion(m_rgnPending);
        PaintScene(painter);
        m_rgnPending = QRegion();
    }
    QPainter painter(this);
    painter.drawImage(pEvent->rect(), m_canvas, pEvent->rect());
}

void CColorPickerDlg::changeEvent(QEvent* pEvent)
{
    // A new system palette: the pictures take the new face colour.
    if (pEvent->type() == QEvent::PaletteChange && m_bInitialised) {
        const QColor crFace = palette().color(QPalette::Window);
        m_imgHsb = LoadPicture(IDB_HSB_PICTURE, crFace);
        m_imgRgb = LoadPicture(IDB_RGB_PICTURE, crFace);
        Invalidate(m_canvas.rect());
    }
    CDialog::changeEvent(pEvent);
}

void CColorPickerDlg::RedrawRgbArea()
{
    QPainter painter(&m_canvas);
    XorHandlesAndEdges(painter);
    ComputeHandlesAndBox();
    XorHandlesAndEdges(painter);
    DrawSwatch(painter, m_rcNew, QColor(m_nRed, m_nGreen, m_nBlue));
    update(m_rcRgb.united(m_rcNew));
}

void CColorPickerDlg::RedrawHsbArea()
{
    QPainter painter(&m_canvas);
    XorMarkers(painter);
    ComputeMarkers();
    ComputeBarPalette();
    DrawBar(painter);
    XorMarkers(painter);
    update(m_rcHsb);
}

void CColorPickerDlg::RedrawAll()
{
    if (m_bRedrawing)
        return;
    m_bRedrawing = true;
    {
        QPainter painter(&m_canvas);
        XorMarkers(painter);
        XorHandlesAndEdges(painter);
        ComputeHandlesAndBox();
        ComputeMarkers();
        ComputeBarPalette();
        XorHandlesAndEdges(painter);
        DrawSwatch(painter, m_rcNew, QColor(m_nRed, m_nGreen, m_nBlue));
        DrawBar(painter);
        XorMarkers(painter);
    }
    update(m_rcRgb.united(m_rcNew).united(m_rcHsb));
    SetSpinPositions();
    m_bRedrawing = false;
}

void CColorPickerDlg::SetSpinPositions()
{
    for (int i = 0; i < 6; ++i)
        m_spins[i]->SetPos(this->*g_components[i].pnValue);
}

// Input --------------------------------------------------------------------------------------------

void CColorPickerDlg::OnEditChange(int nIndex)
{
    const SComponent& c = g_components[nIndex];
    const int nValue = m_edits[nIndex]->text().trimmed().toInt(); // not a number reads as 0
    if (!m_bInitialised || nValue == this->*c.pnValue)
        return;
    this->*c.pnValue = std::clamp(nValue, 0, c.nMax);
    if (c.bHsb)
        HSBToRGB(m_nHue, m_nSaturation, m_nBrightness, m_nRed, m_nGreen, m_nBlue);
    else
        RGBToHSB(m_nRed, m_nGreen, m_nBlue, m_nHue, m_nSaturation, m_nBrightness);
    RedrawAll();
}

void CColorPickerDlg::mousePressEvent(QMouseEvent* pEvent)
{
    if (pEvent->button() != Qt::LeftButton)
        return CDialog::mousePressEvent(pEvent);
    const QPoint pt = pEvent->position().toPoint();
    if (m_rcHsb.contains(pt)) {
        m_bRgbDrag = false;
        if (TruncatedDistance(pt, m_ptWheelCentre) <= 100)
            m_nHsbMode = 1;
        else if (m_rcBar.contains(pt))
            m_nHsbMode = 2;
        else
            m_nHsbMode = 0;
        if (m_nHsbMode != 0) {
            m_bCapture = true;
            ApplyHsbDrag(pt);
        }
    } else if (m_rcRgb.contains(pt)) {
        m_nHsbMode = 0;
        for (int i = 0; i < 3; ++i)
            if (m_rcHandles[i].contains(pt)) {
                m_bCapture = true;
                m_bRgbDrag = true;
                m_nRgbHandle = i;
                break;
            }
    }
}

void CColorPickerDlg::mouseMoveEvent(QMouseEvent* pEvent)
{
    if (!m_bCapture)
        return;
    const QPoint pt = pEvent->position().toPoint();
    if (m_nHsbMode == 1 || m_nHsbMode == 2)
        ApplyHsbDrag(pt);
    else if (m_bRgbDrag)
        ApplyRgbDrag(pt);
}

void CColorPickerDlg::mouseReleaseEvent(QMouseEvent* pEvent)
{
    if (pEvent->button() != Qt::LeftButton)
        return CDialog::mouseReleaseEvent(pEvent);
    m_bCapture = false;
    m_bRgbDrag = false;
}

void CColorPickerDlg::ApplyHsbDrag(QPoint pt)
{
    {
        QPainter painter(&m_canvas);
        XorMarkers(painter);
        if (m_nHsbMode == 1) {
            WheelHueSaturation(pt.x() - m_ptWheelCentre.x(), m_ptWheelCentre.y() - pt.y(), m_nHue, m_nSaturation);
            ComputeMarkers();
            ComputeBarPalette();
            Invalidate(m_rcBar);
        } else {
            const int nTop = m_rcBar.y(), nBottom = Bottom(m_rcBar);
            m_nBrightness = std::clamp((nBottom - pt.y()) * 255 / (nBottom - nTop), 0, 255);
            ComputeMarkers();
        }
        XorMarkers(painter);
    }
    update(m_rcHsb);
    HSBToRGB(m_nHue, m_nSaturation, m_nBrightness, m_nRed, m_nGreen, m_nBlue);
    SetSpinPositions();
    RedrawRgbArea();
}

void CColorPickerDlg::ApplyRgbDrag(QPoint pt)
{
    const SAxis& axis = m_axes[m_nRgbHandle];
    QPoint ptAlong;
    switch (m_nRgbHandle) {
    case 0: ptAlong = QPoint(m_ptOrigin.x(), std::min(pt.y(), m_ptOrigin.y())); break;
    case 1: ptAlong = QPoint(std::min(pt.x(), m_ptOrigin.x()), m_ptHandles[1].y()); break;
    default: ptAlong = QPoint(std::max(pt.x(), m_ptOrigin.x()), m_ptHandles[2].y()); break;
    }
    const int d = std::min(TruncatedDistance(m_ptOrigin, ptAlong), axis.nLength);
    int* const pnValues[3] = {&m_nRed, &m_nGreen, &m_nBlue};
    *pnValues[m_nRgbHandle] = int(double(d) / axis.nLength * 255);
    RedrawRgbArea();
    RGBToHSB(m_nRed, m_nGreen, m_nBlue, m_nHue, m_nSaturation, m_nBrightness);
    SetSpinPositions();
    RedrawHsbArea();
}

bool PickColor(QColor& crColor)
{
    const unsigned int crInitial =
        unsigned(crColor.red()) | unsigned(crColor.green()) << 8 | unsigned(crColor.blue()) << 16;
    CColorPickerDlg dlg(crInitial);
    if (dlg.DoModal() != CDialog::IDOK)
        return false;
    const unsigned int crChosen = dlg.GetColor();
    crColor = QColor(int(crChosen & 0xff), int((crChosen >> 8) & 0xff), int((crChosen >> 16) & 0xff));
    return true;
}
