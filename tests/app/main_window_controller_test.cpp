#include "app/app_commands.h"
#include "app/main_window_controller.h"
#include "app/workspace_placeholder.h"
#include "core/clock.h"
#include "model/app_settings.h"
#include "platform/memory/memory_key_value_store.h"
#include "support/image_probes.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace tolvane {
namespace {

QPushButton* buttonTitled(QMessageBox* box, const QString& title) {
    for (QAbstractButton* button : box->buttons())
        if (button->text() == title)
            return qobject_cast<QPushButton*>(button);
    return nullptr;
}

class MainWindowControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        MainContentContext context;
        context.isSnapshotMode = true;
        context.inputText = snapshotSampleText();
        controller = std::make_unique<MainWindowController>(
            context,
            [this](const MainContentContext& given, QWidget* parent) -> QWidget* {
                ++factoryCalls;
                lastContext = given;
                return new QLabel(given.inputText, parent);
            },
            closeBehaviorSetting(settings), [this] { ++terminations; });
    }
    // Shows the window and closes it under "ask": the close is refused and the choice box is up.
    QMessageBox* askToClose() {
        controller->showWindow();
        EXPECT_FALSE(controller->window()->close());
        return controller->closeChoiceBox();
    }
    void setBehavior(MainWindowCloseBehavior behavior) { closeBehaviorSetting(settings).write(behavior); }
    static void nextTurns() {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }

    MemoryKeyValueStore store;
    AppSettings settings{store, systemClock()};
    std::unique_ptr<MainWindowController> controller;
    int factoryCalls = 0;
    int terminations = 0;
    MainContentContext lastContext;
};

TEST_F(MainWindowControllerTest, BuildsOnceAndReshowsTheSameWindowAtItsGeometry) {
    controller->showWindow();
    MainWindow* window = controller->window();
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(window->testAttribute(Qt::WA_DeleteOnClose));
    EXPECT_EQ(factoryCalls, 1);
    EXPECT_TRUE(lastContext.isSnapshotMode);
    EXPECT_EQ(lastContext.inputText.count(QLatin1Char('\n')), 3);

    window->resize(100, 100);
    EXPECT_GE(window->width(), MainWindowController::minimumSize.width());
    EXPECT_GE(window->height(), MainWindowController::minimumSize.height());

    setBehavior(MainWindowCloseBehavior::keepRunning);
    window->resize(1300, 800);
    window->move(40, 30);
    const QRect geometry = window->geometry();
    EXPECT_TRUE(window->close());
    EXPECT_FALSE(window->isVisible());
    controller->showWindow();
    EXPECT_EQ(controller->window(), window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->geometry(), geometry);
    EXPECT_EQ(factoryCalls, 1);
    EXPECT_EQ(terminations, 0);
}

TEST_F(MainWindowControllerTest, AskShowsOneBoxAndKeepingRemembersTheChoice) {
    QMessageBox* box = askToClose();
    ASSERT_NE(box, nullptr);
    MainWindow* window = controller->window();
    EXPECT_TRUE(controller->isPresentingCloseChoice());
    EXPECT_EQ(box->text(), QStringLiteral("关闭 Ondrel？"));
    EXPECT_EQ(box->windowTitle(), QStringLiteral("Ondrel"));
    EXPECT_TRUE(box->informativeText().contains(QStringLiteral("系统托盘")))
        << "Linux has a tray, no menu bar";
    EXPECT_EQ(box->defaultButton(), buttonTitled(box, QStringLiteral("保持在后台运行")));
    ASSERT_NE(box->checkBox(), nullptr);
    EXPECT_EQ(box->checkBox()->text(), QStringLiteral("记住我的选择"));

    // A second close while the box is up neither closes nor asks again.
    EXPECT_FALSE(window->close());
    EXPECT_EQ(controller->closeChoiceBox(), box);
    EXPECT_EQ(window->findChildren<QMessageBox*>().size(), 1);

    box->checkBox()->setChecked(true);
    buttonTitled(box, QStringLiteral("保持在后台运行"))->click();
    EXPECT_FALSE(controller->isPresentingCloseChoice());
    EXPECT_TRUE(window->isVisible()) << "hidden a turn later, not inside the box's completion";
    nextTurns();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(settings.mainWindowCloseBehavior(), MainWindowCloseBehavior::keepRunning);
    EXPECT_EQ(terminations, 0);

    // Remembered: the next close hides at once.
    controller->showWindow();
    EXPECT_TRUE(window->close());
    EXPECT_EQ(controller->closeChoiceBox(), nullptr);
}

TEST_F(MainWindowControllerTest, QuittingTerminatesOnceWithoutHidingFirst) {
    QMessageBox* box = askToClose();
    ASSERT_NE(box, nullptr);
    MainWindow* window = controller->window();
    buttonTitled(box, QStringLiteral("退出 Ondrel"))->click();
    nextTurns();
    EXPECT_EQ(terminations, 1);
    EXPECT_TRUE(window->isVisible());
    // Not ticked: the setting stays "ask".
    EXPECT_EQ(settings.mainWindowCloseBehavior(), MainWindowCloseBehavior::ask);

    setBehavior(MainWindowCloseBehavior::quit);
    EXPECT_FALSE(window->close());
    EXPECT_EQ(controller->closeChoiceBox(), nullptr);
    EXPECT_EQ(terminations, 1) << "termination waits for the next turn";
    nextTurns();
    EXPECT_EQ(terminations, 2);
    EXPECT_TRUE(window->isVisible());
}

TEST(CloseBehaviorSettingTest, UnknownStoredValuesReadAsAskAndChoicesAreStored) {
    const QString key = QStringLiteral("window.main.closeBehavior");
    MemoryKeyValueStore store;
    store.setValue(key, QStringLiteral("explode"));
    AppSettings unknown(store, systemClock());
    EXPECT_EQ(closeBehaviorSetting(unknown).read(), MainWindowCloseBehavior::ask);
    store.setValue(key, 2);
    AppSettings wrongType(store, systemClock());
    EXPECT_EQ(closeBehaviorSetting(wrongType).read(), MainWindowCloseBehavior::ask);
    closeBehaviorSetting(wrongType).write(MainWindowCloseBehavior::quit);
    EXPECT_EQ(store.value(key).toString(), QStringLiteral("quit"));
    EXPECT_EQ(AppSettings(store, systemClock()).mainWindowCloseBehavior(), MainWindowCloseBehavior::quit);
}

TEST_F(MainWindowControllerTest, CloseCommandGoesThroughTheWindowsOwnCloseHandling) {
    AppCommands commands({}, {});
    controller->showWindow();
    commands.attachTo(controller->window());
    EXPECT_TRUE(controller->window()->actions().contains(commands.closeWindowAction()));

    QApplication::setActiveWindow(controller->window());
    ASSERT_EQ(QApplication::activeWindow(), controller->window());
    commands.closeWindowAction()->setEnabled(true);
    commands.closeWindowAction()->trigger();
    commands.closeWindowAction()->trigger();
    // With "ask" the command shows the box (once), never closes the window directly.
    EXPECT_TRUE(controller->window()->isVisible());
    EXPECT_NE(controller->closeChoiceBox(), nullptr);
    EXPECT_EQ(controller->window()->findChildren<QMessageBox*>().size(), 1);

    // Without an active window the command does nothing.
    QApplication::setActiveWindow(nullptr);
    commands.closeActiveWindow();
}

// The placeholder's texts must read light on the dark ground once the window's dark appearance is applied.
TEST(WorkspacePlaceholderTest, TextsAreDrawnLightOnTheDarkGround) {
    MemoryKeyValueStore store;
    AppSettings settings(store, systemClock());
    MainContentContext context;
    context.isSnapshotMode = true;
    context.inputText = snapshotSampleText();
    MainWindowController controller(context, WorkspacePlaceholder::factory(), closeBehaviorSetting(settings),
                                    [] {});
    controller.showWindow();
    const QImage image = controller.window()->grab().toImage();
    const QRect text(0, 0, 700, 260);
    const int lightPixels = testing::countPixels(
        image, [](const QColor& c) { return qGray(c.rgb()) > 160; }, text);
    const int darkPixels = testing::countPixels(
        image, [](const QColor& c) { return qGray(c.rgb()) < 20; }, text);
    EXPECT_GT(lightPixels, 500) << "the title and the sample text are drawn in the light text colour";
    EXPECT_GT(darkPixels, lightPixels) << "on the dark ground";
}

} // namespace
} // namespace tolvane
