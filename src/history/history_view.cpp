#include "history/history_view.h"

#include "core/async/task.h"
#include "core/logging.h"
#include "history/history_list_model.h"
#include "history/history_list_view.h"
#include "history/history_row_delegate.h"
#include "history/history_row_widget.h"
#include "model/history_events.h"
#include "model/history_store.h"
#include "ui/destructive_question.h"
#include "ui/history_store_reason.h"
#include "ui/icon_provider.h"
#include "workflow/clipboard_writer.h"

#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QStackedWidget>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace tolvane {

namespace {

QFont applicationFont(int pixelSize, QFont::Weight weight = QFont::Normal) {
    QFont font = QApplication::font();
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    return font;
}

QColor secondaryColor(const QWidget& widget) {
    QColor color = widget.palette().color(QPalette::WindowText);
    color.setAlphaF(0.55f);
    return color;
}

QToolButton* headerButton(const QString& text, const char* symbol, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setText(text);
    button->setAutoRaise(true);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setIcon(IconProvider::shared().symbolPixmap(QString::fromLatin1(symbol), 14,
                                                        parent->palette().color(QPalette::WindowText),
                                                        parent->devicePixelRatioF()));
    return button;
}

} // namespace

HistoryView::HistoryView(const HistoryContentContext& context, QWidget* parent)
    : QWidget(parent), m_context(context), m_model(new HistoryListModel(this)) {
    Q_ASSERT(context.historyStore && context.clipboard && context.historyEvents && context.taskOwner &&
             context.onReuse);
    setObjectName(QStringLiteral("historyView"));
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);

    auto* header = new QHBoxLayout;
    header->setSpacing(12);
    const QStyle* style = this->style();
    header->setContentsMargins(
        style->pixelMetric(QStyle::PM_LayoutLeftMargin), style->pixelMetric(QStyle::PM_LayoutTopMargin),
        style->pixelMetric(QStyle::PM_LayoutRightMargin), style->pixelMetric(QStyle::PM_LayoutBottomMargin));
    auto* title = new QLabel(QStringLiteral("翻译历史"), this);
    title->setFont(applicationFont(15, QFont::DemiBold));
    header->addWidget(title);
    m_search = new QLineEdit(this);
    m_search->setPlaceholderText(QStringLiteral("搜索历史"));
    m_search->setAccessibleName(QStringLiteral("搜索历史"));
    m_search->setMaximumWidth(280);
    header->addWidget(m_search, 1);
    header->addStretch(1);
    m_refresh = headerButton(QStringLiteral("刷新"), "arrow.clockwise", this);
    m_clear = headerButton(QStringLiteral("清空"), "trash", this);
    header->addWidget(m_refresh);
    header->addWidget(m_clear);
    root->addLayout(header);

    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);
    root->addWidget(divider);

    // A change that failed while rows are listed is told here; the empty state tells it otherwise.
    m_notice = new QLabel(this);
    m_notice->setObjectName(QStringLiteral("historyNotice"));
    m_notice->setWordWrap(true);
    m_notice->setTextFormat(Qt::PlainText);
    m_notice->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_notice->setContentsMargins(style->pixelMetric(QStyle::PM_LayoutLeftMargin), 6,
                                 style->pixelMetric(QStyle::PM_LayoutRightMargin), 6);
    m_notice->hide();
    root->addWidget(m_notice);

    m_content = new QStackedWidget(this);
    auto* empty = new QWidget(m_content);
    auto* emptyLayout = new QVBoxLayout(empty);
    emptyLayout->setSpacing(10);
    emptyLayout->addStretch(1);
    auto* clock = new QLabel(empty);
    clock->setObjectName(QStringLiteral("historyEmptySymbol"));
    clock->setPixmap(IconProvider::shared().symbolPixmap(QStringLiteral("clock"), 26, secondaryColor(*this),
                                                         devicePixelRatioF()));
    clock->setAlignment(Qt::AlignCenter);
    emptyLayout->addWidget(clock);
    m_emptyMessage = new QLabel(empty);
    m_emptyMessage->setObjectName(QStringLiteral("historyEmptyMessage"));
    m_emptyMessage->setAlignment(Qt::AlignCenter);
    m_emptyMessage->setWordWrap(true);
    m_emptyMessage->setTextFormat(Qt::PlainText);
    QPalette palette = m_emptyMessage->palette();
    palette.setColor(QPalette::WindowText, secondaryColor(*this));
    m_emptyMessage->setPalette(palette);
    emptyLayout->addWidget(m_emptyMessage);
    emptyLayout->addStretch(1);
    m_content->addWidget(empty);

    m_list = new HistoryListView(m_model, m_content);
    m_list->setObjectName(QStringLiteral("historyList"));
    m_list->setAccessibleName(QStringLiteral("翻译历史"));
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setLayoutMode(QListView::Batched);
    m_list->setBatchSize(200);
    m_list->setResizeMode(QListView::Adjust);
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setMouseTracking(true);
    m_list->viewport()->installEventFilter(this);
    m_list->installEventFilter(this);
    m_delegate = new HistoryRowDelegate(m_list);
    m_list->setItemDelegate(m_delegate);
    m_content->addWidget(m_list);
    root->addWidget(m_content, 1);
    // Tab goes from the search straight to the matching rows, then to the header's buttons.
    setTabOrder(m_search, m_list);
    setTabOrder(m_list, m_refresh);
    setTabOrder(m_refresh, m_clear);

    // On the next turn: a row's own button may remove the row (and with it the button) only after its
    // click ended.
    connect(m_delegate, &HistoryRowDelegate::actionTriggered, this,
            [this](HistoryRowAction action, const HistoryEntry& entry) {
                QTimer::singleShot(0, this, [this, action, entry] { runAction(action, entry); });
            });
    connect(m_delegate, &HistoryRowDelegate::copyRequested, this,
            [this](const QString& text) { m_context.clipboard->writePlainText(text); });
    connect(m_list, &HistoryListView::actionRequested, this, &HistoryView::runAction);
    connect(m_list, &HistoryListView::deleteKeyPressed, this, &HistoryView::confirmDelete);
    connect(m_list->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &HistoryView::refreshHighlights);
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &HistoryView::refreshHighlights);
    connect(m_list, &QListView::entered, this, &HistoryView::openRowEditor);
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        m_editorIndex = m_pinnedIndex = QPersistentModelIndex();
        refreshState();
    });
    connect(m_search, &QLineEdit::textChanged, m_model, &HistoryListModel::setSearchText);
    connect(m_refresh, &QToolButton::clicked, this, &HistoryView::reload);
    connect(m_clear, &QToolButton::clicked, this, [this] {
        confirmHistoryClear(window(), [self = QPointer(this)] {
            if (self)
                self->clearAll();
        });
    });
    connect(m_context.historyEvents, &HistoryEvents::historyCleared, this, [this] {
        if (m_context.historyEvents->clearOrigin() != this)
            reload();
    });
    refreshState();

    const QPointer<HistoryView> self(this);
    HistoryStore* store = m_context.historyStore;
    spawn(this, lcHistory(), [self, store](CancellationToken token) { return loadBody(self, store, token); });
}

HistoryView::~HistoryView() = default;

HistoryContentFactory HistoryView::factory() {
    return [](const HistoryContentContext& context, QWidget* parent) {
        return new HistoryView(context, parent);
    };
}

void HistoryView::reload() {
    const QPointer<HistoryView> self(this);
    HistoryStore* store = m_context.historyStore;
    spawn(m_context.taskOwner, lcHistory(),
          [self, store](CancellationToken token) { return loadBody(self, store, token); });
}

void HistoryView::deleteEntry(const HistoryEntry& entry) {
    const QPointer<HistoryView> self(this);
    HistoryStore* store = m_context.historyStore;
    spawn(m_context.taskOwner, lcHistory(), [self, store, id = entry.id](CancellationToken token) {
        return deleteBody(self, store, id, token);
    });
}

void HistoryView::clearAll() {
    if (m_clearing)
        return;
    m_clearing = true;
    refreshState();
    const QPointer<HistoryView> self(this);
    HistoryStore* store = m_context.historyStore;
    const QPointer<HistoryEvents> events(m_context.historyEvents);
    spawn(m_context.taskOwner, lcHistory(),
          [self, store, events](CancellationToken token) { return clearBody(self, store, events, token); });
}

QCoro::Task<> HistoryView::loadBody(QPointer<HistoryView> view, HistoryStore* store,
                                    CancellationToken token) {
    QList<HistoryEntry> entries;
    QString error;
    try {
        entries = co_await store->fetchHistory();
    } catch (const HistoryStoreError& failure) {
        error = failure.description();
    }
    if (!view)
        co_return;
    token.throwIfCancelled();
    if (error.isEmpty()) {
        view->m_errorMessage.clear();
        // A row may have been written again under its id since: lay every row out anew.
        view->m_delegate->invalidate();
        view->m_model->setEntries(std::move(entries));
    } else {
        view->setError(error);
    }
    Q_EMIT view->loaded();
}

QCoro::Task<> HistoryView::deleteBody(QPointer<HistoryView> view, HistoryStore* store, QString id,
                                      CancellationToken) {
    QString error;
    try {
        co_await store->deleteHistoryEntry(id);
    } catch (const HistoryStoreError& failure) {
        error = QStringLiteral("未能删除这条历史记录（%1）。").arg(historyStoreReason(failure));
    }
    if (!view)
        co_return;
    if (error.isEmpty()) {
        view->m_errorMessage.clear();
        view->removeRow(id);
    } else {
        view->setError(error);
    }
    Q_EMIT view->changeFinished();
}

QCoro::Task<> HistoryView::clearBody(QPointer<HistoryView> view, HistoryStore* store,
                                     QPointer<HistoryEvents> events, CancellationToken) {
    QString error;
    try {
        co_await store->clearAll();
    } catch (const HistoryStoreError& failure) {
        error = QStringLiteral("未能清空翻译历史（%1），记录都还在。").arg(historyStoreReason(failure));
    }
    if (view) {
        view->m_clearing = false;
        if (error.isEmpty()) {
            view->m_errorMessage.clear();
            view->m_model->setEntries({});
        } else {
            view->setError(error);
        }
    }
    if (error.isEmpty() && events)
        events->announceCleared(view);
    if (view)
        Q_EMIT view->changeFinished();
}

void HistoryView::runAction(HistoryRowAction action, const HistoryEntry& entry) {
    switch (action) {
    case HistoryRowAction::reuse:
        m_context.onReuse(entry.sourceText);
        break;
    case HistoryRowAction::copySource:
        m_context.clipboard->writePlainText(entry.sourceText);
        break;
    case HistoryRowAction::copyResult:
        m_context.clipboard->writePlainText(entry.resultText);
        break;
    case HistoryRowAction::remove:
        deleteEntry(entry);
        break;
    }
}

void HistoryView::removeRow(const QString& id) {
    // The list is rebuilt without the row; the keys keep acting where they were: on the row that takes the
    // current one's place, or on the last row when the last one went.
    int current = m_list->currentIndex().isValid() ? m_list->currentIndex().row() : -1;
    for (int row = 0; current >= 0 && row < m_model->rowCount(); ++row) {
        if (m_model->visibleEntry(row).id == id) {
            current -= row < current ? 1 : 0;
            break;
        }
    }
    m_model->removeEntry(id);
    if (current >= 0 && m_model->rowCount() > 0)
        m_list->setCurrentIndex(m_model->index(std::min(current, m_model->rowCount() - 1)));
}

void HistoryView::confirmDelete(const HistoryEntry& entry) {
    confirmDestructive(window(), QStringLiteral("删除此历史记录？"), entry.sourceText, QStringLiteral("删除"),
                       [self = QPointer(this), entry] {
                           if (self)
                               self->deleteEntry(entry);
                       });
}

void HistoryView::refreshHighlights() {
    for (const QPersistentModelIndex& open : {m_editorIndex, m_pinnedIndex}) {
        if (auto* row = open.isValid() ? qobject_cast<HistoryRowWidget*>(m_list->indexWidget(open)) : nullptr)
            row->setHighlight(m_list->selectionModel()->isSelected(open),
                              m_list->hasFocus() && m_list->currentIndex() == open);
    }
}

void HistoryView::setError(QString message) {
    m_errorMessage = std::move(message);
    refreshState();
}

bool HistoryView::isShowingList() const {
    return m_content->currentWidget() == m_list;
}

void HistoryView::refreshState() {
    // While a clear waits for the database, a second one is not offered.
    m_clear->setEnabled(!m_model->entries().isEmpty() && !m_clearing);
    m_notice->setText(m_errorMessage);
    if (m_model->rowCount() > 0) {
        m_notice->setVisible(!m_errorMessage.isEmpty());
        m_content->setCurrentWidget(m_list);
        return;
    }
    m_notice->hide();
    m_content->setCurrentIndex(0);
    if (!m_errorMessage.isEmpty()) {
        m_emptyMessage->setText(m_errorMessage);
        m_emptyMessage->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    } else {
        m_emptyMessage->setText(m_model->query().isEmpty() ? QStringLiteral("暂无历史记录")
                                                           : QStringLiteral("没有匹配的历史记录"));
        m_emptyMessage->setTextInteractionFlags(Qt::NoTextInteraction);
    }
}

void HistoryView::openRowEditor(const QModelIndex& index) {
    if (index == m_editorIndex)
        return;
    if (m_editorIndex.isValid() && m_editorIndex != m_pinnedIndex)
        m_list->closePersistentEditor(m_editorIndex);
    m_editorIndex = index;
    if (!index.isValid() || index == m_pinnedIndex)
        return;
    m_list->openPersistentEditor(index);
    if (auto* row = qobject_cast<HistoryRowWidget*>(m_list->indexWidget(index))) {
        row->sourceLabel()->installEventFilter(this);
        row->resultLabel()->installEventFilter(this);
    }
    refreshHighlights();
}

QWidget* HistoryView::rowWidget(int row) {
    const QModelIndex index = m_model->index(row, 0);
    if (!index.isValid())
        return nullptr;
    openRowEditor(index);
    return m_list->indexWidget(index);
}

bool HistoryView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list->viewport() && event->type() == QEvent::Resize && m_editorIndex.isValid()) {
        // The open rows were laid out for the old width: build the hovered one again.
        const QPersistentModelIndex index = m_editorIndex;
        for (const QPersistentModelIndex& open : {m_editorIndex, m_pinnedIndex}) {
            if (open.isValid())
                m_list->closePersistentEditor(open);
        }
        m_editorIndex = m_pinnedIndex = QPersistentModelIndex();
        m_delegate->invalidate();
        openRowEditor(index);
    } else if (watched == m_list && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
        refreshHighlights();
    } else if (watched != m_list->viewport() && event->type() == QEvent::FocusIn) {
        // A text of the hovered row took the focus (a selection may follow): that row stays open while the
        // pointer moves on, so the selection can still be copied, and becomes the current row, which the
        // keys its text does not use act on.
        if (m_pinnedIndex.isValid() && m_pinnedIndex != m_editorIndex)
            m_list->closePersistentEditor(m_pinnedIndex);
        m_pinnedIndex = m_editorIndex;
        if (m_pinnedIndex.isValid())
            m_list->setCurrentIndex(m_pinnedIndex);
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace tolvane
