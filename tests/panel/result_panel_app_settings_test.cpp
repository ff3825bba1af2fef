#include "model/app_settings.h"
#include "panel/result_panel_app_settings.h"
#include "panel/result_panel_footer.h"
#include "panel/result_panel_header.h"
#include "panel/result_panel_view.h"
#include "platform/memory/memory_key_value_store.h"
#include "result_panel_fakes.h"
#include "support/control_wiring.h"
#include "support/virtual_clock.h"
#include "ui/accessible_widgets.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace tolvane {
namespace {

using testing::drainEventLoop;
using testing::RecordingPanelWorkflow;

// The panel over the application's real settings object: what the panel's pickers choose is stored, and
// the settings object's own operations reach the panel as real changes only.
class ResultPanelAppSettingsTest : public ::testing::Test {
protected:
    MemoryKeyValueStore store;
    testing::VirtualClock clock;
    std::unique_ptr<AppSettings> appSettings = std::make_unique<AppSettings>(store, clock);
    ResultPanelAppSettings settings{appSettings.get()};
    RecordingPanelWorkflow workflow;
    std::unique_ptr<ResultPanelView> view = std::make_unique<ResultPanelView>(&workflow, &settings);

    void SetUp() override {
        workflow.setSource(QStringLiteral(" hello "));
        view->show();
        drainEventLoop();
        workflow.calls.clear();
    }
};

TEST_F(ResultPanelAppSettingsTest, PickersWriteThroughToTheStore) {
    // A user's choice: the list item is picked and the picker reports it activated.
    auto choose = [](QComboBox* picker, const QString& data) {
        const int index = picker->findData(data);
        ASSERT_GE(index, 0) << data.toStdString();
        picker->setCurrentIndex(index);
        Q_EMIT picker->activated(index);
    };
    choose(view->header()->targetPicker(), QStringLiteral("ja"));
    EXPECT_EQ(appSettings->targetLanguage(), QStringLiteral("ja"));
    EXPECT_EQ(store.value(QStringLiteral("translation.targetLanguage")).toString(), QStringLiteral("ja"));
    drainEventLoop();

    choose(view->footer()->enginePicker(), QStringLiteral("openAICompatible"));
    EXPECT_EQ(appSettings->translationEngine(), TranslationEngine::openAICompatible);
    EXPECT_EQ(store.value(QStringLiteral("provider.translationEngine")).toString(),
              QStringLiteral("openAICompatible"));
    drainEventLoop();
    // Two settings changed through the pickers in two turns: one re-translation each.
    EXPECT_EQ(workflow.calls, QStringList(2, QStringLiteral("retranslate(hello,0)")));
    EXPECT_TRUE(view->footer()->qualityPicker()->isHidden());
}

// Each picker of the panel, used as a user uses it, changes exactly its own key in the store, to the
// chosen value; and each shows the stored value when another window changes it.
TEST_F(ResultPanelAppSettingsTest, EachPickerWritesAndShowsItsOwnSetting) {
    QComboBox* source = view->header()->sourcePicker();
    QComboBox* target = view->header()->targetPicker();
    QComboBox* engine = view->footer()->enginePicker();
    QComboBox* quality = view->footer()->qualityPicker();
    const struct {
        const char* picker;
        QComboBox* control;
        QString data;
        QString key;
    } writes[] = {
        {"source", source, QStringLiteral("de"), QStringLiteral("translation.sourceLanguage")},
        {"target", target, QStringLiteral("ko"), QStringLiteral("translation.targetLanguage")},
        {"quality", quality, QStringLiteral("advanced"), QStringLiteral("provider.cloudTranslationQuality")},
        {"engine", engine, QStringLiteral("openAICompatible"), QStringLiteral("provider.translationEngine")},
    };
    for (const auto& w : writes) {
        const auto before = testing::storeSnapshot(store);
        testing::chooseInPicker(w.control, w.data);
        drainEventLoop();
        EXPECT_EQ(testing::changedValues(before, testing::storeSnapshot(store)),
                  (std::map<QString, QString>{{w.key, w.data}}))
            << w.picker;
    }

    const struct {
        const char* picker;
        std::function<void()> change;
        QComboBox* control;
        QString shown;
    } shows[] = {
        {"source", [&] { appSettings->setSourceLanguage(QStringLiteral("fr")); }, source,
         QStringLiteral("fr")},
        {"target", [&] { appSettings->setTargetLanguage(QStringLiteral("es")); }, target,
         QStringLiteral("es")},
        {"engine", [&] { appSettings->setTranslationEngine(TranslationEngine::cloudStandard); }, engine,
         QStringLiteral("cloudStandard")},
        {"quality", [&] { appSettings->selectCloudTranslationQuality(CloudTranslationQuality::standard); },
         quality, QStringLiteral("standard")},
    };
    for (const auto& s : shows) {
        s.change();
        drainEventLoop();
        EXPECT_EQ(s.control->currentData().toString(), s.shown) << s.picker;
    }
}

TEST_F(ResultPanelAppSettingsTest, SettingsOperationsRetranslateOnlyOnRealChanges) {
    appSettings->setTargetLanguage(QStringLiteral("fr"));
    appSettings->setTranslationStyle(TranslationStyle::technical);
    appSettings->setCloudTranslationQuality(CloudTranslationQuality::advanced);
    drainEventLoop();
    workflow.calls.clear();

    // A reset changes five values at once: one re-translation, with the header already showing the result.
    appSettings->resetProviderSettings();
    drainEventLoop();
    EXPECT_EQ(workflow.calls, QStringList{QStringLiteral("retranslate(hello,0)")});
    EXPECT_EQ(settings.translationStyleKey(), QStringLiteral("literal"));
    EXPECT_EQ(view->header()->targetPicker()->currentData().toString(), appSettings->targetLanguage());

    // Writing the values the settings already hold, or a change undone in the same turn: nothing.
    workflow.calls.clear();
    appSettings->resetProviderSettings();
    appSettings->setTranslationStyle(TranslationStyle::email);
    appSettings->setTranslationStyle(TranslationStyle::literal);
    drainEventLoop();
    EXPECT_TRUE(workflow.calls.isEmpty());

    // A swap of two fixed languages is one change for the panel.
    appSettings->setSourceLanguage(QStringLiteral("en"));
    drainEventLoop();
    workflow.calls.clear();
    appSettings->swapLanguages();
    drainEventLoop();
    EXPECT_EQ(workflow.calls.size(), 1);
    EXPECT_EQ(settings.sourceLanguage(), appSettings->sourceLanguage());
}

// A stored engine this version cannot read: the panel shows no engine chosen and offers no quality, as the
// other windows do, until the user picks one, the hosted one it used to show included.
TEST(ResultPanelUnreadableEngineTest, NoEngineIsShownUntilOneIsChosen) {
    installAccessibleFactory();
    MemoryKeyValueStore store;
    store.setValue(QStringLiteral("provider.translationEngine"), QStringLiteral("42"));
    testing::VirtualClock clock;
    AppSettings appSettings(store, clock);
    ASSERT_FALSE(appSettings.chosenTranslationEngine().has_value());
    ResultPanelAppSettings settings(&appSettings);
    RecordingPanelWorkflow workflow;
    workflow.setSource(QStringLiteral("hello"));
    ResultPanelView view(&workflow, &settings);
    view.show();
    drainEventLoop();

    QComboBox* engine = view.footer()->enginePicker();
    QAccessibleInterface* read = QAccessible::queryAccessibleInterface(engine);
    ASSERT_NE(read, nullptr);
    auto showsNone = [&] {
        EXPECT_EQ(engine->currentIndex(), -1);
        EXPECT_EQ(engine->currentText(), QString());
        EXPECT_EQ(read->text(QAccessible::Name), QStringLiteral("翻译引擎"));
        EXPECT_EQ(read->text(QAccessible::Description), QStringLiteral("请选择翻译引擎"));
        EXPECT_TRUE(view.footer()->qualityPicker()->isHidden());
    };
    showsNone();
    // Another setting's change shows the settings again, still without an engine.
    appSettings.selectCloudTranslationQuality(CloudTranslationQuality::advanced);
    drainEventLoop();
    showsNone();

    workflow.calls.clear();
    testing::chooseInPicker(engine, QStringLiteral("cloudStandard"));
    drainEventLoop();
    EXPECT_EQ(appSettings.chosenTranslationEngine(), TranslationEngine::cloudStandard);
    EXPECT_EQ(store.value(QStringLiteral("provider.translationEngine")).toString(),
              QStringLiteral("cloudStandard"));
    EXPECT_EQ(read->text(QAccessible::Description), QStringLiteral("托管云端"));
    EXPECT_FALSE(view.footer()->qualityPicker()->isHidden());
    EXPECT_EQ(view.footer()->qualityPicker()->currentData().toString(), QStringLiteral("advanced"));
    EXPECT_EQ(workflow.calls, QStringList{QStringLiteral("retranslate(hello,0)")});
}

TEST_F(ResultPanelAppSettingsTest, OutlivedSettingsReadDefaultsAndDropWrites) {
    view.reset();
    appSettings.reset();
    EXPECT_EQ(settings.sourceLanguage(), QString());
    EXPECT_EQ(settings.translationEngine(), TranslationEngine::cloudStandard);
    settings.setTargetLanguage(QStringLiteral("ja")); // no crash, nothing stored
    EXPECT_FALSE(store.value(QStringLiteral("translation.targetLanguage")).toString() ==
                 QStringLiteral("ja"));
}

} // namespace
} // namespace tolvane
