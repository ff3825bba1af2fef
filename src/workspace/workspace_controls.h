#pragma once

#include "model/translation_style.h"

#include <QString>
#include <QWidget>

namespace tolvane {

class AppSettings;
class IconButton;
class PremiumSelector;

// The name the workspace shows for a language code: a short table of native names for the common
// languages, "自动检测" for "auto", else the language table's name (the code itself when unknown).
QString workspaceLanguageName(const QString& code);
// "翻译风格：" and the style's display name in upper case.
QString styleSelectorTitle(const QString& styleName);

// The strip above the panes: source language, swap, target language and, at the far end, the translation
// style. Every choice is written to the settings at once; the workspace root reacts to the change. The
// choices shown come from the root, which knows whether it shows sample content.
class WorkspaceControls : public QWidget {
    Q_OBJECT

public:
    static constexpr int height = 52;

    WorkspaceControls(AppSettings& settings, QWidget* parent = nullptr);

    // The choices the pickers show and mark in their lists: language codes and a style.
    void showChoices(const QString& source, const QString& target, TranslationStyle style);
    // Follows the source language: the swap needs a concrete one.
    void setSwapEnabled(bool enabled);

    PremiumSelector* sourceSelector() const { return m_source; }
    PremiumSelector* targetSelector() const { return m_target; }
    PremiumSelector* styleSelector() const { return m_style; }
    IconButton* swapButton() const { return m_swap; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    PremiumSelector* m_source;
    IconButton* m_swap;
    PremiumSelector* m_target;
    PremiumSelector* m_style;
};

} // namespace tolvane
