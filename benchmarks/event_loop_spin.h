#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>

namespace tolvane {

// Turns the event loop until `done` holds; false when `timeoutMs` passed first.
template <typename Done> bool spinUntil(Done done, int timeoutMs = 3000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}

} // namespace tolvane
