#include "app/desktop_services.h"

#include "core/clock.h"
#include "core/logging.h"
#include "platform/atspi/atspi_accessibility_backend.h"
#include "platform/memory/memory_accessibility_backend.h"
#include "platform/memory/memory_key_injector.h"
#include "platform/memory/memory_pasteboard_backend.h"
#include "platform/memory/memory_window_system.h"
#include "platform/permission_service.h"
#include "platform/x11/selection_owner_watch.h"
#include "platform/x11/x11_global_input.h"
#include "platform/x11/x11_input_service.h"
#include "platform/x11/x11_pasteboard_backend.h"
#include "platform/x11/x11_window_system.h"
#include "platform/x11/xtest_key_injector.h"

#include <QCursor>

namespace tolvane {

namespace {

// Nothing reaches the real desktop: the clipboard, keys and windows are the in-memory stand-ins and no
// permission is granted, so a workflow started here fails with its permission message instead of acting.
class MemoryDesktop final : public DesktopServices {
public:
    GlobalInputService* globalInput() override { return nullptr; }
    PasteboardBackend& pasteboard() override { return m_pasteboard; }
    KeyInjector& keys() override { return m_keys; }
    std::shared_ptr<WindowSystem> windows() override { return m_windows; }
    AccessibilityBackend& accessibility() override { return m_accessibility; }
    const PermissionService& permissions() const override { return m_permissions; }
    quint64 foreignPrimaryChanges() const override { return 0; }
    QPoint cursorPosition() const override { return QCursor::pos(); }

private:
    MemoryPasteboardBackend m_pasteboard{systemClock()};
    MemoryKeyInjector m_keys;
    std::shared_ptr<MemoryWindowSystem> m_windows = std::make_shared<MemoryWindowSystem>();
    MemoryAccessibilityBackend m_accessibility;
    PermissionService m_permissions{SessionInfo{}};
};

// The application's own X connection with every backend built on it. Members are declared in dependency
// order: the connection first, so it is closed last.
class X11Desktop final : public DesktopServices {
public:
    // `service` is connected.
    X11Desktop(std::unique_ptr<X11InputService> service, SessionKind session)
        : m_service(std::move(service)), m_input(*m_service, session), m_pasteboard(*m_service),
          m_keys(*m_service), m_windows(std::make_shared<X11WindowSystem>(*m_service)),
          m_primary(*m_service, m_service->atom("PRIMARY")) {}

    GlobalInputService* globalInput() override { return &m_input; }
    PasteboardBackend& pasteboard() override { return m_pasteboard; }
    KeyInjector& keys() override { return m_keys; }
    std::shared_ptr<WindowSystem> windows() override { return m_windows; }
    AccessibilityBackend& accessibility() override { return m_accessibility; }
    const PermissionService& permissions() const override { return PermissionService::system(); }
    quint64 foreignPrimaryChanges() const override { return m_primary.foreignChanges(); }
    QPoint cursorPosition() const override { return QCursor::pos(); }

private:
    std::unique_ptr<X11InputService> m_service;
    X11GlobalInput m_input;
    X11PasteboardBackend m_pasteboard;
    XTestKeyInjector m_keys;
    std::shared_ptr<X11WindowSystem> m_windows;
    SelectionOwnerWatch m_primary;
    AtspiAccessibilityBackend m_accessibility;
};

} // namespace

std::unique_ptr<DesktopServices> DesktopServices::x11(SessionKind session) {
    // The backends are built only on a working connection.
    auto service = std::make_unique<X11InputService>();
    if (!service->isConnected()) {
        qCWarning(lcAppDelegate) << "No X server answers: hot keys, selection reading and paste-back are off";
        return inMemory();
    }
    return std::make_unique<X11Desktop>(std::move(service), session);
}

std::unique_ptr<DesktopServices> DesktopServices::inMemory() {
    return std::make_unique<MemoryDesktop>();
}

} // namespace tolvane
