#include "ocr/screenshot_overlay_backdrop.h"

#include <QGuiApplication>
#include <QScreen>

#include <X11/Xlib.h>

namespace tolvane {

bool compositorRunning() {
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display)
        return false;
    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(DefaultScreen(display));
    const Atom selection = XInternAtom(display, name.constData(), False);
    return XGetSelectionOwner(display, selection) != None;
}

QPixmap frozenScreenBackdrop(const ScreenInfo& screen) {
    if (QGuiApplication::platformName() != QLatin1String("xcb") || compositorRunning())
        return {};
    for (QScreen* qtScreen : QGuiApplication::screens()) {
        if (qtScreen->name() == screen.name)
            return qtScreen->grabWindow(0);
    }
    return {};
}

} // namespace tolvane
