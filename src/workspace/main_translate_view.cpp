#include "workspace/main_translate_view.h"

#include "core/text.h"
#include "model/app_settings.h"
#include "model/history_entry.h"
#include "model/language_table.h"
#include "model/raw_enum.h"
#include "ui/native_text_editor.h"
#include "ui/settings_not_stored_notice.h"
#include "ui/theme.h"
#include "workflow/workflow_coordinator.h"
#include "workspace/result_pane.h"
#include "workspace/settings_watch.h"
#include "workspace/signal_sidebar.h"
#include "workspace/source_pane.h"
#include "workspace/title_bar.h"
#include "workspace/tool_rail.h"
#include "workspace/workspace_controls.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <utility>

namespace tolvane {
namespace {

const QString snapshotResult =
    QStringLiteral("最好的翻译工具会融入工作本身。它保留\n原意、节奏，以及让人继续前行的信心。");
constexpr qsizetype snapshotCharacterCount = 128;

// The editing area: the source pane at a width that follows the area's own, the result pane beside it.
class EditingArea final : public QWidget {
public:
    EditingArea(SourcePane* source, ResultPane* result, QWidget* parent) : QWidget(parent), m_source(source) {
        auto* row = new QHBoxLayout(this);
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(0);
        source->setParent(this);
        result->setParent(this);
        row->addWidget(source);
        row->addWidget(result, 1);
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        m_source->setFixedWidth(MainTranslateView::sourcePaneWidth(width()));
        QWidget::resizeEvent(event);
    }

private:
    SourcePane* m_source;
};

// What the title bar's route pill says for the engine translations use; none while the stored choice is
// unreadable and nothing was chosen since.
QString routeText(std::optional<TranslationEngine> engine) {
    if (!engine)
        return QStringLiteral("未选择翻译线路");
    return *engine == TranslationEngine::openAICompatible ? QStringLiteral("BYOK 线路 · 安全")
                                                          : QStringLiteral("云端线路");
}

} // namespace

MainTranslateView::MainTranslateView(const MainContentContext& context,
                                     SaveLocationChooser chooseSaveLocation, QWidget* parent)
    : QWidget(parent), m_context(context), m_chooseSaveLocation(std::move(chooseSaveLocation)),
      m_inputText(context.inputText) {
    setObjectName(QStringLiteral("MainTranslateView"));
    const bool snapshot = m_context.isSnapshotMode;

    m_titleBar = new TitleBar({[this] {
                                   if (m_context.onScreenshotTranslate)
                                       m_context.onScreenshotTranslate();
                               },
                               [this] { translate(); }, [this] { stop(); }},
                              this);
    const auto call = [](const std::function<void()>& action) {
        return [action] {
            if (action)
                action();
        };
    };
    m_rail = new ToolRail(*m_context.settings, snapshot,
                          {[this] { requestInputFocus(); }, call(m_context.onScreenshotRecognize),
                           call(m_context.onOpenHistory), call(m_context.onOpenSettings)},
                          this);
    m_sidebar = new SignalSidebar(*m_context.historyStore, *m_context.historyEvents, *m_context.settings,
                                  *m_context.workflow, snapshot,
                                  {call(m_context.onOpenHistory), [this] { startNewTranslation(); },
                                   [this](const HistoryEntry& entry) { reuseHistoryEntry(entry); }},
                                  this);
    m_controls = new WorkspaceControls(*m_context.settings, this);
    // A language, style or rail setting that cannot be stored returns to its stored value; the user is told
    // as for a result that cannot be saved.
    tellSettingsNotStoredIn(this, *m_context.settings, [workflow = m_context.workflow](const QString& words) {
        if (!words.isEmpty())
            workflow->setStatus(WorkflowStatus::failed(words));
    });
    m_sourcePane = new SourcePane(snapshot,
                                  {[this](const QString& text) { dropText(text); },
                                   [this](QImage image) {
                                       if (!m_context.onRecognizeDroppedImage || m_context.isSnapshotMode)
                                           return;
                                       m_awaitsRecognizedText = true;
                                       m_context.onRecognizeDroppedImage(std::move(image));
                                   },
                                   [this] { clearInput(); }},
                                  this);
    m_resultPane = new ResultPane(snapshot,
                                  {[this] { m_context.workflow->copyResultText(); },
                                   [this] { m_context.workflow->replaceOriginal(); },
                                   [this] { saveResultToFile(); }, [this] { translate(); }},
                                  this);

    auto* column = new QVBoxLayout;
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_controls);
    column->addWidget(new EditingArea(m_sourcePane, m_resultPane, this), 1);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(m_rail);
    row->addWidget(m_sidebar);
    row->addLayout(column, 1);
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);
    root->addWidget(m_titleBar);
    root->addLayout(row, 1);

    NativeTextEditor* editor = m_sourcePane->editor();
    if (!editor->setText(m_inputText))
        m_inputText.clear();
    refreshSettings();
    refreshInputState();
    refreshStatus();
    if (snapshot)
        return;

    connect(editor, &NativeTextEditor::textEdited, this, &MainTranslateView::userEdited);
    connect(editor, &NativeTextEditor::editingChanged, this, &MainTranslateView::editingChanged);
    WorkflowCoordinator* workflow = m_context.workflow;
    connect(workflow, &WorkflowCoordinator::sourceTextChanged, this, &MainTranslateView::sourceTextPublished);
    connect(workflow, &WorkflowCoordinator::resultTextChanged, this, &MainTranslateView::refreshResult);
    connect(workflow, &WorkflowCoordinator::canPasteBackToSourceChanged, this,
            &MainTranslateView::refreshResult);
    connect(workflow, &WorkflowCoordinator::statusChanged, this, &MainTranslateView::refreshStatus);
    connect(workflow, &WorkflowCoordinator::statusChanged, this, [this] {
        // A recognition that ended without text (failed, stopped) leaves the editor to the user again.
        if (!m_context.workflow->status().isBusy())
            m_awaitsRecognizedText = false;
    });
    AppSettings* settings = m_context.settings;
    for (auto signal : {&AppSettings::sourceLanguageChanged, &AppSettings::targetLanguageChanged,
                        &AppSettings::translationStyleChanged, &AppSettings::translationEngineChanged})
        connect(settings, signal, this, &MainTranslateView::refreshSettings);
    m_settingsWatch = new SettingsWatch(*settings, this);
    connect(m_settingsWatch, &SettingsWatch::translationSettingsChanged, this,
            &MainTranslateView::translationSettingsChanged);
    connect(m_settingsWatch, &SettingsWatch::autoTranslateChanged, this,
            &MainTranslateView::autoTranslateChanged);
    window()->installEventFilter(this);
}

MainTranslateView::~MainTranslateView() {
    // The editor loses focus while the children are destroyed; that is no end of editing to react to.
    disconnect(m_sourcePane->editor(), nullptr, this, nullptr);
}

MainContentFactory MainTranslateView::factory() {
    return [](const MainContentContext& context, QWidget* parent) -> QWidget* {
        return new MainTranslateView(context, saveDialogChooser(parent), parent);
    };
}

int MainTranslateView::sourcePaneWidth(int width) {
    return int(std::lround(std::max(std::min(width * 0.419, 520.0), 360.0)));
}

bool MainTranslateView::isBusy() const {
    return !m_context.isSnapshotMode && m_context.workflow->status().isBusy();
}

void MainTranslateView::requestInputFocus() {
    m_sourcePane->editor()->setFocusRequest(++m_focusRequest);
}

void MainTranslateView::startNewTranslation() {
    if (m_context.isSnapshotMode)
        return;
    clearInput();
    requestInputFocus();
}

void MainTranslateView::reuseHistoryEntry(const HistoryEntry& entry) {
    if (m_inputText != entry.sourceText && !setInputText(entry.sourceText))
        return;
    m_context.workflow->showHistoryEntry(entry);
    requestInputFocus();
}

void MainTranslateView::saveResultToFile() {
    WorkflowCoordinator* workflow = m_context.workflow;
    const QString atClick = workflow->resultText();
    if (atClick.isEmpty())
        return;
    const std::optional<QString> path = m_chooseSaveLocation(QStringLiteral("Translation.txt"));
    if (!path)
        return;
    // The result may have changed while the dialog was up; an emptied one leaves what the user saw.
    const QString current = workflow->resultText();
    if (const std::optional<QString> error = writeTextFile(*path, current.isEmpty() ? atClick : current)) {
        workflow->setStatus(WorkflowStatus::failed(QStringLiteral("保存译文失败：%1").arg(*error)));
        workflow->presentPanel(std::nullopt);
    }
}

void MainTranslateView::translate() {
    if (!m_context.isSnapshotMode)
        m_context.workflow->translateInputText(m_inputText);
}

void MainTranslateView::stop() {
    if (!m_context.isSnapshotMode)
        m_context.workflow->stopTranslation();
}

void MainTranslateView::dropText(const QString& text) {
    const QString trimmed = text::trimmed(text);
    if (trimmed.isEmpty() || m_context.isSnapshotMode || !setInputText(trimmed))
        return;
    requestInputFocus();
    m_context.workflow->manualInputDidChange(trimmed);
}

void MainTranslateView::clearInput() {
    if (m_context.isSnapshotMode)
        return;
    setInputText(QString());
    m_context.workflow->resetWorkflow();
    m_context.workflow->manualInputDidChange(QString());
}

bool MainTranslateView::setInputText(const QString& text) {
    if (!m_sourcePane->editor()->setText(text))
        return false;
    m_inputText = text;
    refreshInputState();
    return true;
}

void MainTranslateView::userEdited(const QString& text) {
    m_inputText = text;
    if (m_sourcePane->editor()->hasFocus())
        m_isInputEditing = true;
    refreshInputState();
    m_context.workflow->manualInputDidChange(text);
}

void MainTranslateView::editingChanged(bool editing) {
    // Editing ends when focus moves elsewhere in this window; deactivating the window does not end it.
    if (!editing && window()->isActiveWindow())
        m_isInputEditing = false;
}

void MainTranslateView::sourceTextPublished() {
    const QString& source = m_context.workflow->sourceText();
    if (source.isEmpty())
        return;
    if (std::exchange(m_awaitsRecognizedText, false)) {
        // A dropped image's text becomes the source, as a dropped text does.
        if (source != m_inputText)
            setInputText(source);
        requestInputFocus();
        return;
    }
    if (!m_isInputEditing && source != m_inputText)
        setInputText(source);
}

bool MainTranslateView::reactsToSettings() const {
    if (!isVisible() || window()->isMinimized())
        return false;
    return !(m_context.isFloatingPanelVisible && m_context.isFloatingPanelVisible());
}

void MainTranslateView::translationSettingsChanged() {
    if (reactsToSettings())
        m_context.workflow->retranslate(m_inputText, false);
    else
        m_settingsChangedWhileAway = true;
}

bool MainTranslateView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window() &&
        (event->type() == QEvent::Show || event->type() == QEvent::WindowStateChange)) {
        // Opened (not merely restored by the window manager): typing goes to the editor, never to the
        // first button of the rail.
        if (event->type() == QEvent::Show && !event->spontaneous())
            requestInputFocus();
        QTimer::singleShot(0, this, &MainTranslateView::catchUpWithSettings);
    }
    return QWidget::eventFilter(watched, event);
}

void MainTranslateView::catchUpWithSettings() {
    if (!m_settingsChangedWhileAway || !reactsToSettings())
        return;
    m_settingsChangedWhileAway = false;
    if (!resultMatchesSettings())
        m_context.workflow->retranslate(m_inputText, false);
}

bool MainTranslateView::resultMatchesSettings() const {
    const WorkflowCoordinator* workflow = m_context.workflow;
    const std::optional<AIRequest>& shown = workflow->lastRequest();
    if (workflow->resultText().isEmpty() || !shown)
        return true; // nothing on display to bring up to date
    const AppSettings* settings = m_context.settings;
    const bool sourceMatches = settings->sourceLanguage() == QLatin1String(kAutoLanguageCode) ||
                               shown->sourceLanguage == settings->sourceLanguage();
    return sourceMatches && shown->targetLanguage == settings->targetLanguage() &&
           shown->style == settings->translationStyle();
}

void MainTranslateView::autoTranslateChanged(bool on) {
    WorkflowCoordinator* workflow = m_context.workflow;
    if (on) {
        if (reactsToSettings())
            workflow->manualInputDidChange(m_inputText);
        return;
    }
    // Only the workspace's own typed translation stops; one started from elsewhere (a hot key, the panel's
    // field) is not this switch's business.
    const bool ownTranslation = workflow->inputHistoryEntryID() && !workflow->isManualInputMode();
    if (workflow->status().isBusy() && ownTranslation)
        workflow->stopTranslation();
    else
        workflow->cancelPendingAutomaticTranslation();
}

void MainTranslateView::refreshInputState() {
    const qsizetype count =
        m_context.isSnapshotMode ? snapshotCharacterCount : text::graphemeCount(m_inputText);
    m_sourcePane->showTextState(count, !m_inputText.isEmpty());
    refreshStatus();
}

void MainTranslateView::refreshStatus() {
    const bool busy = isBusy();
    const bool disabled = !m_context.isSnapshotMode && !busy && text::trimmed(m_inputText).isEmpty();
    m_titleBar->setBusy(busy);
    m_titleBar->setTranslateDisabled(disabled);
    refreshResult();
}

void MainTranslateView::refreshResult() {
    if (m_context.isSnapshotMode) {
        m_resultPane->showResult(snapshotResult, WorkflowStatus::completed(), true);
        return;
    }
    const WorkflowCoordinator* workflow = m_context.workflow;
    // Only a finished answer may be written over the user's text: not one still arriving, broken off or
    // failed.
    m_resultPane->showResult(workflow->resultText(), workflow->status(),
                             workflow->canPasteBackToSource() && workflow->isResultFinished());
}

void MainTranslateView::refreshSettings() {
    const AppSettings* settings = m_context.settings;
    if (m_context.isSnapshotMode) {
        m_controls->showChoices(QStringLiteral("en-US"), QStringLiteral("zh-Hans"),
                                TranslationStyle::polished);
        m_titleBar->setRouteText(QStringLiteral("云端线路"));
        m_controls->setSwapEnabled(true);
        return;
    }
    m_controls->showChoices(settings->sourceLanguage(), settings->targetLanguage(),
                            settings->translationStyle());
    m_titleBar->setRouteText(routeText(settings->chosenTranslationEngine()));
    m_controls->setSwapEnabled(settings->sourceLanguage() != QLatin1String(kAutoLanguageCode));
}

void MainTranslateView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Theme::color0B0A09());
}

} // namespace tolvane
