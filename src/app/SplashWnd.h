#pragma once
// The start-up picture: centred, gone after 750 ms or at the first key or mouse press, which it
// consumes.
#include <QPixmap>
#include <QWidget>

class CSplashWnd : public QWidget {
    Q_OBJECT
public:
    ~CSplashWnd() override;

    static void EnableSplashScreen(bool bEnable);
    static void ShowSplashScreen(QWidget* pParent);
    static CSplashWnd* Current() { return s_pSplashWnd; }
    // Hides the splash and lets the main window repaint.
    void HideSplashScreen();

    // The 520 x 316 picture.
    static QPixmap CreatePicture();

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    explicit CSplashWnd(QWidget* pParent);
    QPixmap m_bitmap;
    static bool s_bShowSplashWnd;
    static CSplashWnd* s_pSplashWnd;
};
