// The recent-history sidebar, its row texts and the glossary editor, offscreen over real settings and a
// real history file.
#include "workspace/glossary_editor.h"
#include "workspace/history_row_text.h"
#include "workspace/signal_row.h"
#include "workspace/signal_sidebar.h"
#include "workspace_fixture.h"

#include "support/task_outcome.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

namespace tolvane::testing {
namespace {

TEST(HistoryRowText, TitlesDetailsAndUsage) {
    const QString han28(28, QChar(0x6C49));
    const QString family = QStringLiteral("👨‍👩‍👧");
    for (const auto& [source, title] : std::vector<std::pair<QString, QString>>{
             {"\n\nFirst\nSecond", "First"},
             {"a\r\nb", "a"},
             {QStringLiteral("x\u2028y"), "x"},
             {"   \nHello", "Hello"},
             {"  \n \t ", ""},
             {han28, han28},
             {han28 + QChar(0x6C49), han28 + QStringLiteral("…")},
             {family.repeated(29), family.repeated(28) + QStringLiteral("…")}})
        EXPECT_EQ(historyRowTitle(source), title) << source.toStdString();

    for (const auto& [code, shortCode] : std::vector<std::pair<QString, QString>>{
             {"zh-Hans", "ZH"}, {"en-US", "EN"}, {"pt_BR", "PT"}, {"auto", "AUTO"}, {"--", "--"}})
        EXPECT_EQ(shortLanguageCode(code), shortCode) << code.toStdString();

    const QDateTime now = QDateTime::fromString("2026-03-15T12:00:00Z", Qt::ISODate);
    HistoryEntry entry{.sourceLanguage = "en-US", .targetLanguage = "zh-Hans", .createdAt = now.addSecs(-5)};
    EXPECT_EQ(historyRowDetail(entry, now, QLocale("zh_CN")), "EN → ZH · 5秒钟前");
    EXPECT_EQ(historyRowDetail(entry, now, QLocale("en_US")), "EN → ZH · 5 SECONDS AGO");
    EXPECT_EQ(historyRowDetail(entry, now), "EN → ZH · 5秒钟前") << "the interface's Chinese unless told";
    // ICU knows the C locale as en_US_POSIX, with a singular.
    EXPECT_EQ(relativeAge(now.addSecs(-60), now, QLocale::c()), "1 minute ago");
    for (const auto& [moment, age] :
         std::vector<std::pair<QDateTime, QString>>{{now.addSecs(-120), "2 minutes ago"},
                                                    {now.addSecs(-3 * 86400 - 7200), "3 days ago"},
                                                    {now.addDays(-15), "2 weeks ago"},
                                                    {now.addYears(-1).addDays(-40), "1 year ago"},
                                                    {now, "just now"},
                                                    {now.addMSecs(-900), "just now"},
                                                    {now.addSecs(3), "just now"}})
        EXPECT_EQ(relativeAge(moment, now, QLocale("en_US")), age) << age.toStdString();
    EXPECT_EQ(relativeAge(now, now, QLocale("zh_CN")), "刚刚");

    for (const auto& [count, text] : std::vector<std::pair<qint64, QString>>{{999, "999"},
                                                                             {1000, "1K"},
                                                                             {1500, "1.5K"},
                                                                             {999999, "1000K"},
                                                                             {1000000, "1M"},
                                                                             {2500000, "2.5M"}})
        EXPECT_EQ(compactCount(count), text);
    EXPECT_EQ(quotaText(1500, 30000), "1.5K / 30K");
    EXPECT_EQ(quotaFraction(10, 0), 0);
    EXPECT_EQ(quotaFraction(40, 30), 1);
    EXPECT_DOUBLE_EQ(quotaFraction(15, 30), 0.5);
}

TEST(GlossaryEditorTest, RowsAreEditedInPlaceAndDeletedByTheirTerm) {
    VirtualClock clock;
    MemoryKeyValueStore store;
    AppSettings settings(store, clock);
    GlossaryEditor editor(settings);
    editor.show();
    EXPECT_TRUE(editor.showsEmptyState());
    EXPECT_EQ(editor.countLabel()->text(), "已启用 0 条");
    for (int i = 0; i < 3; ++i)
        editor.addButton()->click();
    ASSERT_EQ(editor.rows().size(), 3);
    EXPECT_FALSE(editor.showsEmptyState());
    drainEventLoop();
    EXPECT_TRUE(editor.rows()[2]->isVisible());

    // Typing keeps the row and the focus, stores every keystroke, and counts only complete terms.
    const QList<GlossaryRow*> rows = editor.rows();
    QApplication::setActiveWindow(&editor);
    for (int i = 0; i < 3; ++i) {
        rows[i]->sourceField()->setFocus();
        QTest::keyClicks(rows[i]->sourceField(), QStringLiteral("term%1").arg(i));
        EXPECT_EQ(editor.rows(), rows);
        EXPECT_TRUE(rows[i]->sourceField()->hasFocus());
    }
    EXPECT_EQ(settings.glossaryTerms()[1].source, "term1");
    EXPECT_EQ(editor.countLabel()->text(), "已启用 0 条") << "a blank target is listed, not counted";
    rows[2]->targetField()->setFocus();
    QTest::keyClicks(rows[2]->targetField(), "ok");
    EXPECT_EQ(editor.countLabel()->text(), "已启用 1 条");

    // Deleting the middle term leaves the others, their texts and order.
    rows[1]->deleteButton()->click();
    ASSERT_EQ(editor.rows(), (QList<GlossaryRow*>{rows[0], rows[2]}));
    EXPECT_EQ(rows[2]->sourceField()->text(), "term2");
    QTest::keyClicks(rows[2]->sourceField(), "x");
    ASSERT_EQ(settings.glossaryTerms().size(), 2);
    EXPECT_EQ(settings.glossaryTerms()[0].source, "term0");
    EXPECT_EQ(settings.glossaryTerms()[1].source, "term2x");
    rows[0]->deleteButton()->click();
    rows[2]->deleteButton()->click();
    drainEventLoop();
    EXPECT_TRUE(editor.showsEmptyState());
}

class SidebarTest : public WorkspaceTest {
protected:
    SignalSidebar* sidebar() const { return view->sidebar(); }
    void write(const QString& id, const QString& source) {
        await(history.upsertHistoryEntry(
            id, AIRequest{.sourceText = source, .sourceLanguage = "en-US", .targetLanguage = "zh-Hans"},
            "译文", "OpenAI", QDateTime::currentDateTimeUtc()));
    }
    bool listed(int rows) {
        return QTest::qWaitFor([&] { return sidebar()->rows().size() == rows; }, 10000);
    }
};

TEST_F(SidebarTest, CompletionReloadsDeletesRemoveOneRowAndFailuresShowOnlyOverAnEmptyList) {
    write("A", "first");
    coordinator.setStatus(WorkflowStatus::completed());
    ASSERT_TRUE(listed(1));
    write("B", "second");
    coordinator.setStatus(WorkflowStatus::completed());
    QTest::qWait(100);
    EXPECT_EQ(sidebar()->rows().size(), 1) << "no reload without a change into completed";
    coordinator.setStatus(WorkflowStatus::idle());
    coordinator.setStatus(WorkflowStatus::completed());
    ASSERT_TRUE(listed(2));

    write("C", "third");
    view->hide();
    view->show();
    ASSERT_TRUE(listed(3)) << "shown again, the sidebar loads";

    sidebar()->rows()[0]->trash()->click();
    ASSERT_TRUE(listed(2));
    EXPECT_EQ(sidebar()->rows()[0]->body()->title(), "second");

    // A store that fails keeps the rows; the error shows once nothing is listed.
    await(history.close());
    sidebar()->rows()[0]->trash()->click();
    QTest::qWait(100);
    ASSERT_EQ(sidebar()->rows().size(), 2);
    EXPECT_FALSE(sidebar()->loadError().isEmpty());
    EXPECT_TRUE(sidebar()->emptyText().isEmpty());
    sidebar()->openSearch();
    sidebar()->searchField()->setText("zzz");
    ASSERT_TRUE(listed(0));
    EXPECT_EQ(sidebar()->emptyText(), "历史记录读取失败");

    // A fetch still running when the sidebar goes is dropped.
    sidebar()->reload();
    view.reset();
    drainEventLoop();
}

TEST_F(SidebarTest, AStoreThatCannotBeOpenedShowsTheReadError) {
    // Its folder is a regular file.
    QFile plain(historyFolder.filePath("plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    HistoryStore broken(clock, historyFolder.filePath("plain/History.sqlite3"));
    SignalSidebar other(broken, historyEvents, settings, coordinator, false, {});
    other.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return other.emptyText() == "历史记录读取失败"; }, 10000));
    EXPECT_TRUE(other.rows().isEmpty());
}

} // namespace
} // namespace tolvane::testing
