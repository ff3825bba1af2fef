#include "ui/settings_not_stored_notice.h"

#include "model/app_settings.h"

#include <QWidget>
#include <memory>
#include <utility>

namespace tolvane {

QString settingsNotStoredText() {
    return QStringLiteral("设置未能保存：无法写入设置文件，已恢复为原来的设置。");
}

void tellSettingsNotStoredIn(QWidget* view, AppSettings& settings, std::function<void(const QString&)> tell) {
    auto told = std::make_shared<bool>(false);
    QObject::connect(&settings, &AppSettings::changeNotStored, view, [view, tell, told] {
        if (!view->isActiveWindow())
            return;
        *told = true;
        tell(settingsNotStoredText());
    });
    QObject::connect(&settings, &AppSettings::changeStored, view, [tell, told] {
        if (std::exchange(*told, false))
            tell(QString());
    });
}

} // namespace tolvane
