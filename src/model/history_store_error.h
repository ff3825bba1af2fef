#pragma once

#include "core/app_error.h"

namespace tolvane {

// A failure of the history database: SQLite's own message, or "Unknown SQLite error." when there is no
// connection or no message.
class HistoryStoreError final : public AppError {
public:
    enum class Kind { sqlite, openFailed };
    // Why a statement failed, as far as a caller waiting to write again cares.
    enum class Cause { locked, diskFull, other };

    // `resultCode` is SQLite's (extended) result code of the failure, 0 when there was no connection.
    static HistoryStoreError sqlite(QString message, int resultCode) {
        return HistoryStoreError(Kind::sqlite, std::move(message), resultCode);
    }
    static HistoryStoreError openFailed() { return HistoryStoreError(Kind::openFailed, {}, 0); }
    static QString unknownMessage() { return QStringLiteral("Unknown SQLite error."); }

    Kind kind() const { return m_kind; }
    // Another connection holding a lock past the busy wait, a full disk, or anything else.
    Cause cause() const;
    QString description() const override;

private:
    HistoryStoreError(Kind kind, QString message, int resultCode)
        : m_kind(kind), m_message(std::move(message)), m_resultCode(resultCode) {}

    Kind m_kind;
    QString m_message;
    int m_resultCode;
};

} // namespace tolvane
