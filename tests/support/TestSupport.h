#pragma once
// Shared pieces of the tests: driving modal dialogs and checking that no window leaked.
#include <QSet>
#include <QString>
#include <functional>
#include <vector>

class QWidget;
class QAbstractButton;

// Runs fnDrive on the next modal widget (dialog or message box) that opens, from inside its event
// loop. Returns at once; the dialog is driven once it shows.
void DriveNextModal(std::function<void(QWidget* pModal)> fnDrive, int nTimeoutMs = 5000);
// Drives the next modal widgets one after the other: step i runs on the i-th modal that opens,
// even when it opens from inside step i - 1 (a message box raised by a dialog's OK).
void DriveModals(std::vector<std::function<void(QWidget* pModal)>> steps, int nTimeoutMs = 5000);
// Fills the line edit named strName (object name) inside pDialog.
void FillField(QWidget* pDialog, const QString& strName, const QString& strText);
// Clicks the button of pDialog whose text (without '&') is strText.
void PressButton(QWidget* pDialog, const QString& strText);
// Answers a file dialog with strPath under its filter nFilter (1-based; 0 keeps the filter).
void ChooseFile(QWidget* pFileDialog, const QString& strPath, int nFilter = 0);
// The text of a message box (its main text), or empty.
QString MessageBoxText(QWidget* pModal);

// The visible and hidden top-level widgets that exist now, after pending deletions ran.
QSet<QWidget*> TopLevelWidgets();

// Writes a w x h image of nBpp bits (a gradient) in the format of the path's extension.
bool WriteTestImage(const QString& strPath, int nWidth, int nHeight, int nBpp = 24);

// Path of a file under tests/data, or of a sample under samples/.
QString TestData(const QString& strName);
QString Sample(const QString& strName);
