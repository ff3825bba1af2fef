#pragma once

#include "model/screenshot_capture_mode.h"

#include <QPixmap>
#include <QPointF>
#include <QRectF>
#include <QWidget>
#include <functional>
#include <optional>

namespace tolvane {

// The content of one overlay window: dims its screen, lets the user drag out a region, shows the mode panel
// and reports through three callbacks. Points are kept in global logical coordinates; the view's own
// coordinates differ by the screen's top-left corner.
class ScreenshotSelectionView final : public QWidget {
    Q_OBJECT
public:
    struct Callbacks {
        std::function<void(QRectF, ScreenshotCaptureMode)> onComplete;
        std::function<void()> onFinishBatch;
        std::function<void()> onCancel;
    };
    struct Setup {
        QRectF screenFrame;
        Callbacks callbacks;
        bool snapshotMode = false;
        int batchCount = 0;
        ScreenshotCaptureMode selectedMode = ScreenshotCaptureMode::single;
        std::optional<QPointF> startPoint;
        std::optional<QPointF> currentPoint;
        // A frozen picture of the screen painted under the dimming (needed without a compositor).
        QPixmap background;
    };

    explicit ScreenshotSelectionView(Setup setup, QWidget* parent = nullptr);

    QRectF screenFrame() const { return m_screenFrame; }
    ScreenshotCaptureMode selectedMode() const { return m_selectedMode; }
    int batchCount() const { return m_batchCount; }
    // The selection in global coordinates; absent until both points exist.
    std::optional<QRectF> globalSelection() const;
    // The selection in the view's coordinates.
    std::optional<QRectF> viewSelection() const;
    std::optional<QRectF> modePanelRect() const;
    QString hintText() const;
    QString secondaryButtonText() const;
    QString accessibilityHelp() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void selectMode(ScreenshotCaptureMode mode);
    void requestCompletion();
    void paintPanel(QPainter& painter, const QRectF& panel);
    void paintSnapshotBackdrop(QPainter& painter);
    void paintSnapshotResultCard(QPainter& painter);

    QRectF m_screenFrame;
    Callbacks m_callbacks;
    bool m_snapshotMode = false;
    int m_batchCount = 0;
    ScreenshotCaptureMode m_selectedMode = ScreenshotCaptureMode::single;
    std::optional<QPointF> m_startPoint;
    std::optional<QPointF> m_currentPoint;
    bool m_dragging = false;
    QPixmap m_background;
};

} // namespace tolvane
