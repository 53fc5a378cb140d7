#pragma once
// The hex file viewer: loads any file into the hosted hex view and sets its columns, address and
// data options.
#include "framework/Dialog.h"

#include <QString>
#include <map>
#include <memory>

class CHexData;
class CHexEdit;
class CSpinButtonCtrl;

class CHexEditDlgDlg : public CDialog {
    Q_OBJECT
public:
    explicit CHexEditDlgDlg(QWidget* pParent = nullptr);
    ~CHexEditDlgDlg() override;

    // Maps strPath and shows it, as the load button does once its file dialog is answered. A file
    // that cannot be opened is reported and the previous data stays; false then.
    bool LoadFile(const QString& strPath);

    int m_nColumns = 8;     // 1 to 100
    int m_nAddressSize = 1; // 0 16-bit, 1 32-bit
    int m_nDataSize = 0;    // 0 byte, 1 16-bit, 2 32-bit
    bool m_bShowAddress = true;
    bool m_bShowAscii = true;
    QString m_strFilePath;
    bool m_bReady = false;
    std::shared_ptr<const CHexData> m_data; // the whole file, mapped

    CHexEdit* m_pHexEdit;
    CSpinButtonCtrl* m_pSpin;

protected:
    void showEvent(QShowEvent* pEvent) override;

private:
    void OnLoadFile();
    void OnColumnsChange();
    bool OnColumnsDeltaPos(int nPos, int nDelta);
    void OnAuto();
    void OnAddress();
    void OnAddressSize(int nSize);
    void OnDataSize(int nSize);
    void OnShowAscii();
    // Members to controls, then "Show ASCII" enabled only for byte data.
    void ShowFields();
    void EnableOptions(bool bEnable);
    QWidget* Control(int nId) const { return m_controls.at(nId); }

    std::map<int, QWidget*> m_controls; // the option controls by id
    bool m_bInColumnsChange = false;
};
