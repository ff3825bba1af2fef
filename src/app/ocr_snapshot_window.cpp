#include "app/ocr_snapshot_window.h"

#include "ocr/screenshot_selection_view.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

namespace tolvane {

namespace {

constexpr QSize windowSize{1440, 900};
// The sample region (258, 266) 790 x 420 measured from the bottom-left corner, in top-left coordinates.
constexpr QRectF sampleRegion{258, 900 - 266 - 420, 790, 420};

} // namespace

QWidget* makeOcrSnapshotWindow() {
    auto* window = new QWidget(nullptr, Qt::FramelessWindowHint);
    window->setObjectName(QStringLiteral("ocrSnapshot"));
    window->setWindowTitle(QStringLiteral("OCR Capture Snapshot"));
    window->setFixedSize(windowSize);
    window->setAutoFillBackground(true);
    QPalette ground = window->palette();
    ground.setColor(QPalette::Window, QColor::fromRgbF(0.055f, 0.051f, 0.043f));
    window->setPalette(ground);

    ScreenshotSelectionView::Setup setup;
    setup.screenFrame = QRectF(QPointF(0, 0), QSizeF(windowSize));
    setup.snapshotMode = true;
    setup.selectedMode = ScreenshotCaptureMode::single;
    setup.startPoint = sampleRegion.topLeft();
    setup.currentPoint = sampleRegion.bottomRight();
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new ScreenshotSelectionView(std::move(setup), window));

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        window->move(available.center() - QPoint(windowSize.width() / 2, windowSize.height() / 2));
    }
    return window;
}

} // namespace tolvane
