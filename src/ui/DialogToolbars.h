#pragma once
// The toolbars dialog: one list row per toolbar of the main frame, with a check box that shows or
// hides it when the dialog is closed with OK.
#include <QDialog>

class CMDIFrameWnd;
class CXListCtrl;

class CDialogToolbars : public QDialog {
    Q_OBJECT
public:
    enum { kToolbarCount = 5 };

    explicit CDialogToolbars(CMDIFrameWnd* pFrame, QWidget* pParent = nullptr);

    CXListCtrl* GetList() const { return m_pList; }

protected:
    void accept() override;

private:
    CMDIFrameWnd* m_pFrame;
    QString m_strNames[kToolbarCount];  // in row order
    int m_nVisible[kToolbarCount] = {}; // each toolbar's visibility when the dialog opened
    CXListCtrl* m_pList;
};
