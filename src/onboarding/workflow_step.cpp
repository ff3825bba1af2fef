#include "onboarding/workflow_step.h"

#include "model/app_settings.h"
#include "model/language_table.h"
#include "onboarding/onboarding_blocks.h"
#include "platform/permission_service.h"
#include "ui/language_picker.h"
#include "ui/open_list_keys.h"
#include "ui/settings_not_stored_notice.h"
#include "ui/settings_switch.h"
#include "ui/shortcut_recorder_view.h"
#include "ui/theme.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>

namespace tolvane {

namespace {

// The widest the error line under the recorder gets.
constexpr int errorWidth = 230;

// One card row: icon, title over detail, then the control on the trailing edge.
QWidget* makeWorkflowRow(const QString& symbol, const QString& title, const QString& detail, QWidget* control,
                         Qt::Alignment controlAlignment = Qt::AlignVCenter) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(18, 18, 18, 18);
    layout->setSpacing(16);
    auto* iconColumn = new QWidget;
    iconColumn->setFixedWidth(28);
    auto* iconLayout = new QVBoxLayout(iconColumn);
    iconLayout->setContentsMargins(0, 0, 0, 0);
    iconLayout->addWidget(makeGuideSymbol(symbol, 16, Theme::colorBDA46B()), 0, Qt::AlignCenter);
    layout->addWidget(iconColumn);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(3);
    texts->addWidget(makeGuideLabel(title, Theme::body(), Theme::colorE9E1D4()));
    texts->addWidget(makeGuideLabel(detail, Theme::caption(), Theme::colorB6AEA2(), true));
    layout->addLayout(texts, 1);
    // Title over detail, together, when the control makes the row taller.
    layout->setAlignment(texts, Qt::AlignVCenter);
    layout->addSpacing(16);
    layout->addWidget(control, 0, controlAlignment);
    return row;
}

// A row's control over the line that tells what became of its last change, both at the trailing edge.
QWidget* makeControlColumn(QWidget* control, QLabel* notice) {
    auto* column = new QWidget;
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(5);
    layout->addWidget(control, 0, Qt::AlignRight);
    notice->setMaximumWidth(errorWidth);
    notice->setAlignment(Qt::AlignRight | Qt::AlignTop);
    // Fills the column, which is as wide as the line needs (see showNotice): the label then has the height
    // of all its lines at the width it is shown at.
    layout->addWidget(notice);
    notice->hide();
    return column;
}

QLabel* makeNotice() {
    return makeGuideLabel(QString(), Theme::caption2(), Theme::systemOrange(), true);
}

// One line as long as it fits in errorWidth, else wrapped at that width onto as many lines as needed.
void showNotice(QLabel* notice, const QString& text) {
    notice->setText(text);
    notice->setMinimumWidth(std::min(errorWidth, notice->fontMetrics().horizontalAdvance(text) + 1));
    notice->setVisible(!text.isEmpty());
}

} // namespace

QString permissionSummaryText(int grantedCount) {
    if (grantedCount <= 0)
        return QStringLiteral("尚未授权；仍可先使用手动输入和粘贴翻译。");
    if (grantedCount < 3)
        return QStringLiteral("部分权限已就绪；其他权限可稍后在设置中完成。");
    return QStringLiteral("所有工作流权限均已就绪。");
}

WorkflowStep::WorkflowStep(AppSettings& settings, Controls controls, QWidget* parent)
    : QWidget(parent), m_settings(settings), m_controls(std::move(controls)), m_picker(new QComboBox),
      m_languageNotice(makeNotice()), m_error(makeNotice()), m_switch(new SettingsSwitch),
      m_switchNotice(makeNotice()), m_summary(new QWidget),
      m_summaryText(makeGuideLabel(QString(), Theme::callout(), Theme::colorB6AEA2())) {
    ShortcutRecorderView::Callbacks callbacks;
    callbacks.onRecord = [this](const AppShortcut& shortcut) { record(shortcut); };
    callbacks.onClear = [this] { clear(); };
    callbacks.onInvalid = [this](const QString& message) {
        m_shortcutError = message;
        refresh();
    };
    callbacks.onRecordingChanged = m_controls.setGlobalShortcutsPaused;
    m_recorder = new ShortcutRecorderView(ShortcutAction::translateSelection, std::move(callbacks));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(28);
    layout->addWidget(
        makeGuideStepHeader(tr("准备开始"), tr("选择默认语言与快捷操作，之后仍可在设置中修改。")));

    m_picker->setFixedWidth(200);
    m_picker->setAccessibleName(tr("默认目标语言"));
    // Return in the open list chooses a language and leaves the guide where it is.
    chooseOnlyInOpenList(m_picker);
    fillLanguagePicker(m_picker, languagePickerRows(targetLanguages()), settings.targetLanguage());
    connect(m_picker, &QComboBox::activated, this, [this](int index) {
        change(Row::language, [&] { m_settings.setTargetLanguage(m_picker->itemData(index).toString()); });
    });

    m_switch->setAccessibleName(tr("显示选词翻译按钮"));
    m_switch->setChecked(settings.autoSelectionButtonEnabled());
    connect(m_switch, &SettingsSwitch::toggled, this, [this](bool on) {
        change(Row::selectionButton, [&] { m_settings.setAutoSelectionButtonEnabled(on); });
    });

    auto* card = new OnboardingCard(14);
    auto* rows = new QVBoxLayout(card);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(0);
    rows->addWidget(makeWorkflowRow(QStringLiteral("globe"), tr("默认目标语言"),
                                    tr("翻译结果默认使用此语言。"),
                                    makeControlColumn(m_picker, m_languageNotice)));
    rows->addWidget(makeGuideRule());
    rows->addWidget(makeWorkflowRow(QStringLiteral("keyboard"), tr("选中文本快捷键"),
                                    tr("选好文字后使用这个组合键。"), makeControlColumn(m_recorder, m_error),
                                    Qt::AlignTop));
    rows->addWidget(makeGuideRule());
    rows->addWidget(makeWorkflowRow(QStringLiteral("cursorarrow"), tr("显示选词翻译按钮"),
                                    tr("选中文字后，在附近显示一个可点击的翻译按钮。"),
                                    makeControlColumn(m_switch, m_switchNotice)));
    layout->addWidget(card);

    auto* summary = new QHBoxLayout(m_summary);
    summary->setContentsMargins(0, 0, 0, 0);
    summary->setSpacing(8);
    summary->addWidget(makeGuideSymbol(QStringLiteral("checkmark.circle.fill"), 14, Theme::color89947A()));
    summary->addWidget(m_summaryText);
    summary->addStretch(1);
    m_summary->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(m_summary);
    layout->addStretch(1);

    // Told under the control that made the change; a change from elsewhere is told under the recorder.
    tellSettingsNotStoredIn(this, settings, [this](const QString& words) {
        if (words.isEmpty())
            m_notStoredAt.reset();
        else
            m_notStoredAt = m_changing.value_or(Row::shortcut);
        refresh();
    });
    connect(&settings, &AppSettings::shortcutsChanged, this, &WorkflowStep::refresh);
    connect(&settings, &AppSettings::shortcutRegistrationErrorsChanged, this, &WorkflowStep::refresh);
    connect(&settings, &AppSettings::targetLanguageChanged, this, [this] {
        fillLanguagePicker(m_picker, languagePickerRows(targetLanguages()), m_settings.targetLanguage());
    });
    connect(&settings, &AppSettings::autoSelectionButtonEnabledChanged, this, [this] {
        const QSignalBlocker blocker(m_switch);
        m_switch->setChecked(m_settings.autoSelectionButtonEnabled());
    });
    refresh();
}

void WorkflowStep::showPermissions(const PermissionService& permissions) {
    int granted = 0;
    for (PermissionKind kind :
         {PermissionKind::accessibility, PermissionKind::inputMonitoring, PermissionKind::screenRecording})
        granted += permissions.isGranted(kind) ? 1 : 0;
    const QString text = permissionSummaryText(granted);
    if (m_summaryText->text() == text)
        return;
    m_summaryText->setText(text);
    m_summary->setAccessibleName(text);
}

QString WorkflowStep::errorText() const {
    return m_error->isHidden() ? QString() : m_error->text();
}

QString WorkflowStep::noticeBeside(const QWidget* control) const {
    const QLabel* notice = control == m_picker     ? m_languageNotice
                           : control == m_recorder ? m_error
                           : control == m_switch   ? m_switchNotice
                                                   : nullptr;
    return notice && !notice->isHidden() ? notice->text() : QString();
}

QString WorkflowStep::summaryText() const {
    return m_summaryText->text();
}

void WorkflowStep::change(Row row, const std::function<void()>& makeChange) {
    m_changing = row;
    makeChange();
    m_changing.reset();
}

void WorkflowStep::record(const AppShortcut& shortcut) {
    ShortcutAssignment::Outcome outcome;
    change(Row::shortcut, [&] {
        outcome = ShortcutAssignment::validate(ShortcutAction::translateSelection, shortcut, m_settings,
                                               m_controls.validateAvailability,
                                               ShortcutAssignment::ConflictText::generic);
    });
    m_shortcutError =
        outcome.kind == ShortcutAssignment::Outcome::Kind::refused ? outcome.message : QString();
    refresh();
}

void WorkflowStep::clear() {
    change(Row::shortcut, [&] { m_settings.setShortcut(std::nullopt, ShortcutAction::translateSelection); });
    m_shortcutError.clear();
    refresh();
}

void WorkflowStep::refresh() {
    m_recorder->setShortcut(m_settings.shortcuts().shortcut(ShortcutAction::translateSelection));
    const auto notStoredAt = [this](Row row) {
        return m_notStoredAt == row ? settingsNotStoredText() : QString();
    };
    // The recorder's own refusal first, then a change not stored, then the registration failure.
    QString error = m_shortcutError;
    if (error.isEmpty())
        error = notStoredAt(Row::shortcut);
    if (error.isEmpty()) {
        const ShortcutRegistrationErrors failures = m_settings.shortcutRegistrationErrors();
        if (const auto failed = failures.find(ShortcutAction::translateSelection); failed != failures.end())
            error = failed->second;
    }
    showNotice(m_error, error);
    showNotice(m_languageNotice, notStoredAt(Row::language));
    showNotice(m_switchNotice, notStoredAt(Row::selectionButton));
}

} // namespace tolvane
