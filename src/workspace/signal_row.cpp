#include "workspace/signal_row.h"

#include "ui/icon_provider.h"
#include "ui/theme.h"
#include "workspace/meta_text.h"

#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>

namespace tolvane {
namespace {

constexpr int rowHeight = 52;
constexpr qreal cornerRadius = 8;
constexpr qreal leadingPadding = 11;
constexpr qreal verticalPadding = 10;
constexpr qreal lineSpacing = 4;

} // namespace

SignalRowButton::SignalRowButton(QString title, QString detail, QWidget* parent)
    : QAbstractButton(parent), m_title(std::move(title)), m_detail(std::move(detail)) {
    setFocusPolicy(Qt::TabFocus);
    setCheckable(true);
    setAccessibleName(QStringLiteral("%1，%2").arg(m_title, m_detail));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

QSize SignalRowButton::sizeHint() const {
    return {120, rowHeight};
}

void SignalRowButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const bool selected = isChecked();
    const QFontMetricsF titleMetrics(Theme::interMedium12());
    const QFontMetricsF detailMetrics(MetaText::font());
    const qreal contentHeight = titleMetrics.height() + lineSpacing + detailMetrics.height();
    const qreal top = std::max(verticalPadding, (height() - contentHeight) / 2);
    const qreal width = this->width() - leadingPadding;

    painter.setFont(Theme::interMedium12());
    painter.setPen(selected ? Theme::colorE9E1D4() : Theme::colorB6AEA2());
    painter.drawText(QRectF(leadingPadding, top, width, titleMetrics.height()),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     titleMetrics.elidedText(m_title, Qt::ElideRight, width));

    QFont detailFont = MetaText::font();
    painter.setFont(detailFont);
    painter.setPen(selected ? Theme::colorBDA46B() : Theme::color797168());
    const QFontMetricsF tracked(detailFont, this);
    painter.drawText(
        QRectF(leadingPadding, top + titleMetrics.height() + lineSpacing, width, detailMetrics.height()),
        Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
        tracked.elidedText(m_detail, Qt::ElideRight, width));
}

SignalRow::SignalRow(const QString& title, const QString& detail, bool selected, bool deletable,
                     QWidget* parent)
    : QWidget(parent), m_body(new SignalRowButton(title, detail, this)) {
    setFixedHeight(rowHeight);
    m_body->setChecked(selected);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, deletable ? 5 : 0, 0);
    row->setSpacing(2);
    row->addWidget(m_body, 1);
    connect(m_body, &QAbstractButton::clicked, this, &SignalRow::activated);
    if (deletable) {
        m_trash = new QToolButton(this);
        m_trash->setFixedSize(28, 32);
        m_trash->setAutoRaise(true);
        m_trash->setFocusPolicy(Qt::TabFocus);
        m_trash->setIconSize(QSize(12, 12));
        m_trash->setIcon(QIcon(IconProvider::shared().symbolPixmap(
            QStringLiteral("trash"), 12, Theme::color797168(), devicePixelRatioF())));
        m_trash->setToolTip(QStringLiteral("删除此历史记录"));
        m_trash->setAccessibleName(QStringLiteral("删除历史记录：") + title);
        m_trash->setStyleSheet(QStringLiteral("QToolButton { border: none; background: transparent; }"));
        row->addWidget(m_trash);
        connect(m_trash, &QToolButton::clicked, this, &SignalRow::deleteRequested);
    }
}

void SignalRow::setSelected(bool selected) {
    if (m_body->isChecked() == selected)
        return;
    m_body->setChecked(selected);
    update();
}

void SignalRow::paintEvent(QPaintEvent*) {
    if (!isSelected())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath ground;
    ground.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    painter.fillPath(ground, Theme::color1D1916());
    QPainterPath ring;
    ring.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius - 0.5,
                        cornerRadius - 0.5);
    painter.setPen(QPen(Theme::color2B2824(), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(ring);
}

} // namespace tolvane
