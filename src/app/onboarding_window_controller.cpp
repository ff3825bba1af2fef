#include "app/onboarding_window_controller.h"

#include "core/logging.h"
#include "model/app_settings.h"
#include "platform/key_value_store.h"
#include "ui/theme.h"

#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

namespace tolvane {

OnboardingWindow::OnboardingWindow(OnboardingWindowController& controller)
    : QWidget(nullptr), m_controller(controller) {
    setObjectName(QStringLiteral("onboarding"));
    setWindowTitle(OnboardingWindowController::windowTitle);
}

void OnboardingWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    m_controller.windowClosing(this);
}

void OnboardingWindow::mousePressEvent(QMouseEvent* event) {
    // Only presses no child took reach the window: the background moves it, as the title bar would.
    if (event->button() == Qt::LeftButton && windowHandle() && windowHandle()->startSystemMove()) {
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

OnboardingWindowController::OnboardingWindowController(AppSettings& settings,
                                                       OnboardingContentContext context,
                                                       OnboardingContentFactory factory,
                                                       std::function<void()> onFinish, QObject* parent)
    : QObject(parent), m_settings(settings), m_context(std::move(context)), m_factory(std::move(factory)),
      m_onFinish(std::move(onFinish)) {}

OnboardingWindowController::~OnboardingWindowController() {
    // Deleting sends no close event: tearing down records nothing.
    delete m_window;
}

void OnboardingWindowController::showWindow(int step) {
    const bool building = !m_window;
    if (building)
        buildWindow(std::clamp(step, 0, 3));
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    if (building)
        qCInfo(lcApp) << "First-run guide shown at step" << std::clamp(step, 0, 3);
}

void OnboardingWindowController::finish() {
    if (m_window)
        m_window->close();
}

void OnboardingWindowController::windowClosing(OnboardingWindow* window) {
    if (window != m_window)
        return;
    // Synced at once: a crash right after must not show the guide again.
    m_settings.defaults().setValue(AppSettings::firstRunGuideKey, true);
    m_settings.defaults().sync();
    // The close may come from a click inside the window: it goes on a later turn.
    m_window->deleteLater();
    m_window = nullptr;
    qCInfo(lcApp) << "First-run guide ended";
    if (m_onFinish)
        m_onFinish();
}

void OnboardingWindowController::buildWindow(int step) {
    m_window = new OnboardingWindow(*this);
    Theme::applyDarkAppearance(m_window);
    QPalette palette = m_window->palette();
    palette.setColor(QPalette::Window, Theme::makeColor(0.08, 0.07, 0.055));
    m_window->setPalette(palette);
    auto* layout = new QVBoxLayout(m_window);
    layout->setContentsMargins(0, 0, 0, 0);
    OnboardingContentContext context = m_context;
    context.step = step;
    context.onFinish = [self = QPointer(this)] {
        if (self)
            self->finish();
    };
    if (m_factory) {
        if (QWidget* content = m_factory(context, m_window))
            layout->addWidget(content);
    }
    // Fixed at the design size, or the available area of a smaller screen; centred on the screen under
    // the pointer.
    QSize size = contentSize;
    const QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen) {
        const QRect available = screen->availableGeometry();
        size = size.boundedTo(available.size());
        m_window->move(available.center() - QPoint(size.width() / 2, size.height() / 2));
    }
    m_window->setFixedSize(size);
}

} // namespace tolvane
