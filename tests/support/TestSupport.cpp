#include "support/TestSupport.h"

#include "image/Bitmap.h"

#include <FreeImage.h>
#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace {
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
} // namespace

void DriveNextModal(std::function<void(QWidget* pModal)> fnDrive, int nTimeoutMs)
{
    // Poll from the event loop: the modal widget exists only once its exec() runs.
    auto* pTimer = new QTimer;
    const QDeadlineTimer deadline(nTimeoutMs);
    auto pSeen = std::make_shared<QPointer<QWidget>>();
    QObject::connect(pTimer, &QTimer::timeout, [pTimer, fnDrive, deadline, pSeen] {
        QWidget* pModal = SettledModal(*pSeen);
        if (pModal) {
            pTimer->stop();
            pTimer->deleteLater();
            fnDrive(pModal);
        } else if (deadline.hasExpired()) {
            pTimer->stop();
            pTimer->deleteLater();
        }
    });
    pTimer->start(10);
}

namespace {
void DriveStep(std::shared_ptr<std::vector<std::function<void(QWidget*)>>> pSteps, size_t nStep,
               QPointer<QWidget> pPrevious, int nTimeoutMs)
{
    auto* pTimer = new QTimer;
    const QDeadlineTimer deadline(nTimeoutMs);
    auto pSeen = std::make_shared<QPointer<QWidget>>();
    QObject::connect(pTimer, &QTimer::timeout, [=] {
        QWidget* pModal = SettledModal(*pSeen);
        const bool bNew = pModal && (pPrevious.isNull() || pModal != pPrevious.data());
        if (!bNew && !deadline.hasExpired())
            return;
        pTimer->stop();
        pTimer->deleteLater();
        if (!bNew)
            return;
        // Arm the next step first: this step may open the next modal and wait inside it.
        if (nStep + 1 < pSteps->size())
            DriveStep(pSteps, nStep + 1, pModal, nTimeoutMs);
        (*pSteps)[nStep](pModal);
    });
    pTimer->start(10);
}
} // namespace

void DriveModals(std::vector<std::function<void(QWidget* pModal)>> steps, int nTimeoutMs)
{
    if (!steps.empty())
        DriveStep(std::make_shared<std::vector<std::function<void(QWidget*)>>>(std::move(steps)), 0, nullptr,
                  nTimeoutMs);
}

void FillField(QWidget* pDialog, const QString& strName, const QString& strText)
{
    auto* pEdit = pDialog->findChild<QLineEdit*>(strName);
    if (pEdit)
        pEdit->setText(strText);
}

void PressButton(QWidget* pDialog, const QString& strText)
{
    for (QAbstractButton* pButton : pDialog->findChildren<QAbstractButton*>()) {
        if (pButton->text().remove(QLatin1Char('&')) == strText) {
            pButton->click();
            return;
        }
    }
}

void ChooseFile(QWidget* pFileDialog, const QString& strPath, int nFilter)
{
    auto* pDialog = qobject_cast<QFileDialog*>(pFileDialog);
    if (!pDialog)
        return;
    const QFileInfo info(strPath);
    pDialog->setDirectory(info.absolutePath());
    if (nFilter > 0)
        pDialog->selectNameFilter(pDialog->nameFilters().at(nFilter - 1));
    // Typed into the name field, as a user does: selectFile() ignores names the folder model has not
    // listed yet.
    if (auto* pEdit = pDialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        pEdit->setText(info.fileName());
    QMetaObject::invokeMethod(pDialog, "accept");
}

QString MessageBoxText(QWidget* pModal)
{
    auto* pBox = qobject_cast<QMessageBox*>(pModal);
    return pBox ? pBox->text() : QString();
}

QSet<QWidget*> TopLevelWidgets()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const QList<QWidget*> widgets = QApplication::topLevelWidgets();
    return QSet<QWidget*>(widgets.begin(), widgets.end());
}

QString TestData(const QString& strName)
{
    return QStringLiteral(LUMIVO_TEST_DATA "/") + strName;
}

QString Sample(const QString& strName)
{
    return QStringLiteral(LUMIVO_SAMPLES "/") + strName;
}

bool WriteTestImage(const QString& strPath, int nWidth, int nHeight, int nBpp)
{
    CBitmapPtr pBitmap(FreeImage_Allocate(nWidth, nHeight, nBpp));
    if (!pBitmap)
        return false;
    BYTE* pBits = FreeImage_GetBits(pBitmap.get());
    const unsigned nPitch = FreeImage_GetPitch(pBitmap.get());
    for (int y = 0; y < nHeight; ++y)
        for (unsigned i = 0; i < nPitch; ++i)
            pBits[y * nPitch + i] = BYTE(i * 3 + y * 5);
    return SaveBitmapFile(pBitmap.get(), strPath);
}
