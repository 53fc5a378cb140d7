#pragma once
// Parameter dialogs of the geometric operations.
#include "framework/Dialog.h"

// Zoom, Decimate and Resize: destination and source factors and the interpolation.
class CDialogGeometricSettings : public CDialog {
    Q_OBJECT
public:
    explicit CDialogGeometricSettings(QWidget* pParent = nullptr);
    int m_nDstX = 0;
    int m_nSrcX = 0;
    int m_nDstY = 0;
    int m_nSrcY = 0;
    int m_nInterpolation = 0;
};

class CDialogDecimateBlur : public CDialog {
    Q_OBJECT
public:
    explicit CDialogDecimateBlur(QWidget* pParent = nullptr);
    unsigned m_nMaskX = 3;
    unsigned m_nMaskY = 3;
    int m_nInterpolation = 0;
    int m_nDstX = 1;
    int m_nSrcX = 2;
    int m_nDstY = 1;
    int m_nSrcY = 2;
};

class CMirrorDialog : public CDialog {
    Q_OBJECT
public:
    explicit CMirrorDialog(QWidget* pParent = nullptr);
    bool m_bHorizontal = true;
    bool m_bVertical = false;
};

class CDialogRotate : public CDialog {
    Q_OBJECT
public:
    explicit CDialogRotate(QWidget* pParent = nullptr);
    double m_dAngle = 90.0;
    int m_nInterpolation = 0;
};

class CDialogShear : public CDialog {
    Q_OBJECT
public:
    explicit CDialogShear(QWidget* pParent = nullptr);
    double m_dShearX = 0.2;
    double m_dShearY = 0.1;
    int m_nInterpolation = 0;
};
