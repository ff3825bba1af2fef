#include "core/clock.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>

namespace tolvane {
namespace {

class SystemClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTimeUtc(); }

    std::chrono::nanoseconds uptime() const override {
        return std::chrono::steady_clock::now().time_since_epoch();
    }

    ScheduledCall callAfter(std::chrono::nanoseconds d, std::function<void()> fn) override {
        auto* timer = new QTimer(QCoreApplication::instance());
        timer->setSingleShot(true);
        timer->setTimerType(Qt::PreciseTimer);
        QObject::connect(timer, &QTimer::timeout, timer, [timer, fn = std::move(fn)] {
            timer->deleteLater();
            fn();
        });
        timer->start(std::chrono::ceil<std::chrono::milliseconds>(d));
        QPointer<QTimer> guard(timer);
        return ScheduledCall([guard] {
            if (guard) {
                guard->stop();
                guard->deleteLater();
            }
        });
    }
};

} // namespace

Clock& systemClock() {
    static SystemClock clock;
    return clock;
}

} // namespace tolvane
