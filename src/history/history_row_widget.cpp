#include "history/history_row_widget.h"

#include "ui/icon_provider.h"

#include <QLabel>
#include <QToolButton>

namespace tolvane {

namespace {

QLabel* addLabel(QWidget* parent, const QString& text, const QFont& font, const QColor& color, QRect geometry,
                 bool selectable) {
    auto* label = new QLabel(text, parent);
    label->setFont(font);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    if (selectable)
        label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    label->setGeometry(geometry);
    return label;
}

} // namespace

HistoryRowWidget::HistoryRowWidget(HistoryEntry entry, HistoryRowLayout layout, const HistoryRowStyle& style,
                                   QWidget* parent)
    : QWidget(parent), m_entry(std::move(entry)) {
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
    addLabel(this, layout.dateText, style.caption, style.primary, layout.date, false);
    addLabel(this, layout.timeText, style.caption, style.primary, layout.time, false);
    addLabel(this, layout.providerText, style.caption, style.secondary, layout.provider, false);
    m_source = addLabel(this, layout.sourceText, style.body, style.primary, layout.source, true);
    m_result = addLabel(this, layout.resultText, style.body, style.primary, layout.result, true);
    m_source->setObjectName(QStringLiteral("historySource"));
    m_result->setObjectName(QStringLiteral("historyResult"));
    for (size_t i = 0; i < m_buttons.size(); ++i) {
        const HistoryRowButton& spec = historyRowButtons()[i];
        auto* button = new QToolButton(this);
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setIconSize(QSize(HistoryRowLayout::iconSize, HistoryRowLayout::iconSize));
        button->setIcon(IconProvider::shared().symbolPixmap(QString::fromLatin1(spec.symbol),
                                                            HistoryRowLayout::iconSize, style.primary,
                                                            devicePixelRatioF()));
        button->setToolTip(spec.helpText);
        button->setAccessibleName(
            spec.action == HistoryRowAction::remove ? historyDeleteAccessibleName(m_entry) : spec.helpText);
        button->setGeometry(layout.buttons[i]);
        connect(button, &QToolButton::clicked, this,
                [this, action = spec.action] { Q_EMIT actionTriggered(action, m_entry); });
        m_buttons[i] = button;
    }
}

} // namespace tolvane
