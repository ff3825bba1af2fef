#include "settings/shortcut_settings_row.h"

#include "settings/settings_blocks.h"
#include "ui/shortcut_action_title.h"
#include "ui/theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace tolvane {

namespace {

struct ActionText {
    ShortcutAction action;
    const char* description;
    const char* symbol;
};

const ActionText actionTexts[] = {
    {ShortcutAction::translateSelection, "在任意 App 中读取当前选中文本并翻译。", "character.textbox"},
    {ShortcutAction::screenshotTranslation, "框选屏幕区域、识别文字并翻译。", "viewfinder"},
    {ShortcutAction::screenshotRecognition, "框选屏幕区域并只返回识别出的文字。", "text.viewfinder"},
    {ShortcutAction::openTranslationWindow, "将完整翻译工作区带到前台。", "macwindow"},
};

const ActionText& textOf(ShortcutAction action) {
    for (const ActionText& text : actionTexts)
        if (text.action == action)
            return text;
    return actionTexts[0];
}

} // namespace

ShortcutSettingsRow::ShortcutSettingsRow(ShortcutAction action, ShortcutRecorderView::Callbacks callbacks,
                                         QWidget* parent)
    : QWidget(parent), m_recorder(new ShortcutRecorderView(action, std::move(callbacks))),
      m_error(new QWidget(this)), m_errorText(new QLabel(m_error)) {
    const ActionText& text = textOf(action);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(new SettingsControlRow(shortcutActionTitle(action), QString::fromUtf8(text.description),
                                             QString::fromLatin1(text.symbol), m_recorder, this));
    auto* line = new QHBoxLayout(m_error);
    line->setContentsMargins(20, 0, 20, 12);
    line->setSpacing(6);
    line->addWidget(
        makeSymbolLabel(QStringLiteral("exclamationmark.triangle.fill"), 12, Theme::systemOrange(), m_error),
        0, Qt::AlignTop);
    m_errorText->setTextFormat(Qt::PlainText);
    m_errorText->setWordWrap(true);
    m_errorText->setFont(Theme::caption());
    m_errorText->setStyleSheet(QStringLiteral("color: %1;").arg(Theme::systemOrange().name()));
    line->addWidget(m_errorText, 1);
    m_error->hide();
    layout->addWidget(m_error);
}

void ShortcutSettingsRow::showShortcut(const std::optional<AppShortcut>& shortcut,
                                       const std::optional<QString>& error,
                                       const std::optional<QString>& notice) {
    m_recorder->setShortcut(shortcut);
    const std::optional<QString>& shown = error ? error : notice;
    m_errorText->setText(shown.value_or(QString()));
    m_errorText->setAccessibleName(error    ? QStringLiteral("快捷键错误：%1").arg(*error)
                                   : notice ? QStringLiteral("快捷键提示：%1").arg(*notice)
                                            : QString());
    m_error->setVisible(shown.has_value());
}

QString ShortcutSettingsRow::errorText() const {
    return m_error->isHidden() ? QString() : m_errorText->text();
}

} // namespace tolvane
