#include "app/snapshot_writer.h"

#include "core/logging.h"

#include <QPixmap>
#include <QTimer>
#include <QWindow>
#include <cstdio>

namespace tolvane {

SnapshotWriter::SnapshotWriter(QWidget* window, QString switchName, QString path, std::function<void()> done,
                               QObject* parent)
    : QObject(parent), m_window(window), m_switch(std::move(switchName)), m_path(std::move(path)),
      m_done(std::move(done)) {
    QTimer::singleShot(0, this, &SnapshotWriter::poll);
}

QString SnapshotWriter::reportLine(const QString& switchName, const QRect& geometry) {
    return QStringLiteral("snapshot %1 %2,%3 %4x%5")
        .arg(switchName)
        .arg(geometry.x())
        .arg(geometry.y())
        .arg(geometry.width())
        .arg(geometry.height());
}

void SnapshotWriter::poll() {
    if (!m_window)
        return;
    const QWindow* handle = m_window->windowHandle();
    if (!handle || !handle->isExposed()) {
        QTimer::singleShot(10, this, &SnapshotWriter::poll);
        return;
    }
    QTimer::singleShot(0, this, [this] { QTimer::singleShot(0, this, &SnapshotWriter::write); });
}

void SnapshotWriter::write() {
    if (!m_window)
        return;
    const QPixmap image = m_window->grab();
    if (!image.save(m_path, "PNG")) {
        qCCritical(lcApp).noquote() << "Could not write the snapshot to" << m_path;
    } else {
        const QByteArray line = reportLine(m_switch, m_window->geometry()).toUtf8() + '\n';
        std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
        std::fflush(stdout);
    }
    if (m_done)
        m_done();
}

} // namespace tolvane
