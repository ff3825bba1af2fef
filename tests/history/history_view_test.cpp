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

struct RecordingClipboard final : ClipboardWriter {
    void writePlainText(const QString& text) override { written << text; }
    QStringList written;
};

class HistoryViewTest : public ::testing::Test {
protected:
    std::unique_ptr<HistoryView> makeView(HistoryStore& on) {
        HistoryContentContext context{&on, &clipboard, &events, &owner,
                                      [this](QString source) { reused << source; }};
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
    RecordingClipboard clipboard;
    HistoryEvents events;
    QObject owner;
    QStringList reused;
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
    waitForChange(*view, [&] { view->deleteEntry(view->model().entries().first()); });
    EXPECT_EQ(visibleSources(*view), QStringList{QStringLiteral("kept")});
    EXPECT_EQ(view->errorMessage(), HistoryStoreError::unknownMessage());
    view->searchField()->setText(QStringLiteral("zzz"));
    EXPECT_EQ(view->emptyMessage()->text(), HistoryStoreError::unknownMessage());
}

TEST_F(HistoryViewTest, FailedLoadShowsTheSelectableErrorUnderTheClock) {
    QFile blocker(folder.filePath(QStringLiteral("blocker")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    HistoryStore broken(clock, folder.filePath(QStringLiteral("blocker/History.sqlite3")));
    auto view = makeView(broken);
    EXPECT_FALSE(view->isShowingList());
    EXPECT_EQ(view->emptyMessage()->text(), HistoryStoreError::unknownMessage());
    EXPECT_TRUE(view->emptyMessage()->textInteractionFlags() & Qt::TextSelectableByMouse);
    EXPECT_FALSE(view->clearButton()->isEnabled());
}

TEST_F(HistoryViewTest, RowButtonsCopyReuseAndDelete) {
    writeHistoryRows(store, {{QStringLiteral("source text"), QStringLiteral("译文")}});
    auto view = makeView(store);
    view->resize(720, 500);
    view->show();
    QWidget* row = view->rowWidget(0);
    ASSERT_NE(row, nullptr);
    const auto button = [&](const QString& help) {
        for (QToolButton* candidate : row->findChildren<QToolButton*>()) {
            if (candidate->toolTip() == help)
                return candidate;
        }
        return static_cast<QToolButton*>(nullptr);
    };
    ASSERT_NE(button(QStringLiteral("删除此历史记录")), nullptr);
    EXPECT_EQ(button(QStringLiteral("删除此历史记录"))->accessibleName(),
              QStringLiteral("删除历史记录：source text"));
    button(QStringLiteral("复制译文"))->click();
    button(QStringLiteral("复制原文"))->click();
    button(QStringLiteral("再次翻译"))->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return reused.size() == 1; }, 10000));
    EXPECT_EQ(clipboard.written, (QStringList{QStringLiteral("译文"), QStringLiteral("source text")}));
    EXPECT_EQ(reused, QStringList{QStringLiteral("source text")});
    QSignalSpy finished(view.get(), &HistoryView::changeFinished);
    button(QStringLiteral("删除此历史记录"))->click();
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_TRUE(await(store.fetchHistory()).isEmpty());
}

// The view that started a delete is destroyed in the same turn: the delete still runs to its end, before
// the next view's load, and its result reaches no view.
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
