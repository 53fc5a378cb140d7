#include "commands/PixelDialogs.h"

#include <QDialogButtonBox>
#include <QPushButton>

CDialogAperture::CDialogAperture(const QString& strTitle, unsigned nApertureMin, unsigned nAnchorMin,
                                 unsigned nAnchorMax, QWidget* pParent)
    : CDialog(pParent)
{
    setWindowTitle(strTitle);
    AddField({"edit1049", "X", FIELD_UINT, &m_nApertureX, double(nApertureMin), 7, true, "Aperture"});
    AddField({"edit1059", "Y", FIELD_UINT, &m_nApertureY, double(nApertureMin), 7, true, "Aperture"});
    AddField({"edit1050", "X", FIELD_UINT, &m_nAnchorX, double(nAnchorMin), double(nAnchorMax), true, "Anchor"});
    AddField({"edit1060", "Y", FIELD_UINT, &m_nAnchorY, double(nAnchorMin), double(nAnchorMax), true, "Anchor"});
}

CDialogBlur::CDialogBlur(QWidget* pParent) : CDialogAperture(QStringLiteral("Blur"), 3, 0, 7, pParent) {}

CDialogNFilter::CDialogNFilter(QWidget* pParent) : CDialogAperture(QStringLiteral("More Filters"), 1, 1, 6, pParent) {}

CDialogFilter::CDialogFilter(QWidget* pParent) : CDialog(pParent)
{
    setWindowTitle(QStringLiteral("Filters"));
    AddField({"combo1061",
              "VERTICAL PREWIT 3 X 3|HORIZONTAL PREWIT 3 X 3|VERTICAL SOBEL 3 X 3|HORIZONTAL SOBEL 3 X 3|"
              "LAPLACIAN 3 X 3|LAPLACIAN 5 X 5|GAUSSIAN 3 X 3|GAUSSIAN 5 X 5|HIPASS 3 X 3|HIPASS 5 X 5|SHARPEN",
              FIELD_COMBO, &m_nFilter, 0, 0, false, "Filter type"});
}

CDialogThreshold::CDialogThreshold(QWidget* pParent) : CDialog(pParent)
{
    setWindowTitle(QStringLiteral("Threshold"));
    AddField({"edit1049", "", FIELD_UINT, &m_nThreshold, 0, 255, true, "Threshold value"});
}

CDialogMorph::CDialogMorph(QWidget* pParent) : CDialog(pParent)
{
    setWindowTitle(QStringLiteral("Morphological"));
    AddField({"edit1049", "", FIELD_UINT, &m_nIterations, 1, 100, true, "Iterations"});
}

CDialogUniform::CDialogUniform(QWidget* pParent) : CDialog(pParent)
{
    setWindowTitle(QStringLiteral("Add Uniform Noise"));
    AddField({"edit1049", "Low", FIELD_INT, &m_nLow, 0, 255, true, "Range Noise Parameters"});
    AddField({"edit1050", "High", FIELD_INT, &m_nHigh, 0, 255, true, "Range Noise Parameters"});
    // The noise dialogs have only an OK button; Escape and the caption still cancel.
    ButtonBox()->button(QDialogButtonBox::Cancel)->hide();
}

CDialogGaussian::CDialogGaussian(QWidget* pParent) : CDialog(pParent)
{
    setWindowTitle(QStringLiteral("Add Gaussian Noise"));
    AddField({"edit1049", "Mean", FIELD_INT, &m_nMean, 0, 255, true, "Statistic Noise Parameters"});
    AddField({"edit1050", "Std. Dev.", FIELD_INT, &m_nStdDev, 0, 255, true, "Statistic Noise Parameters"});
    ButtonBox()->button(QDialogButtonBox::Cancel)->hide();
}
