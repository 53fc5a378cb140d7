#include "commands/PixelDialogs.h"

#include <QDialogButtonBox>
#include <QPushButton>

CDialogAperture::CDialogAperture(const QString& strTitle, const char* pszOperation, QWidget* pParent)
    : COperationDialog(pParent)
{
    setWindowTitle(strTitle);
    AddOperationFields(pszOperation, {&m_nApertureX, &m_nApertureY, &m_nAnchorX, &m_nAnchorY});
}

CDialogBlur::CDialogBlur(QWidget* pParent) : CDialogAperture(QStringLiteral("Blur"), "blur", pParent) {}

CDialogNFilter::CDialogNFilter(QWidget* pParent) : CDialogAperture(QStringLiteral("More Filters"), "median", pParent) {}

CDialogFilter::CDialogFilter(QWidget* pParent) : COperationDialog(pParent)
{
    setWindowTitle(QStringLiteral("Filters"));
    AddOperationFields("filter", {&m_nFilter});
}

CDialogThreshold::CDialogThreshold(QWidget* pParent) : COperationDialog(pParent)
{
    setWindowTitle(QStringLiteral("Threshold"));
    AddOperationFields("black-white", {&m_nThreshold});
}

CDialogMorph::CDialogMorph(QWidget* pParent) : COperationDialog(pParent)
{
    setWindowTitle(QStringLiteral("Morphological"));
    AddOperationFields("erode", {&m_nIterations});
}

CDialogUniform::CDialogUniform(QWidget* pParent) : COperationDialog(pParent)
{
    setWindowTitle(QStringLiteral("Add Uniform Noise"));
    AddOperationFields("add-uniform-noise", {&m_nLow, &m_nHigh});
    // The noise dialogs have only an OK button; Escape and the caption still cancel.
    ButtonBox()->button(QDialogButtonBox::Cancel)->hide();
}

CDialogGaussian::CDialogGaussian(QWidget* pParent) : COperationDialog(pParent)
{
    setWindowTitle(QStringLiteral("Add Gaussian Noise"));
    AddOperationFields("add-gaussian-noise", {&m_nMean, &m_nStdDev});
    ButtonBox()->button(QDialogButtonBox::Cancel)->hide();
}
