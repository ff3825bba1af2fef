#pragma once

#include "ui/onboarding_content_context.h"

#include <QPointer>
#include <QWidget>
#include <functional>

namespace tolvane {

class AppSettings;
class OnboardingWindowController;

// The guide's top-level window: a fixed-size dark window with the window manager's frame. Closing it in
// any way ends the guide; a press on its background moves it.
class OnboardingWindow final : public QWidget {
    Q_OBJECT

public:
    explicit OnboardingWindow(OnboardingWindowController& controller);

protected:
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    OnboardingWindowController& m_controller;
};

// Builds, shows and ends the first-run guide window. Ending it (finish, skip or any close) records that the
// guide was seen, drops the window and calls `onFinish` once; the next show builds a new window. Quitting
// the application records nothing.
class OnboardingWindowController final : public QObject {
    Q_OBJECT

public:
    static constexpr QSize contentSize{880, 640};
    static inline const QString windowTitle = QStringLiteral("欢迎使用 Ondrel");

    // `context` is the content's context without its step and finish hook, which the controller fills.
    OnboardingWindowController(AppSettings& settings, OnboardingContentContext context,
                               OnboardingContentFactory factory, std::function<void()> onFinish,
                               QObject* parent = nullptr);
    ~OnboardingWindowController() override;

    // Builds the window at `step` (clamped to 0...3) when none is open; an open window is only raised.
    void showWindow(int step);
    // Ends the guide from its own controls.
    void finish();
    OnboardingWindow* window() const { return m_window; }

    // The window is closing: ends the guide. Called by the window's close event.
    void windowClosing(OnboardingWindow* window);

private:
    void buildWindow(int step);

    AppSettings& m_settings;
    OnboardingContentContext m_context;
    OnboardingContentFactory m_factory;
    std::function<void()> m_onFinish;
    QPointer<OnboardingWindow> m_window;
};

} // namespace tolvane
