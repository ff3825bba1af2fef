#include "ui/settings_not_stored_notice.h"

#include "model/app_settings.h"

#include <QWidget>

namespace tolvane {

QString settingsNotStoredText() {
    return QStringLiteral("设置未能保存：无法写入设置文件，已恢复为原来的设置。");
}

void tellSettingsNotStoredIn(QWidget* view, AppSettings& settings, std::function<void(const QString&)> tell) {
    QObject::connect(&settings, &AppSettings::changeNotStored, view, [view, tell = std::move(tell)] {
        if (view->isActiveWindow())
            tell(settingsNotStoredText());
    });
}

} // namespace tolvane
