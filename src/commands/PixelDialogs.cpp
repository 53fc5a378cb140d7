#include "commands/PixelDialogs.h"

#include "commands/OperationFields.h"

#include <QDialogButtonBox>
#include <QPushButton>

CDialogAperture::CDialogAperture(const QString& strTitle, const char* pszOperation, QWidget* pParent)
    : CDialog(pParent)
{
    setWindowTitle(strTitle);
    AddOperationFields(*this, pszOperation, {&m_nApertureX, &m_nApertureY, &m_nAnchorX, &m_nAnchorY});
}

CDialogBlur::CDialogBlur(QWidget* pParent) : CDialogAperture(QStringLiteral("Blur"), "blur", pParent) {}

CDialogNFilter::CDialogNFilter(QWidget* pParent) : CDialogAperture(QStringLiteral("More Filters"), "median", pParent) {}

CDialogFilter::CDialogFilter(QWidget* pParent) : CDialog(pParent)
{
    setWindowTitle(QStringLiteral("Filters"));
    AddOperationFields(*this, "filter", {&m_nFilter});
}

CDialogThreshold::CDialogThreshold(QWidget* pParent) : CDialog(pParent)
{
    setWindowTitle(QStringLiteral("Threshold"));
    AddOperationFields(*this, "black-white", {&m_nThreshold});
}

CDialogMorph::CDialogMorph(QWidget* pParent) : CDialog(pParent)
{
    setWindowTitle(QStringLiteral("Morphological"));
    AddOperationFields(*this, "erode", {&m_nIterations});
}

CDialogUniform::CDialogUniform(QWidget* pParent) : CDialog(pParent)
{
    setWindowTitle(QStringLiteral("Add Uniform Noise"));
    AddOperationFields(*this, "add-uniform-noise", {&m_nLow, &m_nHigh});
    // The noise dialogs have only an OK button; Escape and the caption still cancel.
    ButtonBox()->button(QDialogButtonBox::Cancel)->hide();
}

CDialogGaussian::CDialogGaussian(QWidget* pParent) : CDialog(pParent)
{
    setWindowTitle(QStringLiteral("Add Gaussian Noise"));
    AddOperationFields(*this, "add-gaussian-noise", {&m_nMean, &m_nStdDev});
    ButtonBox()->button(QDialogButtonBox::Cancel)->hide();
}
