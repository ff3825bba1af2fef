#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <functional>

namespace tolvane {

// Runs a piece of work once, on the event-loop turn after every given window has been exposed and has drawn
// its first frame (Qt paints and flushes a widget window while it handles the expose). A window that is
// never exposed (started minimised, a display that maps nothing) cannot hold the work back for more than
// `fallback`. Deletes itself once the work has run or `context` is gone.
class FirstFrameGate final : public QObject {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds defaultFallback{500};

    // The windows must already be shown (they have their native windows).
    static void runAfter(const QList<QWidget*>& windows, QObject* context, std::function<void()> work,
                         std::chrono::milliseconds fallback = defaultFallback);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    FirstFrameGate(const QList<QWidget*>& windows, QObject* context, std::function<void()> work,
                   std::chrono::milliseconds fallback);
    // `drawn`: every window reported its frame (else the fallback ran out).
    void open(bool drawn);

    QList<QObject*> m_waiting;
    QPointer<QObject> m_context;
    std::function<void()> m_work;
    QTimer m_fallback;
    bool m_opened = false;
};

} // namespace tolvane
