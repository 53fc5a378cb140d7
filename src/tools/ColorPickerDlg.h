#pragma once
// The colour picker: a hue/saturation wheel with a brightness bar, three RGB axes with a handle each
// and the projected box of the current colour, edits and spins for all six components, and the old
// and new colour swatches. Markers, handles and box edges are drawn in exclusive-or, so drawing them
// again erases them; the dialog draws on its own canvas and shows it on paint.
#include "framework/Dialog.h"
#include "tools/Dib.h"

#include <QColor>
#include <QImage>
#include <QRegion>
#include <array>

class CSpinButtonCtrl;
class QLineEdit;

class CColorPickerDlg : public CDialog {
    Q_OBJECT
public:
    // crColor: red in the low byte, green in the next, blue in the third.
    explicit CColorPickerDlg(unsigned int crColor, QWidget* pParent = nullptr);
    ~CColorPickerDlg() override;

    // The current colour, red in the low byte.
    unsigned int GetColor() const;

    // Colour state.
    int m_nRed, m_nGreen, m_nBlue;
    int m_nHue, m_nSaturation, m_nBrightness;
    const int m_nOldRed, m_nOldGreen, m_nOldBlue;

    // Geometry, client coordinates. Rectangles keep Windows' sense: right and bottom lie outside.
    struct SAxis {
        QPoint ptEnd;
        int nLength = 0; // distance origin to end, truncated
        bool bVertical = false;
        double dSlope = 0; // of the axis; its line passes through the origin
    };
    QRect m_rcHsb, m_rcRgb, m_rcOld, m_rcNew;
    QPoint m_ptWheelCentre;
    QRect m_rcBar;
    QRect m_rcWheelMarker, m_rcBarMarker;
    QPoint m_ptOrigin;
    std::array<SAxis, 3> m_axes;       // red, green, blue
    std::array<QPoint, 3> m_ptHandles; // red, green, blue handle centres
    std::array<QRect, 3> m_rcHandles;
    QPoint m_ptRG, m_ptGB, m_ptRB, m_ptRGB;

    // Pictures and drawing resources.
    QImage m_imgHsb, m_imgRgb;
    CDIB m_bar;
    QImage m_canvas; // what the dialog shows, like a screen the markers are drawn on in exclusive-or

    // Flags.
    bool m_bInitialised = false;
    bool m_bRedrawing = false;
    int m_nHsbMode = 0; // 0 none, 1 wheel, 2 bar
    bool m_bRgbDrag = false;
    bool m_bCapture = false; // the mouse is captured between a press that starts a drag and the release
    int m_nRgbHandle = 0;    // 0 red, 1 green, 2 blue

    // The two pictures with the dialog's face colour in place of RGB(192, 192, 192).
    static QImage LoadPicture(int nId, const QColor& crFace);

protected:
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void paintEvent(QPaintEvent* pEvent) override;
    void changeEvent(QEvent* pEvent) override;

private:
    void OnInitDialog();
    void OnEditChange(int nIndex);
    void ApplyHsbDrag(QPoint pt);
    void ApplyRgbDrag(QPoint pt);

    // Geometry from the colour state.
    QPoint WheelPoint(int nHue, int nSaturation) const;
    int BarRow(int nBrightness) const;
    QPoint HandlePoint(int nAxis, int nValue) const;
    void ComputeMarkers();
    void ComputeBarPalette();
    void ComputeHandlesAndBox();

    // Drawing on the canvas.
    void PaintScene(QPainter& painter);
    void XorMarkers(QPainter& painter) const;
    void XorHandlesAndEdges(QPainter& painter) const;
    void DrawBar(QPainter& painter) const;
    void DrawSwatch(QPainter& painter, const QRect& rc, const QColor& color) const;
    void Invalidate(const QRect& rc);
    // Steps shared by drags and edits: erase, recompute and draw one area.
    void RedrawRgbArea();
    void RedrawHsbArea();
    // Everything again after an edit; guarded against re-entry.
    void RedrawAll();
    void SetSpinPositions();

    std::array<QLineEdit*, 6> m_edits{};
    std::array<CSpinButtonCtrl*, 6> m_spins{};
    QRegion m_rgnPending; // canvas parts to paint again before showing
};

// Runs the picker modally on crColor; on OK stores the chosen colour there and returns true.
bool PickColor(QColor& crColor);
