#pragma once
// Parameter dialogs of the filters, the threshold, morphology and noise. Their fields and the members'
// starting values are the operations' declarations (processing/Operations.cpp).
#include "commands/OperationFields.h"

// Blur and the non-linear filters share one layout: the aperture and the anchor inside it, each
// with an X and a Y field; they differ in the ranges they accept.
class CDialogAperture : public COperationDialog {
public:
    unsigned m_nApertureX = {};
    unsigned m_nApertureY = {};
    unsigned m_nAnchorX = {};
    unsigned m_nAnchorY = {};

protected:
    // The fields and their ranges are pszOperation's.
    CDialogAperture(const QString& strTitle, const char* pszOperation, QWidget* pParent);
};

class CDialogBlur : public CDialogAperture {
public:
    explicit CDialogBlur(QWidget* pParent = nullptr);
};

// Median, Min and Max.
class CDialogNFilter : public CDialogAperture {
public:
    explicit CDialogNFilter(QWidget* pParent = nullptr);
};

// The fixed kernels by name; the position of an entry is its filter code.
class CDialogFilter : public COperationDialog {
public:
    explicit CDialogFilter(QWidget* pParent = nullptr);
    int m_nFilter = {};
};

class CDialogThreshold : public COperationDialog {
public:
    explicit CDialogThreshold(QWidget* pParent = nullptr);
    unsigned m_nThreshold = {};
};

class CDialogMorph : public COperationDialog {
public:
    explicit CDialogMorph(QWidget* pParent = nullptr);
    unsigned m_nIterations = {};
};

// Uniform noise between two levels; the dialog starts with Low above High.
class CDialogUniform : public COperationDialog {
public:
    explicit CDialogUniform(QWidget* pParent = nullptr);
    int m_nLow = {};
    int m_nHigh = {};
};

class CDialogGaussian : public COperationDialog {
public:
    explicit CDialogGaussian(QWidget* pParent = nullptr);
    int m_nMean = {};
    int m_nStdDev = {};
};
