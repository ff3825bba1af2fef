#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

namespace tolvane {

// Writes one window of a snapshot run to a PNG once it is on screen: after the window is exposed and two
// more event-loop turns have run (so layout and first paint are done), it saves the window's own render,
// prints "snapshot <switch> <x>,<y> <w>x<h>" on standard output and calls `done`.
class SnapshotWriter final : public QObject {
    Q_OBJECT

public:
    static inline const char* outputVariable = "TOLVANE_SNAPSHOT_OUTPUT";

    SnapshotWriter(QWidget* window, QString switchName, QString path, std::function<void()> done,
                   QObject* parent = nullptr);

    // The line printed for a written snapshot.
    static QString reportLine(const QString& switchName, const QRect& geometry);

private:
    void poll();
    void write();

    QPointer<QWidget> m_window;
    QString m_switch;
    QString m_path;
    std::function<void()> m_done;
};

} // namespace tolvane
