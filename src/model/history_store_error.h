#pragma once

#include "core/app_error.h"

namespace tolvane {

// A failure of the history database: SQLite's own message, or "Unknown SQLite error." when there is no
// connection or no message.
class HistoryStoreError final : public AppError {
public:
    enum class Kind { sqlite, openFailed };

    static HistoryStoreError sqlite(QString message) {
        return HistoryStoreError(Kind::sqlite, std::move(message));
    }
    static HistoryStoreError openFailed() { return HistoryStoreError(Kind::openFailed, {}); }
    static QString unknownMessage() { return QStringLiteral("Unknown SQLite error."); }

    Kind kind() const { return m_kind; }
    QString description() const override;

private:
    HistoryStoreError(Kind kind, QString message) : m_kind(kind), m_message(std::move(message)) {}

    Kind m_kind;
    QString m_message;
};

} // namespace tolvane
