#include "settings/translation_settings_page.h"

#include "model/app_settings.h"
#include "model/language_table.h"
#include "settings/settings_blocks.h"
#include "ui/accessible_widgets.h"
#include "ui/language_picker.h"
#include "ui/open_list_keys.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace tolvane {

namespace {

template <RawEnum E> QComboBox* enumPicker(const QString& name) {
    auto* picker = new QComboBox;
    picker->setAccessibleName(name);
    picker->setFixedWidth(230);
    chooseOnlyInOpenList(picker);
    for (E value : allCases<E>())
        picker->addItem(displayName(value), rawValue(value));
    return picker;
}

template <RawEnum E> void selectIn(QComboBox* picker, E value) {
    const QSignalBlocker blocker(picker);
    picker->setCurrentIndex(picker->findData(rawValue(value)));
}

template <RawEnum E> std::optional<E> chosenIn(QComboBox* picker) {
    return fromRawValue<E>(picker->currentData().toString());
}

QLineEdit* lineEdit(const QString& name) {
    auto* field = new QLineEdit;
    field->setAccessibleName(name);
    field->setFixedWidth(330);
    return field;
}

} // namespace

TranslationSettingsPage::TranslationSettingsPage(AppSettings& settings, QWidget* parent)
    : QWidget(parent), m_settings(settings) {
    auto* service = new SettingsCard(QStringLiteral("翻译服务"));
    m_engine = enumPicker<TranslationEngine>(QStringLiteral("翻译引擎"));
    m_engine->setPlaceholderText(QStringLiteral("请选择翻译引擎"));
    // activated, not currentIndexChanged: picking the engine already shown still stores it, which is what
    // ends a stored choice this version could not read.
    connect(m_engine, &QComboBox::activated, this, [this] {
        if (auto engine = chosenIn<TranslationEngine>(m_engine))
            m_settings.setTranslationEngine(*engine);
    });
    m_engineRow = new SettingsControlRow(QStringLiteral("翻译引擎"), QString(),
                                         QStringLiteral("point.3.connected.trianglepath.dotted"), m_engine);
    service->addRow(m_engineRow);

    auto* quality = new QWidget;
    m_qualityOptions = quality;
    quality->setFixedWidth(280);
    auto* qualityLayout = new QHBoxLayout(quality);
    qualityLayout->setContentsMargins(0, 0, 0, 0);
    qualityLayout->setSpacing(0);
    m_quality = new QButtonGroup(this);
    for (CloudTranslationQuality value : allCases<CloudTranslationQuality>()) {
        auto* option = new QPushButton(displayName(value), quality);
        exposeAsSelectionButton(option, QAccessible::RadioButton);
        option->setCheckable(true);
        m_quality->addButton(option, int(value));
        qualityLayout->addWidget(option);
    }
    quality->setAccessibleName(QStringLiteral("云端质量"));
    exposeAsSummary(quality, QAccessible::Pane);
    connect(m_quality, &QButtonGroup::idClicked, this,
            [this](int id) { m_settings.selectCloudTranslationQuality(CloudTranslationQuality(id)); });
    m_qualityRow = new SettingsControlRow(
        QStringLiteral("云端质量"),
        QStringLiteral("标准档适合日常翻译和控成本；高级档用于更正式或更需要质量的内容。"),
        QStringLiteral("gauge.with.dots.needle.50percent"), quality);
    service->addRow(m_qualityRow);

    m_source = new QComboBox;
    m_source->setAccessibleName(QStringLiteral("源语言"));
    m_source->setFixedWidth(230);
    chooseOnlyInOpenList(m_source);
    connect(m_source, &QComboBox::currentIndexChanged, this,
            [this] { m_settings.setSourceLanguage(m_source->currentData().toString()); });
    service->addRow(new SettingsControlRow(QStringLiteral("源语言"),
                                           QStringLiteral("可使用自动检测，也可指定具体语言。"),
                                           QStringLiteral("textformat"), m_source));
    m_target = new QComboBox;
    m_target->setAccessibleName(QStringLiteral("目标语言"));
    m_target->setFixedWidth(230);
    chooseOnlyInOpenList(m_target);
    connect(m_target, &QComboBox::currentIndexChanged, this,
            [this] { m_settings.setTargetLanguage(m_target->currentData().toString()); });
    service->addRow(new SettingsControlRow(QStringLiteral("目标语言"), QStringLiteral("选择译文使用的语言。"),
                                           QStringLiteral("character.cursor.ibeam"), m_target));
    m_style = enumPicker<TranslationStyle>(QStringLiteral("翻译风格"));
    connect(m_style, &QComboBox::currentIndexChanged, this, [this] {
        if (auto style = chosenIn<TranslationStyle>(m_style))
            m_settings.selectTranslationStyle(*style);
    });
    service->addRow(new SettingsControlRow(QStringLiteral("翻译风格"),
                                           QStringLiteral("决定译文的措辞与语气。"),
                                           QStringLiteral("text.quote"), m_style));

    auto* custom = new SettingsCard(QStringLiteral("自定义 API"));
    m_customCard = custom;
    m_baseURL = lineEdit(QStringLiteral("AI 接口地址"));
    // textEdited, not textChanged: a refill from the settings' own signal must not write back.
    connect(m_baseURL, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_settings.setBaseURLString(text); });
    custom->addRow(new SettingsControlRow(QStringLiteral("AI 接口地址"),
                                          QStringLiteral("OpenAI 兼容的 API 基础地址。"),
                                          QStringLiteral("network"), m_baseURL));
    m_model = lineEdit(QStringLiteral("AI 模型"));
    connect(m_model, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_settings.setModel(text); });
    custom->addRow(new SettingsControlRow(QStringLiteral("AI 模型"),
                                          QStringLiteral("输入服务商提供的模型名称。"), QStringLiteral("cpu"),
                                          m_model));
    m_key = lineEdit(QStringLiteral("API 密钥"));
    m_key->setEchoMode(QLineEdit::Password);
    connect(m_key, &QLineEdit::textChanged, this, &TranslationSettingsPage::updateKeyButtons);
    connect(m_key, &QLineEdit::returnPressed, this, [this] {
        if (m_saveKey->isEnabled())
            Q_EMIT saveKeyRequested();
    });
    custom->addRow(new SettingsControlRow(QStringLiteral("API 密钥"),
                                          QStringLiteral("密钥只保存在系统钥匙串中。"), QStringLiteral("key"),
                                          m_key));
    auto* buttons = new QWidget;
    auto* buttonLayout = new QHBoxLayout(buttons);
    buttonLayout->setContentsMargins(20, 20, 20, 20);
    buttonLayout->setSpacing(10);
    m_saveKey = new QPushButton(QStringLiteral("保存密钥"), buttons);
    m_test = new QPushButton(QStringLiteral("测试 AI 连接"), buttons);
    m_deleteKey = new QPushButton(QStringLiteral("删除密钥"), buttons);
    m_deleteKey->setProperty("destructive", true);
    connect(m_saveKey, &QPushButton::clicked, this, &TranslationSettingsPage::saveKeyRequested);
    connect(m_test, &QPushButton::clicked, this, &TranslationSettingsPage::testRequested);
    connect(m_deleteKey, &QPushButton::clicked, this, &TranslationSettingsPage::deleteKeyRequested);
    buttonLayout->addWidget(m_saveKey);
    buttonLayout->addWidget(m_test);
    buttonLayout->addWidget(m_deleteKey);
    buttonLayout->addStretch();
    custom->addRow(buttons);

    auto* restoreRow = new QWidget;
    auto* restoreLayout = new QHBoxLayout(restoreRow);
    restoreLayout->setContentsMargins(0, 0, 0, 0);
    restoreLayout->addStretch();
    auto* restore = new QPushButton(QStringLiteral("恢复翻译默认设置"), restoreRow);
    connect(restore, &QPushButton::clicked, this, &TranslationSettingsPage::restoreDefaultsRequested);
    restoreLayout->addWidget(restore);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(
        makeSettingsPageLayout(QStringLiteral("翻译"), QStringLiteral("按你的方式选择翻译线路。"),
                               QStringLiteral("配置托管云端、自定义 API、语言、质量与翻译风格。"), QString(),
                               makeSettingsStack({service, custom, restoreRow}, nullptr), this));

    for (auto signal : {&AppSettings::translationEngineChanged, &AppSettings::cloudTranslationQualityChanged,
                        &AppSettings::sourceLanguageChanged, &AppSettings::targetLanguageChanged,
                        &AppSettings::translationStyleChanged, &AppSettings::baseURLStringChanged,
                        &AppSettings::modelChanged})
        connect(&settings, signal, this, &TranslationSettingsPage::showSettings);
    showSettings();
    updateKeyButtons();
}

void TranslationSettingsPage::showSettings() {
    const bool custom = m_settings.translationEngine() == TranslationEngine::openAICompatible;
    const bool chosen = m_settings.chosenTranslationEngine().has_value();
    if (chosen) {
        selectIn(m_engine, m_settings.translationEngine());
    } else {
        const QSignalBlocker blocker(m_engine);
        m_engine->setCurrentIndex(-1);
    }
    // While no engine is chosen neither engine's own settings are offered.
    m_qualityRow->setVisible(chosen && !custom);
    m_customCard->setVisible(chosen && custom);
    if (QAbstractButton* option = m_quality->button(int(m_settings.cloudTranslationQuality())))
        option->setChecked(true);
    m_qualityOptions->setAccessibleDescription(displayName(m_settings.cloudTranslationQuality()));
    fillLanguagePicker(m_source, languagePickerRows(sourceLanguages()), m_settings.sourceLanguage());
    fillLanguagePicker(m_target, languagePickerRows(targetLanguages()), m_settings.targetLanguage());
    selectIn(m_style, m_settings.translationStyle());
    if (m_baseURL->text() != m_settings.baseURLString())
        m_baseURL->setText(m_settings.baseURLString());
    if (m_model->text() != m_settings.model())
        m_model->setText(m_settings.model());
    if (!chosen)
        m_engineRow->setDetail(QStringLiteral("已保存的翻译引擎设置无法读取；请选择一个翻译引擎后再翻译。"));
    else
        m_engineRow->setDetail(custom ? QStringLiteral("使用你配置的兼容 API，服务商费用由你直接承担。")
                                      : QStringLiteral("由 Ondrel 托管云端自动选择可用线路。"));
}

void TranslationSettingsPage::setKeyState(bool hasSavedKey, bool keychainBusy, bool testing) {
    m_hasSavedKey = hasSavedKey;
    m_keychainBusy = keychainBusy;
    m_testing = testing;
    updateKeyButtons();
}

void TranslationSettingsPage::updateKeyButtons() {
    m_key->setPlaceholderText(m_hasSavedKey ? QStringLiteral("已保存；输入新密钥可覆盖")
                                            : QStringLiteral("OpenAI 兼容 API 密钥"));
    m_saveKey->setEnabled(!m_key->text().trimmed().isEmpty() && !m_keychainBusy);
    m_test->setEnabled(m_hasSavedKey && !m_testing && !m_keychainBusy);
    m_deleteKey->setEnabled(m_hasSavedKey && !m_keychainBusy);
}

} // namespace tolvane
