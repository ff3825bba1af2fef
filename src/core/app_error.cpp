#include "core/app_error.h"

namespace tolvane {

const char* AppError::what() const noexcept {
    try {
        m_what = description().toStdString();
    } catch (...) {
        return "AppError";
    }
    return m_what.c_str();
}

QString describeError(const std::exception& error) {
    if (auto* appError = dynamic_cast<const AppError*>(&error))
        return appError->description();
    const char* text = error.what();
    return text && *text ? QString::fromUtf8(text) : QStringLiteral("Unknown error.");
}

QString describeError(std::exception_ptr error) {
    if (!error)
        return QStringLiteral("Unknown error.");
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return describeError(e);
    } catch (...) {
        return QStringLiteral("Unknown error.");
    }
}

bool isCancellation(std::exception_ptr error) {
    if (!error)
        return false;
    try {
        std::rethrow_exception(error);
    } catch (const CancelledError&) {
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace tolvane
