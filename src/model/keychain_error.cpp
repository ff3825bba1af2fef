#include "model/keychain_error.h"

namespace tolvane {

QString KeychainError::description() const {
    QString text = QStringLiteral("Keychain returned status %1.").arg(qint64(m_status));
    if (m_serviceUnavailable) {
        text +=
            QStringLiteral(" No unlocked Secret Service is available: install GNOME Keyring or KWallet, or "
                           "unlock it, then try again.");
    }
    return text;
}

} // namespace tolvane
