#include "workspace/signal_sidebar.h"

#include "core/async/task.h"
#include "core/logging.h"
#include "core/text.h"
#include "model/app_settings.h"
#include "model/history_events.h"
#include "model/history_store.h"
#include "ui/dark_controls.h"
#include "ui/pencil_icon.h"
#include "ui/theme.h"
#include "workflow/workflow_coordinator.h"
#include "workspace/history_row_text.h"
#include "workspace/meta_text.h"
#include "workspace/signal_row.h"
#include "workspace/usage_card.h"
#include "workspace/workspace_button.h"
#include "workspace/workspace_paint.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace tolvane {
namespace {

struct SampleRow {
    const char* title;
    const char* detail;
};
constexpr SampleRow sampleRows[] = {{"Product brief", "EN → ZH · 2M"},
                                    {"Client follow-up", "ZH → EN · 1H"},
                                    {"Research notes", "DE → EN · 1D"},
                                    {"Release copy", "EN → JA · 3D"}};

} // namespace

SignalSidebar::SignalSidebar(HistoryStore& store, HistoryEvents& events, AppSettings& settings,
                             WorkflowCoordinator& workflow, bool isSnapshotMode, Actions actions,
                             QWidget* parent)
    : QWidget(parent), m_store(store), m_settings(settings), m_workflow(workflow),
      m_isSnapshotMode(isSnapshotMode), m_actions(std::move(actions)), m_status(workflow.status().kind()) {
    setObjectName(QStringLiteral("SignalSidebar"));
    setFixedWidth(248);

    // Header: the title or the search field, then new translation and the search toggle.
    m_title = new MetaText(QStringLiteral("最近记录"), Theme::color797168(), this);
    m_searchBox = new QWidget(this);
    auto* searchLine = new QHBoxLayout(m_searchBox);
    searchLine->setContentsMargins(0, 0, 0, 0);
    searchLine->setSpacing(6);
    auto* searchIcon = new QLabel(m_searchBox);
    searchIcon->setPixmap(
        PencilIcon{PencilIconAsset::search, 13}.image(Theme::color797168(), devicePixelRatioF()));
    searchLine->addWidget(searchIcon);
    m_searchField = new QLineEdit(m_searchBox);
    m_searchField->setFrame(false);
    m_searchField->setPlaceholderText(QStringLiteral("搜索记录"));
    m_searchField->setAccessibleName(QStringLiteral("搜索记录"));
    m_searchField->setFont(Theme::interMedium12());
    QPalette palette = m_searchField->palette();
    palette.setColor(QPalette::Text, Theme::colorE9E1D4());
    palette.setColor(QPalette::Base, Theme::color120F0D());
    palette.setColor(QPalette::PlaceholderText, Theme::color797168());
    m_searchField->setPalette(palette);
    m_searchField->installEventFilter(this);
    searchLine->addWidget(m_searchField, 1);
    m_searchBox->hide();

    m_newButton =
        new IconButton(PencilIconAsset::newTranslation, 13, Theme::color797168(), QSize(24, 24), this);
    m_newButton->setToolTip(QStringLiteral("新建翻译"));
    m_newButton->setAccessibleName(QStringLiteral("新建翻译"));
    m_searchButton = new IconButton(PencilIconAsset::search, 14, Theme::color797168(), QSize(24, 24), this);
    m_searchButton->setToolTip(QStringLiteral("搜索历史记录"));
    m_searchButton->setAccessibleName(QStringLiteral("搜索历史记录"));
    m_closeSearchButton =
        new IconButton(PencilIconAsset::clear, 14, Theme::color797168(), QSize(24, 24), this);
    m_closeSearchButton->setToolTip(QStringLiteral("关闭搜索"));
    m_closeSearchButton->setAccessibleName(QStringLiteral("关闭搜索"));
    m_closeSearchButton->hide();
    auto* header = new QHBoxLayout;
    header->setContentsMargins(0, 0, 0, 0);
    header->setSpacing(6);
    header->addWidget(m_title, 1);
    header->addWidget(m_searchBox, 1);
    header->addWidget(m_newButton);
    header->addWidget(m_searchButton);
    header->addWidget(m_closeSearchButton);

    // The list, and the empty state in its place when nothing is listed.
    auto* content = new QWidget;
    m_list = new QVBoxLayout(content);
    m_list->setContentsMargins(0, 0, 0, 0);
    m_list->setSpacing(12);
    m_emptyState = new QWidget(content);
    auto* empty = new QVBoxLayout(m_emptyState);
    empty->setContentsMargins(11, 10, 11, 10);
    empty->setSpacing(6);
    m_emptyLabel = new QLabel(m_emptyState);
    m_emptyLabel->setFont(Theme::interMedium12());
    m_emptyLabel->setWordWrap(true);
    QPalette emptyPalette = m_emptyLabel->palette();
    emptyPalette.setColor(QPalette::WindowText, Theme::colorB6AEA2());
    m_emptyLabel->setPalette(emptyPalette);
    empty->addWidget(m_emptyLabel);
    m_openHistoryButton = new QPushButton(QStringLiteral("打开完整历史"), m_emptyState);
    m_openHistoryButton->setFont(Theme::caption());
    m_openHistoryButton->setFocusPolicy(Qt::TabFocus);
    m_openHistoryButton->setCursor(Qt::PointingHandCursor);
    m_openHistoryButton->setStyleSheet(QStringLiteral("QPushButton { border: none; background: transparent; "
                                                      "padding: 0; color: %1; text-align: left; }")
                                           .arg(Theme::colorBDA46B().name()));
    empty->addWidget(m_openHistoryButton, 0, Qt::AlignLeft);
    m_list->addWidget(m_emptyState);
    m_list->addStretch(1);
    auto* scroll = new QScrollArea(this);
    // Not a focus stop of its own (one a screen reader could only call nothing): the rows and buttons in it
    // take the focus, and the area scrolls to the one that has it.
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    useDarkScrollBars(scroll);
    scroll->setWidget(content);
    // The sidebar's ground shows through the list.
    content->setAutoFillBackground(false);
    scroll->viewport()->setAutoFillBackground(false);

    m_usage = new UsageCard(this);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(14, 22, 14, 22);
    column->setSpacing(12);
    column->addLayout(header);
    column->addWidget(scroll, 1);
    column->addWidget(m_usage);

    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_N), this);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, &SignalSidebar::newTranslation);
    connect(m_newButton, &QAbstractButton::clicked, this, &SignalSidebar::newTranslation);
    connect(m_searchButton, &QAbstractButton::clicked, this, &SignalSidebar::openSearch);
    connect(m_closeSearchButton, &QAbstractButton::clicked, this, &SignalSidebar::closeSearch);
    connect(m_openHistoryButton, &QAbstractButton::clicked, this, [this] {
        if (m_actions.onOpenHistory)
            m_actions.onOpenHistory();
    });

    const auto showUsage = [this] {
        if (m_isSnapshotMode)
            m_usage->setUsage(QStringLiteral("14 / 30"), 0.43);
        else
            m_usage->setUsage(
                quotaText(m_settings.cloudCharactersUsed(), m_settings.cloudCharactersLimit()),
                quotaFraction(m_settings.cloudCharactersUsed(), m_settings.cloudCharactersLimit()));
    };
    showUsage();
    rebuildRows();
    if (m_isSnapshotMode)
        return;
    connect(&settings, &AppSettings::cloudCharactersUsedChanged, this, showUsage);
    connect(&settings, &AppSettings::cloudCharactersLimitChanged, this, showUsage);
    connect(m_searchField, &QLineEdit::textChanged, this, &SignalSidebar::scheduleRebuild);
    connect(&workflow, &WorkflowCoordinator::statusChanged, this, &SignalSidebar::statusChanged);
    connect(&workflow, &WorkflowCoordinator::displayedHistoryEntryIDChanged, this,
            &SignalSidebar::scheduleRebuild);
    connect(&events, &HistoryEvents::historyCleared, this, &SignalSidebar::reload);
}

QList<SignalRow*> SignalSidebar::rows() const {
    return m_rows;
}

QString SignalSidebar::emptyText() const {
    return m_emptyState->isHidden() ? QString() : m_emptyLabel->text();
}

void SignalSidebar::openSearch() {
    if (m_isSnapshotMode) {
        if (m_actions.onOpenHistory)
            m_actions.onOpenHistory();
        return;
    }
    m_showsSearch = true;
    m_title->hide();
    m_searchBox->show();
    m_searchButton->hide();
    m_closeSearchButton->show();
    m_searchField->setFocus(Qt::OtherFocusReason);
}

void SignalSidebar::closeSearch() {
    const bool hadFocus = m_searchField->hasFocus();
    m_showsSearch = false;
    m_searchField->clear();
    m_searchBox->hide();
    m_title->show();
    m_closeSearchButton->hide();
    m_searchButton->show();
    if (hadFocus)
        m_searchField->clearFocus();
}

void SignalSidebar::newTranslation() {
    closeSearch();
    if (m_actions.onNewTranslation)
        m_actions.onNewTranslation();
}

void SignalSidebar::reload() {
    if (m_isSnapshotMode)
        return;
    spawn(this, lcHistory(),
          [self = QPointer(this), store = &m_store](CancellationToken) { return fetch(self, store); });
}

QCoro::Task<> SignalSidebar::fetch(QPointer<SignalSidebar> self, HistoryStore* store) {
    QList<HistoryEntry> entries;
    try {
        entries = co_await store->fetchHistory(recentLimit);
    } catch (const AppError& error) {
        if (self)
            self->showFailure(error.description());
        co_return;
    }
    if (!self)
        co_return;
    self->m_entries = std::move(entries);
    self->m_loadError.clear();
    self->scheduleRebuild();
}

void SignalSidebar::remove(const QString& id) {
    spawn(this, lcHistory(), [self = QPointer(this), store = &m_store, id](CancellationToken) {
        return erase(self, store, id);
    });
}

QCoro::Task<> SignalSidebar::erase(QPointer<SignalSidebar> self, HistoryStore* store, QString id) {
    try {
        co_await store->deleteHistoryEntry(id);
    } catch (const AppError& error) {
        if (self)
            self->showFailure(error.description());
        co_return;
    }
    if (!self)
        co_return;
    self->m_entries.removeIf([&id](const HistoryEntry& entry) { return entry.id == id; });
    self->m_loadError.clear();
    self->scheduleRebuild();
}

void SignalSidebar::showFailure(const QString& description) {
    m_loadError = description;
    scheduleRebuild();
}

void SignalSidebar::statusChanged() {
    const WorkflowStatus::Kind previous = m_status;
    m_status = m_workflow.status().kind();
    // reload() starts the fetch on the next turn, after the history write posted with this status.
    if (m_status == WorkflowStatus::Kind::completed && previous != WorkflowStatus::Kind::completed)
        reload();
}

QList<HistoryEntry> SignalSidebar::visibleEntries() const {
    const QString query = text::trimmed(m_searchField->text());
    if (query.isEmpty())
        return m_entries;
    QList<HistoryEntry> visible;
    for (const HistoryEntry& entry : m_entries) {
        if (entry.sourceText.contains(query, Qt::CaseInsensitive) ||
            entry.resultText.contains(query, Qt::CaseInsensitive) ||
            entry.provider.contains(query, Qt::CaseInsensitive))
            visible << entry;
    }
    return visible;
}

void SignalSidebar::scheduleRebuild() {
    if (m_rebuildQueued)
        return;
    m_rebuildQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_rebuildQueued = false;
        rebuildRows();
    });
}

void SignalSidebar::rebuildRows() {
    // Old rows may be inside their own click handler: they go on a later turn.
    for (SignalRow* row : std::as_const(m_rows)) {
        m_list->removeWidget(row);
        row->hide();
        row->deleteLater();
    }
    m_rows.clear();
    QWidget* content = m_emptyState->parentWidget();
    if (m_isSnapshotMode) {
        bool first = true;
        for (const SampleRow& sample : sampleRows) {
            auto* row = new SignalRow(QString::fromUtf8(sample.title), QString::fromUtf8(sample.detail),
                                      first, false, content);
            first = false;
            m_rows << row;
        }
    } else {
        const QDateTime now = QDateTime::currentDateTimeUtc();
        const std::optional<QString>& shown = m_workflow.displayedHistoryEntryID();
        for (const HistoryEntry& entry : visibleEntries()) {
            auto* row = new SignalRow(historyRowTitle(entry.sourceText), historyRowDetail(entry, now),
                                      shown && *shown == entry.id, true, content);
            connect(row, &SignalRow::activated, this, [this, entry] {
                if (m_actions.onReuse)
                    m_actions.onReuse(entry);
            });
            connect(row, &SignalRow::deleteRequested, this, [this, id = entry.id] { remove(id); });
            m_rows << row;
        }
    }
    for (qsizetype i = 0; i < m_rows.size(); ++i)
        m_list->insertWidget(int(i), m_rows[i]);
    // New widgets join the end of the window's Tab chain; the rows take their place on screen instead,
    // after the header's buttons, so Tab reaches them from the search before it goes on to the editors.
    QWidget* previous = m_closeSearchButton;
    for (SignalRow* row : std::as_const(m_rows)) {
        setTabOrder(previous, row->body());
        previous = row->body();
        if (row->trash()) {
            setTabOrder(previous, row->trash());
            previous = row->trash();
        }
    }
    if (m_rows.isEmpty()) {
        m_emptyLabel->setText(!m_loadError.isEmpty()            ? QStringLiteral("历史记录读取失败")
                              : m_searchField->text().isEmpty() ? QStringLiteral("完成翻译后会显示在这里")
                                                                : QStringLiteral("没有匹配的历史记录"));
        m_emptyState->show();
    } else {
        m_emptyState->hide();
    }
}

void SignalSidebar::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Shown for the first time, or with its window shown again.
    reload();
}

void SignalSidebar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Theme::color120F0D());
    paintHairline(painter, trailingHairline(QRectF(rect())));
}

bool SignalSidebar::eventFilter(QObject* watched, QEvent* event) {
    // Return in the search field belongs to the field: the window's translate shortcut must not see it.
    if (watched == m_searchField && event->type() == QEvent::ShortcutOverride) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            event->accept();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace tolvane
