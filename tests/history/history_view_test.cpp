#include "history/history_list_model.h"
#include "history/history_view.h"
#include "model/history_events.h"
#include "support/history_rows.h"
#include "support/virtual_clock.h"
#include "workflow/clipboard_writer.h"

#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace tolvane::testing {
namespace {

struct NoClipboard final : ClipboardWriter {
    void writePlainText(const QString&) override {}
};

class HistoryViewTest : public ::testing::Test {
protected:
    std::unique_ptr<HistoryView> makeView(HistoryStore& on) {
        HistoryContentContext context{&on, &clipboard, &events, &owner, [](QString) {}};
        auto view = std::make_unique<HistoryView>(context, nullptr);
        QSignalSpy loaded(view.get(), &HistoryView::loaded);
        EXPECT_TRUE(loaded.wait(10000));
        return view;
    }
    static QStringList visibleSources(const HistoryView& view) {
        QStringList sources;
        for (int row = 0; row < view.model().rowCount(); ++row)
            sources << view.model().visibleEntry(row).sourceText;
        return sources;
    }
    static void waitForChange(HistoryView& view, const std::function<void()>& change) {
        QSignalSpy finished(&view, &HistoryView::changeFinished);
        change();
        ASSERT_TRUE(finished.wait(10000));
    }

    QTemporaryDir folder;
    VirtualClock clock;
    HistoryStore store{clock, folder.filePath(QStringLiteral("History.sqlite3"))};
    NoClipboard clipboard;
    HistoryEvents events;
    QObject owner;
};

TEST_F(HistoryViewTest, SearchMatchesTextsProviderAndLanguageNameByCaseFolding) {
    writeHistoryRows(store,
                     {{QStringLiteral("hello world"), QStringLiteral("你好世界")},
                      {QStringLiteral("Guten Tag"), QStringLiteral("こんにちは"), QStringLiteral("ja")},
                      {QStringLiteral("привет мир"), QStringLiteral("街道"), QStringLiteral("zh-Hans"),
                       QStringLiteral("Ninja")}});
    auto view = makeView(store);
    const struct {
        QString query;
        QStringList sources;
    } cases[] = {
        {QStringLiteral(" \n "),
         {QStringLiteral("hello world"), QStringLiteral("Guten Tag"), QStringLiteral("привет мир")}},
        {QStringLiteral("HELLO"), {QStringLiteral("hello world")}},
        // Only the translation holds it.
        {QStringLiteral("世界"), {QStringLiteral("hello world")}},
        {QStringLiteral("日语"), {QStringLiteral("Guten Tag")}},
        // The code itself only through the texts, the provider or the name: "Ninja", not the "ja" row.
        {QStringLiteral("ja"), {QStringLiteral("привет мир")}},
        {QStringLiteral("ПРИВЕТ"), {QStringLiteral("привет мир")}},
        {QStringLiteral("zzz"), {}},
    };
    for (const auto& c : cases) {
        view->searchField()->setText(c.query);
        EXPECT_EQ(visibleSources(*view), c.sources) << c.query.toStdString();
    }
    EXPECT_FALSE(view->isShowingList());
    EXPECT_EQ(view->emptyMessage()->text(), QStringLiteral("没有匹配的历史记录"));
    EXPECT_TRUE(view->clearButton()->isEnabled());
}

TEST_F(HistoryViewTest, DeletesAndClearsKeepOrderReportFailuresAndAnnounceClears) {
    const QStringList ids = writeHistoryRows(store, {{QStringLiteral("one"), QStringLiteral("一")},
                                                     {QStringLiteral("two"), QStringLiteral("二")},
                                                     {QStringLiteral("three"), QStringLiteral("三")}});
    auto view = makeView(store);
    auto other = makeView(store);
    QSignalSpy otherLoads(other.get(), &HistoryView::loaded);
    QSignalSpy cleared(&events, &HistoryEvents::historyCleared);

    // Deleting the last match under a search shows the no-match text; the rest keep their order.
    view->searchField()->setText(QStringLiteral("two"));
    waitForChange(*view, [&] { view->deleteEntry(view->model().visibleEntry(0)); });
    EXPECT_EQ(view->emptyMessage()->text(), QStringLiteral("没有匹配的历史记录"));
    view->searchField()->clear();
    EXPECT_EQ(visibleSources(*view), (QStringList{QStringLiteral("one"), QStringLiteral("three")}));
    EXPECT_EQ(await(store.fetchHistory()).size(), 2);

    // A clear empties the list and the store, disables 清空 and is announced once: the other view reloads,
    // this one does not load again.
    waitForChange(*view, [&] { view->clearAll(); });
    EXPECT_EQ(view->model().entries().size(), 0);
    EXPECT_FALSE(view->clearButton()->isEnabled());
    EXPECT_EQ(view->emptyMessage()->text(), QStringLiteral("暂无历史记录"));
    EXPECT_EQ(cleared.size(), 1);
    ASSERT_TRUE(otherLoads.wait(10000));
    EXPECT_EQ(other->model().entries().size(), 0);
    EXPECT_TRUE(await(store.fetchHistory()).isEmpty());

    // After the store fails, a delete keeps the list and records the error, shown once nothing matches.
    writeHistoryRows(store, {{QStringLiteral("kept"), QStringLiteral("留")}});
    QSignalSpy reloaded(view.get(), &HistoryView::loaded);
    view->reload();
    ASSERT_TRUE(reloaded.wait(10000));
    await(store.close());
    // Neither a failed delete nor a failed clear changes the list or passes for done; each says why above the
    // rows it kept.
    const std::pair<std::function<void()>, QString> failures[] = {
        {[&] { view->deleteEntry(view->model().entries().first()); },
         QStringLiteral("未能删除这条历史记录（%1）。").arg(HistoryStoreError::unknownMessage())},
        {[&] { view->clearAll(); },
         QStringLiteral("未能清空翻译历史（%1），记录都还在。").arg(HistoryStoreError::unknownMessage())},
    };
    for (const auto& [change, words] : failures) {
        waitForChange(*view, change);
        EXPECT_EQ(visibleSources(*view), QStringList{QStringLiteral("kept")});
        EXPECT_EQ(view->errorMessage(), words);
        EXPECT_EQ(view->notice()->text(), words);
        EXPECT_FALSE(view->notice()->isHidden());
        EXPECT_TRUE(view->clearButton()->isEnabled());
    }
    EXPECT_EQ(cleared.size(), 1);
    view->searchField()->setText(QStringLiteral("zzz"));
    EXPECT_EQ(view->emptyMessage()->text(), failures[1].second);
    EXPECT_TRUE(view->notice()->isHidden()) << "told once, in the empty state";
}

TEST_F(HistoryViewTest, DeleteOutlivesTheViewThatStartedIt) {
    writeHistoryRows(store, {{QStringLiteral("one"), QStringLiteral("一")},
                             {QStringLiteral("two"), QStringLiteral("二")}});
    auto view = makeView(store);
    view->deleteEntry(view->model().entries().first());
    view.reset();
    auto replacement = makeView(store);
    EXPECT_EQ(visibleSources(*replacement), QStringList{QStringLiteral("two")});
    EXPECT_EQ(await(store.fetchHistory()).size(), 1);
}

} // namespace
} // namespace tolvane::testing
