#pragma once

#include "platform/accessibility_backend.h"

#include <map>

namespace tolvane {

// The focused element of each simulated application.
class MemoryAccessibilityBackend final : public AccessibilityBackend {
public:
    std::optional<AccessibleSelection> focusedSelection(qint64 pid) override {
        ++m_reads;
        auto found = m_elements.find(pid);
        return found == m_elements.end() ? std::nullopt : std::optional<AccessibleSelection>(found->second);
    }
    void setFocused(qint64 pid, AccessibleSelection selection) { m_elements[pid] = std::move(selection); }
    void clear(qint64 pid) { m_elements.erase(pid); }
    int reads() const { return m_reads; }

private:
    std::map<qint64, AccessibleSelection> m_elements;
    int m_reads = 0;
};

} // namespace tolvane
