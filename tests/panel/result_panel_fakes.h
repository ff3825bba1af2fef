#pragma once

#include "panel/result_panel_settings.h"
#include "panel/result_panel_workflow.h"

#include <QStringList>

namespace tolvane::testing {

// Stores `value` in `field` and emits `signal` on `owner` only when the value really changes, as the
// product's own settings and workflow do.
template <typename Owner, typename Value, typename Signal>
void changeAndNotify(Owner* owner, Value& field, const Value& value, Signal signal) {
    if (field == value)
        return;
    field = value;
    Q_EMIT(owner->*signal)();
}

// A workflow whose state the test sets and which records every operation called on it.
class RecordingPanelWorkflow final : public ResultPanelWorkflow {
public:
    WorkflowStatus m_status = WorkflowStatus::idle();
    QString m_source, m_result;
    bool m_pasteBack = false, m_manual = false;
    QUuid m_session = QUuid::createUuid();
    QStringList calls;

    WorkflowStatus status() const override { return m_status; }
    QString sourceText() const override { return m_source; }
    QString resultText() const override { return m_result; }
    bool canPasteBackToSource() const override { return m_pasteBack; }
    bool isResultFinished() const override { return m_status.kind() == WorkflowStatus::Kind::completed; }
    bool isManualInputMode() const override { return m_manual; }
    QUuid manualInputSessionID() const override { return m_session; }

    void setStatus(const WorkflowStatus& s) {
        changeAndNotify(this, m_status, s, &ResultPanelWorkflow::statusChanged);
    }
    void setSource(const QString& s) {
        changeAndNotify(this, m_source, s, &ResultPanelWorkflow::sourceTextChanged);
    }
    void setResult(const QString& s) {
        changeAndNotify(this, m_result, s, &ResultPanelWorkflow::resultTextChanged);
    }
    void setPasteBack(bool v) {
        changeAndNotify(this, m_pasteBack, v, &ResultPanelWorkflow::canPasteBackToSourceChanged);
    }
    void setManual(bool v) {
        changeAndNotify(this, m_manual, v, &ResultPanelWorkflow::isManualInputModeChanged);
    }
    void newSession() {
        m_session = QUuid::createUuid();
        Q_EMIT manualInputSessionIDChanged();
    }

    void stopTranslation() override { calls << QStringLiteral("stop"); }
    void dismissPanel() override { calls << QStringLiteral("dismiss"); }
    void retranslate(const QString& text, bool pasteBack) override {
        calls << QStringLiteral("retranslate(%1,%2)").arg(text).arg(pasteBack);
    }
    void panelInputDidChange(const QString& text) override { calls << QStringLiteral("input(%1)").arg(text); }
    void translateManualInput(const QString& text) override {
        calls << QStringLiteral("manual(%1)").arg(text);
    }
    void translateText(const QString& text, bool pasteBack) override {
        calls << QStringLiteral("translateText(%1,%2)").arg(text).arg(pasteBack);
    }
    void copySourceText() override { calls << QStringLiteral("copySource"); }
    void copyResultText() override { calls << QStringLiteral("copy"); }
    void replaceOriginal() override { calls << QStringLiteral("replace"); }
};

// Settings held in memory; signals only on real changes, like the stored settings.
class MemoryPanelSettings final : public ResultPanelSettings {
public:
    QString source = QStringLiteral("auto"), target = QStringLiteral("zh-Hans"),
            style = QStringLiteral("natural");
    std::optional<TranslationEngine> engine = TranslationEngine::cloudStandard;
    CloudTranslationQuality quality = CloudTranslationQuality::standard;

    QString sourceLanguage() const override { return source; }
    QString targetLanguage() const override { return target; }
    std::optional<TranslationEngine> translationEngine() const override { return engine; }
    CloudTranslationQuality cloudTranslationQuality() const override { return quality; }
    QString translationStyleKey() const override { return style; }
    void setSourceLanguage(const QString& code) override {
        changeAndNotify(this, source, code, &ResultPanelSettings::sourceLanguageChanged);
    }
    void setTargetLanguage(const QString& code) override {
        changeAndNotify(this, target, code, &ResultPanelSettings::targetLanguageChanged);
    }
    void setTranslationEngine(TranslationEngine e) override {
        changeAndNotify(this, engine, std::optional(e), &ResultPanelSettings::translationEngineChanged);
    }
    void selectCloudTranslationQuality(CloudTranslationQuality q) override {
        changeAndNotify(this, quality, q, &ResultPanelSettings::cloudTranslationQualityChanged);
    }
    void setStyle(const QString& s) {
        changeAndNotify(this, style, s, &ResultPanelSettings::translationStyleChanged);
    }
};

} // namespace tolvane::testing
