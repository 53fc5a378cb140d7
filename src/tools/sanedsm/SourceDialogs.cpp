#include "tools/sanedsm/SourceDialogs.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {
QString DeviceText(const SSaneDeviceInfo& info)
{
    return QStringLiteral("%1 %2 (%3)")
        .arg(QString::fromStdString(info.strVendor), QString::fromStdString(info.strModel),
             QString::fromStdString(info.strName));
}
} // namespace

int RunSelectSourceDialog(const std::vector<SSaneDeviceInfo>& devices, int nPreset, QWidget* pParent)
{
    QDialog dialog(pParent);
    dialog.setObjectName(QStringLiteral("saneSelectSource"));
    dialog.setWindowTitle(QStringLiteral("Select Source"));
    auto* pLayout = new QVBoxLayout(&dialog);
    auto* pList = new QListWidget(&dialog);
    pList->setObjectName(QStringLiteral("sources"));
    for (const SSaneDeviceInfo& info : devices)
        pList->addItem(DeviceText(info));
    if (nPreset >= 0 && nPreset < pList->count())
        pList->setCurrentRow(nPreset);
    pLayout->addWidget(pList);
    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    pButtons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Select"));
    pButtons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancel"));
    pLayout->addWidget(pButtons);
    QObject::connect(pButtons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(pButtons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(pList, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);
    if (dialog.exec() != QDialog::Accepted)
        return -1;
    return pList->currentRow();
}

QDialog* CreateSourceDialog(CSaneDevice& device, const SSaneDeviceInfo& info, QWidget* pParent,
                            std::function<void()> fnScan, std::function<void()> fnCloseRequest)
{
    auto* pDialog = new QDialog(pParent);
    pDialog->setObjectName(QStringLiteral("saneSource"));
    pDialog->setWindowTitle(QString::fromStdString(info.strVendor + " " + info.strModel));
    auto* pLayout = new QFormLayout(pDialog);

    auto* pMode = new QComboBox(pDialog);
    pMode->setObjectName(QStringLiteral("mode"));
    for (const std::string& strMode : device.Modes())
        pMode->addItem(QString::fromStdString(strMode));
    pMode->setCurrentText(QString::fromStdString(device.Mode()));
    pLayout->addRow(QStringLiteral("Mode"), pMode);

    // A device offers its resolutions as a list or as a range.
    auto* pResolutionList = new QComboBox(pDialog);
    auto* pResolutionRange = new QSpinBox(pDialog);
    pResolutionRange->setSuffix(QStringLiteral(" dpi"));
    for (int nDpi : device.ResolutionList())
        pResolutionList->addItem(QString::number(nDpi), nDpi);
    int nMin = 0, nMax = 0;
    const bool bRange = pResolutionList->count() == 0 && device.ResolutionRange(nMin, nMax);
    pResolutionRange->setRange(nMin, nMax);
    pResolutionRange->setValue(device.Resolution());
    pResolutionList->setCurrentText(QString::number(device.Resolution()));
    QWidget* pResolution = bRange ? static_cast<QWidget*>(pResolutionRange) : pResolutionList;
    (bRange ? static_cast<QWidget*>(pResolutionList) : pResolutionRange)->hide();
    pResolution->setObjectName(QStringLiteral("resolution"));
    pLayout->addRow(QStringLiteral("Resolution"), pResolution);

    auto* pScan = new QPushButton(QStringLiteral("Scan"), pDialog);
    pScan->setObjectName(QStringLiteral("scan"));
    pScan->setDefault(true);
    pLayout->addRow(pScan);
    QObject::connect(pScan, &QPushButton::clicked, pDialog, [=, &device] {
        if (pMode->count() > 0)
            device.SetMode(pMode->currentText().toStdString());
        device.SetResolution(bRange ? pResolutionRange->value() : pResolutionList->currentData().toInt());
        fnScan();
    });
    QObject::connect(pDialog, &QDialog::finished, pDialog, [fnCloseRequest](int) { fnCloseRequest(); });
    return pDialog;
}
