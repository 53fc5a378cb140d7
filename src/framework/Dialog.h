#pragma once
// Dialog base with data exchange: fields bound to members, filled when the dialog starts and
// read back and range-checked in order on OK. The first failure keeps the dialog open, focuses the
// field and shows the framework's prompt.
#include <QDialog>
#include <map>
#include <vector>

class QFormLayout;
class QDialogButtonBox;

class CDialog : public QDialog {
    Q_OBJECT
public:
    enum { IDOK = 1, IDCANCEL = 2 };
    // Without a parent the dialog belongs to the main window, so it stays above it.
    explicit CDialog(QWidget* pParent = nullptr);

    // Runs the dialog modally; IDOK or IDCANCEL.
    int DoModal();

    // Edits hold numbers; a radio field is a row of buttons whose index is the value; a check field
    // is one check box; a combo field is a drop-down list with an edit, whose value is the index of
    // the entry the edit names (the dialog stays open while it names none).
    enum EFieldType { FIELD_INT, FIELD_UINT, FIELD_FLOAT, FIELD_DOUBLE, FIELD_RADIO, FIELD_CHECK, FIELD_COMBO };
    struct SField {
        QString strName;  // object name of the control (radio buttons: name + "_" + index)
        QString strLabel; // text beside the edit or of the check box; radio and combo entries split by '|'
        EFieldType eType;
        void* pValue;              // int*, unsigned*, float*, double*, int* (radio, combo) or bool* (check) by eType
        double dMin = 0, dMax = 0; // checked when bRange
        bool bRange = false;
        QString strGroup; // title of the group box holding the control; fields in a row share it
    };
    // Adds a control bound to *pValue; controls appear in the order added.
    QWidget* AddField(const SField& field);

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
    // Room the window manager takes in a caption besides its text (icon, buttons, margins).
    static constexpr int CAPTION_BUTTONS_WIDTH = 120;
    void FocusFirstField();
    QFormLayout* m_pForm;
    QDialogButtonBox* m_pButtons;
    QFormLayout* FormFor(const QString& strGroup);
    std::vector<std::pair<SField, QWidget*>> m_fields;
    std::map<QString, QFormLayout*> m_groups;
    bool m_bInitialised = false;
};
