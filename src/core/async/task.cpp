#include "core/async/task.h"

#include "core/app_error.h"
#include "core/async/one_shot.h"
#include "core/async/post.h"

#include <QObject>
#include <QPointer>

namespace tolvane {

struct TaskState {
    CancellationSource cancellation;
    bool running = true;
    Signal done;
    QMetaObject::Connection contextConnection;
};

bool TaskHandle::isRunning() const { return m_state && m_state->running; }

void TaskHandle::cancel() const {
    if (m_state)
        m_state->cancellation.cancel();
}

CancellationToken TaskHandle::token() const { return m_state ? m_state->cancellation.token() : CancellationToken(); }

namespace {

QCoro::Task<> awaitDone(Signal done) {
    try {
        co_await done.wait();
    } catch (...) {
    }
}

void markFinished(const std::shared_ptr<TaskState>& state) {
    state->running = false;
    QObject::disconnect(state->contextConnection);
    state->done.resolve({});
}

QCoro::Task<> runBody(std::shared_ptr<TaskState> state, std::function<QCoro::Task<>(CancellationToken)> body,
                      const QLoggingCategory* category) {
    try {
        co_await body(state->cancellation.token());
    } catch (const CancelledError&) {
    } catch (const std::exception& error) {
        qCWarning((*category)).noquote() << "Task failed:" << describeError(error);
    } catch (...) {
        qCWarning((*category)) << "Task failed with an unknown error.";
    }
    markFinished(state);
}

} // namespace

QCoro::Task<> TaskHandle::join() const {
    if (!m_state)
        return []() -> QCoro::Task<> { co_return; }();
    return awaitDone(m_state->done);
}

TaskHandle spawn(QObject* context, const QLoggingCategory& category,
                 std::function<QCoro::Task<>(CancellationToken)> body) {
    auto state = std::make_shared<TaskState>();
    QPointer<QObject> guard(context);
    const bool hasContext = context != nullptr;
    if (context) {
        std::weak_ptr<TaskState> weak = state;
        state->contextConnection = QObject::connect(context, &QObject::destroyed, [weak] {
            if (auto s = weak.lock())
                s->cancellation.cancel();
        });
    }
    postToMainLoop([state, guard, hasContext, body = std::move(body), category = &category]() mutable {
        if ((hasContext && !guard) || state->cancellation.isCancelled()) {
            markFinished(state);
            return;
        }
        // The returned task detaches; its frame frees itself when the body ends.
        runBody(state, std::move(body), category);
    });
    return TaskHandle(state);
}

void TaskSlot::replace(TaskHandle task) {
    m_task.cancel();
    m_task = std::move(task);
}

void TaskSlot::cancel() {
    m_task.cancel();
    m_task = {};
}

} // namespace tolvane
