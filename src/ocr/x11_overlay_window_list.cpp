#include "ocr/x11_overlay_window_list.h"

#include "platform/process_info.h"
#include "platform/screen_mapping.h"

#include <QGuiApplication>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unistd.h>
#include <vector>
#include <xcb/xcb.h>

namespace tolvane {
namespace {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter>;

constexpr uint8_t badWindowError = 3;
constexpr uint32_t allDesktops = 0xFFFFFFFF;

enum Atom : size_t {
    ClientListStacking,
    CurrentDesktop,
    WmPid,
    WmState,
    WmStateHidden,
    WmStateAbove,
    WmStateBelow,
    WmStateSkipTaskbar,
    WmWindowType,
    WmWindowTypeNormal,
    WmWindowTypeDialog,
    WmDesktop,
    WmWindowOpacity,
    GtkFrameExtents,
    AtomCount
};

constexpr std::array<const char*, AtomCount> atomNames = {"_NET_CLIENT_LIST_STACKING",
                                                          "_NET_CURRENT_DESKTOP",
                                                          "_NET_WM_PID",
                                                          "_NET_WM_STATE",
                                                          "_NET_WM_STATE_HIDDEN",
                                                          "_NET_WM_STATE_ABOVE",
                                                          "_NET_WM_STATE_BELOW",
                                                          "_NET_WM_STATE_SKIP_TASKBAR",
                                                          "_NET_WM_WINDOW_TYPE",
                                                          "_NET_WM_WINDOW_TYPE_NORMAL",
                                                          "_NET_WM_WINDOW_TYPE_DIALOG",
                                                          "_NET_WM_DESKTOP",
                                                          "_NET_WM_WINDOW_OPACITY",
                                                          "_GTK_FRAME_EXTENTS"};

// The outcome of one reply: failed (the whole list is unavailable), the window is gone, or fine.
enum class Outcome { Ok, WindowGone, Failed };

Outcome outcomeOf(const void* reply, xcb_generic_error_t* error) {
    Reply<xcb_generic_error_t> owned(error);
    if (reply)
        return Outcome::Ok;
    return error && error->error_code == badWindowError ? Outcome::WindowGone : Outcome::Failed;
}

// A property as read: absent (no such property) or its values. Malformed replies are failures.
struct Property {
    Outcome outcome = Outcome::Ok;
    bool present = false;
    std::vector<uint32_t> values; // format 32
    QByteArray bytes;             // format 8
};

Property readProperty(xcb_connection_t* c, xcb_get_property_cookie_t cookie, uint8_t format,
                      size_t minimumCount = 0) {
    xcb_generic_error_t* error = nullptr;
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(c, cookie, &error));
    Property property;
    property.outcome = outcomeOf(reply.get(), error);
    if (property.outcome != Outcome::Ok || reply->type == XCB_ATOM_NONE)
        return property;
    const int length = xcb_get_property_value_length(reply.get());
    const auto* data = static_cast<const char*>(xcb_get_property_value(reply.get()));
    if (reply->format != format || reply->bytes_after != 0) {
        property.outcome = Outcome::Failed;
        return property;
    }
    property.present = true;
    if (format == 8) {
        property.bytes = QByteArray(data, length);
    } else {
        const auto* words = reinterpret_cast<const uint32_t*>(data);
        property.values.assign(words, words + length / 4);
        if (property.values.size() < minimumCount)
            property.outcome = Outcome::Failed;
    }
    return property;
}

xcb_get_property_cookie_t askProperty(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property,
                                      uint32_t longs = 1024) {
    return xcb_get_property(c, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, longs);
}

std::optional<std::array<xcb_atom_t, AtomCount>> internAtoms(xcb_connection_t* c) {
    std::array<xcb_intern_atom_cookie_t, AtomCount> cookies{};
    for (size_t i = 0; i < AtomCount; ++i)
        cookies[i] = xcb_intern_atom(c, 0, static_cast<uint16_t>(strlen(atomNames[i])), atomNames[i]);
    std::array<xcb_atom_t, AtomCount> atoms{};
    bool ok = true;
    for (size_t i = 0; i < AtomCount; ++i) {
        xcb_generic_error_t* error = nullptr;
        Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(c, cookies[i], &error));
        std::free(error);
        ok = ok && reply;
        if (reply)
            atoms[i] = reply->atom;
    }
    if (!ok)
        return std::nullopt;
    return atoms;
}

QByteArray hostName() {
    std::array<char, 256> name{};
    if (gethostname(name.data(), name.size() - 1) != 0)
        return {};
    return QByteArray(name.data());
}

bool contains(const std::vector<uint32_t>& values, uint32_t value) {
    return std::find(values.begin(), values.end(), value) != values.end();
}

struct Context {
    xcb_connection_t* connection;
    xcb_window_t root;
    std::array<xcb_atom_t, AtomCount> atoms;
    std::optional<uint32_t> currentDesktop;
    QByteArray host;
    std::vector<ScreenMapping> screens;
};

// One client window's entry; nullopt inside when the window is skipped.
struct WindowRead {
    Outcome outcome = Outcome::Ok;
    std::optional<OverlayWindowInfo> info;
};

WindowRead readWindow(const Context& ctx, xcb_window_t window) {
    xcb_connection_t* c = ctx.connection;
    const auto& atoms = ctx.atoms;
    // Send every request first, then collect: one round trip per window.
    const auto attributesCookie = xcb_get_window_attributes(c, window);
    const auto translateCookie = xcb_translate_coordinates(c, window, ctx.root, 0, 0);
    const auto geometryCookie = xcb_get_geometry(c, window);
    const auto pidCookie = askProperty(c, window, atoms[WmPid], 1);
    const auto machineCookie = askProperty(c, window, XCB_ATOM_WM_CLIENT_MACHINE, 256);
    const auto stateCookie = askProperty(c, window, atoms[WmState]);
    const auto typeCookie = askProperty(c, window, atoms[WmWindowType]);
    const auto desktopCookie = askProperty(c, window, atoms[WmDesktop], 1);
    const auto opacityCookie = askProperty(c, window, atoms[WmWindowOpacity], 1);
    const auto gtkFrameCookie = askProperty(c, window, atoms[GtkFrameExtents], 4);

    xcb_generic_error_t* error = nullptr;
    Reply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(c, attributesCookie, &error));
    const Outcome attributesOutcome = outcomeOf(attributes.get(), error);
    error = nullptr;
    Reply<xcb_translate_coordinates_reply_t> translated(
        xcb_translate_coordinates_reply(c, translateCookie, &error));
    const Outcome translateOutcome = outcomeOf(translated.get(), error);
    error = nullptr;
    Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(c, geometryCookie, &error));
    const Outcome geometryOutcome = outcomeOf(geometry.get(), error);
    const std::array<Property, 7> properties = {
        readProperty(c, pidCookie, 32, 1),     readProperty(c, machineCookie, 8),
        readProperty(c, stateCookie, 32),      readProperty(c, typeCookie, 32),
        readProperty(c, desktopCookie, 32, 1), readProperty(c, opacityCookie, 32, 1),
        readProperty(c, gtkFrameCookie, 32, 4)};
    const auto& [pid, machine, state, type, desktop, opacity, gtkFrame] = properties;

    // A window destroyed since the list was read is skipped; any other error fails the whole list.
    std::vector<Outcome> outcomes = {attributesOutcome, translateOutcome, geometryOutcome};
    for (const Property& property : properties)
        outcomes.push_back(property.outcome);
    if (std::find(outcomes.begin(), outcomes.end(), Outcome::Failed) != outcomes.end())
        return {Outcome::Failed, std::nullopt};
    if (std::find(outcomes.begin(), outcomes.end(), Outcome::WindowGone) != outcomes.end())
        return {Outcome::WindowGone, std::nullopt};

    // Only windows of running processes on this machine: a pid from another host means nothing here.
    if (!pid.present || pid.values[0] == 0)
        return {};
    // The name may end in a NUL.
    const qsizetype nul = machine.bytes.indexOf('\0');
    const QByteArray machineName = nul < 0 ? machine.bytes : machine.bytes.left(nul);
    if (machine.present && !ctx.host.isEmpty() && machineName != ctx.host)
        return {};
    if (!isProcessRunning(pid.values[0]))
        return {};

    // On screen: mapped, not minimised, and on the current desktop or on all of them.
    if (attributes->map_state != XCB_MAP_STATE_VIEWABLE || contains(state.values, atoms[WmStateHidden]))
        return {};
    if (desktop.present && ctx.currentDesktop && desktop.values[0] != allDesktops &&
        desktop.values[0] != *ctx.currentDesktop)
        return {};

    OverlayWindowInfo info;
    info.pid = pid.values[0];
    info.regularApplication = !contains(state.values, atoms[WmStateSkipTaskbar]);
    const bool ordinaryType = !type.present || type.values.empty() ||
                              type.values[0] == atoms[WmWindowTypeNormal] ||
                              type.values[0] == atoms[WmWindowTypeDialog];
    if (contains(state.values, atoms[WmStateBelow]))
        info.layer = -1;
    else if (!ordinaryType || contains(state.values, atoms[WmStateAbove]))
        info.layer = 1;
    else
        info.layer = 0;
    info.alpha = opacity.present ? double(opacity.values[0]) / double(0xFFFFFFFFu) : 1.0;

    // The window's content: its client area, without the manager's frame (a title bar and borders, whose
    // title and buttons the user never means to read), narrowed by client-drawn shadows.
    // Extents are left, right, top, bottom.
    QRect native(translated->dst_x, translated->dst_y, geometry->width, geometry->height);
    if (gtkFrame.present)
        native.adjust(int(gtkFrame.values[0]), int(gtkFrame.values[2]), -int(gtkFrame.values[1]),
                      -int(gtkFrame.values[3]));
    info.bounds = nativeToLogical(native, ctx.screens);
    return {Outcome::Ok, info};
}

} // namespace

std::optional<QList<OverlayWindowInfo>> X11OverlayWindowList::onScreenWindows() {
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c || xcb_connection_has_error(c))
        return std::nullopt;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (!screen)
        return std::nullopt;
    const auto atoms = internAtoms(c);
    if (!atoms)
        return std::nullopt;

    Context ctx{c, screen->root, *atoms, std::nullopt, hostName(), currentScreenMappings()};
    const auto stackingCookie = askProperty(c, ctx.root, ctx.atoms[ClientListStacking], 65536);
    const auto desktopCookie = askProperty(c, ctx.root, ctx.atoms[CurrentDesktop], 1);
    const Property stacking = readProperty(c, stackingCookie, 32);
    const Property desktop = readProperty(c, desktopCookie, 32, 1);
    // Without a window manager's stacking list there is nothing to go by.
    if (stacking.outcome != Outcome::Ok || !stacking.present || desktop.outcome != Outcome::Ok)
        return std::nullopt;
    if (desktop.present)
        ctx.currentDesktop = desktop.values[0];

    QList<OverlayWindowInfo> windows;
    // The stacking list runs bottom to top.
    for (auto it = stacking.values.rbegin(); it != stacking.values.rend(); ++it) {
        const WindowRead read = readWindow(ctx, *it);
        if (read.outcome == Outcome::Failed)
            return std::nullopt;
        if (read.info)
            windows.append(*read.info);
    }
    return windows;
}

} // namespace tolvane
