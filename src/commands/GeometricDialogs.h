#pragma once
// Parameter dialogs of the geometric operations. Their fields and the members' starting values are the
// operations' declarations (processing/Operations.cpp).
#include "commands/OperationFields.h"

// Zoom, Decimate and Resize: destination and source factors and the interpolation.
class CDialogGeometricSettings : public COperationDialog {
    Q_OBJECT
public:
    // pszOperation: "zoom", "decimate" or "resize", whose starting factors the fields take.
    explicit CDialogGeometricSettings(const char* pszOperation, QWidget* pParent = nullptr);
    int m_nDstX = {};
    int m_nSrcX = {};
    int m_nDstY = {};
    int m_nSrcY = {};
    int m_nInterpolation = {};
};

class CDialogDecimateBlur : public COperationDialog {
    Q_OBJECT
public:
    explicit CDialogDecimateBlur(QWidget* pParent = nullptr);
    unsigned m_nMaskX = {};
    unsigned m_nMaskY = {};
    int m_nInterpolation = {};
    int m_nDstX = {};
    int m_nSrcX = {};
    int m_nDstY = {};
    int m_nSrcY = {};
};

class CMirrorDialog : public COperationDialog {
    Q_OBJECT
public:
    explicit CMirrorDialog(QWidget* pParent = nullptr);
    bool m_bHorizontal = {};
    bool m_bVertical = {};
};

class CDialogRotate : public COperationDialog {
    Q_OBJECT
public:
    explicit CDialogRotate(QWidget* pParent = nullptr);
    double m_dAngle = {};
    int m_nInterpolation = {};
};

class CDialogShear : public COperationDialog {
    Q_OBJECT
public:
    explicit CDialogShear(QWidget* pParent = nullptr);
    double m_dShearX = {};
    double m_dShearY = {};
    int m_nInterpolation = {};
};
