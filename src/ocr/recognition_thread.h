#pragma once

#include <QtGlobal>

namespace tolvane {

// Keeps Tesseract's parallel loops on the calling thread. Debian's Tesseract parallelises with OpenMP, which
// would start a team of threads per core for each recognition and leave them spinning between loops; on a
// busy desktop that slows everything, the recognition included. OpenMP reads OMP_THREAD_LIMIT only while its
// library loads, before main() runs, so the application cannot set it for itself; instead each recognition
// thread sets its own maximum of active parallel levels to zero, which runs every parallel region on that
// thread alone. Cheap and idempotent: call it on the recognition thread before every use of Tesseract.
void confineParallelLoopsToThisThread();

// Processor time the calling thread has used, in milliseconds. Unlike elapsed time, a busy machine does not
// make it grow faster, so a budget of it cuts off runaway work without failing slow-but-progressing work.
qint64 threadCpuTimeMs();

// A budget of the calling thread's processor time, from when it is made: spent once the thread has used
// `budgetMs` of processor time since, however long that took (a busy machine makes work slow, not costly) and
// whatever other threads used. Checked on the thread that made it.
class ThreadProcessorBudget {
public:
    explicit ThreadProcessorBudget(qint64 budgetMs) : m_endsAtMs(threadCpuTimeMs() + budgetMs) {}
    bool isSpent() const { return threadCpuTimeMs() > m_endsAtMs; }

private:
    qint64 m_endsAtMs;
};

} // namespace tolvane
