#include "app/main_window_controller.h"

#include "core/logging.h"
#include "model/app_settings.h"
#include "ui/question_box.h"
#include "ui/theme.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace tolvane {

QString snapshotSampleText() {
    return QStringLiteral("The best translation tools disappear\ninto the work. They preserve intent,\n"
                          "rhythm, and the confidence to keep\nmoving.");
}

MainWindow::MainWindow(MainWindowController& controller) : QWidget(nullptr), m_controller(controller) {
    setWindowTitle(QStringLiteral("Ondrel"));
    setAttribute(Qt::WA_DeleteOnClose, false);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (m_controller.handleCloseRequest())
        event->accept();
    else
        event->ignore();
}

MainWindowController::MainWindowController(MainContentContext context, MainContentFactory factory,
                                           CloseBehaviorSetting closeBehavior,
                                           std::function<void()> terminate, QObject* parent)
    : QObject(parent), m_context(std::move(context)), m_factory(std::move(factory)),
      m_closeBehavior(std::move(closeBehavior)), m_terminate(std::move(terminate)) {}

MainWindowController::~MainWindowController() {
    delete m_closeChoice;
    delete m_window;
}

void MainWindowController::showWindow() {
    if (!m_window)
        buildWindow();
    if (m_window->isMinimized())
        m_window->setWindowState(m_window->windowState() & ~Qt::WindowMinimized);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void MainWindowController::buildWindow() {
    m_window = new MainWindow(*this);
    Theme::applyDarkAppearance(m_window);
    auto* layout = new QVBoxLayout(m_window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    if (m_factory) {
        if (QWidget* content = m_factory(m_context, m_window))
            layout->addWidget(content);
    }
    m_window->setMinimumSize(minimumSize);

    // The client area is the design size, clamped to the screen but never below the minimum; centred
    // once, before the first show, so later shows keep wherever the user put it.
    QSize size = contentSize;
    QRect available(QPoint(0, 0), contentSize);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        available = screen->availableGeometry();
        size = size.boundedTo(available.size()).expandedTo(minimumSize);
    }
    m_window->resize(size);
    QRect frame(QPoint(0, 0), size);
    frame.moveCenter(available.center());
    m_window->move(frame.topLeft());
}

bool MainWindowController::handleCloseRequest() {
    if (m_closingDirectly)
        return true;
    const MainWindowCloseBehavior behavior =
        m_closeBehavior.read ? m_closeBehavior.read() : MainWindowCloseBehavior::ask;
    switch (behavior) {
    case MainWindowCloseBehavior::keepRunning:
        return true;
    case MainWindowCloseBehavior::quit:
        QTimer::singleShot(0, this, [this] {
            if (m_terminate)
                m_terminate();
        });
        return false;
    case MainWindowCloseBehavior::ask:
        presentCloseChoice();
        return false;
    }
    return false;
}

void MainWindowController::presentCloseChoice() {
    if (m_isPresentingCloseChoice)
        return;
    m_isPresentingCloseChoice = true;

    QMessageBox* box = makeQuestionBox(
        m_window, QMessageBox::Information, QStringLiteral("关闭 Ondrel？"),
        QStringLiteral("你可以让 Ondrel 留在后台，并随时从系统托盘重新打开翻译窗口；也可以完全退出应用。"));
    QPushButton* keep = box->addButton(QStringLiteral("保持在后台运行"), QMessageBox::AcceptRole);
    box->addButton(QStringLiteral("退出 Ondrel"), QMessageBox::DestructiveRole);
    box->setDefaultButton(keep);
    box->setCheckBox(new QCheckBox(QStringLiteral("记住我的选择"), box));
    box->setWindowModality(Qt::WindowModal);
    box->setAttribute(Qt::WA_DeleteOnClose);
    m_closeChoice = box;
    connect(box, &QMessageBox::finished, this, [this, box](int) { handleCloseChoice(box); });
    box->open();
}

void MainWindowController::handleCloseChoice(QMessageBox* box) {
    m_isPresentingCloseChoice = false;
    m_closeChoice = nullptr;
    QAbstractButton* clicked = box->clickedButton();
    if (!clicked)
        return;
    const bool remember = box->checkBox() && box->checkBox()->isChecked();
    const QMessageBox::ButtonRole role = box->buttonRole(clicked);
    if (role == QMessageBox::AcceptRole) {
        if (remember && m_closeBehavior.write)
            m_closeBehavior.write(MainWindowCloseBehavior::keepRunning);
        QTimer::singleShot(0, this, [this] {
            if (!m_window)
                return;
            m_closingDirectly = true;
            m_window->close();
            m_closingDirectly = false;
        });
    } else if (role == QMessageBox::DestructiveRole) {
        if (remember && m_closeBehavior.write)
            m_closeBehavior.write(MainWindowCloseBehavior::quit);
        QTimer::singleShot(0, this, [this] {
            if (m_terminate)
                m_terminate();
        });
    }
}

MainWindowController::CloseBehaviorSetting closeBehaviorSetting(AppSettings& settings) {
    return {
        [&settings] { return settings.mainWindowCloseBehavior(); },
        [&settings](MainWindowCloseBehavior behavior) { settings.setMainWindowCloseBehavior(behavior); },
    };
}

} // namespace tolvane
