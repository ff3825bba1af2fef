#include "ocr/recognition_thread.h"

#include <dlfcn.h>
#include <time.h>

namespace tolvane {

void confineParallelLoopsToThisThread() {
    // Looked up rather than linked: the runtime is whichever one the Tesseract library brought in (none when
    // it was built without OpenMP). The setting belongs to the calling thread, hence a call per thread.
    using SetMaxActiveLevels = void (*)(int);
    static const auto setMaxActiveLevels =
        reinterpret_cast<SetMaxActiveLevels>(dlsym(RTLD_DEFAULT, "omp_set_max_active_levels"));
    if (setMaxActiveLevels)
        setMaxActiveLevels(0);
}

qint64 threadCpuTimeMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

} // namespace tolvane
