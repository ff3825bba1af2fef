#include "app/first_frame_gate.h"

#include "core/logging.h"

#include <QEvent>
#include <QWindow>

namespace tolvane {

void FirstFrameGate::runAfter(const QList<QWidget*>& windows, QObject* context, std::function<void()> work,
                              std::chrono::milliseconds fallback) {
    new FirstFrameGate(windows, context, std::move(work), fallback);
}

FirstFrameGate::FirstFrameGate(const QList<QWidget*>& windows, QObject* context, std::function<void()> work,
                               std::chrono::milliseconds fallback)
    : QObject(context), m_context(context), m_work(std::move(work)) {
    for (QWidget* widget : windows) {
        QWindow* window = widget ? widget->windowHandle() : nullptr;
        if (!window || window->isExposed())
            continue;
        window->installEventFilter(this);
        m_waiting << window;
        connect(window, &QObject::destroyed, this, [this](QObject* gone) {
            m_waiting.removeAll(gone);
            if (m_waiting.isEmpty())
                open(true);
        });
    }
    m_fallback.setSingleShot(true);
    connect(&m_fallback, &QTimer::timeout, this, [this] { open(false); });
    m_fallback.start(fallback);
    if (m_waiting.isEmpty())
        open(true);
}

bool FirstFrameGate::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed()) {
        watched->removeEventFilter(this);
        m_waiting.removeAll(watched);
        if (m_waiting.isEmpty())
            open(true);
    }
    return false;
}

void FirstFrameGate::open(bool drawn) {
    if (m_opened)
        return;
    m_opened = true;
    m_fallback.stop();
    for (QObject* window : std::as_const(m_waiting))
        window->removeEventFilter(this);
    // Queued: the expose being handled now paints and flushes the frame first.
    QTimer::singleShot(0, this, [this, drawn] {
        if (drawn)
            qCInfo(lcAppDelegate) << "First frame drawn";
        else
            qCInfo(lcAppDelegate) << "No first frame in time; start-up goes on";
        if (m_context && m_work)
            m_work();
        deleteLater();
    });
}

} // namespace tolvane
