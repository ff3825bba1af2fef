#include "core/async/post.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace tolvane {

void postToMainLoop(std::function<void()> fn) {
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(fn), Qt::QueuedConnection);
}

} // namespace tolvane
