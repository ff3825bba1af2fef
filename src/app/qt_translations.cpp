#include "app/qt_translations.h"

#include "core/logging.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace tolvane {

bool installQtTranslations(QCoreApplication& app) {
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto* translator = new QTranslator(&app);
    const QLocale chinese(QLocale::Chinese, QLocale::SimplifiedChineseScript, QLocale::China);
    if (!translator->load(chinese, QStringLiteral("qtbase"), QStringLiteral("_"), folder) ||
        !QCoreApplication::installTranslator(translator)) {
        qCWarning(lcApp).noquote() << "Qt's Chinese translations not found in" << folder
                                   << "(package qt6-translations-l10n); Qt's dialogs stay in English";
        delete translator;
        return false;
    }
    return true;
}

} // namespace tolvane
