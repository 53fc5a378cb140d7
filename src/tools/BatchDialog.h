#pragma once
// The batch conversion dialog and command: input and output types, the two folders, and the options
// "Generate names" and "Subfolders".
#include "framework/Dialog.h"

class QComboBox;
class QLineEdit;
class QPushButton;

class CBatchDialog : public CDialog {
    Q_OBJECT
public:
    explicit CBatchDialog(QWidget* pParent = nullptr);

    QString m_strInputType;
    QString m_strOutputType;
    QString m_strInputFolder;
    QString m_strOutputFolder;
    bool m_bGenerateNames = false;
    bool m_bSubfolders = false;

protected:
    // Takes the controls' values; without an output folder, says so and takes the default one.
    void accept() override;

private:
    void Browse(QLineEdit* pEdit, const QString& strTitle);

    QComboBox* m_pInputType;
    QComboBox* m_pOutputType;
    QLineEdit* m_pInputFolder;
    QLineEdit* m_pOutputFolder;
    QPushButton* m_pGenerateNames;
    QPushButton* m_pSubfolders;
};

// Command 32818: runs the dialog and, on OK, the conversion with its progress dialog.
void OnBatchConversion();
