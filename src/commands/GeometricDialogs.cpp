#include "commands/GeometricDialogs.h"

#include "commands/OperationFields.h"

#include <QDialogButtonBox>
#include <QPushButton>

CDialogGeometricSettings::CDialogGeometricSettings(const char* pszOperation, QWidget* pParent) : CDialog(pParent)
{
    setWindowTitle(QStringLiteral("Geometric"));
    AddOperationFields(*this, pszOperation, {&m_nDstX, &m_nSrcX, &m_nDstY, &m_nSrcY, &m_nInterpolation});
}

CDialogDecimateBlur::CDialogDecimateBlur(QWidget* pParent) : CDialog(pParent)
{
    setWindowTitle(QStringLiteral("Decimate Blur"));
    AddOperationFields(*this, "decimate-blur",
                       {&m_nMaskX, &m_nMaskY, &m_nInterpolation, &m_nDstX, &m_nSrcX, &m_nDstY, &m_nSrcY});
}

CMirrorDialog::CMirrorDialog(QWidget* pParent) : CDialog(pParent)
{
    setWindowTitle(QStringLiteral("Mirror"));
    AddOperationFields(*this, "mirror", {&m_bHorizontal, &m_bVertical});
}

CDialogRotate::CDialogRotate(QWidget* pParent) : CDialog(pParent)
{
    setWindowTitle(QStringLiteral("Rotate"));
    AddOperationFields(*this, "rotate", {&m_dAngle, &m_nInterpolation});
}

CDialogShear::CDialogShear(QWidget* pParent) : CDialog(pParent)
{
    setWindowTitle(QStringLiteral("Shear"));
    AddOperationFields(*this, "shear", {&m_dShearX, &m_dShearY, &m_nInterpolation});
    // Only an OK button; Escape and the caption still cancel.
    ButtonBox()->button(QDialogButtonBox::Cancel)->hide();
}
