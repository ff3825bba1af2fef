#include "app/history_window_controller.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

namespace tolvane {

HistoryWindowController::HistoryWindowController(HistoryContentContext context, HistoryContentFactory factory,
                                                 std::function<void(QWidget*)> prepareWindow, QObject* parent)
    : QObject(parent), m_context(std::move(context)), m_factory(std::move(factory)),
      m_prepareWindow(std::move(prepareWindow)) {
    Q_ASSERT(m_factory);
    m_context.taskOwner = this;
}

HistoryWindowController::~HistoryWindowController() {
    delete m_window;
}

void HistoryWindowController::buildWindow() {
    m_window = new QWidget;
    m_window->setObjectName(QStringLiteral("history"));
    m_window->setWindowTitle(QStringLiteral("翻译历史"));
    auto* layout = new QVBoxLayout(m_window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_window->resize(contentSize);
    if (m_prepareWindow)
        m_prepareWindow(m_window);
}

void HistoryWindowController::show() {
    if (!m_window)
        buildWindow();
    // The old content goes on a later turn (it may be inside one of its own handlers); the store work it
    // started runs on under this controller and no longer reaches it.
    if (m_content) {
        m_window->layout()->removeWidget(m_content);
        m_content->hide();
        m_content->deleteLater();
    }
    m_content = m_factory(m_context, m_window);
    m_window->layout()->addWidget(m_content);

    const QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen) {
        QRect frame = m_window->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        m_window->move(frame.topLeft());
    }
    if (m_window->isMinimized())
        m_window->setWindowState(m_window->windowState() & ~Qt::WindowMinimized);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

} // namespace tolvane
