#pragma once

#include <QImage>
#include <QPainter>
#include <QTest>
#include <QWidget>

namespace tolvane::testing {

// A picture at a fixed place on screen, by default outside the window manager's control, so it sits exactly
// where it is put; with `flags` Qt::Window an ordinary application window the manager places and stacks.
class PictureWindow final : public QWidget {
public:
    explicit PictureWindow(QPoint position, QImage picture = {},
                           Qt::WindowFlags flags = Qt::X11BypassWindowManagerHint | Qt::FramelessWindowHint |
                                                   Qt::WindowStaysOnTopHint)
        : QWidget(nullptr, flags) {
        move(position);
        if (!picture.isNull())
            setPicture(std::move(picture));
    }
    void setPicture(QImage picture) {
        m_picture = std::move(picture);
        setFixedSize(m_picture.deviceIndependentSize().toSize());
        repaint();
    }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).drawImage(0, 0, m_picture); }

private:
    QImage m_picture;
};

// Shows the window and waits until the server has painted it.
inline bool showAndWait(QWidget& window) {
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return false;
    QTest::qWait(200);
    return true;
}

} // namespace tolvane::testing
