#pragma once

#include "core/async/cancellation.h"

#include <QCoroTask>
#include <QLoggingCategory>
#include <functional>
#include <memory>

class QObject;

namespace tolvane {

// Coroutine rules for this code base:
// 1. Coroutines are free or static functions taking every parameter by value; the owner comes as QPointer
//    or std::weak_ptr, never `this`.
// 2. A capturing lambda is never a coroutine; the lambda given to spawn() only calls the free coroutine.
// 3. After every co_await: `if (!owner) co_return;`, then token.throwIfCancelled(), then generation checks.
// 4. Work that nobody awaits starts only through spawn().
// 5. Cancel through the token, never by destroying a suspended frame.
// 6. Never delete a QNetworkReply or the network manager in code their signal resumed: deleteLater().
// 7. Hold no lock across co_await; no exception leaves a slot or a posted functor.

struct TaskState;

// A handle to a spawned task. An empty handle is not running.
class TaskHandle {
public:
    TaskHandle() = default;
    explicit TaskHandle(std::shared_ptr<TaskState> state) : m_state(std::move(state)) {}

    // Queued or running.
    bool isRunning() const;
    // A task cancelled before its start never runs its body.
    void cancel() const;
    CancellationToken token() const;
    // Resumes (through the event loop) once the body ended; never throws.
    QCoro::Task<> join() const;

    explicit operator bool() const { return static_cast<bool>(m_state); }

private:
    std::shared_ptr<TaskState> m_state;
};

// Queues body(token) for the next event-loop turn. Destroying `context` cancels the token, and a body whose
// context is gone never starts. CancelledError ends the task silently; any other exception is logged to
// `category` with its description.
TaskHandle spawn(QObject* context, const QLoggingCategory& category,
                 std::function<QCoro::Task<>(CancellationToken)> body);

// Holds at most one task: replace() cancels the one already there; the destructor cancels.
class TaskSlot {
public:
    TaskSlot() = default;
    TaskSlot(const TaskSlot&) = delete;
    TaskSlot& operator=(const TaskSlot&) = delete;
    ~TaskSlot() { cancel(); }

    void replace(TaskHandle task);
    void cancel();
    // Forgets the task without cancelling it.
    void clear() { m_task = {}; }
    bool isRunning() const { return m_task.isRunning(); }
    const TaskHandle& handle() const { return m_task; }

private:
    TaskHandle m_task;
};

} // namespace tolvane
