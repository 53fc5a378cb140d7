#include "app/SplashWnd.h"

#include <QApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QTimer>

bool CSplashWnd::s_bShowSplashWnd = true;
CSplashWnd* CSplashWnd::s_pSplashWnd = nullptr;

void CSplashWnd::EnableSplashScreen(bool bEnable)
{
    s_bShowSplashWnd = bEnable;
}

void CSplashWnd::ShowSplashScreen(QWidget* pParent)
{
    if (!s_bShowSplashWnd || s_pSplashWnd)
        return;
    s_pSplashWnd = new CSplashWnd(pParent);
    s_pSplashWnd->show();
    s_pSplashWnd->repaint();
}

CSplashWnd::CSplashWnd(QWidget* pParent)
    // Kept above the main window, which a window manager would otherwise raise over it when it shows.
    : QWidget(pParent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), m_bitmap(CreatePicture())
{
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating); // the main window keeps the keyboard
    setFixedSize(m_bitmap.size());
    // Centred over the owner when it is visible, otherwise over the screen.
    const QRect area = pParent && pParent->isVisible() ? pParent->frameGeometry()
                       : screen()                      ? screen()->availableGeometry()
                                                       : QRect(0, 0, 1024, 768);
    move(area.center() - rect().center());
    QTimer::singleShot(750, this, &CSplashWnd::HideSplashScreen);
    qApp->installEventFilter(this);
}

CSplashWnd::~CSplashWnd()
{
    if (s_pSplashWnd == this)
        s_pSplashWnd = nullptr;
}

void CSplashWnd::HideSplashScreen()
{
    qApp->removeEventFilter(this);
    if (s_pSplashWnd == this)
        s_pSplashWnd = nullptr;
    QWidget* pMain = parentWidget();
    const bool bActive = isActiveWindow();
    close(); // deleted once its events are done
    if (pMain && pMain->isVisible()) {
        if (bActive) // the keyboard goes back to the main window
            pMain->activateWindow();
        pMain->repaint();
    }
}

bool CSplashWnd::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    switch (pEvent->type()) {
    case QEvent::ShortcutOverride:
        // Claim the key before it can trigger a shortcut; it then arrives as a key press, below.
        pEvent->accept();
        return true;
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::NonClientAreaMouseButtonPress:
        // Consumed: the press does nothing else.
        HideSplashScreen();
        return true;
    default: return QWidget::eventFilter(pWatched, pEvent);
    }
}

void CSplashWnd::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_bitmap);
}

QPixmap CSplashWnd::CreatePicture()
{
    QPixmap pixmap(520, 316);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 316);
    sky.setColorAt(0, QColor(28, 40, 58));
    sky.setColorAt(1, QColor(72, 98, 128));
    painter.fillRect(pixmap.rect(), sky);
    // A lens: concentric rings in the colours of the three channels.
    const QPointF centre(130, 158);
    const QColor rings[] = {QColor(220, 70, 70, 200), QColor(80, 190, 90, 200), QColor(70, 120, 230, 200)};
    for (int i = 0; i < 3; ++i) {
        painter.setPen(QPen(rings[i], 10));
        painter.drawEllipse(centre + QPointF((i - 1) * 14, (i % 2) * 10), 70 - i * 8, 70 - i * 8);
    }
    painter.setPen(QColor(240, 240, 240));
    QFont font = painter.font();
    font.setPixelSize(54);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRect(240, 100, 270, 70), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Lumivo"));
    font.setPixelSize(16);
    font.setBold(false);
    painter.setFont(font);
    painter.drawText(QRect(244, 170, 270, 30), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Image viewer and workbench"));
    return pixmap;
}
