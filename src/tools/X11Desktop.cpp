#include "tools/X11Desktop.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <poll.h>
#include <xcb/xcb.h>

namespace {
template <class T> struct SFreeReply {
    void operator()(T* p) const { std::free(p); }
};
template <class T> using CReply = std::unique_ptr<T, SFreeReply<T>>;

constexpr int MAX_TITLE = 260;         // characters kept of a title
constexpr uint32_t MAX_LIST = 65536;   // windows read of a window manager's client list
constexpr int MAX_TREE_DEPTH = 64;     // levels walked up from a client to its frame
constexpr int QUIET_AFTER_EXPOSE = 50; // ms without further exposes before a window counts as painted
constexpr uint32_t ICONIC_STATE = 3;   // WM_STATE of a minimised window
} // namespace

CX11Desktop::CX11Desktop()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    int nScreen = 0;
    xcb_connection_t* pConnection = xcb_connect(nullptr, &nScreen);
    if (xcb_connection_has_error(pConnection)) {
        xcb_disconnect(pConnection);
        return;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(pConnection));
    for (; it.rem && nScreen > 0; --nScreen)
        xcb_screen_next(&it);
    if (!it.rem) {
        xcb_disconnect(pConnection);
        return;
    }
    m_pConnection = pConnection;
    m_nRoot = it.data->root;
    m_screenSize = QSize(it.data->width_in_pixels, it.data->height_in_pixels);
}

CX11Desktop::~CX11Desktop()
{
    if (m_pConnection)
        xcb_disconnect(m_pConnection);
}

uint32_t CX11Desktop::Atom(const char* pszName) const
{
    CReply<xcb_intern_atom_reply_t> pReply(xcb_intern_atom_reply(
        m_pConnection, xcb_intern_atom(m_pConnection, 0, uint16_t(strlen(pszName)), pszName), nullptr));
    return pReply ? pReply->atom : uint32_t(XCB_ATOM_NONE);
}

// A property of 32-bit items (windows, atoms, cardinals); empty when it is missing or malformed.
std::vector<uint32_t> CX11Desktop::WindowProperty(uint32_t nWindow, uint32_t nProperty, uint32_t nType) const
{
    CReply<xcb_get_property_reply_t> pReply(xcb_get_property_reply(
        m_pConnection, xcb_get_property(m_pConnection, 0, nWindow, nProperty, nType, 0, MAX_LIST), nullptr));
    if (!pReply || pReply->format != 32 || pReply->type != nType)
        return {};
    const auto* pItems = static_cast<const uint32_t*>(xcb_get_property_value(pReply.get()));
    const int nCount = xcb_get_property_value_length(pReply.get()) / 4;
    return std::vector<uint32_t>(pItems, pItems + std::max(nCount, 0));
}

QString CX11Desktop::Title(uint32_t nWindow) const
{
    // The window manager's UTF-8 name first, then the classic WM_NAME.
    const uint32_t nUtf8 = Atom("UTF8_STRING");
    const std::pair<uint32_t, uint32_t> names[] = {{Atom("_NET_WM_NAME"), nUtf8}, {XCB_ATOM_WM_NAME, XCB_ATOM_ANY}};
    for (const auto& [nProperty, nType] : names) {
        CReply<xcb_get_property_reply_t> pReply(xcb_get_property_reply(
            m_pConnection, xcb_get_property(m_pConnection, 0, nWindow, nProperty, nType, 0, MAX_TITLE), nullptr));
        if (!pReply || pReply->format != 8)
            continue;
        const int nLength = xcb_get_property_value_length(pReply.get());
        const auto* pText = static_cast<const char*>(xcb_get_property_value(pReply.get()));
        const QString strTitle =
            pReply->type == nUtf8 ? QString::fromUtf8(pText, nLength) : QString::fromLatin1(pText, nLength);
        if (!strTitle.isEmpty())
            return strTitle.left(MAX_TITLE - 1);
    }
    return {};
}

bool CX11Desktop::IsMinimised(uint32_t nWindow) const
{
    const uint32_t nHidden = Atom("_NET_WM_STATE_HIDDEN");
    for (uint32_t nState : WindowProperty(nWindow, Atom("_NET_WM_STATE"), XCB_ATOM_ATOM))
        if (nState == nHidden)
            return true;
    const uint32_t nWmState = Atom("WM_STATE");
    const std::vector<uint32_t> wmState = WindowProperty(nWindow, nWmState, nWmState);
    return !wmState.empty() && wmState.front() == ICONIC_STATE;
}

bool CX11Desktop::HasWindowManager() const
{
    if (!m_pConnection)
        return false;
    const std::vector<uint32_t> check = WindowProperty(m_nRoot, Atom("_NET_SUPPORTING_WM_CHECK"), XCB_ATOM_WINDOW);
    if (check.empty())
        return false;
    // A stale announcement names a window that is gone or no longer points to itself.
    const std::vector<uint32_t> self = WindowProperty(check.front(), Atom("_NET_SUPPORTING_WM_CHECK"), XCB_ATOM_WINDOW);
    return !self.empty() && self.front() == check.front();
}

std::vector<STopLevelWindow> CX11Desktop::ListTopLevelWindows(int nMax) const
{
    std::vector<STopLevelWindow> windows;
    if (!m_pConnection)
        return windows;
    // Both lists run from the bottom of the stacking order to its top.
    std::vector<uint32_t> candidates;
    if (HasWindowManager())
        candidates = WindowProperty(m_nRoot, Atom("_NET_CLIENT_LIST_STACKING"), XCB_ATOM_WINDOW);
    else if (CReply<xcb_query_tree_reply_t> pTree(
                 xcb_query_tree_reply(m_pConnection, xcb_query_tree(m_pConnection, m_nRoot), nullptr));
             pTree) {
        const xcb_window_t* pChildren = xcb_query_tree_children(pTree.get());
        candidates.assign(pChildren, pChildren + xcb_query_tree_children_length(pTree.get()));
    }
    for (auto it = candidates.rbegin(); it != candidates.rend() && int(windows.size()) < nMax; ++it) {
        const uint32_t nWindow = *it;
        CReply<xcb_get_window_attributes_reply_t> pAttributes(
            xcb_get_window_attributes_reply(m_pConnection, xcb_get_window_attributes(m_pConnection, nWindow), nullptr));
        if (!pAttributes || pAttributes->map_state != XCB_MAP_STATE_VIEWABLE || IsMinimised(nWindow))
            continue;
        CReply<xcb_get_geometry_reply_t> pGeometry(
            xcb_get_geometry_reply(m_pConnection, xcb_get_geometry(m_pConnection, nWindow), nullptr));
        if (!pGeometry || pGeometry->width <= 4 || pGeometry->height <= 4)
            continue;
        QString strTitle = Title(nWindow);
        if (!strTitle.isEmpty())
            windows.push_back({nWindow, std::move(strTitle)});
    }
    return windows;
}

uint32_t CX11Desktop::FrameOf(uint32_t nWindow) const
{
    uint32_t nFrame = nWindow;
    for (int i = 0; m_pConnection && nFrame != m_nRoot && i < MAX_TREE_DEPTH; ++i) {
        CReply<xcb_query_tree_reply_t> pTree(
            xcb_query_tree_reply(m_pConnection, xcb_query_tree(m_pConnection, nFrame), nullptr));
        if (!pTree || pTree->parent == m_nRoot || pTree->parent == XCB_WINDOW_NONE)
            break;
        nFrame = pTree->parent;
    }
    return nFrame;
}

QRect CX11Desktop::ScreenRect(uint32_t nWindow) const
{
    if (!m_pConnection)
        return {};
    CReply<xcb_get_geometry_reply_t> pGeometry(
        xcb_get_geometry_reply(m_pConnection, xcb_get_geometry(m_pConnection, nWindow), nullptr));
    CReply<xcb_translate_coordinates_reply_t> pOrigin(xcb_translate_coordinates_reply(
        m_pConnection, xcb_translate_coordinates(m_pConnection, nWindow, m_nRoot, 0, 0), nullptr));
    if (!pGeometry || !pOrigin)
        return {};
    return QRect(pOrigin->dst_x, pOrigin->dst_y, pGeometry->width, pGeometry->height);
}

void CX11Desktop::KeepAbove(uint32_t nWindow, bool bAbove)
{
    if (!m_pConnection || nWindow == m_nRoot)
        return;
    if (bAbove) {
        // Expose events of the window come to this connection from now on.
        const uint32_t nMask = XCB_EVENT_MASK_EXPOSURE;
        xcb_change_window_attributes(m_pConnection, nWindow, XCB_CW_EVENT_MASK, &nMask);
    }
    if (!HasWindowManager()) {
        if (bAbove) {
            const uint32_t nStack = XCB_STACK_MODE_ABOVE;
            xcb_configure_window(m_pConnection, nWindow, XCB_CONFIG_WINDOW_STACK_MODE, &nStack);
        }
        xcb_flush(m_pConnection);
        return;
    }
    // Ask the window manager: the "above" state, and activation (source 2, a pager) to raise it.
    auto sendToRoot = [this, nWindow](uint32_t nType, std::array<uint32_t, 5> data) {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = nWindow;
        event.type = nType;
        std::copy(data.begin(), data.end(), event.data.data32);
        xcb_send_event(m_pConnection, 0, m_nRoot,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&event));
    };
    sendToRoot(Atom("_NET_WM_STATE"), {bAbove ? 1u : 0u, Atom("_NET_WM_STATE_ABOVE"), 0, 2, 0});
    if (bAbove)
        sendToRoot(Atom("_NET_ACTIVE_WINDOW"), {2, XCB_CURRENT_TIME, 0, 0, 0});
    xcb_flush(m_pConnection);
}

void CX11Desktop::Sync() const
{
    std::free(xcb_get_input_focus_reply(m_pConnection, xcb_get_input_focus(m_pConnection), nullptr));
}

void CX11Desktop::WaitUntilPainted(uint32_t nWindow, int nMaxMs)
{
    if (!m_pConnection)
        return;
    Sync();
    // After the last expose the window's program gets a moment to draw what was uncovered.
    QElapsedTimer clock;
    clock.start();
    qint64 nPaintedAt = -1;
    for (;;) {
        const qint64 nNow = clock.elapsed();
        const qint64 nUntil = nPaintedAt < 0 ? nMaxMs : std::min<qint64>(nMaxMs, nPaintedAt + QUIET_AFTER_EXPOSE);
        if (nNow >= nUntil || xcb_connection_has_error(m_pConnection))
            return;
        while (xcb_generic_event_t* pEvent = xcb_poll_for_event(m_pConnection)) {
            const auto* pExpose = reinterpret_cast<const xcb_expose_event_t*>(pEvent);
            if ((pEvent->response_type & 0x7f) == XCB_EXPOSE && pExpose->window == nWindow && pExpose->count == 0)
                nPaintedAt = clock.elapsed();
            std::free(pEvent);
        }
        pollfd fd{xcb_get_file_descriptor(m_pConnection), POLLIN, 0};
        poll(&fd, 1, int(std::max<qint64>(1, std::min<qint64>(10, nUntil - nNow))));
    }
}
