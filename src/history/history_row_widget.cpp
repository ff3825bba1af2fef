#include "history/history_row_widget.h"

#include "ui/icon_provider.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
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
    : QWidget(parent), m_entry(std::move(entry)), m_layout(std::move(layout)), m_style(style) {
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
    addLabel(this, m_layout.dateText, style.caption, style.primary, m_layout.date, false);
    addLabel(this, m_layout.timeText, style.caption, style.primary, m_layout.time, false);
    addLabel(this, m_layout.providerText, style.caption, style.secondary, m_layout.provider, false);
    m_source = addLabel(this, m_layout.sourceText, style.body, style.primary, m_layout.source, true);
    m_result = addLabel(this, m_layout.resultText, style.body, style.primary, m_layout.result, true);
    m_source->setObjectName(QStringLiteral("historySource"));
    m_result->setObjectName(QStringLiteral("historyResult"));
    for (QLabel* text : {m_source, m_result}) {
        text->installEventFilter(this);
    }
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
        button->setGeometry(m_layout.buttons[i]);
        connect(button, &QToolButton::clicked, this,
                [this, action = spec.action] { Q_EMIT actionTriggered(action, m_entry); });
        m_buttons[i] = button;
    }
}

QString HistoryRowWidget::copiedText(const QLabel* label) const {
    const bool source = label == m_source;
    const QString& stored = source ? m_entry.sourceText : m_entry.resultText;
    if (!label->hasSelectedText())
        return stored;
    const WrappedText& wrap = source ? m_layout.sourceWrap : m_layout.resultWrap;
    return wrap.storedPart(stored, label->selectionStart(), int(label->selectedText().size()));
}

void HistoryRowWidget::offerPrimarySelection(const QLabel* label) const {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (label->hasSelectedText() && clipboard->supportsSelection())
        clipboard->setText(copiedText(label), QClipboard::Selection);
}

void HistoryRowWidget::setHighlight(bool selected, bool focused) {
    if (selected == m_selected && focused == m_focused)
        return;
    m_selected = selected;
    m_focused = focused;
    update();
}

void HistoryRowWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    m_style.paintHighlight(painter, rect(), m_selected, m_focused);
}

bool HistoryRowWidget::eventFilter(QObject* watched, QEvent* event) {
    auto* label = qobject_cast<QLabel*>(watched);
    if (!label)
        return QWidget::eventFilter(watched, event);
    // The labels hold the laid-out lines (wraps as line breaks, a cut ending in "…"): their own copy
    // would hand those out, so both ways to copy go through copiedText().
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        Q_EMIT copyRequested(copiedText(label));
        return true;
    }
    // A selection made with the mouse, Select All or a key extending it (Shift with a move) is offered as
    // the desktop's PRIMARY selection by the label itself, laid-out lines and all; once it has done so, the
    // stored text replaces them.
    const auto* key = event->type() == QEvent::KeyPress ? static_cast<QKeyEvent*>(event) : nullptr;
    const bool selects =
        (event->type() == QEvent::MouseButtonRelease &&
         static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) ||
        (key && (key->matches(QKeySequence::SelectAll) || key->modifiers().testFlag(Qt::ShiftModifier)));
    if (selects) {
        // The label is a child of this row: with either gone, the call is dropped.
        QTimer::singleShot(0, label, [this, label] { offerPrimarySelection(label); });
    }
    if (event->type() == QEvent::ContextMenu) {
        // No parent: the row (and with it the label) may go while the menu is open.
        QMenu menu;
        menu.addAction(QStringLiteral("复制"), this,
                       [this, label] { Q_EMIT copyRequested(copiedText(label)); });
        menu.addAction(QStringLiteral("全选"), label,
                       [label] { label->setSelection(0, int(label->text().size())); });
        menu.exec(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace tolvane
