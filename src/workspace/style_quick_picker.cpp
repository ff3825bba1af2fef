#include "workspace/style_quick_picker.h"

#include "model/app_settings.h"
#include "model/raw_enum.h"
#include "ui/accessible_widgets.h"
#include "ui/icon_provider.h"
#include "ui/theme.h"
#include "workspace/text_label.h"
#include "workspace/workspace_paint.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace tolvane {
namespace {

constexpr qreal symbolSize = 14;

QString description(TranslationStyle style) {
    switch (style) {
    case TranslationStyle::literal:
        return QStringLiteral("忠实直接，适合普通翻译");
    case TranslationStyle::polished:
        return QStringLiteral("语言更自然流畅");
    case TranslationStyle::technical:
        return QStringLiteral("保留代码、路径与技术术语");
    case TranslationStyle::email:
        return QStringLiteral("清晰、礼貌的专业邮件语气");
    }
    return {};
}

} // namespace

StyleRow::StyleRow(TranslationStyle style, QWidget* parent)
    : QAbstractButton(parent), m_style(style), m_description(description(style)) {
    setFixedHeight(48);
    setFocusPolicy(Qt::TabFocus);
    exposeAsSelectionButton(this, QAccessible::RadioButton);
    setCheckable(true);
    setText(displayName(style));
    setAccessibleName(QStringLiteral("翻译风格：%1").arg(displayName(style)));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void StyleRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool selected = isChecked();
    if (selected) {
        QPainterPath ground;
        ground.addRoundedRect(QRectF(rect()), 8, 8);
        painter.fillPath(ground, goldAt(0.07));
    }
    const qreal left = 10;
    const QPixmap symbol = IconProvider::shared().symbolPixmap(
        selected ? QStringLiteral("checkmark.circle.fill") : QStringLiteral("circle"), symbolSize,
        selected ? Theme::colorBDA46B() : Theme::color797168(), devicePixelRatioF());
    painter.drawPixmap(QPointF(left, (height() - symbolSize) / 2), symbol);

    const QFontMetricsF nameMetrics(Theme::interMedium12());
    const QFontMetricsF captionMetrics(Theme::caption());
    const qreal textLeft = left + symbolSize + 10;
    const qreal textWidth = width() - textLeft - 10;
    const qreal top = (height() - nameMetrics.height() - 2 - captionMetrics.height()) / 2;
    painter.setFont(Theme::interMedium12());
    painter.setPen(Theme::colorE9E1D4());
    painter.drawText(QRectF(textLeft, top, textWidth, nameMetrics.height()),
                     Qt::AlignLeft | Qt::TextSingleLine, text());
    painter.setFont(Theme::caption());
    painter.setPen(Theme::color797168());
    painter.drawText(QRectF(textLeft, top + nameMetrics.height() + 2, textWidth, captionMetrics.height()),
                     Qt::AlignLeft | Qt::TextSingleLine, m_description);
}

void StyleRow::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

StyleQuickPicker::StyleQuickPicker(AppSettings& settings, QWidget* parent)
    : QWidget(parent), m_settings(settings) {
    setFixedWidth(300);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(14, 14, 14, 14);
    column->setSpacing(8);
    column->addWidget(textLabel(QStringLiteral("翻译风格"), Theme::headline(), Theme::colorE9E1D4(), this));
    column->addWidget(textLabel(QStringLiteral("改变语气，不改变事实与格式。"), Theme::caption(),
                                Theme::color797168(), this));
    for (TranslationStyle style : allCases<TranslationStyle>()) {
        auto* row = new StyleRow(style, this);
        connect(row, &QAbstractButton::clicked, this,
                [this, style] { m_settings.selectTranslationStyle(style); });
        column->addWidget(row);
        m_rows << row;
    }
    connect(&settings, &AppSettings::translationStyleChanged, this, &StyleQuickPicker::refresh);
    refresh();
}

StyleRow* StyleQuickPicker::currentRow() const {
    for (StyleRow* row : m_rows)
        if (row->isChecked())
            return row;
    return m_rows.value(0);
}

void StyleQuickPicker::refresh() {
    for (StyleRow* row : std::as_const(m_rows)) {
        row->setChecked(row->style() == m_settings.translationStyle());
        row->update();
    }
}

} // namespace tolvane
