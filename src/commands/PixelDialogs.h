#pragma once
// Parameter dialogs of the filters, the threshold, morphology and noise.
#include "framework/Dialog.h"

// Blur and the non-linear filters share one layout: the aperture and the anchor inside it, each
// with an X and a Y field; they differ in the ranges they accept.
class CDialogAperture : public CDialog {
public:
    unsigned m_nApertureX = 3;
    unsigned m_nApertureY = 3;
    unsigned m_nAnchorX = 1;
    unsigned m_nAnchorY = 1;

protected:
    CDialogAperture(const QString& strTitle, unsigned nApertureMin, unsigned nAnchorMin, unsigned nAnchorMax,
                    QWidget* pParent);
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
class CDialogFilter : public CDialog {
public:
    explicit CDialogFilter(QWidget* pParent = nullptr);
    int m_nFilter = 0;
};

class CDialogThreshold : public CDialog {
public:
    explicit CDialogThreshold(QWidget* pParent = nullptr);
    unsigned m_nThreshold = 128;
};

class CDialogMorph : public CDialog {
public:
    explicit CDialogMorph(QWidget* pParent = nullptr);
    unsigned m_nIterations = 1;
};

// Uniform noise between two levels; the dialog starts with Low above High.
class CDialogUniform : public CDialog {
public:
    explicit CDialogUniform(QWidget* pParent = nullptr);
    int m_nLow = 150;
    int m_nHigh = 75;
};

class CDialogGaussian : public CDialog {
public:
    explicit CDialogGaussian(QWidget* pParent = nullptr);
    int m_nMean = 35;
    int m_nStdDev = 10;
};
