#pragma once

#include "ocr/screenshot_overlay_keyboard_grab.h"
#include "ocr/screenshot_overlay_window_suggestion.h"
#include "ocr/screenshot_selection_controller.h"
#include "platform/screen_provider.h"
#include "platform/window_system.h"

#include <QPixmap>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace tolvane {

class GlobalInputService;
class ScreenshotSelectionView;

// The region selection overlay: one frameless, always-on-top window per screen (bypassing the window
// manager), each painted over a frozen picture of its screen, with the keyboard grabbed while shown. Escape
// ends the selection through every path (the view, an application-wide filter, the raw input stream and a
// global Escape hot key); each path ends in the idempotent finish(), so one key press gives one result.
class ScreenshotOverlayController final : public ScreenshotSelectionController {
    Q_OBJECT
public:
    struct Dependencies {
        std::shared_ptr<ScreenProvider> screens;
        std::shared_ptr<WindowSystem> windowSystem;    // optional: frontmost window and focus restore
        std::shared_ptr<OverlayWindowList> windowList; // required: the window suggestion
        GlobalInputService* globalInput = nullptr;     // optional: global Escape paths
        // The picture painted under the dimming; a null pixmap paints none (with a compositor).
        std::function<QPixmap(const ScreenInfo&)> backdrop;
        // The pointer position in global logical coordinates (QCursor::pos() when unset).
        std::function<QPointF()> cursorPosition;
    };

    // The production set-up: Qt screens, frozen screens without a compositor, and the given window list.
    static Dependencies defaultDependencies(std::shared_ptr<WindowSystem> windowSystem,
                                            std::shared_ptr<OverlayWindowList> windowList,
                                            GlobalInputService* globalInput);

    // Throws std::invalid_argument without a window list: the overlay would never suggest a window.
    explicit ScreenshotOverlayController(Dependencies dependencies, QObject* parent = nullptr);
    ~ScreenshotOverlayController() override;

    void selectCapture(ScreenshotCaptureMode initialMode, std::optional<QRectF> rememberedRect,
                       int batchCount) override;

    // The overlay's views, one per screen in screen order; empty while not shown.
    QList<ScreenshotSelectionView*> views() const;
    // The view that receives the keys: the last one pressed, at first the one under the pointer.
    ScreenshotSelectionView* keyView() const { return m_keyView; }
    bool holdsKeyboardGrab() const { return m_grab.isHolder(); }

protected:
    void tearDown() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void installEscapeHandlers();
    void removeEscapeHandlers();
    bool isOwnView(QObject* object) const;

    Dependencies m_deps;
    std::vector<QPointer<ScreenshotSelectionView>> m_views;
    QPointer<ScreenshotSelectionView> m_keyView;
    OverlayKeyboardGrab m_grab;
    std::optional<FrontmostWindow> m_previousFrontmost;
    bool m_filterInstalled = false;
    int m_hotKeyHandler = 0;
    int m_rawObserver = 0;
    bool m_hotKeyGrabbed = false;
};

} // namespace tolvane
