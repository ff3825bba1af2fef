#include "ocr/screenshot_overlay_controller.h"

#include "core/logging.h"
#include "ocr/screenshot_ocr_error.h"
#include "ocr/screenshot_overlay_backdrop.h"
#include "ocr/screenshot_selection_view.h"
#include "platform/global_input.h"
#include "platform/qt/qt_screen_provider.h"
#include "platform/window_system.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QScreen>
#include <QWindow>
#include <stdexcept>

namespace tolvane {

namespace {

constexpr uint32_t kEscapeKeysym = 0xff1b; // XK_Escape
const HotKeyIdentifier kEscapeHotKey{fourCharCode("OCRE"), 1};

QScreen* qtScreenNamed(const QString& name) {
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen->name() == name)
            return screen;
    }
    return nullptr;
}

} // namespace

ScreenshotOverlayController::Dependencies
ScreenshotOverlayController::defaultDependencies(std::shared_ptr<WindowSystem> windowSystem,
                                                 std::shared_ptr<OverlayWindowList> windowList,
                                                 GlobalInputService* globalInput) {
    Dependencies deps;
    deps.screens = std::make_shared<QtScreenProvider>();
    deps.windowSystem = std::move(windowSystem);
    deps.windowList = std::move(windowList);
    deps.globalInput = globalInput;
    deps.backdrop = frozenScreenBackdrop;
    return deps;
}

ScreenshotOverlayController::ScreenshotOverlayController(Dependencies dependencies, QObject* parent)
    : ScreenshotSelectionController(parent), m_deps(std::move(dependencies)) {
    if (!m_deps.windowList)
        throw std::invalid_argument("ScreenshotOverlayController needs a window list");
}

ScreenshotOverlayController::~ScreenshotOverlayController() {
    tearDown();
}

QList<ScreenshotSelectionView*> ScreenshotOverlayController::views() const {
    QList<ScreenshotSelectionView*> result;
    for (const auto& view : m_views) {
        if (view)
            result.append(view.data());
    }
    return result;
}

void ScreenshotOverlayController::selectCapture(ScreenshotCaptureMode initialMode,
                                                std::optional<QRectF> rememberedRect, int batchCount) {
    tearDown();
    const QList<ScreenInfo> screens = m_deps.screens ? m_deps.screens->screens() : QList<ScreenInfo>{};
    std::optional<FrontmostWindow> frontmost;
    if (m_deps.windowSystem)
        frontmost = m_deps.windowSystem->frontmost();

    std::optional<QRectF> region = rememberedRect;
    if (batchCount == 0) {
        QList<QRectF> frames;
        for (const ScreenInfo& screen : screens)
            frames.append(screen.frame);
        const qint64 selfPid =
            m_deps.windowSystem ? m_deps.windowSystem->selfPid() : QCoreApplication::applicationPid();
        std::optional<qint64> frontPid;
        if (frontmost)
            frontPid = frontmost->target.pid;
        const auto windows = m_deps.windowList->onScreenWindows();
        region = suggestWindowRegion(windows, frontPid, selfPid, frames, rememberedRect);
    }

    const QPointF cursor = m_deps.cursorPosition ? m_deps.cursorPosition() : QPointF(QCursor::pos());
    QPointer<ScreenshotOverlayController> self(this);
    for (const ScreenInfo& screen : screens) {
        ScreenshotSelectionView::Setup setup;
        setup.screenFrame = screen.frame;
        setup.batchCount = batchCount;
        setup.selectedMode = initialMode;
        setup.callbacks.onComplete = [self](QRectF rect, ScreenshotCaptureMode mode) {
            if (self)
                self->complete(rect, mode);
        };
        setup.callbacks.onFinishBatch = [self] {
            if (self)
                self->finishBatch();
        };
        setup.callbacks.onCancel = [self] {
            if (self)
                self->cancelSelection();
        };
        // Pre-selected on the one screen that holds the region's centre.
        if (region && region->intersects(screen.frame) && frameContains(screen.frame, region->center())) {
            setup.startPoint = region->topLeft();
            setup.currentPoint = region->bottomRight();
        }
        if (m_deps.backdrop)
            setup.background = m_deps.backdrop(screen);

        auto* view = new ScreenshotSelectionView(std::move(setup));
        view->setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                             Qt::X11BypassWindowManagerHint);
        view->setAttribute(Qt::WA_DeleteOnClose, false);
        view->setWindowTitle(QStringLiteral("Tolvane OCR"));
        if (QScreen* qtScreen = qtScreenNamed(screen.name))
            view->setScreen(qtScreen);
        view->setGeometry(screen.frame.toRect());
        view->installEventFilter(this);
        m_views.emplace_back(view);
    }

    if (frontmost && !m_deps.windowSystem->isSelf(*frontmost))
        m_previousFrontmost = frontmost;

    for (const auto& view : m_views)
        view->show();

    for (const auto& view : m_views) {
        if (frameContains(view->screenFrame(), cursor)) {
            m_keyView = view;
            break;
        }
    }
    if (!m_keyView && !m_views.empty())
        m_keyView = m_views.front();
    if (m_keyView) {
        m_keyView->raise();
        m_keyView->activateWindow();
        m_keyView->setFocus(Qt::OtherFocusReason);
        m_grab.acquire(m_keyView->windowHandle());
    }
    installEscapeHandlers();
}

void ScreenshotOverlayController::tearDown() {
    removeEscapeHandlers();
    m_grab.release();
    for (const auto& view : m_views) {
        if (!view)
            continue;
        view->removeEventFilter(this);
        view->hide();
        view->deleteLater();
    }
    m_views.clear();
    m_keyView = nullptr;
    const auto previous = std::exchange(m_previousFrontmost, std::nullopt);
    if (!previous || !m_deps.windowSystem)
        return;
    // The grab never moved the window manager's focus, so this is normally a no-op.
    WindowSystem& windows = *m_deps.windowSystem;
    if (!windows.isAlive(previous->target) || windows.isSelf(*previous))
        return;
    const auto now = windows.frontmost();
    if (now && now->target.window == previous->target.window)
        return;
    windows.activate(previous->target.window);
}

void ScreenshotOverlayController::installEscapeHandlers() {
    removeEscapeHandlers();
    qApp->installEventFilter(this);
    m_filterInstalled = true;
    if (!m_deps.globalInput)
        return;
    QPointer<ScreenshotOverlayController> self(this);
    // Both global paths only queue the cancellation: they run inside the input service's dispatch, which
    // must not see its handler list change under it.
    const auto queueCancel = [self] {
        QMetaObject::invokeMethod(
            qApp,
            [self] {
                if (self)
                    self->cancelSelection();
            },
            Qt::QueuedConnection);
    };
    // A failed Escape grab is ignored: the other paths still work.
    m_hotKeyGrabbed = m_deps.globalInput->grabKey(KeyChord{kEscapeKeysym, 0}, kEscapeHotKey) == 0;
    m_hotKeyHandler = m_deps.globalInput->addHotKeyHandler([queueCancel](HotKeyIdentifier id) {
        if (id != kEscapeHotKey)
            return false;
        queueCancel();
        return true;
    });
    m_rawObserver = m_deps.globalInput->addRawObserver([queueCancel](const RawInputEvent& event) {
        if (event.type == RawInputEvent::Type::keyPress && event.level0Keysym == kEscapeKeysym)
            queueCancel();
    });
}

void ScreenshotOverlayController::removeEscapeHandlers() {
    if (m_filterInstalled) {
        qApp->removeEventFilter(this);
        m_filterInstalled = false;
    }
    if (!m_deps.globalInput)
        return;
    if (m_hotKeyGrabbed)
        m_deps.globalInput->ungrabKey(kEscapeHotKey);
    m_hotKeyGrabbed = false;
    if (m_hotKeyHandler)
        m_deps.globalInput->remove(std::exchange(m_hotKeyHandler, 0));
    if (m_rawObserver)
        m_deps.globalInput->remove(std::exchange(m_rawObserver, 0));
}

bool ScreenshotOverlayController::isOwnView(QObject* object) const {
    for (const auto& view : m_views) {
        if (view && view.data() == object)
            return true;
    }
    return false;
}

bool ScreenshotOverlayController::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && m_filterInstalled) {
            // Always swallowed while the overlay is shown, whether or not anything is pending.
            event->accept();
            if (event->type() == QEvent::KeyPress)
                cancelSelection();
            return true;
        }
        // Keys go to the view the user last pressed on, whichever window holds the grab.
        if (event->type() == QEvent::KeyPress && m_keyView && watched != m_keyView && isOwnView(watched)) {
            QKeyEvent copy(key->type(), key->key(), key->modifiers(), key->text(), key->isAutoRepeat(),
                           ushort(key->count()));
            QCoreApplication::sendEvent(m_keyView, &copy);
            return true;
        }
        break;
    }
    case QEvent::MouseButtonPress:
        if (isOwnView(watched) && watched != m_keyView) {
            m_keyView = static_cast<ScreenshotSelectionView*>(watched);
            m_keyView->activateWindow();
            m_keyView->setFocus(Qt::MouseFocusReason);
            m_grab.acquire(m_keyView->windowHandle());
        }
        break;
    default:
        break;
    }
    return ScreenshotSelectionController::eventFilter(watched, event);
}

} // namespace tolvane
