#include "commands/GeometricDialogs.h"

#include <QDialogButtonBox>
#include <QPushButton>

namespace {
const char* const INTERPOLATIONS = "Nearest|Linear|Cubic";
}

CDialogGeometricSettings::CDialogGeometricSettings(QWidget* pParent) : CDialog(pParent)
{
    setWindowTitle(QStringLiteral("Geometric"));
    AddField({"edit1042", "X", FIELD_INT, &m_nDstX, 1, 65000, true, "Destination"});
    AddField({"edit1044", "X", FIELD_INT, &m_nSrcX, 1, 65000, true, "Source"});
    AddField({"edit1043", "Y", FIELD_INT, &m_nDstY, 1, 65000, true, "Destination"});
    AddField({"edit1045", "Y", FIELD_INT, &m_nSrcY, 1, 65000, true, "Source"});
    AddField({"radio1046", INTERPOLATIONS, FIELD_RADIO, &m_nInterpolation, 0, 2, true, "Interpolation"});
}

CDialogDecimateBlur::CDialogDecimateBlur(QWidget* pParent) : CDialog(pParent)
{
    setWindowTitle(QStringLiteral("Decimate Blur"));
    AddField({"edit1049", "Horizontal ", FIELD_UINT, &m_nMaskX, 3, 7, true, "Blur Mask Size"});
    AddField({"edit1050", "Vertical", FIELD_UINT, &m_nMaskY, 3, 7, true, "Blur Mask Size"});
    AddField({"radio1046", INTERPOLATIONS, FIELD_RADIO, &m_nInterpolation, 0, 2, true, "Interpolation"});
    AddField({"edit1042", "X", FIELD_INT, &m_nDstX, 1, 65000, true, "Destination"});
    AddField({"edit1044", "X", FIELD_INT, &m_nSrcX, 1, 65000, true, "Source"});
    AddField({"edit1043", "Y", FIELD_INT, &m_nDstY, 1, 65000, true, "Destination"});
    AddField({"edit1045", "Y", FIELD_INT, &m_nSrcY, 1, 65000, true, "Source"});
}

CMirrorDialog::CMirrorDialog(QWidget* pParent) : CDialog(pParent)
{
    setWindowTitle(QStringLiteral("Mirror"));
    AddField({"check1054", "Horizontal", FIELD_CHECK, &m_bHorizontal, 0, 0, false, "Flip axis"});
    AddField({"check1055", "Vertical", FIELD_CHECK, &m_bVertical, 0, 0, false, "Flip axis"});
}

CDialogRotate::CDialogRotate(QWidget* pParent) : CDialog(pParent)
{
    setWindowTitle(QStringLiteral("Rotate"));
    AddField({"edit1049", "", FIELD_DOUBLE, &m_dAngle, 1.0, 360.0, true, "Angle"});
    AddField({"radio1056", INTERPOLATIONS, FIELD_RADIO, &m_nInterpolation, 0, 2, true, "Interpolation"});
}

CDialogShear::CDialogShear(QWidget* pParent) : CDialog(pParent)
{
    setWindowTitle(QStringLiteral("Shear"));
    AddField({"edit1049", "X", FIELD_DOUBLE, &m_dShearX, 0, 0, false, "Coefficients"});
    AddField({"edit1050", "Y", FIELD_DOUBLE, &m_dShearY, 0, 0, false, "Coefficients"});
    AddField({"radio1056", INTERPOLATIONS, FIELD_RADIO, &m_nInterpolation, 0, 2, true, "Interpolation"});
    // Only an OK button; Escape and the caption still cancel.
    ButtonBox()->button(QDialogButtonBox::Cancel)->hide();
}
