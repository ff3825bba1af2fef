#pragma once

#include "core/app_error.h"

#include <cstdint>

namespace tolvane {

// A failure of the secret store, carrying its status: "Keychain returned status N.". When no Secret Service
// is reachable or it stays locked, the text also tells the user what to do.
class KeychainError final : public AppError {
public:
    // The status of a missing item; never thrown, the store reports a missing item as none.
    static constexpr int32_t itemNotFound = -25300;

    explicit KeychainError(int32_t status, bool serviceUnavailable = false)
        : m_status(status), m_serviceUnavailable(serviceUnavailable) {}

    int32_t status() const { return m_status; }
    bool serviceUnavailable() const { return m_serviceUnavailable; }
    QString description() const override;

private:
    int32_t m_status;
    bool m_serviceUnavailable;
};

} // namespace tolvane
