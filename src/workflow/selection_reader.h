#pragma once

#include "core/app_error.h"
#include "platform/screen_mapping.h"
#include "workflow/selection_source.h"

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <functional>

namespace tolvane {

class AccessibilityBackend;
class ClipboardManager;
class PasteboardBackend;
class PermissionService;
class WindowSystem;

class SelectionError final : public AppError {
public:
    enum class Kind { accessibilityPermissionRequired, noSelection };
    explicit SelectionError(Kind kind) : m_kind(kind) {}
    Kind kind() const { return m_kind; }
    QString description() const override;

private:
    Kind m_kind;
};

// Reads the text selected in the frontmost application. Sources, in order: the focused element through the
// accessibility bus (text and where it is), the PRIMARY selection when the frontmost application owns it,
// then a synthetic copy through the clipboard. A focused password field yields nothing from any source.
// The selected text is never logged.
class SelectionReader final : public QObject, public SelectionSource {
    Q_OBJECT

public:
    struct Services {
        ClipboardManager& clipboard;
        PasteboardBackend& pasteboard;
        AccessibilityBackend& accessibility;
        WindowSystem& windows;
        const PermissionService& permissions;
        // The pointer in Qt global logical coordinates.
        std::function<QPoint()> cursorPosition;
        std::function<std::vector<ScreenMapping>()> screens;
    };

    static constexpr std::chrono::milliseconds primaryTimeout{300};

    explicit SelectionReader(Services services, QObject* parent = nullptr);

    // The accessibility read alone: never waits on another client, never touches the clipboard.
    std::optional<CapturedSelection> readSelectionSynchronously() override;
    // Every source in turn. Absent when nothing is selected; throws SelectionError when the accessibility
    // permission is missing and no source found text, ClipboardError for sensitive content, CancelledError.
    QCoro::Task<std::optional<CapturedSelection>> readSelection(CancellationToken token) override;

    // The focused element's selection with its bounds in logical coordinates (absent when unusable).
    // Callers check the permission.
    std::optional<CapturedSelection> readAccessibilitySelection();
    // PRIMARY, when a window of the frontmost application owns it; anchored at the pointer.
    QCoro::Task<std::optional<CapturedSelection>> readPrimarySelection(CancellationToken token);

private:
    struct AccessibilityRead {
        std::optional<CapturedSelection> selection;
        bool passwordFocused = false;
    };
    AccessibilityRead accessibilityRead();
    CapturedSelection atPointer(const QString& text) const;
    static QCoro::Task<std::optional<CapturedSelection>> readBody(QPointer<SelectionReader> self,
                                                                  CancellationToken token);
    static QCoro::Task<std::optional<CapturedSelection>> primaryBody(QPointer<SelectionReader> self,
                                                                     CancellationToken token);

    Services m_services;
};

} // namespace tolvane
