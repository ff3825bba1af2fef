#pragma once

#include "core/async/task.h"
#include "core/clock.h"
#include "model/translation_style.h"
#include "platform/global_input.h"
#include "workflow/captured_selection.h"

#include <QCoroTask>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRectF>
#include <QSize>
#include <array>
#include <chrono>
#include <functional>
#include <optional>

class QMenu;
class QWidget;

namespace tolvane {

class CapsuleWidget;
class SelectionReader;

// What the capsule reads from and writes to the settings store.
class AutoSelectionButtonSettings {
public:
    virtual ~AutoSelectionButtonSettings() = default;
    // "workflow.autoSelectionButtonEnabled"
    virtual bool autoSelectionButtonEnabled() const = 0;
    // Stores the global translation style ("translation.style").
    virtual void setTranslationStyle(TranslationStyle style) = 0;
    // Delivers change notifications still waiting for the next event-loop turn, now.
    virtual void flushPendingChanges() = 0;
};

// The selection capsule: a small floating button shown beside a text selection the user has just made with
// the mouse in another application; clicking it translates that selection. It watches the raw pointer
// stream for a press, a drag further than 6 px and a release, then reads the selection a little later
// (only if PRIMARY changed since the press, so stale text is never offered) and shows the capsule beside
// the release point. Any key press, a click elsewhere or a new selection hides it. The capsule never takes
// the keyboard focus, so the other application's selection stays intact. Main thread only; every position
// is in Qt global logical coordinates.
class AutoSelectionButtonController final : public QObject {
    Q_OBJECT

public:
    using ReadSelection = std::function<QCoro::Task<std::optional<CapturedSelection>>(CancellationToken)>;

    struct Services {
        GlobalInputService& input;
        AutoSelectionButtonSettings& settings;
        Clock& clock;
        std::function<bool()> accessibilityTrusted;
        std::function<bool()> frontmostIsSelf;
        // Owner changes of PRIMARY made by other processes so far.
        std::function<quint64()> primaryChanges;
        // The selection of the frontmost application; must never block on another client.
        ReadSelection readSelection;
        std::function<QPoint()> cursorPosition;
    };

    // Three waits, each after the previous attempt: reads at about 180, 480 and 900 ms after the release.
    static constexpr std::array<std::chrono::milliseconds, 3> selectionReadDelays{
        std::chrono::milliseconds(180), std::chrono::milliseconds(300), std::chrono::milliseconds(420)};
    static constexpr QSize capsuleSize{88, 38};
    static constexpr double dragSelectionThreshold = 6.0;
    static constexpr int screenMargin = 8;

    AutoSelectionButtonController(Services services,
                                  std::function<void(const CapturedSelection&)> onTranslate,
                                  QObject* parent = nullptr);
    ~AutoSelectionButtonController() override;

    // Begins watching, or stops when the setting is off. Idempotent.
    void start();
    // Stops watching, cancels pending reads and hides the capsule.
    void stop();
    bool isRunning() const { return m_running; }

    const std::optional<CapturedSelection>& currentSelection() const { return m_currentSelection; }
    bool isCapsuleVisible() const;
    // The capsule window, created on first show and kept; null before.
    QWidget* panel() const;
    QMenu* styleMenu() const;
    bool isStyleMenuOpen() const;

    // The capsule's own actions.
    void translateCurrentSelection();
    void translateCurrentSelection(TranslationStyle style);
    void hideCapsule();
    // Moves the capsule by the drag's global delta from where the drag began, kept on screen.
    void movePanel(QPoint delta);
    void endPanelDrag();

    // Top-left of the capsule beside an anchor rectangle (right of it, vertically centred), or at the cursor
    // without one; clamped into `visible`.
    static QPoint placementOrigin(const std::optional<QRectF>& anchor, QPointF cursor, const QRect& visible,
                                  QSize size);
    // Keeps 8 px inside `visible`; when it is too small the right and top margins win.
    static QPoint clampedOrigin(QPointF origin, QSize size, const QRect& visible);

    // Production read: the accessibility read, then PRIMARY when the frontmost application owns it.
    static ReadSelection readerFunction(SelectionReader& reader);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void handleRawEvent(const RawInputEvent& event);
    void scheduleSelectionReads();
    static QCoro::Task<> readLoop(QPointer<AutoSelectionButtonController> self, Clock* clock,
                                  CancellationToken token);
    static QCoro::Task<bool> attemptSelectionCapsule(QPointer<AutoSelectionButtonController> self,
                                                     CancellationToken token);
    void showCapsule(const CapturedSelection& selection);
    void positionPanel(const std::optional<QRectF>& anchor);
    bool isInsideCapsule(QPoint point) const;
    // A hide while the style menu is open waits for the menu to close.
    void requestHide();
    CapsuleWidget* makePanelIfNeeded();

    Services m_services;
    std::function<void(const CapturedSelection&)> m_onTranslate;
    bool m_running = false;
    int m_rawSubscription = 0;
    TaskSlot m_pendingTask;
    CapsuleWidget* m_panel = nullptr;
    QPointer<QMenu> m_menu;
    bool m_hideWhenMenuCloses = false;
    std::optional<CapturedSelection> m_currentSelection;
    std::optional<QPoint> m_dragStartOrigin;
    std::optional<QPoint> m_selectionDragStart;
    std::optional<QPoint> m_lastMouseUpLocation;
    bool m_didDragSelection = false;
    quint64 m_primaryChangesAtPress = 0;
};

} // namespace tolvane
