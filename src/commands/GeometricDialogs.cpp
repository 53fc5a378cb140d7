#include "commands/GeometricDialogs.h"

#include <QDialogButtonBox>
#include <QPushButton>

CDialogGeometricSettings::CDialogGeometricSettings(const char* pszOperation, QWidget* pParent)
    : COperationDialog(pParent)
{
    setWindowTitle(QStringLiteral("Geometric"));
    AddOperationFields(pszOperation, {&m_nDstX, &m_nSrcX, &m_nDstY, &m_nSrcY, &m_nInterpolation});
}

CDialogDecimateBlur::CDialogDecimateBlur(QWidget* pParent) : COperationDialog(pParent)
{
    setWindowTitle(QStringLiteral("Decimate Blur"));
    AddOperationFields("decimate-blur",
                       {&m_nMaskX, &m_nMaskY, &m_nInterpolation, &m_nDstX, &m_nSrcX, &m_nDstY, &m_nSrcY});
}

CMirrorDialog::CMirrorDialog(QWidget* pParent) : COperationDialog(pParent)
{
    setWindowTitle(QStringLiteral("Mirror"));
    AddOperationFields("mirror", {&m_bHorizontal, &m_bVertical});
}

CDialogRotate::CDialogRotate(QWidget* pParent) : COperationDialog(pParent)
{
    setWindowTitle(QStringLiteral("Rotate"));
    AddOperationFields("rotate", {&m_dAngle, &m_nInterpolation});
}

CDialogShear::CDialogShear(QWidget* pParent) : COperationDialog(pParent)
{
    setWindowTitle(QStringLiteral("Shear"));
    AddOperationFields("shear", {&m_dShearX, &m_dShearY, &m_nInterpolation});
    // Only an OK button; Escape and the caption still cancel.
    ButtonBox()->button(QDialogButtonBox::Cancel)->hide();
}
