#include "app/long_answer_cleanup.h"

#include "../panel/result_panel_fakes.h"
#include "support/virtual_clock.h"

#include <gtest/gtest.h>

namespace tolvane {
namespace {

using testing::drainEventLoop;
using testing::RecordingPanelWorkflow;

TEST(LongAnswerCleanup, RunsOnceALongAnswerStopsStreamingAndNeverForAShortOne) {
    RecordingPanelWorkflow workflow;
    QObject owner;
    int releases = 0;
    new LongAnswerCleanup(
        &workflow, [&] { ++releases; }, &owner);
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
}

} // namespace
} // namespace tolvane
