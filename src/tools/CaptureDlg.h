#pragma once
// Window capture: the dialog that picks a top-level window (or the whole desktop), the rectangle a
// capture copies, and the command that copies it into a new document.
#include "framework/Dialog.h"

#include <QRect>
#include <cstdint>

class CX11Desktop;
class QListWidget;
class QPushButton;

class CCAPTUREDialog : public CDialog {
    Q_OBJECT
public:
    static constexpr int MAX_WINDOWS = 254; // windows listed after "Desktop"

    // Lists "Desktop" and, on an X11 desktop, its top-level windows.
    CCAPTUREDialog(const CX11Desktop& desktop, QWidget* pParent = nullptr);

    int m_bInsideWindow = 0;   // 1: the client area only; 0: the window with its frame
    int m_nSelectedIndex = -1; // the list's selection when OK was pressed
    uint32_t m_hSelectedWindow = 0;

protected:
    void accept() override;

private:
    QListWidget* m_pWindowList;
    QPushButton* m_pInsideWindow;
};

// What a capture copies: width x height pixels from (nSourceX, nSourceY) of the source window.
struct SCaptureRect {
    int nSourceX = 0;
    int nSourceY = 0;
    int nWidth = 0;
    int nHeight = 0;
    bool IsEmpty() const { return nWidth <= 0 || nHeight <= 0; }
};
// rcWindow is the client area at (0, 0) for an inside-window capture, otherwise the window's
// rectangle on the screen. The right and bottom edges are cut at the screen's; a negative left or
// top becomes the offset into the window.
SCaptureRect CaptureRectFor(const QRect& rcWindow, const QSize& screenSize);

// The capture command: runs the dialog and opens the picture of the chosen window as "Captured Image".
void CaptureWindowCommand();
