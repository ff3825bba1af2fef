// The history window in process on the test session's desktop: the real delegate on the X11 desktop, a
// temporary home whose history database holds rows written through the store, the fake OpenAI-compatible
// service, xdotool for the pointer and keys, xclip for the clipboard as another client reads it.
#include "app/app_commands.h"
#include "app/app_delegate.h"
#include "app/history_window_controller.h"
#include "app/status_menu.h"
#include "desktop_delegate.h"
#include "history/history_list_model.h"
#include "history/history_row_layout.h"
#include "history/history_view.h"
#include "model/app_settings.h"
#include "model/history_events.h"
#include "model/keychain_store.h"
#include "scoped_environment.h"
#include "support/fake_http_server.h"
#include "support/fake_translation_replies.h"
#include "support/history_rows.h"
#include "support/image_probes.h"
#include "support/virtual_clock.h"
#include "support/x11_tools.h"
#include "workflow/workflow_coordinator.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QWindow>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace tolvane::testing {
namespace {

class HistoryWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        folders.redirectUserFolders(home.path());
        AppFactories factories;
        factories.historyContent = HistoryView::factory();
        delegate = makeDesktopDelegate(DesktopServices::x11(SessionKind::x11), std::move(factories));
        AppSettings& settings = delegate->settings();
        settings.defaults().setValue(AppDelegate::hasSeenGuideKey, true);
        settings.setTranslationEngine(TranslationEngine::openAICompatible);
        settings.setBaseURLString(openai.url(QStringLiteral("/v1")).toString());
        settings.setModel(QStringLiteral("test-model"));
        settings.setTargetLanguage(QStringLiteral("zh-Hans"));
        delegate->storage().keychainStore().saveAPIKey(QStringLiteral("sk-history"));
        openai.setHandler(
            [](const CapturedRequest& request) { return fake_replies::chatCompletion(request, 0); });
        path = delegate->storage().historyDatabasePath();
    }
    void TearDown() override { delegate.reset(); }

    void writeRows() {
        VirtualClock clock;
        HistoryStore store(clock, path);
        writeHistoryRows(store,
                         {{QStringLiteral("hello there"), QStringLiteral("你好")},
                          {QStringLiteral("good morning"), QStringLiteral("おはよう"), QStringLiteral("ja")},
                          {QStringLiteral("a third row"), QStringLiteral("第三行")}});
    }
    // Starts the delegate and opens the history window from the tray menu, its first load done.
    HistoryView* openFromTray() {
        EXPECT_TRUE(startUntilFinished(*delegate));
        QAction* item = nullptr;
        for (QAction* action : delegate->statusMenu()->menu()->actions()) {
            if (action->text().startsWith(QStringLiteral("历史记录")))
                item = action;
        }
        EXPECT_NE(item, nullptr);
        if (!item)
            return nullptr;
        item->trigger();
        return waitForContent();
    }
    HistoryView* waitForContent() {
        auto* view = qobject_cast<HistoryView*>(delegate->historyWindowController()->content());
        QSignalSpy loaded(view, &HistoryView::loaded);
        EXPECT_TRUE(loaded.wait(10000));
        QWidget* window = delegate->historyWindowController()->window();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window, 10000));
        return view;
    }
    // Clicks the row's button through the X server.
    static void click(HistoryView* view, int row, HistoryRowAction action) {
        QWidget* rowWidget = view->rowWidget(row);
        ASSERT_NE(rowWidget, nullptr);
        const QRect rect = HistoryRowLayout::compute(view->model().visibleEntry(row), rowWidget->width(),
                                                     HistoryRowStyle::of(*view))
                               .buttons[size_t(action)];
        const QPoint at = rowWidget->mapToGlobal(rect.center());
        ASSERT_TRUE(xdotool({QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y())}));
        QTest::qWait(100);
        ASSERT_TRUE(xdotool({QStringLiteral("click"), QStringLiteral("1")}));
    }

    // Presses keys through the X server into the active window.
    static void keys(const QString& chord) {
        ASSERT_TRUE(xdotool({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), chord}));
    }
    // The question the window shows, once it is up and takes the keys.
    static QMessageBox* question(QWidget* window) {
        QMessageBox* box = nullptr;
        QTest::qWaitFor(
            [&] {
                box = window->findChild<QMessageBox*>();
                return box && box->isVisible() && box->isActiveWindow();
            },
            10000);
        return box && box->isVisible() ? box : nullptr;
    }
    static void answer(QMessageBox* box, const QString& button) {
        for (QAbstractButton* candidate : box->buttons()) {
            if (candidate->text() == button)
                QTest::mouseClick(candidate, Qt::LeftButton);
        }
    }

    QTemporaryDir home;
    ScopedEnvironment folders;
    FakeHttpServer openai;
    std::unique_ptr<AppDelegate> delegate;
    QString path;
};

TEST_F(HistoryWindow, TrayOpensTheSearchableListWhoseRowsCopyAndTranslateAgain) {
    writeRows();
    HistoryView* view = openFromTray();
    ASSERT_NE(view, nullptr);
    QWidget* window = delegate->historyWindowController()->window();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("翻译历史"));
    EXPECT_EQ(window->size(), QSize(720, 560));
    const QRect available = window->screen()->availableGeometry();
    // Centred to within the window manager's frame, which is only known once the window is mapped.
    const QRect frame = window->frameGeometry();
    EXPECT_LE((frame.center() - available.center()).manhattanLength(), frame.height() - window->height() + 2);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->isActiveWindow(); }, 10000));
    ASSERT_EQ(view->model().rowCount(), 3);
    const QString first = view->model().index(0).data(Qt::AccessibleTextRole).toString();
    for (const QString& part :
         {HistoryListModel::dateText(view->model().visibleEntry(0)),
          HistoryListModel::timeText(view->model().visibleEntry(0)), QStringLiteral("OpenAI 兼容"),
          QStringLiteral("hello there"), QStringLiteral("你好")})
        EXPECT_TRUE(first.contains(part)) << first.toStdString();
    EXPECT_EQ(view->model().visibleEntry(2).sourceText, QStringLiteral("a third row"));

    // Search: typed letters match either case; a language's name finds rows in it; nothing found keeps 清空.
    view->searchField()->setFocus();
    ASSERT_TRUE(xdotool(
        {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), QStringLiteral("HELLO")}));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return view->searchField()->text() == QStringLiteral("HELLO"); }, 10000));
    ASSERT_EQ(view->model().rowCount(), 1);
    EXPECT_EQ(view->model().visibleEntry(0).sourceText, QStringLiteral("hello there"));
    view->searchField()->setText(QStringLiteral("日语"));
    ASSERT_EQ(view->model().rowCount(), 1);
    EXPECT_EQ(view->model().visibleEntry(0).sourceText, QStringLiteral("good morning"));
    view->searchField()->setText(QStringLiteral("zzz"));
    EXPECT_TRUE(view->emptyMessage()->isVisible());
    EXPECT_EQ(view->emptyMessage()->text(), QStringLiteral("没有匹配的历史记录"));
    EXPECT_TRUE(view->clearButton()->isEnabled());
    view->searchField()->setText(QStringLiteral("   "));
    ASSERT_EQ(view->model().rowCount(), 3);

    // Copy: the desktop clipboard holds exactly the text, offered as text only.
    click(view, 1, HistoryRowAction::copyResult);
    EXPECT_TRUE(QTest::qWaitFor([&] { return desktopClipboard() == QStringLiteral("おはよう"); }, 10000))
        << desktopClipboard().toStdString();
    const QStringList targets = desktopClipboard({QStringLiteral("-t"), QStringLiteral("TARGETS")})
                                    .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const QStringList meta{QStringLiteral("TARGETS"), QStringLiteral("MULTIPLE"), QStringLiteral("TIMESTAMP"),
                           QStringLiteral("SAVE_TARGETS")};
    const QStringList text{QStringLiteral("UTF8_STRING"), QStringLiteral("STRING"), QStringLiteral("TEXT"),
                           QStringLiteral("COMPOUND_TEXT")};
    for (const QString& target : targets)
        EXPECT_TRUE(meta.contains(target) || text.contains(target) ||
                    target.startsWith(QStringLiteral("text/plain")))
            << target.toStdString();
    click(view, 0, HistoryRowAction::copySource);
    EXPECT_TRUE(QTest::qWaitFor([&] { return desktopClipboard() == QStringLiteral("hello there"); }, 10000));

    // Text selected in a row stays selected (and copyable) while the pointer moves on to another row.
    const QPointer<QLabel> source = view->rowWidget(0)->findChild<QLabel*>(QStringLiteral("historySource"));
    ASSERT_TRUE(source);
    const QPoint from = source->mapToGlobal(QPoint(1, source->height() / 2));
    const auto pointer = [](const QString& verb, QPoint at = {}) {
        return xdotool(verb == QStringLiteral("mousemove")
                           ? QStringList{verb, QString::number(at.x()), QString::number(at.y())}
                           : QStringList{verb, QStringLiteral("1")});
    };
    ASSERT_TRUE(pointer(QStringLiteral("mousemove"), from) && pointer(QStringLiteral("mousedown")) &&
                pointer(QStringLiteral("mousemove"), from + QPoint(40, 0)) &&
                pointer(QStringLiteral("mousemove"), from + QPoint(60, 0)) &&
                pointer(QStringLiteral("mouseup")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return source && !source->selectedText().isEmpty(); }, 10000));
    const QRect last = view->listView()->visualRect(view->model().index(2));
    ASSERT_TRUE(
        pointer(QStringLiteral("mousemove"), view->listView()->viewport()->mapToGlobal(last.center())));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return view->listView()->indexWidget(view->model().index(2)); }, 10000));
    ASSERT_TRUE(source);
    EXPECT_FALSE(source->selectedText().isEmpty());

    // Translate again: the main window comes forward and one request for that source reaches the service,
    // the history window staying open.
    // (That row was translated into Japanese; the memory holds no Chinese translation of it.)
    click(view, 1, HistoryRowAction::reuse);
    EXPECT_TRUE(QTest::qWaitFor([&] { return openai.requests().size() == 1; }, 10000));
    ASSERT_EQ(openai.requests().size(), 1);
    EXPECT_TRUE(openai.requests().first().body.contains("good morning"));
    EXPECT_TRUE(delegate->mainWindowController()->window()->isVisible());
    EXPECT_TRUE(window->isVisible());
}

TEST_F(HistoryWindow, DeleteAndClearReachTheDatabaseAndCloseAndReopenStartsAfresh) {
    writeRows();
    HistoryView* view = openFromTray();
    ASSERT_NE(view, nullptr);
    QSignalSpy cleared(&delegate->historyEvents(), &HistoryEvents::historyCleared);

    click(view, 0, HistoryRowAction::remove);
    EXPECT_TRUE(QTest::qWaitFor([&] { return view->model().rowCount() == 2; }, 10000));
    EXPECT_EQ(view->model().visibleEntry(0).sourceText, QStringLiteral("good morning"));
    EXPECT_EQ(storedRowCount(path, "history"), 2);

    // Ctrl+W hides the window; showing it again builds a fresh view with an empty search that loads again.
    view->searchField()->setText(QStringLiteral("morning"));
    QWidget* window = delegate->historyWindowController()->window();
    ASSERT_TRUE(
        xdotool({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), QStringLiteral("ctrl+w")}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window->isVisible(); }, 10000));
    delegate->presentHistoryWindow();
    HistoryView* fresh = waitForContent();
    ASSERT_NE(fresh, view);
    EXPECT_TRUE(fresh->searchField()->text().isEmpty());
    EXPECT_EQ(fresh->model().rowCount(), 2);

    // 清空 asks the settings' question first; Return answers with the default, 取消, and nothing is deleted.
    QTest::mouseClick(fresh->clearButton(), Qt::LeftButton);
    QMessageBox* box = question(window);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), QStringLiteral("清空翻译历史？"));
    EXPECT_EQ(box->informativeText(),
              QStringLiteral("此操作会删除保存在这台电脑上的翻译历史和本地翻译记忆，且无法撤销。"));
    ASSERT_NE(box->defaultButton(), nullptr);
    EXPECT_EQ(box->defaultButton()->text(), QStringLiteral("取消"));
    keys(QStringLiteral("Return"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window->findChild<QMessageBox*>(); }, 10000));
    QTest::qWait(200);
    EXPECT_EQ(cleared.size(), 0);
    EXPECT_EQ(fresh->model().rowCount(), 2);
    EXPECT_EQ(storedRowCount(path, "history"), 2);
    QTest::mouseClick(fresh->clearButton(), Qt::LeftButton);
    box = question(window);
    ASSERT_NE(box, nullptr);
    answer(box, QStringLiteral("清空"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return cleared.size() == 1; }, 10000));
    EXPECT_EQ(fresh->model().rowCount(), 0);
    EXPECT_FALSE(fresh->clearButton()->isEnabled());
    EXPECT_EQ(storedRowCount(path, "history"), 0);
    EXPECT_EQ(storedRowCount(path, "memory"), 0);
}

// Rows from the keyboard alone: Tab from the search field, Up/Down select with a visible mark, Return
// translates again, Ctrl+C / Ctrl+Shift+C copy the translation / the original, Delete asks before it deletes.
TEST_F(HistoryWindow, KeyboardSelectsRowsAndRunsTheirActions) {
    writeRows();
    HistoryView* view = openFromTray();
    ASSERT_NE(view, nullptr);
    QWidget* window = delegate->historyWindowController()->window();
    HistoryListView* list = view->listView();
    // The main window may still come up from the start: the keys go to this window once it is active.
    window->activateWindow();
    view->searchField()->setFocus();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return window->isActiveWindow() && view->searchField()->hasFocus(); }, 10000));
    // Tab through Qt's own focus chain: the session's keyboard may still carry a modifier of an earlier test.
    QTest::keyClick(view->searchField(), Qt::Key_Tab);
    ASSERT_TRUE(QTest::qWaitFor([&] { return list->hasFocus(); }, 10000))
        << (QApplication::focusWidget() ? QApplication::focusWidget()->metaObject()->className() : "none");
    // The focus lands on the first (newest) row, and its keys act on it: both copies, and Delete asks
    // about it (Escape keeps it).
    ASSERT_TRUE(QTest::qWaitFor([&] { return list->currentIndex().row() == 0; }, 10000));
    const auto copiesGive = [&](const HistoryEntry& entry) {
        const struct {
            const char* chord;
            QString clipboard;
        } copies[] = {{"ctrl+c", entry.resultText}, {"ctrl+shift+c", entry.sourceText}};
        for (const auto& copy : copies) {
            keys(QLatin1String(copy.chord));
            EXPECT_TRUE(QTest::qWaitFor([&] { return desktopClipboard() == copy.clipboard; }, 10000))
                << copy.chord << " gave " << desktopClipboard().toStdString();
        }
    };
    ASSERT_EQ(view->model().visibleEntry(0).sourceText, QStringLiteral("hello there"));
    copiesGive(view->model().visibleEntry(0));
    keys(QStringLiteral("Delete"));
    QMessageBox* first = question(window);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->informativeText(), QStringLiteral("hello there"));
    keys(QStringLiteral("Escape"));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !window->findChild<QMessageBox*>() && list->hasFocus(); }, 10000));
    EXPECT_EQ(storedRowCount(path, "history"), 3);
    // Return translates the first row again in the main window (answered from the translation memory).
    keys(QStringLiteral("Return"));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return delegate->workflow().sourceText() == QStringLiteral("hello there"); }, 10000))
        << delegate->workflow().sourceText().toStdString();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->isActiveWindow() && list->hasFocus(); }, 10000));

    // Down selects the next.
    keys(QStringLiteral("Down"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return list->currentIndex().row() == 1; }, 10000));
    EXPECT_EQ(list->selectionModel()->selectedIndexes(), QModelIndexList{view->model().index(1)});
    // The mark is drawn: the selected row's ground differs from the window's list ground.
    const QImage shot = list->viewport()->grab().toImage();
    const QRect selected = list->visualRect(view->model().index(1));
    const QColor ground = list->viewport()->palette().color(QPalette::Base);
    EXPECT_GT(countPixels(
                  shot, [&](const QColor& c) { return c != ground; },
                  QRect(selected.left() + 4, selected.top() + 3, selected.width() - 8, 1)),
              selected.width() / 2);

    ASSERT_EQ(view->model().visibleEntry(1).resultText, QStringLiteral("おはよう"));
    copiesGive(view->model().visibleEntry(1));
    const qint64 rowsBefore = storedRowCount(path, "history");
    keys(QStringLiteral("Return"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return openai.requests().size() == 1; }, 10000));
    ASSERT_EQ(openai.requests().size(), 1);
    EXPECT_TRUE(openai.requests().first().body.contains("good morning"));
    // That translation is recorded as a new row (the list shows it after a reload).
    EXPECT_TRUE(QTest::qWaitFor([&] { return storedRowCount(path, "history") == rowsBefore + 1; }, 10000));

    // Delete asks; Escape keeps the row, 删除 removes it from the list and the database.
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->isActiveWindow() && list->hasFocus(); }, 10000));
    const qint64 stored = storedRowCount(path, "history");
    keys(QStringLiteral("Delete"));
    QMessageBox* box = question(window);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->informativeText(), QStringLiteral("good morning"));
    keys(QStringLiteral("Escape"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window->findChild<QMessageBox*>(); }, 10000));
    EXPECT_EQ(storedRowCount(path, "history"), stored);
    ASSERT_TRUE(QTest::qWaitFor([&] { return list->hasFocus(); }, 10000));
    keys(QStringLiteral("Delete"));
    box = question(window);
    ASSERT_NE(box, nullptr);
    QSignalSpy changed(view, &HistoryView::changeFinished);
    answer(box, QStringLiteral("删除"));
    ASSERT_TRUE(changed.wait(10000));
    EXPECT_EQ(storedRowCount(path, "history"), stored - 1);
    ASSERT_EQ(view->model().rowCount(), 2);
    EXPECT_EQ(view->model().visibleEntry(1).sourceText, QStringLiteral("a third row"));
    // The keys go on with the row that took the deleted one's place: it is current and selected, and the
    // next Delete asks about it.
    ASSERT_TRUE(QTest::qWaitFor([&] { return list->hasFocus(); }, 10000));
    EXPECT_EQ(list->currentIndex().row(), 1);
    EXPECT_EQ(list->selectionModel()->selectedIndexes(), QModelIndexList{view->model().index(1)});
    keys(QStringLiteral("Delete"));
    box = question(window);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->informativeText(), QStringLiteral("a third row"));
    keys(QStringLiteral("Escape"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window->findChild<QMessageBox*>(); }, 10000));
}

// The Delete question for a row of 17,800 characters quotes only its start, ends in an ellipsis and fits
// the screen with its buttons; it is titled with the product's name, and its 删除 removes the whole row.
TEST_F(HistoryWindow, DeleteQuestionForAHugeRowFitsTheScreen) {
    QString source;
    for (int i = 0; source.size() < 17800; ++i)
        source += (i % 7 == 6 ? QStringLiteral("一段很长的中文句子，没有换行也没有空格。\n")
                              : QStringLiteral("A long line of the row without a break %1 ").arg(i));
    source.truncate(17800);
    {
        VirtualClock clock;
        HistoryStore store(clock, path);
        writeHistoryRows(store, {{source, QStringLiteral("很长")}});
    }
    HistoryView* view = openFromTray();
    ASSERT_NE(view, nullptr);
    QWidget* window = delegate->historyWindowController()->window();
    HistoryListView* list = view->listView();
    window->activateWindow();
    list->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->isActiveWindow() && list->hasFocus(); }, 10000));
    keys(QStringLiteral("Delete"));
    QMessageBox* box = question(window);
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(box, 10000));
    EXPECT_EQ(box->windowTitle(), QStringLiteral("Ondrel"));
    const QString shown = box->informativeText();
    EXPECT_TRUE(shown.endsWith(QChar(0x2026))) << shown.right(20).toStdString();
    EXPECT_LT(shown.size(), 1000);
    EXPECT_TRUE(source.startsWith(shown.left(30))) << shown.left(30).toStdString();
    const QRect screen = box->screen()->availableGeometry();
    EXPECT_TRUE(screen.contains(box->frameGeometry()))
        << box->frameGeometry().height() << " px tall on " << screen.height();
    for (QAbstractButton* button : box->buttons())
        EXPECT_TRUE(screen.contains(QRect(button->mapToGlobal(QPoint(0, 0)), button->size())))
            << button->text().toStdString();

    QSignalSpy changed(view, &HistoryView::changeFinished);
    answer(box, QStringLiteral("删除"));
    ASSERT_TRUE(changed.wait(10000));
    EXPECT_EQ(storedRowCount(path, "history"), 0);
}

// Copying from a row's text gives the stored text behind the selection: no line breaks where the row wraps,
// no "…" where it is cut; with nothing selected, the whole stored text.
TEST_F(HistoryWindow, CopyingFromARowGivesTheStoredTextNotTheLaidOutLines) {
    const QString sentence =
        QStringLiteral("A sentence long enough to wrap across the width of the window. ");
    const QString longText = sentence.repeated(8).trimmed();
    {
        VirtualClock clock;
        HistoryStore store(clock, path);
        writeHistoryRows(store, {{longText, QStringLiteral("短")}});
    }
    HistoryView* view = openFromTray();
    ASSERT_NE(view, nullptr);
    QWidget* row = view->rowWidget(0);
    ASSERT_NE(row, nullptr);
    auto* source = row->findChild<QLabel*>(QStringLiteral("historySource"));
    ASSERT_TRUE(source->text().contains(QLatin1Char('\n')) && source->text().endsWith(QChar(0x2026)));
    const qsizetype firstBreak = source->text().indexOf(QLatin1Char('\n'));
    const struct {
        int start;
        int length;
        QString copied;
    } cases[] = {
        // Across the first wrap: the space the wrap stood for, no line break.
        {int(firstBreak) - 5, 11, longText.mid(firstBreak - 5, 11)},
        // Everything shown, "…" included: the whole stored text.
        {0, int(source->text().size()), longText},
        // Nothing selected: the whole stored text.
        {0, 0, longText},
    };
    for (const auto& c : cases) {
        source->setFocus();
        if (c.length > 0)
            source->setSelection(c.start, c.length);
        else
            source->setSelection(0, 0);
        QTest::keyClick(source, Qt::Key_C, Qt::ControlModifier);
        EXPECT_TRUE(QTest::qWaitFor([&] { return desktopClipboard() == c.copied; }, 10000))
            << c.start << "+" << c.length << " gave " << desktopClipboard().toStdString();
    }
}

// A mouse selection across a row's wrap offers the stored text behind it as PRIMARY (middle-click paste),
// as copying does: the space the wrap stood for, no line break; so does the selection extended by keys.
TEST_F(HistoryWindow, AMouseSelectionOffersTheStoredTextAsThePrimarySelection) {
    const QString longText = QStringLiteral("A sentence long enough to wrap across the width of the window. ")
                                 .repeated(8)
                                 .trimmed();
    {
        VirtualClock clock;
        HistoryStore store(clock, path);
        writeHistoryRows(store, {{longText, QStringLiteral("短")}});
    }
    HistoryView* view = openFromTray();
    ASSERT_NE(view, nullptr);
    QWidget* window = delegate->historyWindowController()->window();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->isActiveWindow(); }, 10000));
    QWidget* row = view->rowWidget(0);
    ASSERT_NE(row, nullptr);
    auto* source = row->findChild<QLabel*>(QStringLiteral("historySource"));
    const qsizetype firstBreak = source->text().indexOf(QLatin1Char('\n'));
    ASSERT_GT(firstBreak, 0);

    // From the first line's start into the second line, as a user drags.
    const int line = source->fontMetrics().lineSpacing();
    const QPoint from = source->mapToGlobal(QPoint(2, line / 2));
    const QPoint to = source->mapToGlobal(QPoint(source->width() / 3, line + line / 2));
    const auto at = [](const QPoint& point) {
        return QStringList{QStringLiteral("mousemove"), QString::number(point.x()),
                           QString::number(point.y())};
    };
    ASSERT_TRUE(xdotool(at(from)));
    ASSERT_TRUE(xdotool({QStringLiteral("mousedown"), QStringLiteral("1")}));
    ASSERT_TRUE(xdotool(at(to)));
    ASSERT_TRUE(xdotool({QStringLiteral("mouseup"), QStringLiteral("1")}));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return source->selectionStart() >= 0 && source->hasSelectedText(); }, 10000));
    const int start = source->selectionStart();
    const int length = int(source->selectedText().size());
    ASSERT_LT(start, firstBreak);
    ASSERT_GT(start + length, firstBreak) << "the selection crosses the wrap";

    const QString expected = longText.mid(start, length);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return desktopSelectionText(QStringLiteral("primary")) == expected; }, 10000))
        << desktopSelectionText(QStringLiteral("primary")).toStdString();

    // Extended by the keyboard to the second line's end: still the stored text.
    ASSERT_TRUE(xdotool({QStringLiteral("key"), QStringLiteral("shift+End")}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return source->selectedText().size() > length; }, 10000));
    const QString extended = longText.mid(start, source->selectedText().size());
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return desktopSelectionText(QStringLiteral("primary")) == extended; }, 10000))
        << desktopSelectionText(QStringLiteral("primary")).toStdString();
}

TEST_F(HistoryWindow, DatabaseThatCannotBeOpenedShowsItsErrorUnderTheClock) {
    // A file where the database's folder should be.
    const QString folder = QFileInfo(path).path();
    ASSERT_TRUE(QDir(folder).removeRecursively() && QDir().mkpath(QFileInfo(folder).path()));
    QFile blocker(folder);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    HistoryView* view = openFromTray();
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->emptyMessage()->isVisible());
    EXPECT_EQ(view->emptyMessage()->text(), HistoryStoreError::unknownMessage());
    EXPECT_TRUE(view->emptyMessage()->textInteractionFlags() & Qt::TextSelectableByMouse);
    EXPECT_FALSE(view->clearButton()->isEnabled());
    EXPECT_TRUE(view->searchField()->text().isEmpty());
}

// Three rows in the desktop's look, grabbed from the screen: the window's size, the search field's width,
// the source cut at three lines and the result at four (each ending in "…"), the palette's ground.
TEST_F(HistoryWindow, ThreeRowsInTheDesktopLook) {
    const QString longText =
        QStringLiteral("A sentence long enough to wrap across the width of the window. ").repeated(8);
    VirtualClock clock;
    {
        HistoryStore store(clock, path);
        writeHistoryRows(
            store, {{longText, longText},
                    {QStringLiteral("hello there"), QStringLiteral("你好")},
                    {QStringLiteral("good morning"), QStringLiteral("おはよう"), QStringLiteral("ja")}});
    }
    HistoryView* view = openFromTray();
    ASSERT_NE(view, nullptr);
    QWidget* window = delegate->historyWindowController()->window();
    QTest::qWait(300);
    const QImage image =
        window->screen()
            ->grabWindow(0, window->geometry().x(), window->geometry().y(), window->width(), window->height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    QString folder = qEnvironmentVariable("TOLVANE_SNAPSHOT_DIR");
    if (folder.isEmpty())
        folder = QCoreApplication::applicationDirPath() + QStringLiteral("/history_snapshots");
    QDir().mkpath(folder);
    image.save(folder + QStringLiteral("/history-window.png"));

    EXPECT_EQ(image.size(), QSize(720, 560));
    EXPECT_LE(view->searchField()->width(), 280);
    const QColor ground = view->listView()->viewport()->palette().color(QPalette::Base);
    const QPoint blank =
        view->listView()->viewport()->mapTo(window, QPoint(view->listView()->viewport()->width() / 2, 8));
    EXPECT_EQ(image.pixelColor(blank), ground);
    EXPECT_NE(image.pixelColor(blank), QColor(0x0B, 0x0A, 0x09));

    // Lines of ink (text lines) inside the row's source and result boxes.
    const HistoryRowLayout row = HistoryRowLayout::compute(
        view->model().visibleEntry(0), view->listView()->viewport()->width(), HistoryRowStyle::of(*view));
    const QPoint origin = view->listView()->viewport()->mapTo(
        window, view->listView()->visualRect(view->model().index(0)).topLeft());
    const auto inkLines = [&](QRect box) {
        box.translate(origin);
        int lines = 0;
        bool inLine = false;
        for (int y = box.top(); y <= box.bottom() + 2; ++y) {
            const bool ink =
                countPixels(
                    image, [&](const QColor& c) { return std::abs(c.lightness() - ground.lightness()) > 80; },
                    QRect(box.left(), y, box.width(), 1)) > 0;
            lines += ink && !inLine ? 1 : 0;
            inLine = ink;
        }
        return lines;
    };
    EXPECT_EQ(inkLines(row.source), HistoryRowLayout::sourceLines);
    EXPECT_EQ(inkLines(row.result), HistoryRowLayout::resultLines);
    EXPECT_TRUE(row.sourceText.endsWith(QChar(0x2026)) && row.resultText.endsWith(QChar(0x2026)));
}

} // namespace
} // namespace tolvane::testing
