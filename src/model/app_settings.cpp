#include "model/app_settings.h"

#include "core/logging.h"
#include "core/text.h"
#include "model/json_codec.h"
#include "model/language_table.h"
#include "model/shortcut_errors.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QUuid>
#include <limits>
#include <utility>

namespace tolvane {

namespace {

namespace key {
const QString baseURL = QStringLiteral("provider.baseURL");
const QString model = QStringLiteral("provider.model");
const QString translationEngine = QStringLiteral("provider.translationEngine");
const QString cloudTranslationQuality = QStringLiteral("provider.cloudTranslationQuality");
const QString sourceLanguage = QStringLiteral("translation.sourceLanguage");
const QString targetLanguage = QStringLiteral("translation.targetLanguage");
const QString translationStyle = QStringLiteral("translation.style");
const QString glossaryTerms = QStringLiteral("translation.glossaryTerms");
const QString shortcuts = QStringLiteral("hotkey.shortcuts.v2");
const QString legacyPreset = QStringLiteral("hotkey.preset");
const QString autoTranslateWhileTyping = QStringLiteral("workflow.autoTranslateWhileTyping");
const QString autoCopyResult = QStringLiteral("workflow.autoCopyResult");
const QString autoSelectionButtonEnabled = QStringLiteral("workflow.autoSelectionButtonEnabled");
const QString mainWindowCloseBehavior = QStringLiteral("window.main.closeBehavior");
const QString screenshotCaptureMode = QStringLiteral("ocr.captureMode");
const QString screenshotRegionMemory = QStringLiteral("ocr.regionMemory");
const QString cloudCharactersUsed = QStringLiteral("subscription.cloud.charactersUsed");
const QString cloudCharactersLimit = QStringLiteral("subscription.cloud.charactersLimit");
const QString cloudUsagePeriod = QStringLiteral("subscription.cloud.usagePeriod");
} // namespace key

const QString autoLanguage = QString::fromLatin1(kAutoLanguageCode);
const QString defaultTargetLanguage = QStringLiteral("zh-Hans");

// The stored raw value as a case of E, or `fallback` for anything else.
template <RawEnum E> E readEnum(const KeyValueStore& store, const QString& name, E fallback) {
    if (const auto raw = readString(store, name)) {
        if (const auto value = fromRawValue<E>(*raw))
            return *value;
    }
    return fallback;
}

bool containsCode(const QList<TranslationLanguage>& languages, const QString& code) {
    for (const TranslationLanguage& language : languages) {
        if (language.id == code)
            return true;
    }
    return false;
}

QList<GlossaryTerm> decodeGlossary(const std::optional<QByteArray>& data, QStringList& skipped) {
    QJsonParseError error;
    const QJsonDocument document = data ? QJsonDocument::fromJson(*data, &error) : QJsonDocument();
    if (!data || error.error != QJsonParseError::NoError || !document.isArray()) {
        skipped << QStringLiteral("The glossary is not a JSON array.");
        return {};
    }
    return glossaryTermsFromJsonElements(document.array(), skipped);
}

// The stored shortcuts, or none when nothing usable was stored (absent, or not one element readable).
std::optional<ShortcutConfiguration> decodeShortcuts(const std::optional<QByteArray>& data,
                                                     QStringList& skipped) {
    if (!data) {
        skipped << QStringLiteral("The shortcut configuration is not text.");
        return std::nullopt;
    }
    std::optional<ShortcutConfiguration> config = ShortcutConfiguration::fromJsonElements(*data, skipped);
    if (config && config->isEmpty() && !skipped.isEmpty())
        return std::nullopt;
    return config;
}

void logSkipped(const QString& what, const QStringList& skipped) {
    for (const QString& reason : skipped)
        qCWarning(lcSettings).noquote() << "Skipping part of the stored" << what + ":" << reason;
}

// A stored text for a log line, shortened.
QString excerpt(const QVariant& value) {
    const QString text = value.toString();
    return text.size() > 40 ? text.left(40) + QStringLiteral("…") : text;
}

QByteArray encodeGlossary(const QList<GlossaryTerm>& terms) {
    QJsonArray array;
    for (const GlossaryTerm& term : terms)
        array.append(term.toJson());
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

// The configuration of a settings file older than "hotkey.shortcuts.v2": the defaults with the translate
// shortcut chosen by the old preset name.
ShortcutConfiguration migrateLegacyShortcuts(const std::optional<QString>& preset) {
    using M = ShortcutModifiers;
    AppShortcut translate{17, M{M::command, M::option}, QStringLiteral("t"), 1};
    if (preset == QLatin1String("commandCDoubleTap"))
        translate = {8, M{M::command}, QStringLiteral("c"), 2};
    else if (preset == QLatin1String("commandOptionSpace"))
        translate = {49, M{M::command, M::option}, QStringLiteral(" "), 1};
    else if (preset == QLatin1String("commandShiftT"))
        translate = {17, M{M::command, M::shift}, QStringLiteral("t"), 1};
    else if (preset == QLatin1String("controlOptionSpace"))
        translate = {49, M{M::control, M::option}, QStringLiteral(" "), 1};
    ShortcutConfiguration config = ShortcutConfiguration::defaultShortcuts();
    config.setShortcut(ShortcutAction::translateSelection, translate);
    return config;
}

int64_t saturatingAdd(int64_t a, int64_t b) {
    int64_t sum = 0;
    if (!__builtin_add_overflow(a, b, &sum))
        return sum;
    return b > 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
}

} // namespace

AppSettings::AppSettings(KeyValueStore& defaults, Clock& clock, QObject* parent)
    : QObject(parent), m_defaults(defaults), m_clock(clock) {
    load();
    writeNormalisedValues();
    rollUsagePeriodIfNeeded();
}

void AppSettings::load() {
    const KeyValueStore& store = m_defaults;
    m_baseURLString = readString(store, key::baseURL).value_or(defaultBaseURL);
    m_model = readString(store, key::model).value_or(defaultModel);
    // The hosted engine is the default of a new installation only: a value this version cannot read, or a
    // damaged file that lost it, must not send the user's text to a service they never chose.
    const std::optional<QString> engineText = readString(store, key::translationEngine);
    const std::optional<TranslationEngine> engine =
        engineText ? fromRawValue<TranslationEngine>(*engineText) : std::nullopt;
    m_translationEngine = engine.value_or(TranslationEngine::cloudStandard);
    m_translationEngineUnreadable = !engine && (store.contains(key::translationEngine) || store.isDamaged());
    if (m_translationEngineUnreadable)
        qCWarning(lcSettings).noquote()
            << (store.contains(key::translationEngine)
                    ? QStringLiteral("The stored translation engine \"%1\" is not one this version knows;")
                          .arg(excerpt(store.value(key::translationEngine)))
                    : QStringLiteral("The damaged settings file holds no translation engine;"))
            << "translations wait until an engine is chosen in the settings";
    m_cloudTranslationQuality =
        readEnum(store, key::cloudTranslationQuality, CloudTranslationQuality::standard);

    const QString source = readString(store, key::sourceLanguage).value_or(autoLanguage);
    m_sourceLanguage = containsCode(sourceLanguages(), source) ? source : autoLanguage;
    const QString target = readString(store, key::targetLanguage).value_or(defaultTargetLanguage);
    m_targetLanguage = containsCode(targetLanguages(), target) ? target : defaultTargetLanguage;

    m_translationStyle = readEnum(store, key::translationStyle, TranslationStyle::literal);

    m_glossaryTerms.clear();
    if (store.contains(key::glossaryTerms)) {
        QStringList skipped;
        m_glossaryTerms = decodeGlossary(readData(store, key::glossaryTerms), skipped);
        logSkipped(QStringLiteral("glossary"), skipped);
        m_glossaryNeedsBackup = !skipped.isEmpty();
    }

    std::optional<ShortcutConfiguration> shortcuts;
    if (store.contains(key::shortcuts)) {
        QStringList skipped;
        shortcuts = decodeShortcuts(readData(store, key::shortcuts), skipped);
        logSkipped(QStringLiteral("shortcuts"), skipped);
        m_shortcutsNeedBackup = !skipped.isEmpty();
    }
    m_shortcuts = shortcuts ? *shortcuts : migrateLegacyShortcuts(readString(store, key::legacyPreset));

    m_autoTranslateWhileTyping = readBool(store, key::autoTranslateWhileTyping).value_or(true);
    m_autoCopyResult = readBool(store, key::autoCopyResult).value_or(false);
    m_autoSelectionButtonEnabled = readBool(store, key::autoSelectionButtonEnabled).value_or(false);
    m_mainWindowCloseBehavior = readEnum(store, key::mainWindowCloseBehavior, MainWindowCloseBehavior::ask);
    m_screenshotCaptureMode = readEnum(store, key::screenshotCaptureMode, ScreenshotCaptureMode::single);

    m_screenshotRegionMemory.reset();
    if (const auto data = readData(store, key::screenshotRegionMemory)) {
        try {
            const QJsonDocument document = QJsonDocument::fromJson(*data);
            m_screenshotRegionMemory = ScreenshotRegionMemory::fromJson(
                document.isObject() ? QJsonValue(document.object()) : QJsonValue());
        } catch (const AppError& error) {
            qCWarning(lcSettings).noquote()
                << "Ignoring the stored screenshot region:" << error.description();
        }
    }

    m_cloudUsagePeriod = readString(store, key::cloudUsagePeriod).value_or(currentUsagePeriod());
    const int64_t limit = readInteger(store, key::cloudCharactersLimit).value_or(0);
    m_cloudCharactersLimit = limit > 0 ? limit : defaultCloudCharactersLimit;
    m_cloudCharactersUsed = readInteger(store, key::cloudCharactersUsed).value_or(0);
}

void AppSettings::writeNormalisedValues() {
    // Only what differs from the stored text is written: a file that is already normal is not rewritten
    // (and synced to disk) on every start.
    const auto normalise = [this](const QString& key, const QVariant& value) {
        const QVariant stored = m_defaults.value(key);
        const bool isBytes = value.typeId() == QMetaType::QByteArray;
        if (!stored.isValid() || stored.toString() != value.toString() ||
            (stored.typeId() == QMetaType::QByteArray) != isBytes)
            m_defaults.setValue(key, value);
    };
    if (!m_translationEngineUnreadable)
        normalise(key::translationEngine, rawValue(m_translationEngine));
    normalise(key::cloudTranslationQuality, rawValue(m_cloudTranslationQuality));
    normalise(key::sourceLanguage, m_sourceLanguage);
    normalise(key::targetLanguage, m_targetLanguage);
    normalise(key::translationStyle, rawValue(m_translationStyle));
    // Shortcuts that could not all be read stay on disk as they are until they really change.
    if (!m_shortcutsNeedBackup)
        normalise(key::shortcuts, m_shortcuts.toJson());
    normalise(key::autoTranslateWhileTyping, m_autoTranslateWhileTyping);
    normalise(key::mainWindowCloseBehavior, rawValue(m_mainWindowCloseBehavior));
    normalise(key::screenshotCaptureMode, rawValue(m_screenshotCaptureMode));
    m_defaults.sync();
}

void AppSettings::writeGlossary(bool changed) {
    writeStructured(key::glossaryTerms, encodeGlossary(m_glossaryTerms), changed, m_glossaryNeedsBackup);
}

void AppSettings::writeShortcuts(bool changed) {
    writeStructured(key::shortcuts, m_shortcuts.toJson(), changed, m_shortcutsNeedBackup);
}

void AppSettings::writeStructured(const QString& key, const QByteArray& data, bool changed,
                                  bool& needsBackup) {
    if (needsBackup) {
        // What could not be read stays on disk: only a real change replaces it, and only after a copy.
        if (!changed)
            return;
        const QString backup = key + QStringLiteral(".backup");
        m_defaults.setValue(backup, m_defaults.value(key));
        qCWarning(lcSettings).noquote()
            << "Replacing the stored" << key << "; its earlier text is kept under" << backup;
        needsBackup = false;
    }
    m_defaults.setValue(key, data);
}

std::optional<TranslationEngine> AppSettings::chosenTranslationEngine() const {
    if (m_translationEngineUnreadable)
        return std::nullopt;
    return m_translationEngine;
}

QList<GlossaryTerm> AppSettings::activeGlossaryTerms() const {
    QList<GlossaryTerm> active;
    for (const GlossaryTerm& term : m_glossaryTerms) {
        if (term.isActive())
            active.append(term);
    }
    return active;
}

bool AppSettings::storeOrRestore(const QStringList& keys, const std::function<void()>& write) {
    QList<QVariant> before;
    for (const QString& name : keys)
        before << m_defaults.value(name);
    write();
    if (m_defaults.sync())
        return true;
    // The store keeps the values it had, so no later write stores the change the user was told was lost.
    for (qsizetype i = 0; i < keys.size(); ++i) {
        if (before[i].isValid())
            m_defaults.setValue(keys[i], before[i]);
        else
            m_defaults.remove(keys[i]);
    }
    return false;
}

// Assigns, writes and stores on every call. A change the store cannot keep is undone: the member returns to
// its stored value, the NOTIFY signal makes every control show that again, and changeNotStored() tells; a
// stored change is told by changeStored().
#define TOLVANE_STORE(member, signal, keys, write)                                                           \
    do {                                                                                                     \
        const bool changed = !(member == value);                                                             \
        auto previous = member;                                                                              \
        member = value;                                                                                      \
        const bool stored = storeOrRestore(keys, [&] { write; });                                            \
        if (!stored)                                                                                         \
            member = std::move(previous);                                                                    \
        if (changed)                                                                                         \
            Q_EMIT signal();                                                                                 \
        if (stored)                                                                                          \
            Q_EMIT changeStored();                                                                           \
        else                                                                                                 \
            Q_EMIT changeNotStored();                                                                        \
    } while (false)

// Assigns, writes on every call, and emits only on a change.
#define TOLVANE_ASSIGN(member, signal, write)                                                                \
    do {                                                                                                     \
        const bool changed = !(member == value);                                                             \
        member = value;                                                                                      \
        write;                                                                                               \
        if (changed)                                                                                         \
            Q_EMIT signal();                                                                                 \
    } while (false)

void AppSettings::setBaseURLString(const QString& value) {
    TOLVANE_STORE(m_baseURLString, baseURLStringChanged, {key::baseURL},
                  m_defaults.setValue(key::baseURL, value));
}

void AppSettings::setModel(const QString& value) {
    TOLVANE_STORE(m_model, modelChanged, {key::model}, m_defaults.setValue(key::model, value));
}

void AppSettings::setTranslationEngine(TranslationEngine value) {
    // Choosing any engine, the shown one included, ends an unreadable stored choice.
    const bool wasUnreadable = std::exchange(m_translationEngineUnreadable, false);
    const bool changed = wasUnreadable || !(m_translationEngine == value);
    const TranslationEngine previous = std::exchange(m_translationEngine, value);
    const bool stored = storeOrRestore({key::translationEngine},
                                       [&] { m_defaults.setValue(key::translationEngine, rawValue(value)); });
    if (!stored) {
        m_translationEngine = previous;
        m_translationEngineUnreadable = wasUnreadable;
    }
    if (changed)
        Q_EMIT translationEngineChanged();
    if (stored)
        Q_EMIT changeStored();
    else
        Q_EMIT changeNotStored();
}

void AppSettings::setCloudTranslationQuality(CloudTranslationQuality value) {
    TOLVANE_STORE(m_cloudTranslationQuality, cloudTranslationQualityChanged, {key::cloudTranslationQuality},
                  m_defaults.setValue(key::cloudTranslationQuality, rawValue(value)));
}

void AppSettings::setSourceLanguage(const QString& value) {
    TOLVANE_STORE(m_sourceLanguage, sourceLanguageChanged, {key::sourceLanguage},
                  m_defaults.setValue(key::sourceLanguage, value));
}

void AppSettings::setTargetLanguage(const QString& value) {
    TOLVANE_STORE(m_targetLanguage, targetLanguageChanged, {key::targetLanguage},
                  m_defaults.setValue(key::targetLanguage, value));
}

void AppSettings::setTranslationStyle(TranslationStyle value) {
    TOLVANE_STORE(m_translationStyle, translationStyleChanged, {key::translationStyle},
                  m_defaults.setValue(key::translationStyle, rawValue(value)));
}

void AppSettings::setGlossaryTerms(const QList<GlossaryTerm>& value) {
    const bool neededBackup = m_glossaryNeedsBackup;
    TOLVANE_STORE(m_glossaryTerms, glossaryTermsChanged,
                  (QStringList{key::glossaryTerms, key::glossaryTerms + QStringLiteral(".backup")}),
                  writeGlossary(changed));
    if (m_glossaryTerms != value)
        m_glossaryNeedsBackup = neededBackup;
}

void AppSettings::updateGlossaryTerm(const GlossaryTerm& term) {
    QList<GlossaryTerm> terms = m_glossaryTerms;
    for (GlossaryTerm& existing : terms) {
        if (existing.id == term.id) {
            existing = term;
            setGlossaryTerms(terms);
            return;
        }
    }
}

void AppSettings::removeGlossaryTerm(const QUuid& id) {
    QList<GlossaryTerm> terms = m_glossaryTerms;
    terms.removeIf([&id](const GlossaryTerm& term) { return term.id == id; });
    setGlossaryTerms(terms);
}

void AppSettings::setShortcuts(const ShortcutConfiguration& value) {
    const bool neededBackup = m_shortcutsNeedBackup;
    TOLVANE_STORE(m_shortcuts, shortcutsChanged,
                  (QStringList{key::shortcuts, key::shortcuts + QStringLiteral(".backup")}),
                  writeShortcuts(changed));
    if (!(m_shortcuts == value))
        m_shortcutsNeedBackup = neededBackup;
}

void AppSettings::setAutoTranslateWhileTyping(bool value) {
    TOLVANE_STORE(m_autoTranslateWhileTyping, autoTranslateWhileTypingChanged,
                  {key::autoTranslateWhileTyping}, m_defaults.setValue(key::autoTranslateWhileTyping, value));
}

void AppSettings::setAutoCopyResult(bool value) {
    TOLVANE_STORE(m_autoCopyResult, autoCopyResultChanged, {key::autoCopyResult},
                  m_defaults.setValue(key::autoCopyResult, value));
}

void AppSettings::setAutoSelectionButtonEnabled(bool value) {
    TOLVANE_STORE(m_autoSelectionButtonEnabled, autoSelectionButtonEnabledChanged,
                  {key::autoSelectionButtonEnabled},
                  m_defaults.setValue(key::autoSelectionButtonEnabled, value));
}

void AppSettings::setMainWindowCloseBehavior(MainWindowCloseBehavior value) {
    TOLVANE_STORE(m_mainWindowCloseBehavior, mainWindowCloseBehaviorChanged, {key::mainWindowCloseBehavior},
                  m_defaults.setValue(key::mainWindowCloseBehavior, rawValue(value)));
}

void AppSettings::setScreenshotCaptureMode(ScreenshotCaptureMode value) {
    TOLVANE_STORE(m_screenshotCaptureMode, screenshotCaptureModeChanged, {key::screenshotCaptureMode},
                  m_defaults.setValue(key::screenshotCaptureMode, rawValue(value)));
}

void AppSettings::setShortcutRegistrationErrors(const ShortcutRegistrationErrors& value) {
    TOLVANE_ASSIGN(m_shortcutRegistrationErrors, shortcutRegistrationErrorsChanged, (void)0);
}

void AppSettings::setUsed(int64_t value) {
    TOLVANE_ASSIGN(m_cloudCharactersUsed, cloudCharactersUsedChanged,
                   m_defaults.setValue(key::cloudCharactersUsed, qint64(value)));
}

void AppSettings::setLimit(int64_t value) {
    TOLVANE_ASSIGN(m_cloudCharactersLimit, cloudCharactersLimitChanged,
                   m_defaults.setValue(key::cloudCharactersLimit, qint64(value)));
}

void AppSettings::setPeriod(const QString& value) {
    TOLVANE_ASSIGN(m_cloudUsagePeriod, cloudUsagePeriodChanged,
                   m_defaults.setValue(key::cloudUsagePeriod, value));
}

#undef TOLVANE_STORE
#undef TOLVANE_ASSIGN

void AppSettings::clearShortcutRegistrationError(ShortcutAction action) {
    if (m_shortcutRegistrationErrors.erase(action) > 0)
        Q_EMIT shortcutRegistrationErrorsChanged();
}

void AppSettings::resetProviderSettings() {
    setBaseURLString(defaultBaseURL);
    setModel(defaultModel);
    setTranslationEngine(TranslationEngine::cloudStandard);
    setCloudTranslationQuality(CloudTranslationQuality::standard);
    setSourceLanguage(autoLanguage);
    setTargetLanguage(defaultTargetLanguage);
    setTranslationStyle(TranslationStyle::literal);
}

void AppSettings::swapLanguages() {
    if (m_sourceLanguage == autoLanguage)
        return;
    const QString oldSource = m_sourceLanguage;
    const QString oldTarget = m_targetLanguage;
    setSourceLanguage(oldTarget);
    setTargetLanguage(oldSource);
}

bool AppSettings::selectTranslationStyle(TranslationStyle style) {
    setTranslationStyle(style);
    return true;
}

bool AppSettings::selectCloudTranslationQuality(CloudTranslationQuality quality) {
    setCloudTranslationQuality(quality);
    return true;
}

void AppSettings::addGlossaryTerm() {
    QList<GlossaryTerm> terms = m_glossaryTerms;
    terms.append(GlossaryTerm{QUuid::createUuid(), QString(), QString()});
    setGlossaryTerms(terms);
}

void AppSettings::setShortcut(const std::optional<AppShortcut>& shortcut, ShortcutAction action) {
    if (shortcut) {
        for (ShortcutAction other : allShortcutActions) {
            if (other != action && m_shortcuts.shortcut(other) == shortcut)
                throw ShortcutAssignmentError(other);
        }
    }
    ShortcutConfiguration config = m_shortcuts;
    config.setShortcut(action, shortcut);
    setShortcuts(config);
    clearShortcutRegistrationError(action);
}

void AppSettings::rememberScreenshotRegion(const ScreenshotRegionMemory& region) {
    const bool changed = !(m_screenshotRegionMemory == region);
    m_screenshotRegionMemory = region;
    try {
        const QJsonValue json = region.toJson();
        m_defaults.setValue(key::screenshotRegionMemory,
                            QJsonDocument(json.toObject()).toJson(QJsonDocument::Compact));
    } catch (const AppError& error) {
        // The previous stored region stays; the new one lives on in memory.
        qCWarning(lcSettings).noquote() << "Not storing the screenshot region:" << error.description();
    }
    if (changed)
        Q_EMIT screenshotRegionMemoryChanged();
}

void AppSettings::forgetScreenshotRegion() {
    const bool changed = m_screenshotRegionMemory.has_value();
    m_screenshotRegionMemory.reset();
    m_defaults.remove(key::screenshotRegionMemory);
    if (changed)
        Q_EMIT screenshotRegionMemoryChanged();
}

void AppSettings::updateCloudUsage(std::optional<int64_t> limit, std::optional<int64_t> used) {
    rollUsagePeriodIfNeeded();
    if (limit && *limit >= 1)
        setLimit(*limit);
    if (used && *used >= 0)
        setUsed(*used);
}

void AppSettings::addCloudCharactersUsed(int64_t count) {
    rollUsagePeriodIfNeeded();
    setUsed(saturatingAdd(m_cloudCharactersUsed, count));
}

void AppSettings::rollUsagePeriodIfNeeded() {
    const QString period = currentUsagePeriod();
    if (period == m_cloudUsagePeriod)
        return;
    setPeriod(period);
    setUsed(0);
}

QString AppSettings::currentUsagePeriod() const {
    const QDate date = m_clock.now().toLocalTime().date();
    return QString::asprintf("%04d-%02d", date.year(), date.month());
}

} // namespace tolvane
