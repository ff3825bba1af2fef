#include "app/first_frame_gate.h"

#include <QPaintEvent>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

namespace tolvane {
namespace {

// Counts its paints, so the work can tell whether the window had drawn before it ran.
class PaintCounter final : public QWidget {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
};

TEST(FirstFrameGate, WorkRunsOnceAfterEveryWindowDrewAndNeverWithoutItsContext) {
    PaintCounter first;
    PaintCounter second;
    first.show();
    second.show();
    QObject context;
    int runs = 0;
    int paintsSeen = 0;
    FirstFrameGate::runAfter({&first, &second}, &context, [&] {
        ++runs;
        paintsSeen = std::min(first.paints, second.paints);
    });
    EXPECT_EQ(runs, 0) << "nothing runs before the event loop turns";
    ASSERT_TRUE(QTest::qWaitFor([&] { return runs == 1; }, 10000));
    EXPECT_GE(paintsSeen, 1) << "both windows had drawn when the work ran";
    QTest::qWait(FirstFrameGate::defaultFallback.count() + 100);
    EXPECT_EQ(runs, 1) << "the fallback does not run it again";

    // A gate whose context is gone runs nothing.
    auto gone = std::make_unique<QObject>();
    bool ran = false;
    PaintCounter third;
    third.show();
    FirstFrameGate::runAfter({&third}, gone.get(), [&] { ran = true; });
    gone.reset();
    QTest::qWait(100);
    EXPECT_FALSE(ran);
}

TEST(FirstFrameGate, WindowThatIsNeverExposedHoldsTheWorkBackOnlyUntilTheFallback) {
    QWidget never;
    never.winId(); // a native window that is never shown
    QObject context;
    bool ran = false;
    FirstFrameGate::runAfter(
        {&never}, &context, [&] { ran = true; }, std::chrono::milliseconds(50));
    QTest::qWait(10);
    EXPECT_FALSE(ran);
    EXPECT_TRUE(QTest::qWaitFor([&] { return ran; }, 10000));
}

} // namespace
} // namespace tolvane
