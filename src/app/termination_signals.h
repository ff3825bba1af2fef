#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>

namespace tolvane {

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the main loop (through a self-pipe), so the
// application shuts down through its normal path instead of being killed mid-write.
class TerminationSignals final : public QObject {
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

Q_SIGNALS:
    void terminationRequested();

private:
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace tolvane
