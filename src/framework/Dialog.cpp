#include "framework/Dialog.h"

#include "framework/WinApp.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cfloat>
#include <cmath>

CDialog::CDialog(QWidget* pParent) : QDialog(pParent)
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

QLineEdit* CDialog::AddField(const SField& field)
{
    auto* pEdit = new QLineEdit(this);
    pEdit->setObjectName(field.strName);
    m_pForm->addRow(field.strLabel, pEdit);
    m_fields.emplace_back(field, pEdit);
    return pEdit;
}

QString CDialog::FormatValue(EFieldType eType, double dValue)
{
    switch (eType) {
    case FIELD_INT:
    case FIELD_UINT: return QString::number(qint64(dValue));
    case FIELD_FLOAT: return QString::number(dValue, 'g', FLT_DIG);
    case FIELD_DOUBLE: return QString::number(dValue, 'g', DBL_DIG);
    }
    return {};
}

QString CDialog::ValidateText(const SField& field, const QString& strText, double* pdValue)
{
    const QString strTrimmed = strText.trimmed();
    bool bOk = false;
    double dValue = 0;
    const bool bInteger = field.eType == FIELD_INT || field.eType == FIELD_UINT;
    if (field.eType == FIELD_INT) {
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
        if (field.eType == FIELD_INT)
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
    for (auto& [field, pEdit] : m_fields) {
        if (!bSaveAndValidate) {
            double dValue = 0;
            switch (field.eType) {
            case FIELD_INT: dValue = *static_cast<int*>(field.pValue); break;
            case FIELD_UINT: dValue = *static_cast<unsigned*>(field.pValue); break;
            case FIELD_FLOAT: dValue = *static_cast<float*>(field.pValue); break;
            case FIELD_DOUBLE: dValue = *static_cast<double*>(field.pValue); break;
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
        case FIELD_DOUBLE: *static_cast<double*>(field.pValue) = dValue; break;
        }
    }
    return true;
}

void CDialog::showEvent(QShowEvent* pEvent)
{
    if (!m_bInitialised) {
        m_bInitialised = true;
        UpdateData(false);
    }
    QDialog::showEvent(pEvent);
}

void CDialog::accept()
{
    if (UpdateData(true))
        QDialog::accept();
}
