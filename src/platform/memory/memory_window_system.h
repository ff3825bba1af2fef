#pragma once

#include "platform/window_system.h"

#include <map>
#include <set>
#include <vector>

namespace tolvane {

// Windows and processes for tests: the test says which window is in front, which processes run and whether
// an activation takes effect.
class MemoryWindowSystem final : public WindowSystem {
public:
    static constexpr qint64 ownPid = 1000;

    std::optional<FrontmostWindow> frontmost() override { return m_front; }
    bool activate(quint32 window) override;
    bool isAlive(const PasteTarget& target) override;
    qint64 selfPid() const override { return ownPid; }

    // Adds a running process with one window; returns its window as it would be frontmost.
    FrontmostWindow addWindow(quint32 window, qint64 pid, quint64 startTime, QString className = {});
    void setFront(std::optional<FrontmostWindow> front) { m_front = std::move(front); }
    void destroyWindow(quint32 window);
    void endProcess(qint64 pid);
    // A process id reused by a new process with another start time.
    void restartProcess(qint64 pid, quint64 newStartTime);
    // When false, activate() is accepted but the window never comes to the front.
    void setActivationTakesEffect(bool effective) { m_activationTakesEffect = effective; }
    const std::vector<quint32>& activations() const { return m_activations; }

private:
    std::optional<FrontmostWindow> m_front;
    std::map<quint32, FrontmostWindow> m_windows;
    std::map<qint64, quint64> m_processes; // pid -> start time
    bool m_activationTakesEffect = true;
    std::vector<quint32> m_activations;
};

} // namespace tolvane
