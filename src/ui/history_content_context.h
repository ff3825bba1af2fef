#pragma once

#include <QString>
#include <functional>

class QObject;
class QWidget;

namespace tolvane {

class ClipboardWriter;
class HistoryEvents;
class HistoryStore;

// What the history window's content is built from. Each show builds a new content from it.
struct HistoryContentContext {
    HistoryStore* historyStore = nullptr;
    ClipboardWriter* clipboard = nullptr;
    HistoryEvents* historyEvents = nullptr;
    // Outlives every content built from this context: button-started store work runs under it, so a delete
    // or clear finishes even when the content that started it is replaced or the window is closed.
    QObject* taskOwner = nullptr;
    // Translates the source text again in the main window.
    std::function<void(QString)> onReuse;
};

// Builds one history content, parented to the given window.
using HistoryContentFactory = std::function<QWidget*(const HistoryContentContext&, QWidget* parent)>;

} // namespace tolvane
