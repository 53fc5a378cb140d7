#include "support/TestSupport.h"

#include "document/Bitmap.h"

#include <FreeImage.h>
#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QWidget>

void DriveNextModal(std::function<void(QWidget* pModal)> fnDrive, int nTimeoutMs)
{
    // Poll from the event loop: the modal widget exists only once its exec() runs.
    auto* pTimer = new QTimer;
    const QDeadlineTimer deadline(nTimeoutMs);
    QObject::connect(pTimer, &QTimer::timeout, [pTimer, fnDrive, deadline] {
        QWidget* pModal = QApplication::activeModalWidget();
        if (pModal && pModal->isVisible()) {
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
    QObject::connect(pTimer, &QTimer::timeout, [=] {
        QWidget* pModal = QApplication::activeModalWidget();
        const bool bNew = pModal && pModal->isVisible() && (pPrevious.isNull() || pModal != pPrevious.data());
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
