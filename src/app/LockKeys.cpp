#include "app/LockKeys.h"

#include <QGuiApplication>
#include <cstdlib>
#include <xcb/xcb.h>

bool QueryLockKeys(SLockKeys& keys)
{
    auto* pX11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* pConnection = pX11 ? pX11->connection() : nullptr;
    if (!pConnection)
        return false;
    xcb_get_keyboard_control_reply_t* pReply =
        xcb_get_keyboard_control_reply(pConnection, xcb_get_keyboard_control(pConnection), nullptr);
    if (!pReply)
        return false;
    // The core protocol numbers the keyboard LEDs Caps Lock 1, Num Lock 2, Scroll Lock 3.
    keys.bCaps = pReply->led_mask & 1;
    keys.bNum = pReply->led_mask & 2;
    keys.bScroll = pReply->led_mask & 4;
    std::free(pReply);
    return true;
}
