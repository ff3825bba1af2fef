#include "model/app_settings.h"
#include "model/shortcut_errors.h"
#include "platform/memory/memory_key_value_store.h"
#include "platform/qsettings_key_value_store.h"
#include "support/full_disk.h"
#include "support/virtual_clock.h"
#include "workflow/log_capture.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUuid>
#include <gtest/gtest.h>
#include <limits>
#include <sys/stat.h>
#include <time.h>

namespace tolvane {
namespace {

using M = ShortcutModifiers;
constexpr int64_t int64Max = std::numeric_limits<int64_t>::max();
constexpr int64_t int64Min = std::numeric_limits<int64_t>::min();

QDateTime utc(int y, int mo, int d, int h, int mi) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi), Qt::UTC);
}

// Runs every test against the in-memory store and against an INI file.
class AppSettingsTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        clock.setNow(utc(2026, 3, 15, 12, 0));
        if (GetParam())
            store = std::make_unique<QSettingsKeyValueStore>(dir.filePath("Tolvane.ini"));
        else
            store = std::make_unique<MemoryKeyValueStore>();
    }

    QTemporaryDir dir;
    testing::VirtualClock clock;
    std::unique_ptr<KeyValueStore> store;
};

INSTANTIATE_TEST_SUITE_P(Backends, AppSettingsTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Ini" : "Memory"; });

TEST_P(AppSettingsTest, CreationNormalisesWritesBackAndLeavesTheRestAlone) {
    store->setValue("translation.sourceLanguage", "xx");
    store->setValue("translation.targetLanguage", "zh-hans");
    store->setValue("provider.cloudTranslationQuality", "advanced");
    store->setValue("translation.style", "Email");
    store->setValue("window.main.closeBehavior", "keepRunning");
    store->setValue("ocr.captureMode", "burst");
    store->setValue("subscription.cloud.charactersLimit", qint64(0));
    store->setValue("subscription.cloud.usagePeriod", "2026-03");

    AppSettings settings(*store, clock);
    EXPECT_EQ(settings.sourceLanguage(), "auto");
    EXPECT_EQ(settings.targetLanguage(), "zh-Hans") << "codes compare case-sensitively";
    EXPECT_EQ(settings.chosenTranslationEngine(), TranslationEngine::cloudStandard) << "a new installation";
    EXPECT_EQ(settings.cloudTranslationQuality(), CloudTranslationQuality::advanced);
    EXPECT_EQ(settings.translationStyle(), TranslationStyle::literal);
    EXPECT_EQ(settings.mainWindowCloseBehavior(), MainWindowCloseBehavior::keepRunning);
    EXPECT_EQ(settings.screenshotCaptureMode(), ScreenshotCaptureMode::single);
    EXPECT_EQ(settings.cloudCharactersLimit(), 500000);
    EXPECT_EQ(settings.baseURLString(), "https://api.openai.com/v1");
    EXPECT_EQ(settings.model(), "gpt-4o-mini");
    EXPECT_TRUE(settings.autoTranslateWhileTyping());
    EXPECT_EQ(settings.shortcuts(), ShortcutConfiguration::defaultShortcuts());

    EXPECT_EQ(readString(*store, "translation.sourceLanguage"), "auto");
    EXPECT_EQ(readString(*store, "translation.targetLanguage"), "zh-Hans");
    EXPECT_EQ(readString(*store, "provider.translationEngine"), "cloudStandard");
    EXPECT_EQ(readString(*store, "translation.style"), "literal");
    EXPECT_EQ(readString(*store, "ocr.captureMode"), "single");
    EXPECT_EQ(readBool(*store, "workflow.autoTranslateWhileTyping"), true);
    EXPECT_EQ(readInteger(*store, "subscription.cloud.charactersLimit"), 0)
        << "the stored limit is not rewritten";
    for (const char* untouched :
         {"provider.baseURL", "provider.model", "translation.glossaryTerms",
          "subscription.cloud.charactersUsed", "ocr.regionMemory", "workflow.autoCopyResult"})
        EXPECT_FALSE(store->contains(untouched)) << untouched;
    EXPECT_EQ(ShortcutConfiguration::fromJson(*readData(*store, "hotkey.shortcuts.v2")),
              ShortcutConfiguration::defaultShortcuts());
}

TEST_P(AppSettingsTest, LegacyPresetMigratesWhenNoConfigurationIsStored) {
    const QList<std::pair<QString, AppShortcut>> presets{
        {"commandCDoubleTap", {8, M{M::command}, "c", 2}},
        {"commandOptionSpace", {49, M{M::command, M::option}, " ", 1}},
        {"commandShiftT", {17, M{M::command, M::shift}, "t", 1}},
        {"controlOptionSpace", {49, M{M::control, M::option}, " ", 1}},
        {"CommandShiftT", {17, M{M::command, M::option}, "t", 1}},
    };
    for (const auto& [preset, expected] : presets) {
        store->remove("hotkey.shortcuts.v2");
        store->setValue("hotkey.preset", preset);
        AppSettings settings(*store, clock);
        ShortcutConfiguration config = ShortcutConfiguration::defaultShortcuts();
        config.setShortcut(ShortcutAction::translateSelection, expected);
        EXPECT_EQ(settings.shortcuts(), config) << preset.toStdString();
        EXPECT_EQ(ShortcutConfiguration::fromJson(*readData(*store, "hotkey.shortcuts.v2")), config);
        EXPECT_EQ(readString(*store, "hotkey.preset"), preset) << "the legacy key is kept";
    }
    // A configuration nothing can be read from is replaced in memory only; one that decodes wins.
    const QByteArray unreadable(R"({"storage": ["translateWindow", {}]})");
    store->setValue("hotkey.shortcuts.v2", unreadable);
    EXPECT_EQ(AppSettings(*store, clock).shortcuts().shortcut(ShortcutAction::translateSelection),
              presets.last().second);
    EXPECT_EQ(readData(*store, "hotkey.shortcuts.v2"), unreadable);
    ShortcutConfiguration custom;
    custom.setShortcut(ShortcutAction::openTranslationWindow, AppShortcut{96, {}, "", 1});
    store->setValue("hotkey.shortcuts.v2", custom.toJson());
    EXPECT_EQ(AppSettings(*store, clock).shortcuts(), custom);
}

TEST_P(AppSettingsTest, SetShortcutRefusesConflictsAndClearsTheActionsError) {
    AppSettings settings(*store, clock);
    settings.setShortcutRegistrationErrors(
        {{ShortcutAction::translateSelection, "busy"}, {ShortcutAction::screenshotTranslation, "busy too"}});
    const QByteArray before = *readData(*store, "hotkey.shortcuts.v2");
    QSignalSpy changed(&settings, &AppSettings::shortcutsChanged);

    const AppShortcut windowShortcut = *settings.shortcuts().shortcut(ShortcutAction::openTranslationWindow);
    try {
        settings.setShortcut(windowShortcut, ShortcutAction::translateSelection);
        FAIL() << "a shortcut of another action must be refused";
    } catch (const ShortcutAssignmentError& error) {
        EXPECT_EQ(error.alreadyUsedBy(), ShortcutAction::openTranslationWindow);
    }
    EXPECT_EQ(settings.shortcuts(), ShortcutConfiguration::defaultShortcuts());
    EXPECT_EQ(*readData(*store, "hotkey.shortcuts.v2"), before);
    EXPECT_EQ(settings.shortcutRegistrationErrors().size(), 2u);
    EXPECT_EQ(changed.count(), 0);

    AppShortcut doubled = windowShortcut;
    doubled.pressCount = 2;
    settings.setShortcut(doubled, ShortcutAction::translateSelection);
    EXPECT_EQ(settings.shortcuts().shortcut(ShortcutAction::translateSelection), doubled);
    EXPECT_EQ(settings.shortcutRegistrationErrors(),
              (ShortcutRegistrationErrors{{ShortcutAction::screenshotTranslation, "busy too"}}));
    EXPECT_EQ(changed.count(), 1);

    settings.setShortcut(windowShortcut, ShortcutAction::openTranslationWindow);
    settings.setShortcut(std::nullopt, ShortcutAction::screenshotTranslation);
    EXPECT_FALSE(settings.shortcuts().shortcut(ShortcutAction::screenshotTranslation));
    EXPECT_TRUE(settings.shortcutRegistrationErrors().empty());
    EXPECT_EQ(ShortcutConfiguration::fromJson(*readData(*store, "hotkey.shortcuts.v2")),
              settings.shortcuts());
}

TEST_P(AppSettingsTest, UsageRollsOverMonthlyAndSaturates) {
    AppSettings settings(*store, clock);
    EXPECT_EQ(settings.cloudUsagePeriod(), "2026-03");
    EXPECT_FALSE(store->contains("subscription.cloud.usagePeriod")) << "only a roll-over writes the period";

    settings.addCloudCharactersUsed(100);
    settings.addCloudCharactersUsed(20);
    EXPECT_EQ(settings.cloudCharactersUsed(), 120);
    clock.setNow(utc(2026, 4, 15, 12, 0));
    settings.addCloudCharactersUsed(5);
    EXPECT_EQ(settings.cloudCharactersUsed(), 5) << "a new month restarts from 0";
    EXPECT_EQ(readString(*store, "subscription.cloud.usagePeriod"), "2026-04");
    EXPECT_EQ(readInteger(*store, "subscription.cloud.charactersUsed"), 5);

    settings.updateCloudUsage(0, -1);
    EXPECT_EQ(settings.cloudCharactersUsed(), 5);
    EXPECT_EQ(settings.cloudCharactersLimit(), 500000);
    EXPECT_FALSE(store->contains("subscription.cloud.charactersLimit"));
    settings.updateCloudUsage(std::nullopt, 120);
    EXPECT_EQ(settings.cloudCharactersUsed(), 120);
    EXPECT_FALSE(store->contains("subscription.cloud.charactersLimit"));
    settings.updateCloudUsage(1000, std::nullopt);
    EXPECT_EQ(readInteger(*store, "subscription.cloud.charactersLimit"), 1000);

    settings.updateCloudUsage(std::nullopt, int64Max);
    settings.addCloudCharactersUsed(1);
    EXPECT_EQ(settings.cloudCharactersUsed(), int64Max);
    EXPECT_EQ(readInteger(*store, "subscription.cloud.charactersUsed"), int64Max);
    settings.updateCloudUsage(std::nullopt, 0);
    settings.addCloudCharactersUsed(int64Min);
    settings.addCloudCharactersUsed(-1);
    EXPECT_EQ(settings.cloudCharactersUsed(), int64Min);

    // A settings object created in a later month starts the count over.
    clock.setNow(utc(2026, 5, 1, 12, 0));
    AppSettings later(*store, clock);
    EXPECT_EQ(later.cloudCharactersUsed(), 0);
    EXPECT_EQ(later.cloudCharactersLimit(), 1000);
}

class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone) : m_old(qgetenv("TZ")), m_had(qEnvironmentVariableIsSet("TZ")) {
        qputenv("TZ", zone);
        tzset();
    }
    ~ScopedTimeZone() {
        if (m_had)
            qputenv("TZ", m_old);
        else
            qunsetenv("TZ");
        tzset();
    }

private:
    QByteArray m_old;
    bool m_had;
};

TEST_P(AppSettingsTest, UsagePeriodFollowsTheLocalTimeZone) {
    clock.setNow(utc(2026, 3, 31, 23, 30));
    store->setValue("subscription.cloud.usagePeriod", "2026-03");
    {
        ScopedTimeZone zone("UTC");
        AppSettings settings(*store, clock);
        EXPECT_EQ(settings.cloudUsagePeriod(), "2026-03");
        settings.addCloudCharactersUsed(50);
    }
    {
        ScopedTimeZone zone("Asia/Shanghai");
        AppSettings settings(*store, clock);
        EXPECT_EQ(settings.cloudUsagePeriod(), "2026-04");
        EXPECT_EQ(settings.cloudCharactersUsed(), 0);
    }
}

TEST_P(AppSettingsTest, AssignmentsWriteEveryTimeButSignalOnlyChanges) {
    AppSettings settings(*store, clock);
    QSignalSpy copy(&settings, &AppSettings::autoCopyResultChanged);
    settings.setAutoCopyResult(false);
    EXPECT_EQ(copy.count(), 0);
    EXPECT_EQ(readBool(*store, "workflow.autoCopyResult"), false) << "an unchanged assignment still writes";
    settings.setAutoCopyResult(true);
    EXPECT_EQ(copy.count(), 1);
    EXPECT_EQ(readBool(*store, "workflow.autoCopyResult"), true);

    settings.setSourceLanguage("en-US");
    settings.setTargetLanguage("ja");
    settings.swapLanguages();
    EXPECT_EQ(settings.sourceLanguage(), "ja");
    EXPECT_EQ(settings.targetLanguage(), "en-US");
    EXPECT_EQ(readString(*store, "translation.targetLanguage"), "en-US");
    settings.setSourceLanguage("auto");
    settings.swapLanguages();
    EXPECT_EQ(settings.targetLanguage(), "en-US");

    settings.setBaseURLString("http://127.0.0.1:9/v1");
    settings.setTranslationEngine(TranslationEngine::openAICompatible);
    EXPECT_TRUE(settings.selectTranslationStyle(TranslationStyle::email));
    settings.resetProviderSettings();
    EXPECT_EQ(readString(*store, "provider.baseURL"), "https://api.openai.com/v1");
    EXPECT_EQ(readString(*store, "provider.model"), "gpt-4o-mini");
    EXPECT_EQ(readString(*store, "provider.translationEngine"), "cloudStandard");
    EXPECT_EQ(readString(*store, "translation.style"), "literal");
    EXPECT_EQ(settings.targetLanguage(), "zh-Hans");
    EXPECT_TRUE(settings.autoCopyResult()) << "other settings are untouched";

    const ScreenshotRegionMemory region{QRectF(0.1, 0.2, 0.3, 0.4), QRectF(0, 0, 1920, 1080), 7};
    settings.rememberScreenshotRegion(region);
    EXPECT_EQ(AppSettings(*store, clock).screenshotRegionMemory(), region);
    settings.forgetScreenshotRegion();
    EXPECT_FALSE(settings.screenshotRegionMemory());
    EXPECT_FALSE(store->contains("ocr.regionMemory"));
    // A region that cannot be encoded keeps the stored one and lives on in memory.
    settings.rememberScreenshotRegion(region);
    ScreenshotRegionMemory broken = region;
    broken.normalizedRect.setWidth(std::numeric_limits<double>::quiet_NaN());
    settings.rememberScreenshotRegion(broken);
    EXPECT_TRUE(std::isnan(settings.screenshotRegionMemory()->normalizedRect.width()));
    EXPECT_EQ(AppSettings(*store, clock).screenshotRegionMemory(), region);
}

TEST_P(AppSettingsTest, GlossaryIsStoredAsJsonAndFilteredForUse) {
    AppSettings settings(*store, clock);
    settings.addGlossaryTerm();
    ASSERT_EQ(settings.glossaryTerms().size(), 1);
    EXPECT_TRUE(settings.glossaryTerms()[0].source.isEmpty());
    const QUuid blankId = settings.glossaryTerms()[0].id;
    settings.updateGlossaryTerm({blankId, "blank", "   "});
    settings.setGlossaryTerms(settings.glossaryTerms()
                              << GlossaryTerm{QUuid::createUuid(), "  API ", " 接口\n"});

    const QList<GlossaryTerm> active = settings.activeGlossaryTerms();
    ASSERT_EQ(active.size(), 1);
    EXPECT_EQ(active[0].source, "  API ") << "active terms are returned untrimmed";
    EXPECT_EQ(active[0].target, " 接口\n");
    EXPECT_EQ(AppSettings(*store, clock).glossaryTerms(), settings.glossaryTerms());
    settings.removeGlossaryTerm(blankId);
    EXPECT_EQ(AppSettings(*store, clock).glossaryTerms().size(), 1);

    store->setValue("translation.glossaryTerms",
                    QByteArray(R"([{"id": "nope", "source": "a", "target": "b"}])"));
    EXPECT_TRUE(AppSettings(*store, clock).glossaryTerms().isEmpty());
}

// Stored values partly unreadable: what can be read is used, and the stored text is replaced only by a real
// change, after it went to the backup key.
TEST_P(AppSettingsTest, PartlyUnreadableValuesAreBackedUpBeforeARealChange) {
    const QByteArray shortcuts = R"({"storage":["translateSelection",{"keyCode":16,"modifiers":10,)"
                                 R"("keyEquivalent":"y","pressCount":1},"translateClipboard",{}]})";
    const QByteArray glossary =
        R"([{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","source":"API","target":"接口"},)"
        R"({"id":"nope","source":"a","target":"b"}])";
    store->setValue("hotkey.shortcuts.v2", shortcuts);
    store->setValue("translation.glossaryTerms", glossary);
    AppSettings settings(*store, clock);
    EXPECT_EQ(settings.shortcuts().shortcut(ShortcutAction::translateSelection),
              (AppShortcut{16, M{M::command, M::option}, "y", 1}));
    EXPECT_EQ(settings.glossaryTerms().size(), 1);

    settings.setShortcuts(settings.shortcuts());
    settings.setGlossaryTerms(settings.glossaryTerms());
    EXPECT_EQ(readData(*store, "hotkey.shortcuts.v2"), shortcuts) << "no change, no write";
    EXPECT_EQ(readData(*store, "translation.glossaryTerms"), glossary);

    settings.setShortcut(std::nullopt, ShortcutAction::translateSelection);
    settings.addGlossaryTerm();
    EXPECT_EQ(readData(*store, "hotkey.shortcuts.v2.backup"), shortcuts);
    EXPECT_EQ(readData(*store, "translation.glossaryTerms.backup"), glossary);
    EXPECT_EQ(AppSettings(*store, clock).glossaryTerms().size(), 2);
}

// A settings file as another process (or the user) left it: INI keeps no types, so every value is text.
class IniReloadTest : public ::testing::Test {
protected:
    QString writeIni(const QByteArray& text) {
        const QString path = dir.filePath(QStringLiteral("reload-%1.ini").arg(++files));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        return path;
    }

    QTemporaryDir dir;
    int files = 0;
    testing::VirtualClock clock;
};

// A start over a settings file that is already normal writes nothing (no rewrite and disk sync per start),
// and a damaged file is found without writing anything: only its kept copy appears beside it.
TEST_F(IniReloadTest, StartsWriteOnlyWhatChangesAndFindDamageWithoutWriting) {
    const auto inode = [](const QString& path) {
        struct stat status {};
        return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_ino : ino_t(0);
    };
    const QString normal = writeIni("[General]\nfirstRun.hasSeenGuide=true\n");
    {
        QSettingsKeyValueStore store(normal);
        AppSettings settings(store, clock);
    }
    const ino_t written = inode(normal);
    QFile file(normal);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    file.close();
    ASSERT_TRUE(text.contains("translation.targetLanguage")) << "the first start wrote the normal values";
    {
        QSettingsKeyValueStore store(normal);
        AppSettings settings(store, clock);
        EXPECT_FALSE(store.isDamaged());
    }
    EXPECT_EQ(inode(normal), written) << "the second start replaced the file";
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), text);

    const std::vector<std::pair<QByteArray, bool>> cases{
        {"[General]\nprovider.model=m\n", false},
        {"[General]\nprovider.model=m\n\x01\xfe\"broken\n", true},
        {"[General\nprovider.model=m\n", true},
        {"[General]\n\"provider.model=m\n", true},
    };
    for (const auto& [content, damaged] : cases) {
        SCOPED_TRACE(content.toStdString());
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("Tolvane.ini"));
        QFile ini(path);
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write(content);
        ini.close();
        QSettingsKeyValueStore store(path);
        EXPECT_EQ(store.isDamaged(), damaged);
        ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
        EXPECT_EQ(ini.readAll(), content);
        const QStringList files = QDir(folder.path()).entryList(QDir::Files | QDir::Hidden);
        EXPECT_EQ(files.size(), damaged ? 2 : 1) << files.join(u' ').toStdString();
    }
}

TEST_F(IniReloadTest, TextValuesReadBackWithTheirTypes) {
    QSettingsKeyValueStore store(writeIni("[General]\n"
                                          "workflow.autoTranslateWhileTyping=false\n"
                                          "workflow.autoCopyResult=true\n"
                                          "workflow.autoSelectionButtonEnabled=abc\n"
                                          "subscription.cloud.charactersUsed=9223372036854775807\n"
                                          "subscription.cloud.charactersLimit=12abc\n"
                                          "provider.model=my-model\n"));
    clock.setNow(QDateTime::currentDateTimeUtc());
    const QString period = QString::asprintf("%04d-%02d", clock.now().toLocalTime().date().year(),
                                             clock.now().toLocalTime().date().month());
    store.setValue("subscription.cloud.usagePeriod", period);
    AppSettings settings(store, clock);
    EXPECT_FALSE(settings.autoTranslateWhileTyping());
    EXPECT_TRUE(settings.autoCopyResult());
    EXPECT_FALSE(settings.autoSelectionButtonEnabled()) << "text other than true/false is not a Boolean";
    EXPECT_EQ(settings.cloudCharactersUsed(), int64Max);
    EXPECT_EQ(settings.cloudCharactersLimit(), 500000) << "a number with trailing text does not parse";
    EXPECT_EQ(settings.model(), "my-model");

    QSettingsKeyValueStore odd(writeIni("[General]\nworkflow.autoTranslateWhileTyping=abc\n"
                                        "workflow.autoCopyResult=abc\n"));
    AppSettings oddSettings(odd, clock);
    EXPECT_TRUE(oddSettings.autoTranslateWhileTyping());
    EXPECT_FALSE(oddSettings.autoCopyResult());
}

TEST_F(IniReloadTest, EverythingWrittenSurvivesAFreshRead) {
    const QString first = dir.filePath("written.ini");
    const GlossaryTerm term{QUuid::createUuid(), "item9, \"quoted\" = ;x", "九\n@ByteArray(x)"};
    ShortcutConfiguration shortcuts = ShortcutConfiguration::defaultShortcuts();
    shortcuts.setShortcut(ShortcutAction::translateSelection,
                          AppShortcut{49, M{M::control, M::option}, " ", 2});
    {
        QSettingsKeyValueStore store(first);
        AppSettings settings(store, clock);
        settings.setGlossaryTerms({term});
        settings.setShortcuts(shortcuts);
        settings.setAutoCopyResult(true);
        settings.setAutoTranslateWhileTyping(false);
        settings.setModel("a, b");
        settings.updateCloudUsage(42, 7);
        store.sync();
    }
    // QSettings caches per path inside a process; a copy under a new name is read from disk.
    const QString copy = dir.filePath("copy.ini");
    ASSERT_TRUE(QFile::copy(first, copy));
    QSettingsKeyValueStore reread(copy);
    AppSettings settings(reread, clock);
    EXPECT_EQ(settings.glossaryTerms(), QList<GlossaryTerm>{term});
    EXPECT_EQ(settings.shortcuts(), shortcuts);
    EXPECT_TRUE(settings.autoCopyResult());
    EXPECT_FALSE(settings.autoTranslateWhileTyping());
    EXPECT_EQ(settings.model(), "a, b");
    EXPECT_EQ(settings.cloudCharactersLimit(), 42);
    EXPECT_EQ(settings.cloudCharactersUsed(), 7);
}

TEST_F(IniReloadTest, AFileThatCannotBeWrittenIsReported) {
    // Under a regular file no settings file can be made, whoever runs the test.
    QSettingsKeyValueStore store(writeIni("not a folder") + QStringLiteral("/Tolvane.ini"));
    testing::LogCapture log("com.tolvane.app.Settings");
    store.setValue("provider.model", "other");
    EXPECT_FALSE(store.sync());
    EXPECT_TRUE(log.lines().join('\n').contains("Could not write the settings file"));
}

// QSettings keeps its first error for good: every write is judged on its own, on a disk that takes no more
// bytes, after an earlier failed write and after a damaged file was read, and the next good one is kept.
TEST_F(IniReloadTest, EveryWriteOnAFullDiskIsReportedAndTheNextGoodOneIsKept) {
    const std::pair<const char*, QByteArray> starts[] = {
        {"a readable file", "[General]\nprovider.model=first\n"},
        {"a damaged file", "[General]\nprovider.model=first\n[broken\n"},
    };
    for (const auto& [start, content] : starts) {
        const QString path = writeIni(content);
        QSettingsKeyValueStore store(path);
        store.setValue("provider.model", "second");
        EXPECT_TRUE(store.sync()) << start;
        {
            testing::FileSizeLimit full(0);
            ASSERT_TRUE(full.isApplied());
            for (int attempt = 1; attempt <= 3; ++attempt) {
                store.setValue("provider.model", QStringLiteral("lost %1").arg(attempt));
                EXPECT_FALSE(store.sync()) << start << ", write " << attempt;
            }
            store.setValue("provider.model", "second");
        }
        store.setValue("provider.model", "third");
        EXPECT_TRUE(store.sync()) << start;
        // QSettings caches per path inside a process; a copy under a new name is read from disk.
        const QString copy = path + QStringLiteral(".copy");
        ASSERT_TRUE(QFile::copy(path, copy));
        EXPECT_EQ(QSettingsKeyValueStore(copy).value("provider.model").toString(), "third") << start;
    }
}

TEST(AppSettingsStore, ARefusedChangeIsUndoneEverywhereAndALaterOneIsKept) {
    testing::VirtualClock clock;
    MemoryKeyValueStore store;
    AppSettings settings(store, clock);
    settings.setTargetLanguage("ja");
    store.setRefusesWrites(true);
    QSignalSpy targetChanged(&settings, &AppSettings::targetLanguageChanged);
    QSignalSpy notStored(&settings, &AppSettings::changeNotStored);

    settings.setTargetLanguage("fr");
    EXPECT_EQ(settings.targetLanguage(), "ja");
    EXPECT_EQ(store.value("translation.targetLanguage").toString(), "ja");
    settings.setAutoTranslateWhileTyping(false);
    EXPECT_TRUE(settings.autoTranslateWhileTyping());
    EXPECT_EQ(store.value("workflow.autoTranslateWhileTyping"), QVariant(true));
    settings.setShortcut(std::nullopt, ShortcutAction::translateSelection);
    EXPECT_TRUE(settings.shortcuts().shortcut(ShortcutAction::translateSelection).has_value());
    EXPECT_EQ(targetChanged.count(), 1) << "the controls that showed the change read the setting again";
    EXPECT_EQ(notStored.count(), 3);

    store.setRefusesWrites(false);
    settings.setTargetLanguage("fr");
    EXPECT_EQ(settings.targetLanguage(), "fr");
    EXPECT_EQ(store.value("translation.targetLanguage").toString(), "fr");
    EXPECT_EQ(notStored.count(), 3);
}

} // namespace
} // namespace tolvane
