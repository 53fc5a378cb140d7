#pragma once
// Shared pieces of the tests with windows: the application fixture, driving modal dialogs, and checking
// that no window leaked. A driver step that cannot do its work (no dialog opened, a control missing, an
// assertion inside the step) records a test failure and closes the dialog, so that no test waits for a
// dialog nobody answers.
#include "framework/WinApp.h"
#include "support/TestImages.h"

#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class QWidget;
class QSize;
class CMDIFrameWnd;
class CLumivoDoc;
class CLumivoView;

// Runs fnDrive on the next modal widget (dialog or message box) that opens, from inside its event
// loop. Returns at once; the dialog is driven once it shows.
void DriveNextModal(std::function<void(QWidget* pModal)> fnDrive, int nTimeoutMs = 5000);
// Drives the next modal widgets one after the other: step i runs on the i-th modal that opens,
// even when it opens from inside step i - 1 (a message box raised by a dialog's OK).
void DriveModals(std::vector<std::function<void(QWidget* pModal)>> steps, int nTimeoutMs = 5000);
// Drives the next modal like DriveNextModal when one opens within nTimeoutMs; none opening is no
// failure (for code that may or may not ask).
void DriveModalIfAny(std::function<void(QWidget* pModal)> fnDrive, int nTimeoutMs);
// Fails the test for every driver still waiting for its modal, and stops them.
void CheckModalsDriven();
// Fills the line edit named strName (object name) inside pDialog.
void FillField(QWidget* pDialog, const QString& strName, const QString& strText);
// Clicks the button of pDialog whose text (without '&') is strText.
void PressButton(QWidget* pDialog, const QString& strText);
// Answers a file dialog with strPath under its filter nFilter (1-based; 0 keeps the filter).
void ChooseFile(QWidget* pFileDialog, const QString& strPath, int nFilter = 0);
// The text of a message box (its main text), or empty.
QString MessageBoxText(QWidget* pModal);

// Runs a program with input on its standard input and gives its output, the event loop running
// meanwhile (the program may ask this one for the clipboard); waits 10 s at most.
QByteArray RunProgram(const QString& strProgram, const QStringList& arguments, const QByteArray& input = {});

// The visible and hidden top-level widgets that exist now, after pending deletions ran.
QSet<QWidget*> TopLevelWidgets();

// The application under test. Start() makes it (ending one started before). Reset(), for init(), brings
// it to a known state: no document, the main window active. Check(), for cleanup(), fails when a modal
// driver still waits or a window outlives the documents. Stop() ends the application and checks that it
// left no top-level window behind.
class CAppFixture {
public:
    ~CAppFixture();
    bool Start(const QStringList& arguments = {QStringLiteral("-nologo")});
    void Reset();
    void Check();
    void Stop();
    CWinApp& App() const { return *m_pApp; }

private:
    std::unique_ptr<CWinApp> m_pApp;
    QSet<QWidget*> m_windowsBefore, m_windowsReset;
};

// A test class on one application for all its test functions: each starts with no document and the
// main window active, and ends checked for modal drivers still waiting and windows left behind.
class CAppTestCase : public QObject {
    Q_OBJECT
protected:
    CAppFixture m_app;
    CWinApp* m_pApp = nullptr;

protected slots:
    void initTestCase();
    void init() { m_app.Reset(); }
    void cleanup() { m_app.Check(); }
    void cleanupTestCase() { m_app.Stop(); }
};

CMDIFrameWnd* MainWnd();
CLumivoDoc* ActiveDoc();
int WindowCount();
bool IsEnabled(int nId);
// Opens pBitmap (taken over) as a result document; gives its view.
CLumivoView* Show(FIBITMAP* pBitmap, const QString& strTitle = QStringLiteral("Test image"), double dElapsed = 0);
inline CLumivoView* Show(CBitmapPtr pBitmap)
{
    return Show(pBitmap.release());
}
// Makes the view's client area sizeClient by resizing its frame, and paints it: the picture's offsets
// are those of the new size.
void SetClientSize(CLumivoView* pView, QSize sizeClient);
