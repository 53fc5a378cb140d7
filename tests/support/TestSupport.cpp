#include "support/TestSupport.h"

#include "app/LumivoApp.h"
#include "document/LumivoDoc.h"
#include "document/LumivoView.h"
#include "framework/FrameWnd.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QTimer>
#include <QtTest>

namespace {
using FStep = std::function<void(QWidget*)>;

// The poll timers of drivers still waiting for their modal, and whether that modal may stay away.
std::vector<std::pair<QPointer<QTimer>, bool>> g_waiting;

QString Describe(QWidget* pModal)
{
    return pModal ? QStringLiteral("\"%1\" (%2)").arg(pModal->windowTitle(), pModal->metaObject()->className())
                  : QStringLiteral("none");
}

void Fail(const QString& strWhy)
{
    if (QTest::currentTestFunction())
        QTest::qFail(qPrintable(strWhy), __FILE__, __LINE__);
    else
        qWarning("%s", qPrintable(strWhy));
}

// Marks a dialog a failure has closed: later steps leave it alone.
constexpr char kAbandoned[] = "lumivoTestAbandoned";

// Records a failure and closes pModal, so that the code waiting in its exec() goes on.
void Abandon(QWidget* pModal, const QString& strWhy)
{
    Fail(strWhy);
    if (pModal)
        pModal->setProperty(kAbandoned, true);
    if (auto* pDialog = qobject_cast<QDialog*>(pModal))
        pDialog->reject();
    else if (pModal)
        pModal->close();
}

// The active modal widget once it has been seen on two polls in a row: a dialog is driven only
// when its exec() loop runs, never between its show() and its loop.
QWidget* SettledModal(QPointer<QWidget>& pSeen)
{
    QWidget* pModal = QApplication::activeModalWidget();
    if (!pModal || !pModal->isVisible()) {
        pSeen = nullptr;
        return nullptr;
    }
    const bool bSettled = pSeen.data() == pModal;
    pSeen = pModal;
    return bSettled ? pModal : nullptr;
}

void DriveStep(std::shared_ptr<std::vector<FStep>> pSteps, size_t nStep, QPointer<QWidget> pPrevious, int nTimeoutMs,
               bool bOptional = false)
{
    auto* pTimer = new QTimer;
    g_waiting.emplace_back(pTimer, bOptional);
    const QDeadlineTimer deadline(nTimeoutMs);
    auto pSeen = std::make_shared<QPointer<QWidget>>();
    QObject::connect(pTimer, &QTimer::timeout, [=] {
        QWidget* pModal = SettledModal(*pSeen);
        const bool bNew = pModal && pModal != pPrevious.data();
        if (!bNew && !deadline.hasExpired())
            return;
        pTimer->stop();
        pTimer->deleteLater();
        std::erase_if(g_waiting, [pTimer](const auto& waiting) { return waiting.first == pTimer; });
        if (!bNew && bOptional)
            return;
        if (!bNew) {
            // the dialog still open is the one that should have raised this step's modal
            Abandon(QApplication::activeModalWidget(),
                    QStringLiteral("modal %1 of %2 did not open within %3 ms")
                        .arg(nStep + 1)
                        .arg(pSteps->size())
                        .arg(nTimeoutMs));
            return;
        }
        // Arm the next step first: this step may open the next modal and wait inside it.
        if (nStep + 1 < pSteps->size())
            DriveStep(pSteps, nStep + 1, pModal, nTimeoutMs);
        const QPointer<QWidget> pDriven(pModal);
        (*pSteps)[nStep](pModal);
        // an assertion that left the step early must not leave its dialog waiting
        if (QTest::currentTestFailed() && pDriven && pDriven->isVisible())
            Abandon(pDriven, QStringLiteral("a failed step left %1 open").arg(Describe(pDriven)));
    });
    pTimer->start(10);
}

// A usable control of a dialog being driven, or null after recording why not: the dialog was
// closed by an earlier failure (nothing more to record), or it has no such control.
template <class T> T* Control(QWidget* pDialog, const QString& strWhat, const std::function<bool(T*)>& fnMatch)
{
    if (!pDialog || pDialog->property(kAbandoned).toBool())
        return nullptr;
    for (T* pControl : pDialog->findChildren<T*>())
        if (fnMatch(pControl))
            return pControl;
    Abandon(pDialog, QStringLiteral("%1 has no %2").arg(Describe(pDialog), strWhat));
    return nullptr;
}
} // namespace

void DriveNextModal(std::function<void(QWidget* pModal)> fnDrive, int nTimeoutMs)
{
    DriveModals({std::move(fnDrive)}, nTimeoutMs);
}

void DriveModals(std::vector<std::function<void(QWidget* pModal)>> steps, int nTimeoutMs)
{
    if (!steps.empty())
        DriveStep(std::make_shared<std::vector<FStep>>(std::move(steps)), 0, nullptr, nTimeoutMs);
}

void DriveModalIfAny(std::function<void(QWidget* pModal)> fnDrive, int nTimeoutMs)
{
    DriveStep(std::make_shared<std::vector<FStep>>(1, std::move(fnDrive)), 0, nullptr, nTimeoutMs, true);
}

void CheckModalsDriven()
{
    for (const auto& [pTimer, bOptional] : std::exchange(g_waiting, {}))
        if (pTimer) {
            pTimer->stop();
            pTimer->deleteLater();
            if (!bOptional)
                Fail(QStringLiteral("a modal the test waited for never opened"));
        }
}

void FillField(QWidget* pDialog, const QString& strName, const QString& strText)
{
    if (auto* pEdit = Control<QLineEdit>(pDialog, QStringLiteral("field \"%1\"").arg(strName),
                                         [&](QLineEdit* p) { return p->objectName() == strName; }))
        pEdit->setText(strText);
}

void PressButton(QWidget* pDialog, const QString& strText)
{
    if (auto* pButton =
            Control<QAbstractButton>(pDialog, QStringLiteral("button \"%1\"").arg(strText), [&](QAbstractButton* p) {
                return p->text().remove(QLatin1Char('&')) == strText;
            }))
        pButton->click();
}

void ChooseFile(QWidget* pFileDialog, const QString& strPath, int nFilter)
{
    auto* pDialog = qobject_cast<QFileDialog*>(pFileDialog);
    if (!pDialog) {
        Abandon(pFileDialog, QStringLiteral("%1 is no file dialog").arg(Describe(pFileDialog)));
        return;
    }
    const QFileInfo info(strPath);
    if (nFilter > pDialog->nameFilters().size()) {
        Abandon(pDialog, QStringLiteral("%1 has no filter %2").arg(Describe(pDialog)).arg(nFilter));
        return;
    }
    pDialog->setDirectory(info.absolutePath());
    if (nFilter > 0)
        pDialog->selectNameFilter(pDialog->nameFilters().at(nFilter - 1));
    // Typed into the name field, as a user does: selectFile() ignores names the folder model has not
    // listed yet.
    const QString strEdit = QStringLiteral("fileNameEdit");
    if (auto* pEdit = Control<QLineEdit>(pDialog, QStringLiteral("file name field"),
                                         [&](QLineEdit* p) { return p->objectName() == strEdit; })) {
        pEdit->setText(info.fileName());
        QMetaObject::invokeMethod(pDialog, "accept");
    }
}

QString MessageBoxText(QWidget* pModal)
{
    auto* pBox = qobject_cast<QMessageBox*>(pModal);
    return pBox ? pBox->text() : QString();
}

QByteArray RunProgram(const QString& strProgram, const QStringList& arguments, const QByteArray& input)
{
    QProcess process;
    process.start(strProgram, arguments);
    if (!process.waitForStarted())
        return {};
    if (!input.isNull())
        process.write(input);
    process.closeWriteChannel();
    QByteArray output;
    for (int i = 0; i < 1000 && process.state() != QProcess::NotRunning; ++i) {
        QTest::qWait(10);
        output += process.readAllStandardOutput();
    }
    return output + process.readAllStandardOutput();
}

QSet<QWidget*> TopLevelWidgets()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const QList<QWidget*> widgets = QApplication::topLevelWidgets();
    return QSet<QWidget*>(widgets.begin(), widgets.end());
}

namespace {
// Closes, with a failure, a modal that stays open kMaxOpenMs with nothing driving it: a dialog the
// test did not expect would otherwise wait until the test program is killed.
constexpr int kMaxOpenMs = 8000;

void WatchModals()
{
    static QPointer<QTimer> s_pWatch;
    if (s_pWatch)
        return;
    s_pWatch = new QTimer(qApp);
    auto pOpen = std::make_shared<std::pair<QPointer<QWidget>, QElapsedTimer>>();
    QObject::connect(s_pWatch.data(), &QTimer::timeout, [pOpen] {
        QWidget* pModal = QApplication::activeModalWidget();
        if (!pModal || pModal != pOpen->first.data()) {
            *pOpen = {pModal, QElapsedTimer()};
            pOpen->second.start();
        } else if (pOpen->second.hasExpired(kMaxOpenMs)) {
            Abandon(pModal, QStringLiteral("%1 stayed open %2 s with nothing answering it")
                                .arg(Describe(pModal))
                                .arg(kMaxOpenMs / 1000));
        }
    });
    s_pWatch->start(100);
}
} // namespace

CAppFixture::~CAppFixture() = default;

bool CAppFixture::Start(const QStringList& arguments)
{
    m_pApp.reset();
    m_windowsBefore = TopLevelWidgets();
    auto pApp = std::make_unique<CLumivoApp>();
    const bool bStarted = pApp->InitInstance(arguments);
    m_pApp = std::move(pApp);
    WatchModals();
    return bStarted;
}

void CAppFixture::Reset()
{
    m_pApp->CloseAllDocuments();
    // Keys and focus need the main window active. After the main window was hidden and shown the
    // offscreen platform still has it focused, so it never tells the application: do it here.
    if (CMDIFrameWnd* pMain = m_pApp->GetMainWnd(); pMain && pMain->isVisible()) {
        pMain->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(pMain));
        if (QApplication::activeWindow() != pMain)
            QApplication::setActiveWindow(pMain);
    }
    m_windowsReset = TopLevelWidgets();
}

void CAppFixture::Check()
{
    CheckModalsDriven();
    m_pApp->CloseAllDocuments();
    QCOMPARE(TopLevelWidgets(), m_windowsReset);
}

void CAppFixture::Stop()
{
    CheckModalsDriven();
    m_pApp.reset();
    QCOMPARE(TopLevelWidgets(), m_windowsBefore);
}

void CAppTestCase::initTestCase()
{
    QVERIFY(m_app.Start());
    m_pApp = &m_app.App();
    QVERIFY(QTest::qWaitForWindowExposed(MainWnd()));
}

CMDIFrameWnd* MainWnd()
{
    return AfxGetMainWnd();
}

CLumivoDoc* ActiveDoc()
{
    return dynamic_cast<CLumivoDoc*>(MainWnd()->GetActiveDocument());
}

int WindowCount()
{
    return int(MainWnd()->GetMDIClient()->subWindowList().size());
}

bool IsEnabled(int nId)
{
    return MainWnd()->QueryCommand(nId).m_bEnabled;
}

CLumivoView* Show(FIBITMAP* pBitmap, const QString& strTitle, double dElapsed)
{
    CLumivoDoc* pDoc = CLumivoDoc::CreateResultDocument(pBitmap, strTitle, dElapsed);
    QCoreApplication::processEvents();
    return pDoc ? static_cast<CLumivoView*>(pDoc->GetViews().front()) : nullptr;
}

void SetClientSize(CLumivoView* pView, QSize sizeClient)
{
    QMdiSubWindow* pFrame = pView->GetParentFrame();
    for (int i = 0; i < 3 && pView->viewport()->size() != sizeClient; ++i) {
        pFrame->resize(pFrame->size() + sizeClient - pView->viewport()->size());
        QCoreApplication::processEvents();
    }
    pView->viewport()->repaint();
}
