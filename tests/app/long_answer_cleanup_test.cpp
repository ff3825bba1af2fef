#include "app/long_answer_cleanup.h"

#include "../panel/result_panel_fakes.h"
#include "support/virtual_clock.h"

#include <QTest>
#include <gtest/gtest.h>

namespace tolvane {
namespace {

using testing::drainEventLoop;
using testing::RecordingPanelWorkflow;

TEST(LongAnswerCleanup, RunsOnceALongAnswerStopsStreamingAndIsShownAndNeverForAShortOne) {
    RecordingPanelWorkflow workflow;
    QObject owner;
    int releases = 0;
    bool shown = true;
    new LongAnswerCleanup(
        &workflow, [&] { return shown; }, [&] { ++releases; }, &owner);
    const QString longAnswer(LongAnswerCleanup::kLongAnswerLength, QLatin1Char('a'));

    // A short answer ends: nothing to give back.
    workflow.setStatus(WorkflowStatus::streaming());
    workflow.setResult(QStringLiteral("short"));
    workflow.setStatus(WorkflowStatus::completed());
    drainEventLoop();
    EXPECT_EQ(releases, 0);

    // A long answer: nothing while it streams, once on a later turn when it is cut off.
    workflow.setStatus(WorkflowStatus::streaming());
    workflow.setResult(longAnswer);
    drainEventLoop();
    EXPECT_EQ(releases, 0);
    workflow.setStatus(WorkflowStatus::failed(QStringLiteral("too long")));
    EXPECT_EQ(releases, 0);
    drainEventLoop();
    EXPECT_EQ(releases, 1);

    // A long text shown without streaming (from the history) is no answer that grew here.
    workflow.setStatus(WorkflowStatus::completed());
    drainEventLoop();
    EXPECT_EQ(releases, 1);

    // A stop ends a long answer too.
    workflow.setResult(QString());
    workflow.setStatus(WorkflowStatus::streaming());
    workflow.setResult(longAnswer + QLatin1Char('b'));
    workflow.setStatus(WorkflowStatus::cancelled());
    drainEventLoop();
    EXPECT_EQ(releases, 2);

    // The views still laying the answer out: only once they have shown all of it.
    shown = false;
    workflow.setStatus(WorkflowStatus::streaming());
    workflow.setStatus(WorkflowStatus::completed());
    QTest::qWait(3 * LongAnswerCleanup::kShownCheckIntervalMs);
    EXPECT_EQ(releases, 2);
    shown = true;
    EXPECT_TRUE(QTest::qWaitFor([&] { return releases == 3; }));
}

} // namespace
} // namespace tolvane
