#include "platform/pasteboard_backend.h"

namespace tolvane {

bool isTransferTarget(const QString& name) {
    static const QStringList names = {QStringLiteral("TARGETS"),          QStringLiteral("MULTIPLE"),
                                      QStringLiteral("TIMESTAMP"),        QStringLiteral("SAVE_TARGETS"),
                                      QStringLiteral("DELETE"),           QStringLiteral("INCR"),
                                      QStringLiteral("INSERT_SELECTION"), QStringLiteral("INSERT_PROPERTY")};
    return names.contains(name);
}

} // namespace tolvane
