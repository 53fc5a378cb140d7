#pragma once
// Every operation the program offers over one image, declared once: its name on the command line, its
// parameters as the parameter dialogs show them (control, label, group, type, default, range), and how it
// runs. The dialogs build their fields from these tables and the command line reads the same ones.
#include <QString>
#include <span>

struct FIBITMAP;

enum EParamType { PARAM_INT, PARAM_UINT, PARAM_DOUBLE, PARAM_RADIO, PARAM_CHECK, PARAM_COMBO };

struct SOperationParam {
    const char* pszName;    // on the command line
    const char* pszControl; // object name of the dialog's control
    const char* pszLabel;   // beside the control; radio and combo entries split by '|'
    const char* pszGroup;   // title of the group box holding the control
    EParamType eType;
    double dDefault;
    double dMin = 0, dMax = 0; // checked when bRange
    bool bRange = false;
};

struct SOperation {
    const char* pszName; // lower-case words of its menu text
    std::span<const SOperationParam> params;
    // A new bitmap from the source (left alone) with one value per parameter, in order; null on failure.
    FIBITMAP* (*fnRun)(FIBITMAP* pSource, const double* pValues);
};

std::span<const SOperation> Operations();
// The operation of that name, or null.
const SOperation* FindOperation(const QString& strName);
// Reads a value given as text: a number, or for radio and combo parameters also an entry's text (case
// ignored), for a check yes/no/true/false/1/0. On failure the dialog's prompt for it, else empty.
QString ParseParamValue(const SOperationParam& param, const QString& strText, double* pdValue);
// The 8-bit grey copy that Black && White thresholds (null when the source is 1-bit or memory runs out).
FIBITMAP* GreyForThreshold(FIBITMAP* pSource);
// A value as the dialogs show it.
QString FormatParamValue(const SOperationParam& param, double dValue);
