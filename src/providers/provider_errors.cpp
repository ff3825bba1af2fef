#include "providers/provider_errors.h"

namespace tolvane {

QString AIProviderError::description() const {
    switch (m_kind) {
    case Kind::InvalidBaseURL:
        return QStringLiteral("Provider base URL is invalid.");
    case Kind::InvalidResponse:
        return QStringLiteral("Provider returned an invalid response.");
    case Kind::ProviderError:
        return m_message;
    }
    return m_message;
}

} // namespace tolvane
