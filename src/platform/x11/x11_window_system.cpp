#include "platform/x11/x11_window_system.h"

#include "platform/process_info.h"
#include "platform/x11/x11_client_pid.h"
#include "platform/x11/x11_input_service.h"

#include <QCoreApplication>
#include <cstdlib>
#include <cstring>

namespace tolvane {
namespace {

std::optional<xcb_window_t> windowProperty(X11InputService& service, xcb_window_t window,
                                           xcb_atom_t property) {
    xcb_connection_t* c = service.connection();
    auto* reply =
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, property, XCB_ATOM_WINDOW, 0, 1), nullptr);
    service.drainQueued();
    std::optional<xcb_window_t> value;
    if (reply && reply->format == 32 && xcb_get_property_value_length(reply) >= 4)
        value = *static_cast<const xcb_window_t*>(xcb_get_property_value(reply));
    std::free(reply);
    return value;
}

} // namespace

X11WindowSystem::X11WindowSystem(X11InputService& service) : m_service(&service) {}

qint64 X11WindowSystem::selfPid() const {
    return QCoreApplication::applicationPid();
}

bool X11WindowSystem::hasWindowManager() {
    const auto check =
        windowProperty(*m_service, m_service->root(), m_service->atom("_NET_SUPPORTING_WM_CHECK"));
    return check && *check != XCB_NONE && windowExists(*check);
}

bool X11WindowSystem::windowExists(xcb_window_t window) {
    xcb_connection_t* c = m_service->connection();
    auto* reply = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr);
    m_service->drainQueued();
    const bool exists = reply != nullptr;
    std::free(reply);
    return exists;
}

xcb_window_t X11WindowSystem::focusedTopLevel() {
    xcb_connection_t* c = m_service->connection();
    if (hasWindowManager()) {
        const auto active =
            windowProperty(*m_service, m_service->root(), m_service->atom("_NET_ACTIVE_WINDOW"));
        return active ? *active : XCB_NONE;
    }
    auto* focus = xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr);
    m_service->drainQueued();
    xcb_window_t window = focus ? focus->focus : XCB_NONE;
    std::free(focus);
    if (window == XCB_NONE || window == XCB_INPUT_FOCUS_POINTER_ROOT || window == m_service->root())
        return XCB_NONE;
    // Walk up to the child of the root: that is the top-level the focus belongs to.
    while (true) {
        auto* tree = xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr);
        m_service->drainQueued();
        if (!tree)
            return XCB_NONE;
        const xcb_window_t parent = tree->parent;
        std::free(tree);
        if (parent == m_service->root() || parent == XCB_NONE)
            return window;
        window = parent;
    }
}

void X11WindowSystem::readWindowClass(xcb_window_t window, FrontmostWindow& info) {
    xcb_connection_t* c = m_service->connection();
    auto* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 256), nullptr);
    m_service->drainQueued();
    if (reply && reply->format == 8) {
        const auto* value = static_cast<const char*>(xcb_get_property_value(reply));
        const int length = xcb_get_property_value_length(reply);
        // Two NUL-terminated strings: instance, then class.
        const int instanceLength = static_cast<int>(strnlen(value, static_cast<size_t>(length)));
        info.instanceName = QString::fromLocal8Bit(value, instanceLength);
        if (instanceLength + 1 < length) {
            const char* cls = value + instanceLength + 1;
            info.className = QString::fromLocal8Bit(
                cls, static_cast<int>(strnlen(cls, size_t(length - instanceLength - 1))));
        }
    }
    std::free(reply);
}

std::optional<FrontmostWindow> X11WindowSystem::frontmost() {
    if (!m_service || !m_service->isConnected())
        return std::nullopt;
    const xcb_window_t window = focusedTopLevel();
    if (window == XCB_NONE)
        return std::nullopt;
    FrontmostWindow info;
    info.target.window = window;
    const std::optional<qint64> pid = pidOfTopLevel(*m_service, window);
    if (!pid)
        return std::nullopt;
    info.target.pid = *pid;
    info.target.startTime = processStartTime(*pid).value_or(0);
    info.hostsTerminal = holdsPseudoTerminalMaster(*pid);
    readWindowClass(window, info);
    return info;
}

bool X11WindowSystem::activate(quint32 window) {
    if (!m_service || !m_service->isConnected() || !windowExists(window))
        return false;
    xcb_connection_t* c = m_service->connection();
    if (hasWindowManager()) {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = m_service->atom("_NET_ACTIVE_WINDOW");
        message.data.data32[0] = 2; // source: pager, which focus-stealing prevention lets through
        message.data.data32[1] = m_service->lastServerTime();
        message.data.data32[2] = 0;
        xcb_send_event(c, 0, m_service->root(),
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&message));
    } else {
        const uint32_t above = XCB_STACK_MODE_ABOVE;
        xcb_configure_window(c, window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
        xcb_set_input_focus(c, XCB_INPUT_FOCUS_PARENT, window, XCB_CURRENT_TIME);
    }
    xcb_flush(c);
    return true;
}

bool X11WindowSystem::isAlive(const PasteTarget& target) {
    if (!isProcessRunning(target.pid) || processStartTime(target.pid) != target.startTime)
        return false;
    return m_service && m_service->isConnected() && windowExists(target.window);
}

} // namespace tolvane
