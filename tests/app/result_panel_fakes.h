#pragma once

#include "app/result_panel_settings.h"
#include "app/result_panel_workflow.h"

#include <QStringList>

namespace tolvane::testing {

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
    bool isManualInputMode() const override { return m_manual; }
    QUuid manualInputSessionID() const override { return m_session; }

    void setStatus(const WorkflowStatus& s) {
        if (!(s == m_status)) {
            m_status = s;
            Q_EMIT statusChanged();
        }
    }
    void setSource(const QString& s) {
        if (s != m_source) {
            m_source = s;
            Q_EMIT sourceTextChanged();
        }
    }
    void setResult(const QString& s) {
        if (s != m_result) {
            m_result = s;
            Q_EMIT resultTextChanged();
        }
    }
    void setPasteBack(bool v) {
        if (v != m_pasteBack) {
            m_pasteBack = v;
            Q_EMIT canPasteBackToSourceChanged();
        }
    }
    void setManual(bool v) {
        if (v != m_manual) {
            m_manual = v;
            Q_EMIT isManualInputModeChanged();
        }
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
    TranslationEngine engine = TranslationEngine::cloudStandard;
    CloudTranslationQuality quality = CloudTranslationQuality::standard;

    QString sourceLanguage() const override { return source; }
    QString targetLanguage() const override { return target; }
    TranslationEngine translationEngine() const override { return engine; }
    CloudTranslationQuality cloudTranslationQuality() const override { return quality; }
    QString translationStyleKey() const override { return style; }
    void setSourceLanguage(const QString& code) override {
        if (code != source) {
            source = code;
            Q_EMIT sourceLanguageChanged();
        }
    }
    void setTargetLanguage(const QString& code) override {
        if (code != target) {
            target = code;
            Q_EMIT targetLanguageChanged();
        }
    }
    void setTranslationEngine(TranslationEngine e) override {
        if (e != engine) {
            engine = e;
            Q_EMIT translationEngineChanged();
        }
    }
    void selectCloudTranslationQuality(CloudTranslationQuality q) override {
        if (q != quality) {
            quality = q;
            Q_EMIT cloudTranslationQualityChanged();
        }
    }
    void setStyle(const QString& s) {
        if (s != style) {
            style = s;
            Q_EMIT translationStyleChanged();
        }
    }
};

} // namespace tolvane::testing
