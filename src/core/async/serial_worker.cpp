#include "core/async/serial_worker.h"

#include <QMetaObject>
#include <QObject>
#include <QThread>

namespace tolvane {

SerialWorker::SerialWorker(QString name) : m_thread(new QThread), m_context(new QObject) {
    m_thread->setObjectName(name);
    m_context->moveToThread(m_thread);
    m_thread->start();
}

SerialWorker::~SerialWorker() {
    // Queued behind every submitted job, so those run before the thread stops.
    QThread* thread = m_thread;
    post([thread] { thread->quit(); });
    m_thread->wait();
    delete m_context; // its thread has ended, so it can be deleted here
    delete m_thread;
}

void SerialWorker::post(std::function<void()> job) {
    QMetaObject::invokeMethod(m_context, std::move(job), Qt::QueuedConnection);
}

} // namespace tolvane
