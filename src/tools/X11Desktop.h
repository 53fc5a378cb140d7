#pragma once
// The X11 desktop as window capture sees it: its top-level windows in stacking order, their frames
// and geometry, raising one above the others and waiting until it has been repainted. Talks to the
// X server over a connection of its own, so that the expose events it waits for are its own.
#include <QRect>
#include <QString>
#include <cstdint>
#include <vector>

struct xcb_connection_t;

struct STopLevelWindow {
    uint32_t nWindow = 0; // the client window
    QString strTitle;
};

class CX11Desktop {
public:
    CX11Desktop();
    ~CX11Desktop();
    CX11Desktop(const CX11Desktop&) = delete;
    CX11Desktop& operator=(const CX11Desktop&) = delete;

    // False when the program does not run on an X11 display.
    bool IsOpen() const { return m_pConnection != nullptr; }
    uint32_t Root() const { return m_nRoot; }
    QSize ScreenSize() const { return m_screenSize; }
    // True while a window manager announces itself on the root window.
    bool HasWindowManager() const;

    // The top-level windows, top of the stacking order first, that are mapped, not minimised, have
    // an area above 4 x 4 pixels and a title; at most nMax of them.
    std::vector<STopLevelWindow> ListTopLevelWindows(int nMax) const;

    // The window the window manager put around nWindow (nWindow itself when it has none).
    uint32_t FrameOf(uint32_t nWindow) const;
    // nWindow's rectangle in screen coordinates; an empty rectangle when it is gone.
    QRect ScreenRect(uint32_t nWindow) const;

    // Puts nWindow above every other window (bAbove) or lets it take its usual place again.
    void KeepAbove(uint32_t nWindow, bool bAbove);
    // Waits until the X server has caught up and nWindow has been exposed and repainted, never
    // longer than nMaxMs.
    void WaitUntilPainted(uint32_t nWindow, int nMaxMs);

private:
    uint32_t Atom(const char* pszName) const;
    std::vector<uint32_t> WindowProperty(uint32_t nWindow, uint32_t nProperty, uint32_t nType) const;
    QString Title(uint32_t nWindow) const;
    bool IsMinimised(uint32_t nWindow) const;
    void Sync() const;

    xcb_connection_t* m_pConnection = nullptr;
    uint32_t m_nRoot = 0;
    QSize m_screenSize;
};
