#pragma once

#include "core/clock.h"
#include "platform/accessibility_backend.h"

#include <chrono>

namespace tolvane {

// The focused element's selection through AT-SPI2. Connects to the accessibility bus on first use; without a
// bus every read is absent and callers fall through to their next source. Calls are D-Bus round trips with
// short timeouts, and one read stops after its time budget.
class AtspiAccessibilityBackend final : public AccessibilityBackend {
public:
    explicit AtspiAccessibilityBackend(Clock& clock = systemClock(),
                                       std::chrono::milliseconds budget = std::chrono::milliseconds(300));

    std::optional<AccessibleSelection> focusedSelection(qint64 pid) override;

private:
    bool ensureInitialised();

    Clock& m_clock;
    std::chrono::milliseconds m_budget;
    enum class Bus { untried, present, absent } m_bus = Bus::untried;
};

} // namespace tolvane
