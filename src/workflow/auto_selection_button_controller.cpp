#include "workflow/auto_selection_button_controller.h"

#include "core/app_error.h"
#include "core/async/sleep.h"
#include "core/logging.h"
#include "core/text.h"
#include "workflow/selection_reader.h"

#include <QApplication>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QToolTip>
#include <QWidget>
#include <cmath>

namespace tolvane {

// The capsule window (the design's non-activating panel and its view in one widget): a dark pill with the
// translate glass on the left and the "•••" style menu on the right. It handles press, move and release
// itself: a release without a drag is a click on the area it started in; a press moved 4 px or more is a
// drag of the capsule, measured in global coordinates (local ones move with the widget).
class CapsuleWidget final : public QWidget {
public:
    static constexpr int glassWidth = 38;
    static constexpr double dragThreshold = 4.0;

    std::function<void()> onTap;
    std::function<void()> onMenu;
    std::function<void(QPoint)> onDragChanged;
    std::function<void()> onDragEnded;

    CapsuleWidget()
        : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                               Qt::WindowDoesNotAcceptFocus | Qt::X11BypassWindowManagerHint) {
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAttribute(Qt::WA_X11DoNotAcceptFocus);
        setFocusPolicy(Qt::NoFocus);
        setFixedSize(AutoSelectionButtonController::capsuleSize);
        // The pill's shape is the hit shape: clicks on the corners pass through.
        setMask(QRegion(pillPath().toFillPolygon().toPolygon()));
    }

protected:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::ToolTip) {
            auto* help = static_cast<QHelpEvent*>(event);
            if (help->pos().x() < glassWidth)
                QToolTip::showText(help->globalPos(), QStringLiteral("翻译选中文本"), this);
            else
                QToolTip::hideText();
            return true;
        }
        return QWidget::event(event);
    }

    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setOpacity(0.98);
        painter.fillPath(pillPath(), QColor::fromRgbF(0.1f, 0.085f, 0.09f));
        painter.setOpacity(1.0);
        QPainterPath border;
        border.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 18.5, 18.5);
        painter.setPen(QPen(QColor::fromRgbF(1, 1, 1, 0.18f), 1));
        painter.drawPath(border);
        painter.fillRect(QRectF(glassWidth, 10, 1, 18), QColor::fromRgbF(1, 1, 1, 0.2f));

        // The "search" glyph (a 24-unit icon) drawn at 18 px in the centre of the glass area.
        painter.save();
        painter.translate(glassWidth / 2.0 - 9, height() / 2.0 - 9);
        painter.scale(0.75, 0.75);
        painter.setPen(QPen(Qt::white, 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawEllipse(QPointF(11, 11), 8, 8);
        painter.drawLine(QPointF(21, 21), QPointF(16.65, 16.65));
        painter.restore();

        QFont font = painter.font();
        font.setPixelSize(15);
        font.setWeight(QFont::DemiBold);
        font.setLetterSpacing(QFont::AbsoluteSpacing, 1);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(QRectF(glassWidth + 1 + 4, 0, 49, height()), Qt::AlignCenter, QStringLiteral("•••"));
    }

    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton)
            return;
        m_pressGlobal = event->globalPosition();
        m_pressOnGlass = event->position().x() < glassWidth;
        m_pressed = true;
        m_dragging = false;
    }

    void mouseMoveEvent(QMouseEvent* event) override {
        if (!m_pressed)
            return;
        const QPointF delta = event->globalPosition() - m_pressGlobal;
        if (!m_dragging && std::hypot(delta.x(), delta.y()) >= dragThreshold)
            m_dragging = true;
        if (m_dragging && onDragChanged)
            onDragChanged(delta.toPoint());
    }

    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton || !m_pressed)
            return;
        m_pressed = false;
        if (m_dragging) {
            m_dragging = false;
            if (onDragEnded)
                onDragEnded();
            return;
        }
        if (m_pressOnGlass) {
            if (onTap)
                onTap();
        } else if (onMenu) {
            onMenu();
        }
    }

private:
    QPainterPath pillPath() const {
        QPainterPath path;
        path.addRoundedRect(QRectF(QPointF(0, 0), QSizeF(AutoSelectionButtonController::capsuleSize)), 19,
                            19);
        return path;
    }

    QPointF m_pressGlobal;
    bool m_pressOnGlass = false;
    bool m_pressed = false;
    bool m_dragging = false;
};

namespace {

QCoro::Task<std::optional<CapturedSelection>> readForCapsule(QPointer<SelectionReader> reader,
                                                             CancellationToken token) {
    if (!reader)
        co_return std::nullopt;
    if (auto selection = reader->readAccessibilitySelection())
        co_return selection;
    co_return co_await reader->readPrimarySelection(token);
}

QScreen* screenForPoint(QPointF point) {
    if (QScreen* screen = QGuiApplication::screenAt(point.toPoint()))
        return screen;
    return QGuiApplication::primaryScreen();
}

} // namespace

AutoSelectionButtonController::AutoSelectionButtonController(
    Services services, std::function<void(const CapturedSelection&)> onTranslate, QObject* parent)
    : QObject(parent), m_services(std::move(services)), m_onTranslate(std::move(onTranslate)) {}

AutoSelectionButtonController::~AutoSelectionButtonController() {
    stop();
    delete m_panel;
}

void AutoSelectionButtonController::start() {
    if (!m_services.settings.autoSelectionButtonEnabled()) {
        stop();
        return;
    }
    if (m_running)
        return;
    if (const int32_t status = m_services.input.rawInputStatus(); status != 0) {
        qCCritical(lcAutoSelectionButton)
            << "Raw pointer input unavailable; the selection capsule stays off. Input Monitoring: denied,"
            << "status" << status;
        return;
    }
    QPointer<AutoSelectionButtonController> self(this);
    m_rawSubscription = m_services.input.addRawObserver([self](const RawInputEvent& event) {
        if (self)
            self->handleRawEvent(event);
    });
    qApp->installEventFilter(this);
    m_running = true;
    qCInfo(lcAutoSelectionButton)
        << "Watching raw pointer input for the selection capsule. Input Monitoring: granted";
}

void AutoSelectionButtonController::stop() {
    m_pendingTask.cancel();
    m_currentSelection.reset();
    m_selectionDragStart.reset();
    m_lastMouseUpLocation.reset();
    m_dragStartOrigin.reset();
    m_didDragSelection = false;
    m_hideWhenMenuCloses = false;
    if (m_menu)
        m_menu->hide();
    if (m_panel)
        m_panel->hide();
    if (m_rawSubscription) {
        m_services.input.remove(m_rawSubscription);
        m_rawSubscription = 0;
    }
    if (m_running && qApp)
        qApp->removeEventFilter(this);
    m_running = false;
}

bool AutoSelectionButtonController::isCapsuleVisible() const {
    return m_panel && m_panel->isVisible();
}

QWidget* AutoSelectionButtonController::panel() const {
    return m_panel;
}

QMenu* AutoSelectionButtonController::styleMenu() const {
    return m_menu;
}

bool AutoSelectionButtonController::isStyleMenuOpen() const {
    return m_menu && m_menu->isVisible();
}

void AutoSelectionButtonController::handleRawEvent(const RawInputEvent& event) {
    using Type = RawInputEvent::Type;
    switch (event.type) {
    case Type::buttonPress: {
        if (event.button != 1 && event.button != 3)
            return;
        const QPoint point = m_services.cursorPosition();
        if (isInsideCapsule(point))
            return;
        if (event.button == 1) {
            m_selectionDragStart = point;
            m_didDragSelection = false;
            m_primaryChangesAtPress = m_services.primaryChanges();
        }
        m_pendingTask.cancel();
        requestHide();
        return;
    }
    case Type::motion:
        if (m_selectionDragStart) {
            const QPointF delta = QPointF(m_services.cursorPosition() - *m_selectionDragStart);
            if (std::hypot(delta.x(), delta.y()) > dragSelectionThreshold)
                m_didDragSelection = true;
        }
        return;
    case Type::buttonRelease: {
        if (event.button != 1)
            return;
        const QPoint point = m_services.cursorPosition();
        if (isInsideCapsule(point))
            return;
        m_lastMouseUpLocation = point;
        m_selectionDragStart.reset();
        if (m_didDragSelection) {
            m_didDragSelection = false;
            qCDebug(lcAutoSelectionButton) << "Selection drag ended; scheduling selection read.";
            scheduleSelectionReads();
        }
        return;
    }
    case Type::keyPress:
        m_pendingTask.cancel();
        requestHide();
        return;
    }
}

bool AutoSelectionButtonController::eventFilter(QObject* watched, QEvent* event) {
    // Presses in this application's own windows, except the capsule and its menu.
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress) {
        if (auto* widget = qobject_cast<QWidget*>(watched)) {
            QWidget* window = widget->window();
            if (window != m_panel && window != m_menu.data())
                requestHide();
        }
    }
    return QObject::eventFilter(watched, event);
}

void AutoSelectionButtonController::scheduleSelectionReads() {
    QPointer<AutoSelectionButtonController> self(this);
    Clock* clock = &m_services.clock;
    m_pendingTask.replace(spawn(this, lcAutoSelectionButton(), [self, clock](CancellationToken token) {
        return readLoop(self, clock, std::move(token));
    }));
}

QCoro::Task<> AutoSelectionButtonController::readLoop(QPointer<AutoSelectionButtonController> self,
                                                      Clock* clock, CancellationToken token) {
    for (const auto delay : selectionReadDelays) {
        co_await sleep(*clock, delay, token);
        if (!self)
            co_return;
        token.throwIfCancelled();
        const bool shown = co_await attemptSelectionCapsule(self, token);
        if (!self || shown)
            co_return;
        token.throwIfCancelled();
    }
}

QCoro::Task<bool>
AutoSelectionButtonController::attemptSelectionCapsule(QPointer<AutoSelectionButtonController> self,
                                                       CancellationToken token) {
    const Services& services = self->m_services;
    const bool enabled = services.settings.autoSelectionButtonEnabled();
    const bool trusted = services.accessibilityTrusted();
    const bool frontmostSelf = services.frontmostIsSelf();
    if (!enabled || !trusted || frontmostSelf) {
        qCDebug(lcAutoSelectionButton).nospace()
            << "Selection capsule skipped. Enabled: " << enabled << ", accessibility: " << trusted
            << ", frontmostSelf: " << frontmostSelf;
        self->hideCapsule();
        co_return false;
    }
    // PRIMARY still holds what was selected before the drag began: nothing new to offer yet.
    if (services.primaryChanges() == self->m_primaryChangesAtPress) {
        qCDebug(lcAutoSelectionButton) << "Selection capsule skipped: no selected text was read.";
        co_return false;
    }
    const ReadSelection read = services.readSelection;
    std::optional<CapturedSelection> selection = co_await read(token);
    if (!self)
        co_return false;
    token.throwIfCancelled();
    if (!selection || selection->text.isEmpty()) {
        qCDebug(lcAutoSelectionButton) << "Selection capsule skipped: no selected text was read.";
        co_return false;
    }
    self->showCapsule(*selection);
    co_return true;
}

void AutoSelectionButtonController::showCapsule(const CapturedSelection& selection) {
    const QString text = text::trimmed(selection.text);
    if (text::graphemeCount(text) < 2) {
        qCDebug(lcAutoSelectionButton) << "Selection capsule skipped: selected text is too short.";
        hideCapsule();
        return;
    }
    std::optional<QRect> anchor = selection.bounds;
    if (m_lastMouseUpLocation)
        anchor = QRect(*m_lastMouseUpLocation, QSize(1, 1));
    m_currentSelection = CapturedSelection{text, anchor};
    qCInfo(lcAutoSelectionButton) << "Showing selection capsule for" << text::graphemeCount(text)
                                  << "characters.";
    positionPanel(anchor ? std::optional<QRectF>(QRectF(*anchor)) : std::nullopt);
}

QPoint AutoSelectionButtonController::placementOrigin(const std::optional<QRectF>& anchor, QPointF cursor,
                                                      const QRect& visible, QSize size) {
    const QPointF point = anchor ? QPointF(anchor->x() + anchor->width() + 10, anchor->center().y()) : cursor;
    return clampedOrigin(QPointF(point.x(), point.y() - size.height() / 2.0), size, visible);
}

QPoint AutoSelectionButtonController::clampedOrigin(QPointF origin, QSize size, const QRect& visible) {
    // x + width and y + height, not QRect::right()/bottom() (one less).
    double x = std::max(origin.x(), double(visible.x() + screenMargin));
    x = std::min(x, double(visible.x() + visible.width() - size.width() - screenMargin));
    double y = std::min(origin.y(), double(visible.y() + visible.height() - size.height() - screenMargin));
    y = std::max(y, double(visible.y() + screenMargin));
    return QPoint(qRound(x), qRound(y));
}

void AutoSelectionButtonController::positionPanel(const std::optional<QRectF>& anchor) {
    CapsuleWidget* panel = makePanelIfNeeded();
    const QPointF cursor = m_services.cursorPosition();
    const QPointF point = anchor ? QPointF(anchor->x() + anchor->width() + 10, anchor->center().y()) : cursor;
    if (QScreen* screen = screenForPoint(point))
        panel->move(placementOrigin(anchor, cursor, screen->availableGeometry(), panel->size()));
    else
        panel->move(QPointF(point.x(), point.y() - panel->height() / 2.0).toPoint());
    panel->show();
    panel->raise();
}

void AutoSelectionButtonController::hideCapsule() {
    m_dragStartOrigin.reset();
    if (m_panel)
        m_panel->hide();
}

void AutoSelectionButtonController::requestHide() {
    if (m_menu && m_menu->isVisible()) {
        m_hideWhenMenuCloses = true;
        return;
    }
    hideCapsule();
}

bool AutoSelectionButtonController::isInsideCapsule(QPoint point) const {
    return m_panel && m_panel->isVisible() && m_panel->frameGeometry().contains(point);
}

void AutoSelectionButtonController::translateCurrentSelection() {
    if (!m_currentSelection)
        return;
    const CapturedSelection selection = *m_currentSelection;
    hideCapsule();
    if (m_onTranslate)
        m_onTranslate(selection);
}

void AutoSelectionButtonController::translateCurrentSelection(TranslationStyle style) {
    m_services.settings.setTranslationStyle(style);
    // Handlers that re-translate on a settings change must run now, before this translation starts, or
    // their work would cancel it.
    m_services.settings.flushPendingChanges();
    translateCurrentSelection();
}

void AutoSelectionButtonController::movePanel(QPoint delta) {
    if (!m_panel)
        return;
    if (!m_dragStartOrigin)
        m_dragStartOrigin = m_panel->pos();
    const QPoint target = *m_dragStartOrigin + delta;
    QScreen* screen = nullptr;
    for (QScreen* candidate : QGuiApplication::screens()) {
        if (candidate->availableGeometry().intersects(m_panel->frameGeometry())) {
            screen = candidate;
            break;
        }
    }
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    m_panel->move(screen ? clampedOrigin(target, m_panel->size(), screen->availableGeometry()) : target);
}

void AutoSelectionButtonController::endPanelDrag() {
    m_dragStartOrigin.reset();
}

CapsuleWidget* AutoSelectionButtonController::makePanelIfNeeded() {
    if (m_panel)
        return m_panel;
    m_panel = new CapsuleWidget;
    m_panel->setWindowTitle(QStringLiteral("Tolvane selection capsule"));
    QPointer<AutoSelectionButtonController> self(this);
    m_panel->onTap = [self] {
        if (self)
            self->translateCurrentSelection();
    };
    m_panel->onDragChanged = [self](QPoint delta) {
        if (self)
            self->movePanel(delta);
    };
    m_panel->onDragEnded = [self] {
        if (self)
            self->endPanelDrag();
    };

    m_menu = new QMenu(m_panel);
    for (TranslationStyle style : allCases<TranslationStyle>()) {
        connect(m_menu->addAction(displayName(style)), &QAction::triggered, this,
                [this, style] { translateCurrentSelection(style); });
    }
    m_menu->addSeparator();
    connect(m_menu->addAction(QStringLiteral("隐藏")), &QAction::triggered, this, [this] { hideCapsule(); });
    connect(m_menu, &QMenu::aboutToHide, this, [this] {
        if (std::exchange(m_hideWhenMenuCloses, false))
            hideCapsule();
    });
    m_panel->onMenu = [self] {
        if (self && self->m_menu && self->m_panel)
            self->m_menu->popup(
                self->m_panel->mapToGlobal(QPoint(CapsuleWidget::glassWidth + 1, self->m_panel->height())));
    };
    return m_panel;
}

AutoSelectionButtonController::ReadSelection
AutoSelectionButtonController::readerFunction(SelectionReader& reader) {
    QPointer<SelectionReader> pointer(&reader);
    return [pointer](CancellationToken token) { return readForCapsule(pointer, std::move(token)); };
}

} // namespace tolvane
