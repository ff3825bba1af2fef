#pragma once

#include "core/clock.h"
#include "model/cloud_translation_quality.h"
#include "model/glossary_term.h"
#include "model/main_window_close_behavior.h"
#include "model/screenshot_capture_mode.h"
#include "model/screenshot_region_memory.h"
#include "model/shortcut_configuration.h"
#include "model/translation_engine.h"
#include "model/translation_style.h"
#include "platform/key_value_store.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>

namespace tolvane {

using ShortcutRegistrationErrors = std::map<ShortcutAction, QString>;

// The one settings object of the application. Reads every setting once from the key-value store when it is
// built, normalises what it read, and writes each setting back under its dotted key on every assignment.
// A changed value emits its NOTIFY signal (an assignment of the same value writes but emits nothing); an
// observer reads the getter when it connects. Main thread only.
//
// Damaged values lose nothing. The glossary and the shortcuts are read element by element: what does not
// decode is skipped and logged, the stored text stays as it is until a real change replaces it, and before
// that the old text is copied to "<key>.backup". An engine value that cannot be read (or a damaged settings
// file without one) is logged and kept; no engine is chosen until the user picks one.
class AppSettings final : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString baseURLString READ baseURLString WRITE setBaseURLString NOTIFY baseURLStringChanged)
    Q_PROPERTY(QString model READ model WRITE setModel NOTIFY modelChanged)
    Q_PROPERTY(
        QString sourceLanguage READ sourceLanguage WRITE setSourceLanguage NOTIFY sourceLanguageChanged)
    Q_PROPERTY(
        QString targetLanguage READ targetLanguage WRITE setTargetLanguage NOTIFY targetLanguageChanged)
    Q_PROPERTY(bool autoTranslateWhileTyping READ autoTranslateWhileTyping WRITE setAutoTranslateWhileTyping
                   NOTIFY autoTranslateWhileTypingChanged)
    Q_PROPERTY(bool autoCopyResult READ autoCopyResult WRITE setAutoCopyResult NOTIFY autoCopyResultChanged)
    Q_PROPERTY(bool autoSelectionButtonEnabled READ autoSelectionButtonEnabled WRITE
                   setAutoSelectionButtonEnabled NOTIFY autoSelectionButtonEnabledChanged)
    Q_PROPERTY(qint64 cloudCharactersUsed READ cloudCharactersUsed NOTIFY cloudCharactersUsedChanged)
    Q_PROPERTY(qint64 cloudCharactersLimit READ cloudCharactersLimit NOTIFY cloudCharactersLimitChanged)
    Q_PROPERTY(QString cloudUsagePeriod READ cloudUsagePeriod NOTIFY cloudUsagePeriodChanged)

public:
    static inline const QString defaultBaseURL = QStringLiteral("https://api.openai.com/v1");
    static inline const QString defaultModel = QStringLiteral("gpt-4o-mini");
    static constexpr int64_t defaultCloudCharactersLimit = 500000;
    // Read by the shell at launch through defaults(); not a property of this object.
    static inline const QString firstRunGuideKey = QStringLiteral("firstRun.hasSeenGuide");

    AppSettings(KeyValueStore& defaults, Clock& clock, QObject* parent = nullptr);

    // The store itself, for the first-run flag.
    KeyValueStore& defaults() const { return m_defaults; }

    QString baseURLString() const { return m_baseURLString; }
    QString model() const { return m_model; }
    // The engine the pickers show; the hosted one while the stored choice could not be read.
    TranslationEngine translationEngine() const { return m_translationEngine; }
    // The engine translations use: none while the stored choice could not be read and none was chosen since.
    std::optional<TranslationEngine> chosenTranslationEngine() const;
    CloudTranslationQuality cloudTranslationQuality() const { return m_cloudTranslationQuality; }
    QString sourceLanguage() const { return m_sourceLanguage; }
    QString targetLanguage() const { return m_targetLanguage; }
    TranslationStyle translationStyle() const { return m_translationStyle; }
    QList<GlossaryTerm> glossaryTerms() const { return m_glossaryTerms; }
    // Terms whose source and target are both non-blank, unchanged and in order.
    QList<GlossaryTerm> activeGlossaryTerms() const;
    ShortcutConfiguration shortcuts() const { return m_shortcuts; }
    ShortcutRegistrationErrors shortcutRegistrationErrors() const { return m_shortcutRegistrationErrors; }
    bool autoTranslateWhileTyping() const { return m_autoTranslateWhileTyping; }
    bool autoCopyResult() const { return m_autoCopyResult; }
    bool autoSelectionButtonEnabled() const { return m_autoSelectionButtonEnabled; }
    MainWindowCloseBehavior mainWindowCloseBehavior() const { return m_mainWindowCloseBehavior; }
    ScreenshotCaptureMode screenshotCaptureMode() const { return m_screenshotCaptureMode; }
    std::optional<ScreenshotRegionMemory> screenshotRegionMemory() const { return m_screenshotRegionMemory; }
    qint64 cloudCharactersUsed() const { return m_cloudCharactersUsed; }
    qint64 cloudCharactersLimit() const { return m_cloudCharactersLimit; }
    QString cloudUsagePeriod() const { return m_cloudUsagePeriod; }

    // Each setter writes its key, also when the value is unchanged (except over a stored glossary or
    // shortcut text that could not be fully read, see above), and stores it at once. A change the store
    // cannot keep is undone (the NOTIFY signal makes the controls show the stored value again) and told
    // through changeNotStored(); one it keeps is told through changeStored(). The cloud usage and the
    // screenshot region are bookkeeping: written, not stored at once.
    void setBaseURLString(const QString& value);
    void setModel(const QString& value);
    void setTranslationEngine(TranslationEngine value);
    void setCloudTranslationQuality(CloudTranslationQuality value);
    void setSourceLanguage(const QString& value);
    void setTargetLanguage(const QString& value);
    void setTranslationStyle(TranslationStyle value);
    void setGlossaryTerms(const QList<GlossaryTerm>& value);
    // Replaces the term with the same id; no such term changes nothing.
    void updateGlossaryTerm(const GlossaryTerm& term);
    void removeGlossaryTerm(const QUuid& id);
    void setShortcuts(const ShortcutConfiguration& value);
    void setAutoTranslateWhileTyping(bool value);
    void setAutoCopyResult(bool value);
    void setAutoSelectionButtonEnabled(bool value);
    void setMainWindowCloseBehavior(MainWindowCloseBehavior value);
    void setScreenshotCaptureMode(ScreenshotCaptureMode value);
    // Held in memory only; set by the shell after each registration.
    void setShortcutRegistrationErrors(const ShortcutRegistrationErrors& value);
    void clearShortcutRegistrationError(ShortcutAction action);

    // Base URL, model, engine, quality, languages and style back to their defaults, each written.
    void resetProviderSettings();
    // Exchanges source and target (both written); does nothing while the source is "auto".
    void swapLanguages();
    bool selectTranslationStyle(TranslationStyle style);
    bool selectCloudTranslationQuality(CloudTranslationQuality quality);
    // Appends a term with a new id and empty texts.
    void addGlossaryTerm();
    // Assigns `shortcut` (none removes the entry) and clears the action's registration error. Throws
    // ShortcutAssignmentError naming the other action when another action has an equal shortcut; then nothing
    // changes.
    void setShortcut(const std::optional<AppShortcut>& shortcut, ShortcutAction action);
    void rememberScreenshotRegion(const ScreenshotRegionMemory& region);
    // Forgets the region and removes "ocr.regionMemory".
    void forgetScreenshotRegion();

    // With a limit of at least 1 stores the limit; with a used count of at least 0 stores it. Rolls the
    // period over first.
    void updateCloudUsage(std::optional<int64_t> limit, std::optional<int64_t> used);
    // Adds to the used count (saturating at the 64-bit limits) after rolling the period over.
    void addCloudCharactersUsed(int64_t count);
    // A new month (local time) restarts the used count at 0.
    void rollUsagePeriodIfNeeded();
    // "2026-03" for the current moment in the local time zone.
    QString currentUsagePeriod() const;

Q_SIGNALS:
    void baseURLStringChanged();
    void modelChanged();
    void translationEngineChanged();
    void cloudTranslationQualityChanged();
    void sourceLanguageChanged();
    void targetLanguageChanged();
    void translationStyleChanged();
    void glossaryTermsChanged();
    void shortcutsChanged();
    void shortcutRegistrationErrorsChanged();
    void autoTranslateWhileTypingChanged();
    void autoCopyResultChanged();
    void autoSelectionButtonEnabledChanged();
    void mainWindowCloseBehaviorChanged();
    void screenshotCaptureModeChanged();
    void screenshotRegionMemoryChanged();
    void cloudCharactersUsedChanged();
    void cloudCharactersLimitChanged();
    void cloudUsagePeriodChanged();
    // A change was undone because the settings file could not be written.
    void changeNotStored();
    // A change was written to the settings file (after one that could not be, it can be again).
    void changeStored();

private:
    // Runs `write` and stores; when the store refuses, puts the stored values of `keys` back and returns
    // false.
    bool storeOrRestore(const QStringList& keys, const std::function<void()>& write);
    void load();
    void writeNormalisedValues();
    void writeGlossary(bool changed);
    void writeShortcuts(bool changed);
    void writeStructured(const QString& key, const QByteArray& data, bool changed, bool& needsBackup);
    void setUsed(int64_t value);
    void setLimit(int64_t value);
    void setPeriod(const QString& value);

    KeyValueStore& m_defaults;
    Clock& m_clock;

    QString m_baseURLString;
    QString m_model;
    TranslationEngine m_translationEngine = TranslationEngine::cloudStandard;
    bool m_translationEngineUnreadable = false;
    CloudTranslationQuality m_cloudTranslationQuality = CloudTranslationQuality::standard;
    QString m_sourceLanguage;
    QString m_targetLanguage;
    TranslationStyle m_translationStyle = TranslationStyle::literal;
    QList<GlossaryTerm> m_glossaryTerms;
    ShortcutConfiguration m_shortcuts;
    // The stored text holds something that could not be read; it is backed up before it is replaced.
    bool m_glossaryNeedsBackup = false;
    bool m_shortcutsNeedBackup = false;
    ShortcutRegistrationErrors m_shortcutRegistrationErrors;
    bool m_autoTranslateWhileTyping = true;
    bool m_autoCopyResult = false;
    bool m_autoSelectionButtonEnabled = false;
    MainWindowCloseBehavior m_mainWindowCloseBehavior = MainWindowCloseBehavior::ask;
    ScreenshotCaptureMode m_screenshotCaptureMode = ScreenshotCaptureMode::single;
    std::optional<ScreenshotRegionMemory> m_screenshotRegionMemory;
    int64_t m_cloudCharactersUsed = 0;
    int64_t m_cloudCharactersLimit = defaultCloudCharactersLimit;
    QString m_cloudUsagePeriod;
};

} // namespace tolvane
