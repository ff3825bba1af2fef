#include "settings/general_settings_page.h"

#include "model/app_settings.h"
#include "settings/settings_blocks.h"
#include "ui/info_resource.h"
#include "ui/open_list_keys.h"
#include "ui/settings_switch.h"

#include <QComboBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace tolvane {

namespace {

// Keeps a switch in step with its setting without writing the setting back.
void follow(AppSettings& settings, SettingsControlRow* row, void (AppSettings::*changed)(),
            bool (AppSettings::*read)() const) {
    auto* toggle = static_cast<SettingsSwitch*>(row->control());
    QObject::connect(&settings, changed, toggle, [toggle, &settings, read] {
        const QSignalBlocker blocker(toggle);
        toggle->setChecked((settings.*read)());
    });
}

SettingsControlRow* toggleRow(AppSettings& settings, const QString& title, const QString& detail,
                              bool (AppSettings::*read)() const, void (AppSettings::*write)(bool),
                              void (AppSettings::*changed)(), QWidget* parent) {
    auto* row = makeSettingsToggleRow(
        title, detail, (settings.*read)(), [&settings, write](bool on) { (settings.*write)(on); }, parent);
    follow(settings, row, changed, read);
    return row;
}

QPushButton* button(const QString& text, std::function<void()> action) {
    auto* button = new QPushButton(text);
    QObject::connect(button, &QPushButton::clicked, button, [action = std::move(action)] {
        if (action)
            action();
    });
    return button;
}

} // namespace

QString settingsVersionText() {
    QString version = infoResourceValue(QStringLiteral("CFBundleShortVersionString"));
    if (version.isEmpty())
        version = QStringLiteral("1.1.2");
    return QObject::tr("版本 %1").arg(version);
}

GeneralSettingsPage::GeneralSettingsPage(AppSettings& settings, const QString& versionText, Actions actions,
                                         QWidget* parent)
    : QWidget(parent), m_settings(settings) {
    auto* workflow = new SettingsCard(QStringLiteral("工作流"));
    workflow->addRow(toggleRow(
        settings, QStringLiteral("输入停止后自动翻译"), QStringLiteral("在主输入框停止输入后自动开始翻译。"),
        &AppSettings::autoTranslateWhileTyping, &AppSettings::setAutoTranslateWhileTyping,
        &AppSettings::autoTranslateWhileTypingChanged, workflow));
    workflow->addRow(toggleRow(settings, QStringLiteral("翻译完成后自动复制译文"),
                               QStringLiteral("只复制译文，不会自动覆盖原 App 中的内容。"),
                               &AppSettings::autoCopyResult, &AppSettings::setAutoCopyResult,
                               &AppSettings::autoCopyResultChanged, workflow));
    workflow->addRow(toggleRow(settings, QStringLiteral("选中文本后显示翻译按钮"),
                               QStringLiteral("在支持的 App 中选中文字后显示快捷翻译入口。"),
                               &AppSettings::autoSelectionButtonEnabled,
                               &AppSettings::setAutoSelectionButtonEnabled,
                               &AppSettings::autoSelectionButtonEnabledChanged, workflow));

    auto* window = new SettingsCard(QStringLiteral("窗口行为"));
    auto* closeBehavior = new QComboBox;
    closeBehavior->setAccessibleName(QStringLiteral("关闭主窗口时"));
    closeBehavior->setFixedWidth(230);
    chooseOnlyInOpenList(closeBehavior);
    for (MainWindowCloseBehavior behavior : allCases<MainWindowCloseBehavior>())
        closeBehavior->addItem(displayName(behavior), rawValue(behavior));
    auto showCloseBehavior = [closeBehavior, &settings] {
        const QSignalBlocker blocker(closeBehavior);
        closeBehavior->setCurrentIndex(closeBehavior->findData(rawValue(settings.mainWindowCloseBehavior())));
    };
    showCloseBehavior();
    connect(&settings, &AppSettings::mainWindowCloseBehaviorChanged, closeBehavior, showCloseBehavior);
    connect(closeBehavior, &QComboBox::currentIndexChanged, closeBehavior, [closeBehavior, &settings] {
        if (auto behavior = fromRawValue<MainWindowCloseBehavior>(closeBehavior->currentData().toString()))
            settings.setMainWindowCloseBehavior(*behavior);
    });
    window->addRow(
        new SettingsControlRow(QStringLiteral("关闭主窗口时"),
                               QStringLiteral("选择关闭主窗口时，是让 Ondrel 留在后台还是完全退出。"),
                               QStringLiteral("macwindow"), closeBehavior));

    auto* region = new SettingsCard(QStringLiteral("OCR 区域记忆"));
    m_clearRegion = button(QStringLiteral("清除区域"), std::move(actions.clearOCRRegion));
    m_regionRow = new SettingsControlRow(
        QString(),
        QStringLiteral(
            "会记住上次截图区域，并在 Continuous 或下一次截图时按当前显示器尺寸恢复；可随时在这里清除。"),
        QStringLiteral("rectangle.dashed"), m_clearRegion);
    region->addRow(m_regionRow);
    showRegionMemory();
    connect(&settings, &AppSettings::screenshotRegionMemoryChanged, this,
            &GeneralSettingsPage::showRegionMemory);

    auto* maintenance = new SettingsCard(QStringLiteral("应用维护"));
    maintenance->addRow(
        new SettingsControlRow(QStringLiteral("检查更新…"), QStringLiteral("检查 Ondrel 1.1.2 及后续版本。"),
                               QStringLiteral("arrow.triangle.2.circlepath"),
                               button(QStringLiteral("检查更新…"), std::move(actions.checkForUpdates))));
    maintenance->addRow(new SettingsControlRow(
        QStringLiteral("重新打开首次使用引导"), QStringLiteral("重新查看权限、语言和首次设置步骤。"),
        QStringLiteral("questionmark.circle"),
        button(QStringLiteral("打开引导"), std::move(actions.openOnboarding))));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(
        makeSettingsPageLayout(QStringLiteral("通用"), QStringLiteral("让翻译即时、安静而可控。"),
                               QStringLiteral("设置日常工作流、OCR 区域记忆与应用维护选项。"), versionText,
                               makeSettingsStack({workflow, window, region, maintenance}, nullptr), this));
}

void GeneralSettingsPage::showRegionMemory() {
    const bool saved = m_settings.screenshotRegionMemory().has_value();
    m_regionRow->setTitle(saved ? QStringLiteral("OCR 区域记忆已保存")
                                : QStringLiteral("OCR 区域记忆未保存"));
    m_regionRow->setSymbol(saved ? QStringLiteral("rectangle.inset.filled")
                                 : QStringLiteral("rectangle.dashed"));
    m_clearRegion->setEnabled(saved);
}

} // namespace tolvane
