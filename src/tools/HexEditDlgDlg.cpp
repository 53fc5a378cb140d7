#include "tools/HexEditDlgDlg.h"

#include "framework/AfxRes.h"
#include "framework/WinApp.h"
#include "tools/HexEdit.h"
#include "tools/SpinButtonCtrl.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>

namespace {
constexpr qint64 k64K = 0x10000; // the most bytes 16-bit addresses can count
constexpr short g_dataDigits[3] = {2, 4, 8};

// The file-error report: what went wrong with which file.
void ReportFileError(const QString& strPath)
{
    const QFileInfo info(strPath);
    const QString strFormat = !info.exists() ? QStringLiteral("%1 was not found.")
                              : !info.isFile() || !info.isReadable()
                                  ? QStringLiteral("Access to %1 was denied.")
                                  : QStringLiteral("An unexpected error occurred while reading %1.");
    AfxMessageBox(strFormat.arg(strPath));
}

// 16-bit addresses asked for a file they cannot count.
void ReportTooLarge(QWidget* pParent)
{
    const QString strCaption = AfxGetApp() ? AfxGetApp()->LoadString(AFX_IDS_APP_TITLE) : QString();
    QMessageBox box(QMessageBox::Critical, strCaption, QStringLiteral("File is larger than 64K"), QMessageBox::Ok,
                    pParent);
    box.exec();
}
} // namespace

CHexEditDlgDlg::CHexEditDlgDlg(QWidget* pParent) : CDialog(pParent), m_pHexEdit(new CHexEdit(this))
{
    setWindowTitle(QStringLiteral("Hex File View"));
    m_pHexEdit->setObjectName(QStringLiteral("hexedit1000"));
    m_pHexEdit->setMinimumSize(560, 380);

    auto* pLoad = new QPushButton(QStringLiteral("&Load file..."), this);
    pLoad->setObjectName(QStringLiteral("button1001"));
    FormLayout()->addRow(pLoad);
    connect(pLoad, &QPushButton::clicked, this, &CHexEditDlgDlg::OnLoadFile);

    // Columns: the edit with its up-down control and "&Auto" on one row of the group.
    auto* pEdit =
        static_cast<QLineEdit*>(AddField({"edit1002", QString(), FIELD_INT, &m_nColumns, 1, 100, true, "&Columns"}));
    auto* pColumnsForm = static_cast<QFormLayout*>(pEdit->parentWidget()->layout());
    const QFormLayout::TakeRowResult row = pColumnsForm->takeRow(pEdit);
    if (row.labelItem)
        delete row.labelItem->widget();
    delete row.labelItem;
    delete row.fieldItem;
    m_pSpin = new CSpinButtonCtrl(pEdit->parentWidget());
    m_pSpin->setObjectName(QStringLiteral("spin1008"));
    m_pSpin->SetRange(1, 100);
    m_pSpin->setFixedWidth(18);
    m_pSpin->m_fnDeltaPos = [this](int nPos, int nDelta) { return OnColumnsDeltaPos(nPos, nDelta); };
    auto* pAuto = new QPushButton(QStringLiteral("&Auto"), pEdit->parentWidget());
    pAuto->setObjectName(QStringLiteral("button1007"));
    auto* pColumnsRow = new QHBoxLayout;
    pColumnsRow->addWidget(pEdit);
    pColumnsRow->addWidget(m_pSpin);
    pColumnsRow->addWidget(pAuto);
    pColumnsForm->addRow(pColumnsRow);
    connect(pEdit, &QLineEdit::textChanged, this, &CHexEditDlgDlg::OnColumnsChange);
    connect(pEdit, &QLineEdit::editingFinished, this, &CHexEditDlgDlg::OnColumnsChange);
    connect(pAuto, &QPushButton::clicked, this, &CHexEditDlgDlg::OnAuto);

    auto* pAddress =
        static_cast<QCheckBox*>(AddField({"check1014", "Add&ress", FIELD_CHECK, &m_bShowAddress, 0, 0, false, {}}));
    connect(pAddress, &QCheckBox::clicked, this, &CHexEditDlgDlg::OnAddress);
    QWidget* pAddressSize = AddField({"addressSize", "WORD|DWORD", FIELD_RADIO, &m_nAddressSize, 0, 0, false, {}});
    QWidget* pDataSize = AddField({"dataSize", "BYTE|WORD|DWORD", FIELD_RADIO, &m_nDataSize, 0, 0, false, "&Data"});
    auto* pAscii = static_cast<QCheckBox*>(
        AddField({"check1004", "Show ASCII", FIELD_CHECK, &m_bShowAscii, 0, 0, false, "&Data"}));
    connect(pAscii, &QCheckBox::clicked, this, &CHexEditDlgDlg::OnShowAscii);

    // The radio buttons go by their control ids.
    const struct {
        QWidget* pRow;
        int nIndex, nId;
        void (CHexEditDlgDlg::*pfnClick)(int);
    } radios[] = {
        {pAddressSize, 0, 1005, &CHexEditDlgDlg::OnAddressSize},
        {pAddressSize, 1, 1006, &CHexEditDlgDlg::OnAddressSize},
        {pDataSize, 0, 1003, &CHexEditDlgDlg::OnDataSize},
        {pDataSize, 1, 1011, &CHexEditDlgDlg::OnDataSize},
        {pDataSize, 2, 1012, &CHexEditDlgDlg::OnDataSize},
    };
    for (const auto& radio : radios) {
        const QString strOld = radio.pRow->objectName() + QLatin1Char('_') + QString::number(radio.nIndex);
        auto* pButton = radio.pRow->findChild<QRadioButton*>(strOld);
        pButton->setObjectName(QStringLiteral("radio%1").arg(radio.nId));
        connect(pButton, &QRadioButton::clicked, this, [this, radio] { (this->*radio.pfnClick)(radio.nIndex); });
        m_controls[radio.nId] = pButton;
    }
    m_controls[1002] = pEdit;
    m_controls[1004] = pAscii;
    m_controls[1007] = pAuto;
    m_controls[1008] = m_pSpin;
    m_controls[1014] = pAddress;

    // The view beside the options; "Exit" closes the dialog as OK.
    auto* pMain = static_cast<QVBoxLayout*>(layout());
    pMain->removeItem(FormLayout());
    auto* pTop = new QHBoxLayout;
    pTop->addWidget(m_pHexEdit, 1);
    auto* pOptions = new QVBoxLayout;
    pOptions->addLayout(FormLayout());
    pOptions->addStretch(1);
    pTop->addLayout(pOptions);
    pMain->insertLayout(0, pTop, 1);
    QPushButton* pExit = ButtonBox()->button(QDialogButtonBox::Ok);
    pExit->setText(QStringLiteral("Exit"));
    pExit->setObjectName(QStringLiteral("button1018"));
    ButtonBox()->button(QDialogButtonBox::Cancel)->hide();
}

CHexEditDlgDlg::~CHexEditDlgDlg() = default;

void CHexEditDlgDlg::showEvent(QShowEvent* pEvent)
{
    const bool bFirst = !m_bReady;
    CDialog::showEvent(pEvent); // shows the members in the controls the first time
    if (!bFirst)
        return;
    setWindowIcon(QIcon(QStringLiteral(":/icons/lumivo.svg")));
    m_bReady = true;
    EnableOptions(false);
    m_pSpin->SetPos(m_nColumns);
}

void CHexEditDlgDlg::EnableOptions(bool bEnable)
{
    for (const auto& [nId, pControl] : m_controls)
        pControl->setEnabled(bEnable);
}

void CHexEditDlgDlg::ShowFields()
{
    UpdateData(false);
    Control(1004)->setEnabled(m_pHexEdit->GetDataDigits() == 2);
}

void CHexEditDlgDlg::OnLoadFile()
{
    QFileDialog dialog(this);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        LoadFile(dialog.selectedFiles().constFirst());
}

bool CHexEditDlgDlg::LoadFile(const QString& strPath)
{
    m_strFilePath = strPath;
    QFileDevice::FileError eError = QFileDevice::NoError;
    std::shared_ptr<const CHexData> pData = CHexData::Open(strPath, eError);
    if (!pData) {
        ReportFileError(strPath);
        return false;
    }
    const bool bFirst = !m_data;
    m_data = std::move(pData);
    if (bFirst)
        EnableOptions(true);
    // 16-bit addresses cannot count the bytes of a larger file: switch to 32-bit as a click would.
    if (m_nAddressSize == 0 && m_data->Size() > k64K) {
        ReportTooLarge(this);
        m_nAddressSize = 1;
        m_pHexEdit->SetAddressDigits(8);
        ShowFields();
    }
    m_pHexEdit->SetData(m_data, 0);
    return true;
}

void CHexEditDlgDlg::OnColumnsChange()
{
    if (!m_bReady || m_bInColumnsChange)
        return;
    // Re-entry comes from the fields being shown again and from the focus leaving for a message.
    m_bInColumnsChange = true;
    const int nPrevious = m_nColumns;
    if (!UpdateData(true)) {
        m_nColumns = nPrevious;
        ShowFields();
    } else if (m_nColumns > 0) {
        m_pHexEdit->SetColumns(short(m_nColumns));
        m_pSpin->SetPos(m_nColumns);
    } else {
        m_nColumns = 1;
        ShowFields();
    }
    m_bInColumnsChange = false;
}

bool CHexEditDlgDlg::OnColumnsDeltaPos(int nPos, int nDelta)
{
    const int nCount = nPos + nDelta;
    if (nCount < 1 || nCount > 100)
        return false;
    m_nColumns = nCount;
    m_pHexEdit->SetColumns(short(nCount));
    ShowFields();
    return true;
}

void CHexEditDlgDlg::OnAuto()
{
    m_pHexEdit->SetColumns(0);
    m_nColumns = m_pHexEdit->GetColumns();
    ShowFields();
}

void CHexEditDlgDlg::OnAddress()
{
    UpdateData(true);
    Control(1005)->setEnabled(m_bShowAddress);
    Control(1006)->setEnabled(m_bShowAddress);
    if (m_bReady)
        m_pHexEdit->SetShowAddress(m_bShowAddress);
}

void CHexEditDlgDlg::OnAddressSize(int nSize)
{
    if (!m_bReady)
        return;
    UpdateData(true);
    if (nSize == 0 && m_data && m_data->Size() > k64K) {
        ReportTooLarge(this);
        m_nAddressSize = 1;
        ShowFields();
        return;
    }
    m_pHexEdit->SetShowAddress(true);
    m_pHexEdit->SetAddressDigits(nSize == 0 ? 4 : 8);
}

void CHexEditDlgDlg::OnDataSize(int nSize)
{
    if (!m_bReady)
        return;
    UpdateData(true);
    m_pHexEdit->SetDataDigits(g_dataDigits[nSize]);
    m_bShowAscii = nSize == 0 && m_pHexEdit->GetShowAscii();
    ShowFields();
}

void CHexEditDlgDlg::OnShowAscii()
{
    if (!m_bReady)
        return;
    UpdateData(true);
    m_pHexEdit->SetShowAscii(m_bShowAscii);
    m_bShowAscii = m_pHexEdit->GetShowAscii();
    ShowFields();
}
