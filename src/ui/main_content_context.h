#pragma once

#include <QImage>
#include <QString>
#include <functional>

class QWidget;

namespace tolvane {

class AppSettings;
class HistoryEvents;
class HistoryStore;
class WorkflowCoordinator;

// What the main window's content is built from: the services, the delegate's callbacks and the initial
// view state.
struct MainContentContext {
    WorkflowCoordinator* workflow = nullptr;
    AppSettings* settings = nullptr;
    HistoryStore* historyStore = nullptr;
    // Announces a clear made anywhere (the history window, the settings), so the sidebar reloads.
    HistoryEvents* historyEvents = nullptr;
    std::function<void()> onOpenSettings;
    std::function<void()> onOpenHistory;
    std::function<void()> onScreenshotTranslate;
    std::function<void()> onScreenshotRecognize;
    std::function<void(QImage)> onRecognizeDroppedImage;
    // Whether the floating result panel is on screen; unset reads as hidden.
    std::function<bool()> isFloatingPanelVisible;
    QString inputText;
    bool isSnapshotMode = false;
};

// Builds the window's content; called once, on the first show. The returned widget is parented to `parent`.
using MainContentFactory = std::function<QWidget*(const MainContentContext&, QWidget* parent)>;

} // namespace tolvane
