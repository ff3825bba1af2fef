#pragma once

#include "core/app_error.h"

namespace tolvane {

// Failures of capture and recognition that reach the user.
class ScreenshotOCRError final : public AppError {
public:
    enum class Kind {
        cancelled,
        screenRecordingPermissionRequired,
        captureFailed,
        recognitionFailed,
        noTextRecognized,
    };

    explicit ScreenshotOCRError(Kind kind) : m_kind(kind) {}
    Kind kind() const { return m_kind; }
    QString description() const override;

private:
    Kind m_kind;
};

// Ways a region selection on the overlay ends without a region.
class ScreenshotSelectionError final : public AppError {
public:
    enum class Kind {
        cancelled,
        selectionTooSmall,
    };

    explicit ScreenshotSelectionError(Kind kind) : m_kind(kind) {}
    Kind kind() const { return m_kind; }
    QString description() const override;

private:
    Kind m_kind;
};

} // namespace tolvane
