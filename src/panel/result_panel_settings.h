#pragma once

#include "model/cloud_translation_quality.h"
#include "model/translation_engine.h"

#include <QObject>
#include <QString>
#include <optional>

namespace tolvane {

// The settings the result panel shows and writes: the language route, the engine and the hosted quality;
// the translation style is only watched. Implementations persist each write and emit a change signal only
// when a value really changes.
class ResultPanelSettings : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    virtual QString sourceLanguage() const = 0; // a language code or "auto"
    virtual QString targetLanguage() const = 0;
    // The engine translations use: none while the stored choice cannot be read and none was chosen since.
    virtual std::optional<TranslationEngine> translationEngine() const = 0;
    virtual CloudTranslationQuality cloudTranslationQuality() const = 0;
    // An opaque value of the translation style; only its changes matter to the panel.
    virtual QString translationStyleKey() const = 0;

    virtual void setSourceLanguage(const QString& code) = 0;
    virtual void setTargetLanguage(const QString& code) = 0;
    virtual void setTranslationEngine(TranslationEngine engine) = 0;
    virtual void selectCloudTranslationQuality(CloudTranslationQuality quality) = 0;

Q_SIGNALS:
    void sourceLanguageChanged();
    void targetLanguageChanged();
    void translationEngineChanged();
    void cloudTranslationQualityChanged();
    void translationStyleChanged();
};

} // namespace tolvane
