#include "framework/Dialog.h"

#include "framework/FrameWnd.h"
#include "framework/WinApp.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cfloat>
#include <cmath>

CDialog::CDialog(QWidget* pParent) : QDialog(pParent ? pParent : AfxGetMainWnd())
{
    auto* pLayout = new QVBoxLayout(this);
    m_pForm = new QFormLayout;
    pLayout->addLayout(m_pForm);
    m_pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_pButtons->button(QDialogButtonBox::Ok)->setText(tr("OK"));
    m_pButtons->button(QDialogButtonBox::Cancel)->setText(tr("Cancel"));
    pLayout->addWidget(m_pButtons);
    connect(m_pButtons, &QDialogButtonBox::accepted, this, &CDialog::accept);
    connect(m_pButtons, &QDialogButtonBox::rejected, this, &CDialog::reject);
}

int CDialog::DoModal()
{
    return exec() == QDialog::Accepted ? IDOK : IDCANCEL;
}

QFormLayout* CDialog::FormFor(const QString& strGroup)
{
    if (strGroup.isEmpty())
        return m_pForm;
    // Fields of one group share its box, wherever they stand in the exchange order.
    QFormLayout*& pGroupForm = m_groups[strGroup];
    if (!pGroupForm) {
        auto* pBox = new QGroupBox(strGroup, this);
        pGroupForm = new QFormLayout(pBox);
        m_pForm->addRow(pBox);
    }
    return pGroupForm;
}

QWidget* CDialog::AddField(const SField& field)
{
    QFormLayout* pForm = FormFor(field.strGroup);
    QWidget* pControl = nullptr;
    if (field.eType == FIELD_CHECK) {
        pControl = new QCheckBox(field.strLabel, this);
        pForm->addRow(pControl);
    } else if (field.eType == FIELD_RADIO) {
        pControl = new QWidget(this);
        auto* pRow = new QHBoxLayout(pControl);
        pRow->setContentsMargins(0, 0, 0, 0);
        auto* pGroup = new QButtonGroup(pControl);
        const QStringList texts = field.strLabel.split(QLatin1Char('|'));
        for (qsizetype i = 0; i < texts.size(); ++i) {
            auto* pButton = new QRadioButton(texts.at(i), pControl);
            pButton->setObjectName(field.strName + QLatin1Char('_') + QString::number(i));
            pGroup->addButton(pButton, int(i));
            pRow->addWidget(pButton);
        }
        pForm->addRow(pControl);
    } else if (field.eType == FIELD_COMBO) {
        auto* pCombo = new QComboBox(this);
        pCombo->setEditable(true);
        pCombo->setInsertPolicy(QComboBox::NoInsert);
        pCombo->addItems(field.strLabel.split(QLatin1Char('|')));
        pControl = pCombo;
        pForm->addRow(pControl);
    } else {
        pControl = new QLineEdit(this);
        pForm->addRow(field.strLabel, pControl);
    }
    pControl->setObjectName(field.strName);
    m_fields.emplace_back(field, pControl);
    return pControl;
}

QString CDialog::FormatValue(EFieldType eType, double dValue)
{
    switch (eType) {
    case FIELD_INT:
    case FIELD_UINT: return QString::number(qint64(dValue));
    case FIELD_FLOAT: return QString::number(dValue, 'g', FLT_DIG);
    default: return QString::number(dValue, 'g', DBL_DIG);
    }
}

QString CDialog::ValidateText(const SField& field, const QString& strText, double* pdValue)
{
    const QString strTrimmed = strText.trimmed();
    bool bOk = false;
    double dValue = 0;
    const bool bInteger = field.eType != FIELD_FLOAT && field.eType != FIELD_DOUBLE;
    if (field.eType == FIELD_INT || field.eType == FIELD_RADIO) {
        dValue = strTrimmed.toInt(&bOk);
    } else if (field.eType == FIELD_UINT) {
        dValue = strTrimmed.toUInt(&bOk);
    } else {
        dValue = strTrimmed.toDouble(&bOk);
        bOk = bOk && std::isfinite(dValue);
        if (bOk && field.eType == FIELD_FLOAT)
            dValue = float(dValue);
    }
    if (!bOk) {
        if (field.eType == FIELD_INT || field.eType == FIELD_RADIO)
            return QStringLiteral("Please enter an integer.");
        if (field.eType == FIELD_UINT)
            return QStringLiteral("Please enter a positive integer.");
        return QStringLiteral("Please enter a number.");
    }
    if (field.bRange && (dValue < field.dMin || dValue > field.dMax)) {
        const QString strMin = FormatValue(field.eType, field.dMin);
        const QString strMax = FormatValue(field.eType, field.dMax);
        return bInteger ? QStringLiteral("Please enter an integer between %1 and %2.").arg(strMin, strMax)
                        : QStringLiteral("Please enter a number between %1 and %2.").arg(strMin, strMax);
    }
    *pdValue = dValue;
    return {};
}

bool CDialog::UpdateData(bool bSaveAndValidate)
{
    for (auto& [field, pControl] : m_fields) {
        if (field.eType == FIELD_CHECK) {
            auto* pBox = static_cast<QCheckBox*>(pControl);
            bool& bValue = *static_cast<bool*>(field.pValue);
            bSaveAndValidate ? void(bValue = pBox->isChecked()) : pBox->setChecked(bValue);
            continue;
        }
        if (field.eType == FIELD_RADIO) {
            QButtonGroup* pGroup = pControl->findChild<QButtonGroup*>();
            int& nValue = *static_cast<int*>(field.pValue);
            if (!bSaveAndValidate) {
                if (QAbstractButton* pButton = pGroup->button(nValue))
                    pButton->setChecked(true);
                continue;
            }
            const SField index{field.strName, {}, FIELD_INT, nullptr, field.dMin, field.dMax, field.bRange, {}};
            double dIndex = 0;
            const QString strPrompt = ValidateText(index, QString::number(pGroup->checkedId()), &dIndex);
            if (!strPrompt.isEmpty()) {
                AfxMessageBox(strPrompt);
                return false;
            }
            nValue = int(dIndex);
            continue;
        }
        if (field.eType == FIELD_COMBO) {
            auto* pCombo = static_cast<QComboBox*>(pControl);
            int& nValue = *static_cast<int*>(field.pValue);
            if (!bSaveAndValidate) {
                pCombo->setCurrentIndex(nValue);
                continue;
            }
            const int nIndex = pCombo->findText(pCombo->currentText(), Qt::MatchFixedString);
            if (nIndex < 0) {
                pCombo->setFocus();
                AfxMessageBox(QStringLiteral("Please choose an entry from the list."));
                return false;
            }
            nValue = nIndex;
            continue;
        }
        auto* pEdit = static_cast<QLineEdit*>(pControl);
        if (!bSaveAndValidate) {
            double dValue = 0;
            switch (field.eType) {
            case FIELD_INT: dValue = *static_cast<int*>(field.pValue); break;
            case FIELD_UINT: dValue = *static_cast<unsigned*>(field.pValue); break;
            case FIELD_FLOAT: dValue = *static_cast<float*>(field.pValue); break;
            default: dValue = *static_cast<double*>(field.pValue); break;
            }
            pEdit->setText(FormatValue(field.eType, dValue));
            continue;
        }
        double dValue = 0;
        const QString strPrompt = ValidateText(field, pEdit->text(), &dValue);
        if (!strPrompt.isEmpty()) {
            pEdit->setFocus();
            pEdit->selectAll();
            AfxMessageBox(strPrompt);
            return false;
        }
        switch (field.eType) {
        case FIELD_INT: *static_cast<int*>(field.pValue) = int(dValue); break;
        case FIELD_UINT: *static_cast<unsigned*>(field.pValue) = unsigned(dValue); break;
        case FIELD_FLOAT: *static_cast<float*>(field.pValue) = float(dValue); break;
        default: *static_cast<double*>(field.pValue) = dValue; break;
        }
    }
    return true;
}

void CDialog::showEvent(QShowEvent* pEvent)
{
    if (!m_bInitialised) {
        m_bInitialised = true;
        UpdateData(false);
        // Wide enough for the whole caption: its text in the caption's bold font, plus room for the
        // window manager's icon and buttons.
        QFont fontCaption = font();
        fontCaption.setBold(true);
        const int nCaption = QFontMetrics(fontCaption).horizontalAdvance(windowTitle()) + CAPTION_BUTTONS_WIDTH;
        if (width() < nCaption)
            resize(nCaption, height());
        setMinimumWidth(std::max(minimumWidth(), nCaption));
        FocusFirstField();
    }
    QDialog::showEvent(pEvent);
}

void CDialog::FocusFirstField()
{
    // Typing replaces the first field's value, Tab walks the fields and then OK and Cancel, and
    // Enter is OK.
    QWidget* pPrevious = nullptr;
    for (const auto& [field, pControl] : m_fields) {
        if (pPrevious)
            setTabOrder(pPrevious, pControl);
        pPrevious = pControl;
    }
    QPushButton* pOk = m_pButtons->button(QDialogButtonBox::Ok);
    QPushButton* pCancel = m_pButtons->button(QDialogButtonBox::Cancel);
    if (pPrevious && pOk)
        setTabOrder(pPrevious, pOk);
    if (pOk && pCancel)
        setTabOrder(pOk, pCancel);
    if (pOk)
        pOk->setDefault(true);
    if (m_fields.empty())
        return;
    QWidget* pFirst = m_fields.front().second;
    if (m_fields.front().first.eType == FIELD_RADIO) {
        // A row of radio buttons: the chosen one takes the focus.
        for (QRadioButton* pButton : pFirst->findChildren<QRadioButton*>())
            if (pButton->isChecked())
                pFirst = pButton;
    }
    pFirst->setFocus(Qt::OtherFocusReason);
    QLineEdit* pEdit = qobject_cast<QLineEdit*>(pFirst);
    if (auto* pCombo = qobject_cast<QComboBox*>(pFirst))
        pEdit = pCombo->lineEdit();
    if (pEdit)
        pEdit->selectAll();
}

void CDialog::accept()
{
    if (UpdateData(true))
        QDialog::accept();
}
