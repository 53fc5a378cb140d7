#pragma once
// Dialog base with data exchange: fields bound to members, filled when the dialog starts and
// read back and range-checked in order on OK. The first failure keeps the dialog open, focuses the
// field and shows the framework's prompt.
#include <QDialog>
#include <vector>

class QLineEdit;
class QFormLayout;
class QDialogButtonBox;

class CDialog : public QDialog {
    Q_OBJECT
public:
    enum { IDOK = 1, IDCANCEL = 2 };
    explicit CDialog(QWidget* pParent = nullptr);

    // Runs the dialog modally; IDOK or IDCANCEL.
    int DoModal();

    enum EFieldType { FIELD_INT, FIELD_UINT, FIELD_FLOAT, FIELD_DOUBLE };
    struct SField {
        QString strName;   // object name of the edit control, for finding it
        QString strLabel;  // text beside the edit
        EFieldType eType;
        void* pValue;      // int*, unsigned*, float* or double* by eType
        double dMin, dMax; // checked when bRange
        bool bRange;
    };
    // Adds an edit field bound to *pValue; it appears in the form in the order added.
    QLineEdit* AddField(const SField& field);
    const std::vector<std::pair<SField, QLineEdit*>>& GetFields() const { return m_fields; }

    // true: read and check the controls into the members; false: show the members in the controls.
    bool UpdateData(bool bSaveAndValidate = true);

    // The prompt shown for a field whose text does not pass; empty when it passes.
    static QString ValidateText(const SField& field, const QString& strText, double* pdValue);
    static QString FormatValue(EFieldType eType, double dValue);

protected:
    void showEvent(QShowEvent* pEvent) override;
    void accept() override;
    QFormLayout* FormLayout() const { return m_pForm; }
    QDialogButtonBox* ButtonBox() const { return m_pButtons; }

private:
    QFormLayout* m_pForm;
    QDialogButtonBox* m_pButtons;
    std::vector<std::pair<SField, QLineEdit*>> m_fields;
    bool m_bInitialised = false;
};
