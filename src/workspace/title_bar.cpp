#include "workspace/title_bar.h"

#include "ui/brand_lockup.h"
#include "ui/theme.h"
#include "workspace/route_pill.h"
#include "workspace/workspace_button.h"
#include "workspace/workspace_paint.h"

#include <QPainter>
#include <QShortcut>

namespace tolvane {
namespace {

constexpr qreal spacing = 14;
constexpr qreal trailingPadding = 16;

WorkspaceButton::Label translateLabel(bool busy) {
    return busy ? WorkspaceButton::Label{PencilIconAsset::clear, QStringLiteral("停止"), 15, 9,
                                         Theme::interBold12()}
                : WorkspaceButton::Label{PencilIconAsset::translate, QStringLiteral("翻译"), 15, 9,
                                         Theme::interBold12()};
}

} // namespace

TitleBar::TitleBar(Actions actions, QWidget* parent) : QWidget(parent), m_actions(std::move(actions)) {
    setFixedHeight(height);
    m_brand = new OndrelBrandLockup(28, 76, 8, QStringLiteral("翻译工具"), Theme::colorB6AEA2(), this);
    m_pill = new RoutePill(this);
    m_capture = new WorkspaceButton(
        WorkspaceButton::Style::titleSecondary,
        {PencilIconAsset::capture, QStringLiteral("Capture"), 15, 7, Theme::interMedium12()}, this);
    m_capture->setToolTip(QStringLiteral("截图翻译"));
    connect(m_capture, &QAbstractButton::clicked, this, [this] {
        if (m_actions.onCapture)
            m_actions.onCapture();
    });
    m_translate = new WorkspaceButton(WorkspaceButton::Style::primary, translateLabel(false), this);
    connect(m_translate, &QAbstractButton::clicked, this, &TitleBar::defaultAction);
    setBusy(false);
    for (const QKeySequence& key : {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)}) {
        auto* shortcut = new QShortcut(key, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, [this] {
            // The shortcut fires for a disabled button too.
            if (m_translate->isEnabled())
                defaultAction();
        });
    }
}

void TitleBar::setRouteText(const QString& text) {
    m_pill->setText(text);
}

void TitleBar::setBusy(bool busy) {
    m_busy = busy;
    m_translate->setLabel(translateLabel(busy));
    m_translate->setToolTip(busy ? QStringLiteral("停止当前翻译") : QStringLiteral("开始翻译"));
    m_translate->setAccessibleName(busy ? QStringLiteral("停止翻译") : QStringLiteral("开始翻译"));
}

void TitleBar::setTranslateDisabled(bool disabled) {
    m_translate->setEnabled(!disabled);
}

void TitleBar::defaultAction() {
    const std::function<void()>& action = m_busy ? m_actions.onCancel : m_actions.onTranslate;
    if (action)
        action();
}

void TitleBar::resizeEvent(QResizeEvent*) {
    const QSize brand = m_brand->sizeHint();
    placeWidget(m_brand, QRectF(QPointF(brandInset, (height - brand.height()) / 2.0), brand));
    const QSize primary = m_translate->sizeHint();
    const qreal translateLeft = width() - trailingPadding - primary.width() - 0.5;
    placeWidget(m_translate, QRectF(QPointF(translateLeft, (height - primary.height()) / 2.0), primary));
    const QSize capture = m_capture->sizeHint();
    const qreal captureLeft = translateLeft + 0.5 - spacing - capture.width();
    placeWidget(m_capture, QRectF(QPointF(captureLeft, (height - capture.height()) / 2.0), capture));
    const QSizeF pill = RoutePill::size;
    placeWidget(m_pill, QRectF(QPointF(captureLeft - spacing - pill.width() - 0.5,
                                       (height - pill.height()) / 2.0 - 0.5),
                               pill));
}

void TitleBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Theme::color110E0B());
    paintHairline(painter, bottomHairline(QRectF(rect())));
}

} // namespace tolvane
