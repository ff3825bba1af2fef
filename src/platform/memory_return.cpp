#include "platform/memory_return.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace tolvane {

void returnFreedMemoryPromptly() {
#if defined(__GLIBC__)
    // glibc's own starting values, made fixed.
    constexpr int kThresholdBytes = 128 * 1024;
    mallopt(M_MMAP_THRESHOLD, kThresholdBytes);
    mallopt(M_TRIM_THRESHOLD, kThresholdBytes);
#endif
}

void returnFreeHeapPages() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

} // namespace tolvane
