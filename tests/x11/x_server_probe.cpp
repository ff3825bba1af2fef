#include "x11/x_server_probe.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace tolvane::testing {
namespace {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using XcbReply = std::unique_ptr<T, FreeDeleter>;

xcb_screen_t* screenAt(xcb_connection_t* connection, int number) {
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; it.rem > 0; xcb_screen_next(&it), ++i) {
        if (i == number)
            return it.data;
    }
    return nullptr;
}

xcb_visualtype_t* visualOf(xcb_screen_t* screen) {
    for (auto depths = xcb_screen_allowed_depths_iterator(screen); depths.rem > 0; xcb_depth_next(&depths)) {
        for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem > 0;
             xcb_visualtype_next(&visuals)) {
            if (visuals.data->visual_id == screen->root_visual)
                return visuals.data;
        }
    }
    return nullptr;
}

int bitsPerPixelForDepth(xcb_connection_t* connection, int depth) {
    const xcb_setup_t* setup = xcb_get_setup(connection);
    for (auto formats = xcb_setup_pixmap_formats_iterator(setup); formats.rem > 0;
         xcb_format_next(&formats)) {
        if (formats.data->depth == depth)
            return formats.data->bits_per_pixel;
    }
    return 0;
}

// Position of the lowest set bit of a colour mask, i.e. how far the channel is shifted.
int shiftOf(uint32_t mask) {
    int shift = 0;
    while (mask != 0 && (mask & 1u) == 0) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

} // namespace

XServerProbe::XServerProbe() {
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber_);
    if (xcb_connection_has_error(connection) != 0) {
        xcb_disconnect(connection);
        return;
    }
    connection_ = connection;
}

XServerProbe::~XServerProbe() {
    if (connection_ != nullptr)
        xcb_disconnect(connection_);
}

bool XServerProbe::isConnected() const {
    return connection_ != nullptr;
}

QSize XServerProbe::rootSize() const {
    xcb_screen_t* screen = connection_ ? screenAt(connection_, screenNumber_) : nullptr;
    return screen ? QSize(screen->width_in_pixels, screen->height_in_pixels) : QSize();
}

int XServerProbe::rootDepth() const {
    xcb_screen_t* screen = connection_ ? screenAt(connection_, screenNumber_) : nullptr;
    return screen ? screen->root_depth : 0;
}

bool XServerProbe::hasWindowManager() const {
    xcb_screen_t* screen = connection_ ? screenAt(connection_, screenNumber_) : nullptr;
    if (screen == nullptr)
        return false;
    static constexpr char kName[] = "_NET_SUPPORTING_WM_CHECK";
    XcbReply<xcb_intern_atom_reply_t> atom(xcb_intern_atom_reply(
        connection_, xcb_intern_atom(connection_, 1, sizeof(kName) - 1, kName), nullptr));
    if (!atom || atom->atom == XCB_ATOM_NONE)
        return false;
    XcbReply<xcb_get_property_reply_t> property(xcb_get_property_reply(
        connection_, xcb_get_property(connection_, 0, screen->root, atom->atom, XCB_ATOM_WINDOW, 0, 1),
        nullptr));
    return property && property->format == 32 && xcb_get_property_value_length(property.get()) == 4;
}

std::optional<QImage> XServerProbe::grab(const QRect& rect) const {
    xcb_screen_t* screen = connection_ ? screenAt(connection_, screenNumber_) : nullptr;
    xcb_visualtype_t* visual = screen ? visualOf(screen) : nullptr;
    if (visual == nullptr || visual->_class != XCB_VISUAL_CLASS_TRUE_COLOR || rect.isEmpty() ||
        bitsPerPixelForDepth(connection_, screen->root_depth) != 32 ||
        xcb_get_setup(connection_)->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST)
        return std::nullopt;

    xcb_generic_error_t* error = nullptr;
    XcbReply<xcb_get_image_reply_t> reply(xcb_get_image_reply(
        connection_,
        xcb_get_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, screen->root, static_cast<int16_t>(rect.x()),
                      static_cast<int16_t>(rect.y()), static_cast<uint16_t>(rect.width()),
                      static_cast<uint16_t>(rect.height()), ~0u),
        &error));
    if (error != nullptr) {
        std::free(error);
        return std::nullopt;
    }
    const size_t rowBytes = static_cast<size_t>(rect.width()) * 4;
    if (!reply || static_cast<size_t>(xcb_get_image_data_length(reply.get())) < rowBytes * rect.height())
        return std::nullopt;

    const uint8_t* data = xcb_get_image_data(reply.get());
    const int redShift = shiftOf(visual->red_mask);
    const int greenShift = shiftOf(visual->green_mask);
    const int blueShift = shiftOf(visual->blue_mask);
    QImage image(rect.size(), QImage::Format_RGB32);
    for (int y = 0; y < rect.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < rect.width(); ++x) {
            // The server sends least significant byte first (checked above), whatever the host's order.
            const uint8_t* bytes = data + y * rowBytes + static_cast<size_t>(x) * 4;
            const uint32_t pixel = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (uint32_t(bytes[3]) << 24);
            line[x] = qRgb(static_cast<int>((pixel & visual->red_mask) >> redShift),
                           static_cast<int>((pixel & visual->green_mask) >> greenShift),
                           static_cast<int>((pixel & visual->blue_mask) >> blueShift));
        }
    }
    return image;
}

QColor XServerProbe::pixelAt(int x, int y) const {
    std::optional<QImage> image = grab(QRect(x, y, 1, 1));
    return image ? QColor(image->pixel(0, 0)) : QColor();
}

} // namespace tolvane::testing
