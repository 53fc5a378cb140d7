#include "support/TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QMessageBox>
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
