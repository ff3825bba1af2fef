#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QSize>

#include <optional>

struct xcb_connection_t;

namespace tolvane::testing {

// An X client of its own, independent of the application's connection, that looks at what the X server
// really shows: root geometry, the running window manager and the pixels on screen.
class XServerProbe {
public:
    // Connects to $DISPLAY; isConnected() is false when no X server answers.
    XServerProbe();
    ~XServerProbe();
    XServerProbe(const XServerProbe&) = delete;
    XServerProbe& operator=(const XServerProbe&) = delete;

    bool isConnected() const;
    QSize rootSize() const;
    int rootDepth() const;
    // True when an EWMH window manager has announced itself on the root window.
    bool hasWindowManager() const;
    // Reads a rectangle of the root window (server-side pixels, in root coordinates) into an RGB32 image;
    // an empty value when the server refuses the request or uses a pixel layout other than 32-bit TrueColor.
    std::optional<QImage> grab(const QRect& rect) const;
    QColor pixelAt(int x, int y) const;

private:
    xcb_connection_t* connection_ = nullptr;
    int screenNumber_ = 0;
};

} // namespace tolvane::testing
