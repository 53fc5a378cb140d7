#pragma once
// A modeless progress dialog with a Cancel button, for work that runs on the interface thread. While
// it exists its owner window is disabled; every step lets waiting events run, so the dialog repaints
// and Cancel stays clickable.
#include <QDialog>

class QLabel;
class QProgressBar;

class CProgressDlg : public QDialog {
    Q_OBJECT
public:
    // nCaptionId names the string resource shown as the title; 0 gives "Progress".
    explicit CProgressDlg(int nCaptionId = 0);
    ~CProgressDlg() override;

    // Shows the dialog over the window holding pParent (the main window when null) and disables that
    // window while the dialog lives.
    bool Create(QWidget* pParent = nullptr);
    // Advances the bar by one step after running the waiting events; past the upper end it wraps.
    void StepIt();
    // Whether Cancel has been pressed.
    bool CheckCancelButton() const { return m_bCancel; }
    // Enables the owner again if Create disabled it, then hides the dialog.
    void DestroyWindow();

protected:
    void reject() override; // Cancel, Escape and the close button: only note the request

private:
    QProgressBar* m_pProgress;
    QLabel* m_pPercent;
    int m_nCaptionId;
    int m_nLower = 0;
    int m_nUpper = 100;
    int m_nStep = 10;
    bool m_bCancel = false;
    bool m_bParentDisabled = false;
    QWidget* m_pParentWnd = nullptr;
};
