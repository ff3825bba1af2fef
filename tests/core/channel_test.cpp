#include "core/app_error.h"
#include "core/async/async_channel.h"
#include "core/async/task.h"
#include "core/logging.h"
#include "support/virtual_clock.h"

#include <gtest/gtest.h>

using tolvane::testing::drainEventLoop;

namespace tolvane {
namespace {

using Channel = AsyncChannel<QString>;

struct Outcome {
    QStringList values;
    QString error;
    bool ended = false;
};

QCoro::Task<> consume(Channel::Reader reader, std::shared_ptr<Outcome> outcome, CancellationToken token) {
    try {
        while (auto value = co_await reader.next(token))
            outcome->values << *value;
        outcome->ended = true;
    } catch (const std::exception& error) {
        outcome->error = describeError(error);
    }
}

TEST(AsyncChannel, DeliversBufferedValuesInOrderThenTheError) {
    auto [writer, reader] = Channel::create();
    for (int i = 0; i < 1000; ++i)
        EXPECT_TRUE(writer.send(QString::number(i)));
    writer.fail(std::make_exception_ptr(DecodingError(QStringLiteral("stream broke"))));
    EXPECT_FALSE(writer.send(QStringLiteral("late"))) << "nothing is accepted after the end";
    auto outcome = std::make_shared<Outcome>();
    QObject context;
    spawn(&context, lcAsync(), [r = std::make_shared<Channel::Reader>(std::move(reader)), outcome](CancellationToken t) {
        return consume(std::move(*r), outcome, t);
    });
    drainEventLoop();
    ASSERT_EQ(outcome->values.size(), 1000);
    EXPECT_EQ(outcome->values.first(), "0");
    EXPECT_EQ(outcome->values.last(), "999");
    EXPECT_EQ(outcome->error, "stream broke");
}

TEST(AsyncChannel, WaitingConsumerSeesValuesSentLaterAndTheEnd) {
    auto [writer, reader] = Channel::create();
    auto outcome = std::make_shared<Outcome>();
    QObject context;
    spawn(&context, lcAsync(), [r = std::make_shared<Channel::Reader>(std::move(reader)), outcome](CancellationToken t) {
        return consume(std::move(*r), outcome, t);
    });
    drainEventLoop();
    writer.send(QStringLiteral("a"));
    writer.send(QStringLiteral("b"));
    EXPECT_TRUE(outcome->values.isEmpty()) << "the consumer resumes on a later turn";
    drainEventLoop();
    writer.send(QStringLiteral("c"));
    writer.finish();
    EXPECT_FALSE(writer.send(QStringLiteral("d")));
    drainEventLoop();
    EXPECT_EQ(outcome->values, (QStringList{"a", "b", "c"}));
    EXPECT_TRUE(outcome->ended);
}

TEST(AsyncChannel, ReaderGoingAwayCancelsTheProducer) {
    auto [writer, reader] = Channel::create();
    bool producerStopped = false;
    auto registration = writer.token().onCancel([&] { producerStopped = true; });
    writer.send(QStringLiteral("unread"));
    { Channel::Reader gone = std::move(reader); }
    EXPECT_TRUE(producerStopped);
    EXPECT_TRUE(writer.token().isCancelled());
    EXPECT_FALSE(writer.send(QStringLiteral("after close")));
}

TEST(AsyncChannel, CancelledNextThrowsAndTheChannelStaysUsable) {
    auto [writer, reader] = Channel::create();
    auto shared = std::make_shared<Channel::Reader>(std::move(reader));
    auto outcome = std::make_shared<Outcome>();
    QObject context;
    TaskHandle task = spawn(&context, lcAsync(), [shared, outcome](CancellationToken t) {
        return [](std::shared_ptr<Channel::Reader> r, std::shared_ptr<Outcome> o,
                  CancellationToken token) -> QCoro::Task<> {
            try {
                co_await r->next(token);
            } catch (const CancelledError&) {
                o->error = QStringLiteral("cancelled");
            }
        }(shared, outcome, t);
    });
    drainEventLoop();
    task.cancel();
    drainEventLoop();
    EXPECT_EQ(outcome->error, "cancelled");

    // A later reader call waits normally again.
    auto second = std::make_shared<Outcome>();
    spawn(&context, lcAsync(), [shared, second](CancellationToken t) {
        return consume(std::move(*shared), second, t);
    });
    drainEventLoop();
    writer.send(QStringLiteral("x"));
    writer.finish();
    drainEventLoop();
    EXPECT_EQ(second->values, QStringList{"x"});
    EXPECT_TRUE(second->ended);
}

} // namespace
} // namespace tolvane
