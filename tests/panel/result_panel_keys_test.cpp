// The result panel by keyboard alone: its pickers are stops of the Tab chain between the language route and
// the buttons, they open and choose by their keys, and the panel's own keys keep working around them.
#include "panel/result_panel_footer.h"
#include "panel/result_panel_header.h"
#include "panel/result_panel_manual_body.h"
#include "panel/result_panel_reading_body.h"
#include "panel/result_panel_view.h"
#include "panel/result_panel_window.h"
#include "result_panel_fakes.h"
#include "support/virtual_clock.h"
#include "ui/accessible_widgets.h"
#include "ui/native_text_editor.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tolvane {
namespace {

using testing::drainEventLoop;

constexpr int patience = 10000; // ms; only ever waited for a condition

// A key pressed where the keyboard is: the open list, else the focused widget.
void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* target = QApplication::activePopupWidget();
    if (target && target->focusWidget())
        target = target->focusWidget();
    if (!target)
        target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr);
    QTest::keyClick(target, key, modifiers);
}

// Widgets as a screen reader tells them apart: by class and the name read through the accessibility tree.
std::vector<std::string> named(const QList<QWidget*>& widgets) {
    std::vector<std::string> names;
    for (QWidget* widget : widgets) {
        QAccessibleInterface* read = widget ? QAccessible::queryAccessibleInterface(widget) : nullptr;
        names.push_back(widget ? std::string(widget->metaObject()->className()) + " " +
                                     (read ? read->text(QAccessible::Name) : QString()).toStdString()
                               : "none");
    }
    return names;
}

class ResultPanelKeysTest : public ::testing::Test {
protected:
    testing::RecordingPanelWorkflow workflow;
    testing::MemoryPanelSettings settings;
    TranslatorPanel panel{new ResultPanelView(&workflow, &settings)};
    ResultPanelHeader* header = panel.view()->header();
    ResultPanelFooter* footer = panel.view()->footer();

    void SetUp() override { installAccessibleFactory(); }

    void showActive() {
        panel.show();
        QApplication::setActiveWindow(&panel);
        ASSERT_TRUE(QTest::qWaitFor([&] { return panel.isActiveWindow(); }, patience));
        drainEventLoop();
        workflow.calls.clear();
    }
    // The list is open and has been shown (the window system has seen it), or closed and gone.
    static bool listOpen(QComboBox* picker) {
        drainEventLoop();
        return picker->view()->isVisible();
    }
    // Presses `key` on the focused picker, expects its list to open, then moves down one row and takes it.
    void chooseNextInOpenedList(QComboBox* picker, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        ASSERT_EQ(QApplication::focusWidget(), picker);
        press(key, modifiers);
        ASSERT_TRUE(QTest::qWaitFor([&] { return listOpen(picker); }, patience))
            << picker->accessibleName().toStdString();
        press(Qt::Key_Down);
        press(Qt::Key_Return);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !listOpen(picker); }, patience));
        EXPECT_EQ(QApplication::focusWidget(), picker);
    }
};

TEST_F(ResultPanelKeysTest, PickersAreTabStopsOpenedAndChangedByKeys) {
    workflow.m_source = QStringLiteral("text");
    workflow.m_result = QStringLiteral("译文");
    workflow.m_status = WorkflowStatus::completed();
    workflow.setPasteBack(true);
    showActive();

    // The keys start on the window, where Return replaces the original text.
    EXPECT_EQ(QApplication::focusWidget(), &panel);
    QSignalSpy replaced(footer->replaceButton(), &QPushButton::clicked);
    press(Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return replaced.size() == 1; }, patience));

    // Tab walks the pickers, the text and the buttons as they are seen, and around; the reading body is a
    // stop of its own, which scrolls a long text by the keys.
    const QList<QWidget*> chain{header->sourcePicker(), header->targetPicker(),  panel.view()->readingBody(),
                                footer->enginePicker(), footer->qualityPicker(), footer->copyButton(),
                                footer->replaceButton()};
    QList<QWidget*> stops;
    for (qsizetype i = 0; i <= chain.size(); ++i) {
        press(Qt::Key_Tab);
        stops << QApplication::focusWidget();
    }
    EXPECT_EQ(named(stops), named(chain + QList<QWidget*>{chain.first()}));
    for (const std::string& stop : named(chain))
        EXPECT_NE(stop.back(), ' ') << stop << " has no name";
    press(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), footer->replaceButton());
    press(Qt::Key_Tab);

    // Each picker opens on its keys, Return there included, and the row taken is stored.
    chooseNextInOpenedList(header->sourcePicker(), Qt::Key_Return);
    EXPECT_NE(settings.source, QStringLiteral("auto"));
    press(Qt::Key_Tab);
    chooseNextInOpenedList(header->targetPicker(), Qt::Key_Space);
    EXPECT_NE(settings.target, QStringLiteral("zh-Hans"));
    press(Qt::Key_Tab);
    press(Qt::Key_Tab);
    chooseNextInOpenedList(footer->enginePicker(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(settings.engine, TranslationEngine::openAICompatible);
    EXPECT_TRUE(footer->qualityPicker()->isHidden());
    // The arrows choose at once; the quality picker comes back with the hosted engine.
    press(Qt::Key_Up);
    EXPECT_EQ(settings.engine, TranslationEngine::cloudStandard);
    EXPECT_FALSE(footer->qualityPicker()->isHidden());
    press(Qt::Key_Tab);
    chooseNextInOpenedList(footer->qualityPicker(), Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(settings.quality, CloudTranslationQuality::advanced);
    // Escape closes an open list and changes nothing.
    press(Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return listOpen(footer->qualityPicker()); }, patience));
    press(Qt::Key_Up);
    press(Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !listOpen(footer->qualityPicker()); }, patience));
    EXPECT_EQ(settings.quality, CloudTranslationQuality::advanced);
    drainEventLoop();
    EXPECT_EQ(replaced.size(), 1) << "no key on a picker replaced the original";

    // Past the pickers, Return replaces again and Ctrl+Shift+C copies.
    press(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), footer->copyButton());
    press(Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return replaced.size() == 2; }, patience));
    QSignalSpy copied(footer->copyButton(), &QPushButton::clicked);
    press(Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return copied.size() == 1; }, patience));

    // Shown again for the next translation, the keys start on the window, not on the last control.
    panel.hide();
    drainEventLoop();
    showActive();
    EXPECT_EQ(QApplication::focusWidget(), &panel);
}

TEST_F(ResultPanelKeysTest, TabLeadsFromTheTypingEditorToThePickers) {
    workflow.m_manual = true;
    workflow.setStatus(WorkflowStatus::manualInput());
    showActive();
    NativeTextEditor* editor = panel.view()->manualBody()->editor();
    editor->setFocus(Qt::OtherFocusReason);
    ASSERT_TRUE(QTest::qWaitFor([&] { return editor->hasFocus(); }, patience));

    press(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), footer->enginePicker());
    press(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), editor);
    press(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), header->targetPicker());
    EXPECT_EQ(editor->text(), QString()) << "no tab typed";
}

} // namespace
} // namespace tolvane
