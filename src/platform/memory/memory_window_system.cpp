#include "platform/memory/memory_window_system.h"

namespace tolvane {

FrontmostWindow MemoryWindowSystem::addWindow(quint32 window, qint64 pid, quint64 startTime,
                                              QString className) {
    FrontmostWindow info;
    info.target = {window, pid, startTime};
    info.instanceName = className.toLower();
    info.className = className;
    m_windows[window] = info;
    m_processes[pid] = startTime;
    return info;
}

bool MemoryWindowSystem::activate(quint32 window) {
    auto found = m_windows.find(window);
    if (found == m_windows.end())
        return false;
    m_activations.push_back(window);
    if (m_activationTakesEffect)
        m_front = found->second;
    return true;
}

bool MemoryWindowSystem::isAlive(const PasteTarget& target) {
    auto process = m_processes.find(target.pid);
    return process != m_processes.end() && process->second == target.startTime &&
           m_windows.count(target.window) > 0;
}

void MemoryWindowSystem::destroyWindow(quint32 window) {
    m_windows.erase(window);
}

void MemoryWindowSystem::endProcess(qint64 pid) {
    m_processes.erase(pid);
    std::erase_if(m_windows, [pid](const auto& entry) { return entry.second.target.pid == pid; });
}

void MemoryWindowSystem::restartProcess(qint64 pid, quint64 newStartTime) {
    m_processes[pid] = newStartTime;
}

} // namespace tolvane
