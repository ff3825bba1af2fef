#include "ocr/screenshot_selection_view.h"

#include "model/raw_enum.h"
#include "ocr/screenshot_overlay_icons.h"
#include "ocr/screenshot_overlay_layout.h"
#include "ocr/screenshot_selection_palette.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace tolvane {

namespace layout = overlay_layout;
namespace palette = overlay_palette;

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("ScreenshotSelectionView", text);
}

QString modeName(ScreenshotCaptureMode mode) {
    return displayName(mode);
}

QString modeButtonLabel(ScreenshotCaptureMode mode) {
    switch (mode) {
    case ScreenshotCaptureMode::single:
        return modeName(mode);
    case ScreenshotCaptureMode::continuous:
        return tr("连续");
    case ScreenshotCaptureMode::batch:
        return tr("批量");
    }
    return {};
}

QString primaryButtonLabel(ScreenshotCaptureMode mode) {
    switch (mode) {
    case ScreenshotCaptureMode::single:
        return tr("截取");
    case ScreenshotCaptureMode::continuous:
        return tr("开始");
    case ScreenshotCaptureMode::batch:
        return tr("加入");
    }
    return {};
}

const QString& modeIcon(ScreenshotCaptureMode mode) {
    switch (mode) {
    case ScreenshotCaptureMode::single:
        return overlay_icons::single;
    case ScreenshotCaptureMode::continuous:
        return overlay_icons::continuous;
    case ScreenshotCaptureMode::batch:
        break;
    }
    return overlay_icons::batch;
}

QFont systemFont(int pixelSize, QFont::Weight weight) {
    QFont font;
    font.setFamilies({QStringLiteral("Inter"), QStringLiteral("Noto Sans CJK SC")});
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    return font;
}

// Draws `text` truncated at the tail into `frame`, vertically centred.
void drawLabel(QPainter& painter, const QRectF& frame, const QString& text, const QFont& font,
               const QColor& color, Qt::Alignment align) {
    painter.setFont(font);
    painter.setPen(color);
    const QString elided = QFontMetricsF(font).elidedText(text, Qt::ElideRight, frame.width());
    painter.drawText(frame, int(Qt::AlignVCenter | align), elided);
}

constexpr std::array<ScreenshotCaptureMode, 3> kModeOrder{
    ScreenshotCaptureMode::single, ScreenshotCaptureMode::continuous, ScreenshotCaptureMode::batch};

} // namespace

ScreenshotSelectionView::ScreenshotSelectionView(Setup setup, QWidget* parent)
    : QWidget(parent), m_screenFrame(setup.screenFrame), m_callbacks(std::move(setup.callbacks)),
      m_snapshotMode(setup.snapshotMode), m_batchCount(setup.batchCount), m_selectedMode(setup.selectedMode),
      m_startPoint(setup.startPoint), m_currentPoint(setup.currentPoint),
      m_background(std::move(setup.background)) {
    resize(m_screenFrame.size().toSize());
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::CrossCursor);
    setAccessibleName(tr("OCR 截图选择器"));
    setAccessibleDescription(accessibilityHelp());
}

std::optional<QRectF> ScreenshotSelectionView::globalSelection() const {
    if (!m_startPoint || !m_currentPoint)
        return std::nullopt;
    return layout::selectionFromPoints(*m_startPoint, *m_currentPoint);
}

std::optional<QRectF> ScreenshotSelectionView::viewSelection() const {
    auto selection = globalSelection();
    if (selection)
        selection->translate(-m_screenFrame.topLeft());
    return selection;
}

std::optional<QRectF> ScreenshotSelectionView::modePanelRect() const {
    return layout::modePanelRect(viewSelection(), QRectF(QPointF(0, 0), QSizeF(size())), m_snapshotMode);
}

QString ScreenshotSelectionView::hintText() const {
    switch (m_selectedMode) {
    case ScreenshotCaptureMode::single:
        return tr("拖拽框选要 OCR 翻译的区域 · Return 截取 · Esc 取消");
    case ScreenshotCaptureMode::continuous:
        return tr("框选持续监控区域 · 文字变化时自动翻译 · Esc 停止");
    case ScreenshotCaptureMode::batch:
        break;
    }
    if (m_batchCount >= 1)
        return tr("已加入 %1 个区域 · 继续框选或点击完成").arg(m_batchCount);
    return tr("框选第一个批量 OCR 区域 · Return 加入 · Esc 取消");
}

QString ScreenshotSelectionView::secondaryButtonText() const {
    if (m_selectedMode == ScreenshotCaptureMode::batch && m_batchCount >= 1)
        return tr("完成 · %1").arg(m_batchCount);
    return tr("取消");
}

QString ScreenshotSelectionView::accessibilityHelp() const {
    if (m_selectedMode == ScreenshotCaptureMode::batch && m_batchCount >= 1)
        return tr("%1 OCR，已加入 %2 个区域。按 1/2/3 或左右方向键切换模式，拖拽框选文字区域，按 Return "
                  "截取，按 "
                  "Esc 取消。")
            .arg(modeName(m_selectedMode))
            .arg(m_batchCount);
    return tr("%1 OCR。按 1/2/3 或左右方向键切换模式，拖拽框选文字区域，按 Return 截取，按 Esc 取消。")
        .arg(modeName(m_selectedMode));
}

void ScreenshotSelectionView::selectMode(ScreenshotCaptureMode mode) {
    m_selectedMode = mode;
    setAccessibleDescription(accessibilityHelp());
    update();
}

void ScreenshotSelectionView::requestCompletion() {
    const auto selection = globalSelection();
    if (selection && m_callbacks.onComplete)
        m_callbacks.onComplete(*selection, m_selectedMode);
}

void ScreenshotSelectionView::mousePressEvent(QMouseEvent* event) {
    const QPointF local = event->position();
    event->accept();
    if (const auto panel = modePanelRect(); panel && panel->contains(local)) {
        if (m_batchCount == 0) {
            for (const auto& button : layout::modeButtonFrames(*panel)) {
                if (button.frame.contains(local)) {
                    selectMode(button.mode);
                    return;
                }
            }
        }
        if (layout::secondaryButtonFrame(*panel).contains(local)) {
            if (m_selectedMode == ScreenshotCaptureMode::batch && m_batchCount >= 1) {
                if (m_callbacks.onFinishBatch)
                    m_callbacks.onFinishBatch();
            } else if (m_callbacks.onCancel) {
                m_callbacks.onCancel();
            }
            return;
        }
        if (layout::primaryButtonFrame(*panel).contains(local))
            requestCompletion();
        return;
    }
    const QPointF global = local + m_screenFrame.topLeft();
    m_startPoint = global;
    m_currentPoint = global;
    m_dragging = true;
    update();
}

void ScreenshotSelectionView::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragging)
        return;
    m_currentPoint = event->position() + m_screenFrame.topLeft();
    update();
}

void ScreenshotSelectionView::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_dragging)
        return;
    m_currentPoint = event->position() + m_screenFrame.topLeft();
    m_dragging = false;
    update();
}

void ScreenshotSelectionView::keyPressEvent(QKeyEvent* event) {
    const auto index = [this] {
        return int(std::find(kModeOrder.begin(), kModeOrder.end(), m_selectedMode) - kModeOrder.begin());
    };
    switch (event->key()) {
    case Qt::Key_Escape:
        event->accept();
        if (m_callbacks.onCancel)
            m_callbacks.onCancel();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        requestCompletion();
        return;
    case Qt::Key_1:
    case Qt::Key_2:
    case Qt::Key_3:
        event->accept();
        if (m_batchCount == 0)
            selectMode(kModeOrder[size_t(event->key() - Qt::Key_1)]);
        return;
    case Qt::Key_Left:
        event->accept();
        if (m_batchCount == 0)
            selectMode(kModeOrder[size_t(std::max(index() - 1, 0))]);
        return;
    case Qt::Key_Right:
        event->accept();
        if (m_batchCount == 0)
            selectMode(kModeOrder[size_t(std::min(index() + 1, 2))]);
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void ScreenshotSelectionView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds(QPointF(0, 0), QSizeF(size()));
    if (!m_background.isNull())
        painter.drawPixmap(bounds, m_background, QRectF(m_background.rect()));
    if (m_snapshotMode) {
        paintSnapshotBackdrop(painter);
        painter.fillRect(bounds, QColor::fromRgbF(0, 0, 0, 0.6f));
    }
    const auto selection = viewSelection();
    if (!selection) {
        painter.fillRect(bounds, QColor::fromRgbF(0, 0, 0, 0.58f));
        painter.setPen(Qt::white);
        painter.setFont(systemFont(16, QFont::DemiBold));
        painter.drawText(layout::hintFrame(bounds), int(Qt::AlignCenter), hintText());
        return;
    }
    if (!m_snapshotMode) {
        QPainterPath dimming;
        dimming.setFillRule(Qt::OddEvenFill);
        dimming.addRect(bounds);
        dimming.addRoundedRect(*selection, 7, 7);
        painter.fillPath(dimming, QColor::fromRgbF(0, 0, 0, 0.6f));
    }
    painter.setPen(QPen(palette::accent(), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(*selection, 7, 7);
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette::accent());
    for (const QRectF& handle : layout::handleFrames(*selection))
        painter.drawRoundedRect(handle, 3, 3);
    if (const auto panel = modePanelRect())
        paintPanel(painter, *panel);
    if (m_snapshotMode)
        paintSnapshotResultCard(painter);
}

void ScreenshotSelectionView::paintPanel(QPainter& painter, const QRectF& panel) {
    painter.setPen(QPen(QColor::fromRgbF(1, 1, 1, 0.14f), 1));
    painter.setBrush(m_snapshotMode ? palette::snapshotPanelBackground() : palette::panelBackground());
    painter.drawRoundedRect(panel, 14, 14);

    const QRectF badge = layout::badgeFrame(panel);
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette::accent());
    painter.drawRoundedRect(badge, 9, 9);
    drawOverlayIcon(painter, overlay_icons::badge, badge.adjusted(8.5, 8.5, -8.5, -8.5), palette::ink());

    const QFont labelFont = systemFont(11, QFont::Medium);
    for (const auto& button : layout::modeButtonFrames(panel)) {
        const bool selected = button.mode == m_selectedMode;
        if (selected) {
            QColor fill = palette::accent();
            fill.setAlphaF(0.07f);
            QColor stroke = palette::accent();
            stroke.setAlphaF(0.27f);
            painter.setPen(QPen(stroke, 1));
            painter.setBrush(fill);
            painter.drawRoundedRect(button.frame, 8, 8);
        }
        const QColor color = selected ? palette::accent() : palette::secondaryText();
        drawOverlayIcon(painter, modeIcon(button.mode), layout::modeIconFrame(button.frame), color);
        drawLabel(painter, layout::modeLabelFrame(button.frame), modeButtonLabel(button.mode), labelFont,
                  color, Qt::AlignLeft);
    }

    const QRectF secondary = layout::secondaryButtonFrame(panel);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgbF(1, 1, 1, 0.035f));
    painter.drawRoundedRect(secondary, 8, 8);
    drawLabel(painter, secondary, secondaryButtonText(), labelFont, palette::secondaryText(),
              Qt::AlignHCenter);

    const QRectF primary = layout::primaryButtonFrame(panel);
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette::accent());
    painter.drawRoundedRect(primary, 8, 8);
    drawOverlayIcon(painter, overlay_icons::primaryAction, layout::primaryIconFrame(primary), palette::ink());
    drawLabel(painter, layout::primaryLabelFrame(primary), primaryButtonLabel(m_selectedMode),
              systemFont(11, QFont::DemiBold), palette::ink(), Qt::AlignLeft);
}

void ScreenshotSelectionView::paintSnapshotBackdrop(QPainter& painter) {
    painter.fillRect(rect(), QColor::fromRgbF(0.055f, 0.051f, 0.043f));
    const QRectF card(220, 160, 860, 560);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(236, 230, 216));
    painter.drawRoundedRect(card, 18, 18);
    painter.setPen(QColor(90, 82, 70));
    painter.setFont(systemFont(13, QFont::DemiBold));
    painter.drawText(QRectF(card.x() + 48, card.y() + 40, 600, 24), int(Qt::AlignLeft),
                     QStringLiteral("FIELD NOTE"));
    painter.setPen(QColor(30, 27, 22));
    painter.setFont(systemFont(44, QFont::Bold));
    painter.drawText(QRectF(card.x() + 48, card.y() + 120, 760, 60), int(Qt::AlignLeft),
                     QStringLiteral("Words in the wild."));
    painter.setFont(systemFont(18, QFont::Normal));
    painter.drawText(
        QRectF(card.x() + 48, card.y() + 200, 700, 80), int(Qt::AlignLeft | Qt::TextWordWrap),
        QStringLiteral("Capture signage, labels, menus, surface labels, or any region that cannot be "
                       "selected normally."));
}

void ScreenshotSelectionView::paintSnapshotResultCard(QPainter& painter) {
    const QRectF card(width() - 380, 120, 340, 300);
    painter.setPen(QPen(QColor::fromRgbF(1, 1, 1, 0.14f), 1));
    painter.setBrush(palette::snapshotPanelBackground());
    painter.drawRoundedRect(card, 14, 14);
    struct Line {
        QString text;
        QColor color;
        int size;
    };
    const Line lines[] = {{QStringLiteral("TEXT DETECTED"), palette::sage(), 11},
                          {QStringLiteral("ORIGINAL / OCR"), palette::tertiaryText(), 11},
                          {QStringLiteral("Words in the wild."), palette::primaryText(), 16},
                          {QStringLiteral("TRANSLATION"), palette::tertiaryText(), 11},
                          {QStringLiteral("野外的文字。"), palette::primaryText(), 16},
                          {QStringLiteral("OCR CONFIDENCE"), palette::tertiaryText(), 11},
                          {QStringLiteral("98.4%"), palette::accent(), 16}};
    qreal y = card.y() + 20;
    for (const Line& line : lines) {
        drawLabel(painter, QRectF(card.x() + 20, y, card.width() - 40, 28), line.text,
                  systemFont(line.size, QFont::DemiBold), line.color, Qt::AlignLeft);
        y += 38;
    }
}

} // namespace tolvane
