#pragma once

#include "history/history_row_layout.h"

#include <QHash>
#include <QStyledItemDelegate>

class QListView;

namespace tolvane {

// Paints history rows from their layout (cached per entry at the viewport's width), the selected one and the
// one with the focus marked, shows the buttons' help texts and runs a button clicked on any painted row. The
// row under the pointer gets an interactive twin as its editor: HistoryRowWidget, with selectable texts and
// real buttons.
class HistoryRowDelegate final : public QStyledItemDelegate {
    Q_OBJECT

public:
    // `view` is the list the delegate serves; its viewport's width sets the rows' width.
    explicit HistoryRowDelegate(QListView* view);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

    // The row's layout at the current width.
    const HistoryRowLayout& layoutFor(const HistoryEntry& entry) const;
    // Forgets the cached layouts (new entries, new width, new font).
    void invalidate();

Q_SIGNALS:
    void actionTriggered(tolvane::HistoryRowAction action, const tolvane::HistoryEntry& entry);
    // An open row's text asked to copy this (the stored text behind its selection).
    void copyRequested(const QString& text);

protected:
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

private:
    int rowWidth() const;

    QListView* m_view;
    HistoryRowStyle m_style;
    mutable int m_cachedWidth = -1;
    mutable QHash<QString, HistoryRowLayout> m_layouts;
};

} // namespace tolvane
