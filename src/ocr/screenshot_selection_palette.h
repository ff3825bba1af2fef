#pragma once

#include <QColor>

namespace tolvane::overlay_palette {

// The overlay's colours (sRGB).
inline QColor accent() {
    return QColor::fromRgbF(0.741f, 0.643f, 0.42f);
}
inline QColor primaryText() {
    return QColor::fromRgbF(0.914f, 0.882f, 0.831f);
}
inline QColor secondaryText() {
    return QColor::fromRgbF(0.714f, 0.682f, 0.635f);
}
inline QColor tertiaryText() {
    return QColor::fromRgbF(0.475f, 0.443f, 0.408f);
}
inline QColor sage() {
    return QColor::fromRgbF(0.537f, 0.58f, 0.478f);
}
inline QColor panelBackground() {
    return QColor::fromRgbF(0.067f, 0.059f, 0.051f, 0.96f);
}
inline QColor snapshotPanelBackground() {
    return QColor(18, 16, 14);
}
inline QColor ink() {
    return QColor::fromRgbF(0.031f, 0.043f, 0.055f);
}

} // namespace tolvane::overlay_palette
