#include "history/history_row_delegate.h"

#include "history/history_list_model.h"
#include "history/history_row_widget.h"
#include "ui/icon_provider.h"

#include <QHelpEvent>
#include <QListView>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

namespace tolvane {

namespace {

const HistoryEntry& entryAt(const QModelIndex& index) {
    return static_cast<const HistoryListModel*>(index.model())->visibleEntry(index.row());
}

} // namespace

HistoryRowDelegate::HistoryRowDelegate(QListView* view)
    : QStyledItemDelegate(view), m_view(view), m_style(HistoryRowStyle::of(*view)) {}

int HistoryRowDelegate::rowWidth() const {
    return m_view->viewport()->width();
}

void HistoryRowDelegate::invalidate() {
    m_layouts.clear();
    m_cachedWidth = -1;
}

const HistoryRowLayout& HistoryRowDelegate::layoutFor(const HistoryEntry& entry) const {
    const int width = rowWidth();
    if (width != m_cachedWidth) {
        m_layouts.clear();
        m_cachedWidth = width;
    }
    auto it = m_layouts.find(entry.id);
    if (it == m_layouts.end())
        it = m_layouts.insert(entry.id, HistoryRowLayout::compute(entry, width, m_style));
    return *it;
}

QSize HistoryRowDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const {
    return QSize(rowWidth(), layoutFor(entryAt(index)).height);
}

void HistoryRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    const HistoryRowLayout& row = layoutFor(entryAt(index));
    m_style.paintHighlight(*painter, option.rect, option.state & QStyle::State_Selected,
                           option.state & QStyle::State_HasFocus);
    painter->save();
    painter->translate(option.rect.topLeft());
    painter->setFont(m_style.caption);
    painter->setPen(m_style.primary);
    painter->drawText(row.date, Qt::AlignLeft | Qt::AlignTop, row.dateText);
    painter->drawText(row.time, Qt::AlignLeft | Qt::AlignTop, row.timeText);
    painter->setPen(m_style.secondary);
    painter->drawText(row.provider, Qt::AlignLeft | Qt::AlignTop, row.providerText);
    const qreal dpr = painter->device()->devicePixelRatioF();
    for (size_t i = 0; i < row.buttons.size(); ++i) {
        const QPixmap icon =
            IconProvider::shared().symbolPixmap(QString::fromLatin1(historyRowButtons()[i].symbol),
                                                HistoryRowLayout::iconSize, m_style.primary, dpr);
        const int offset = (HistoryRowLayout::buttonSize - HistoryRowLayout::iconSize) / 2;
        painter->drawPixmap(row.buttons[i].topLeft() + QPoint(offset, offset), icon);
    }
    painter->setFont(m_style.body);
    painter->setPen(m_style.primary);
    painter->drawText(row.source, Qt::AlignLeft | Qt::AlignTop, row.sourceText);
    painter->drawText(row.result, Qt::AlignLeft | Qt::AlignTop, row.resultText);
    painter->restore();
}

bool HistoryRowDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                   const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (event->type() == QEvent::ToolTip && index.isValid()) {
        const int button = layoutFor(entryAt(index)).buttonAt(event->pos() - option.rect.topLeft());
        if (button >= 0) {
            QToolTip::showText(event->globalPos(), historyRowButtons()[size_t(button)].helpText, view);
            return true;
        }
    }
    return QStyledItemDelegate::helpEvent(event, view, option, index);
}

bool HistoryRowDelegate::editorEvent(QEvent* event, QAbstractItemModel* model,
                                     const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (event->type() == QEvent::MouseButtonRelease && index.isValid()) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const HistoryEntry& entry = entryAt(index);
        const int button = layoutFor(entry).buttonAt(mouse->position().toPoint() - option.rect.topLeft());
        if (mouse->button() == Qt::LeftButton && button >= 0) {
            Q_EMIT actionTriggered(historyRowButtons()[size_t(button)].action, entry);
            return true;
        }
    }
    return QStyledItemDelegate::editorEvent(event, model, option, index);
}

QWidget* HistoryRowDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                          const QModelIndex& index) const {
    const HistoryEntry& entry = entryAt(index);
    auto* row = new HistoryRowWidget(entry, layoutFor(entry), m_style, parent);
    connect(row, &HistoryRowWidget::actionTriggered, this, &HistoryRowDelegate::actionTriggered);
    connect(row, &HistoryRowWidget::copyRequested, this, &HistoryRowDelegate::copyRequested);
    return row;
}

void HistoryRowDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                              const QModelIndex&) const {
    editor->setGeometry(option.rect);
}

} // namespace tolvane
