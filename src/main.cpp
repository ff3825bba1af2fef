#include "core/logging.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tolvane"));
    QApplication::setOrganizationName(QStringLiteral("Tolvane"));
    QApplication::setApplicationVersion(QStringLiteral(TOLVANE_VERSION));
    qCInfo(tolvane::lcApp).noquote() << "Tolvane" << QApplication::applicationVersion() << "started";
    return 0;
}
