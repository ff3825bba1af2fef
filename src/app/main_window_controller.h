#pragma once

#include "model/main_window_close_behavior.h"
#include "ui/main_content_context.h"

#include <QPointer>
#include <QWidget>
#include <functional>

#include <QMessageBox>

namespace tolvane {

class AppSettings;

// The sample text the workspace shows in a snapshot run.
QString snapshotSampleText();

class MainWindowController;

// The main translation window: a top-level widget with the window manager's frame. Closing it asks the
// controller, which may refuse.
class MainWindow final : public QWidget {
    Q_OBJECT

public:
    explicit MainWindow(MainWindowController& controller);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    MainWindowController& m_controller;
};

// Creates, shows and guards the main window. A close request follows the close-behaviour setting: hide and
// keep running, quit, or ask with a box that can remember the answer. The window is built once and reused.
class MainWindowController final : public QObject {
    Q_OBJECT

public:
    static constexpr QSize contentSize{1441, 901};
    static constexpr QSize minimumSize{1180, 720};

    struct CloseBehaviorSetting {
        std::function<MainWindowCloseBehavior()> read;
        std::function<void(MainWindowCloseBehavior)> write;
    };

    MainWindowController(MainContentContext context, MainContentFactory factory,
                         CloseBehaviorSetting closeBehavior, std::function<void()> terminate,
                         QObject* parent = nullptr);
    ~MainWindowController() override;

    // Builds the window on first use (sized, clamped to the screen and centred), otherwise brings the
    // existing one back unchanged; then raises and activates it.
    void showWindow();

    // Whether the window may close now; called by the window's close event.
    bool handleCloseRequest();

    MainWindow* window() const { return m_window; }
    bool isPresentingCloseChoice() const { return m_isPresentingCloseChoice; }
    // The close-choice box while it is up.
    QMessageBox* closeChoiceBox() const { return m_closeChoice; }

private:
    void buildWindow();
    void presentCloseChoice();
    void handleCloseChoice(QMessageBox* box);

    MainContentContext m_context;
    MainContentFactory m_factory;
    CloseBehaviorSetting m_closeBehavior;
    std::function<void()> m_terminate;
    QPointer<MainWindow> m_window;
    QPointer<QMessageBox> m_closeChoice;
    bool m_isPresentingCloseChoice = false;
    // Set while the controller hides the window itself, so that hiding is not asked again.
    bool m_closingDirectly = false;
};

// The close behaviour as the settings hold it (an unknown stored value reads as "ask").
MainWindowController::CloseBehaviorSetting closeBehaviorSetting(AppSettings& settings);

} // namespace tolvane
