#include "panel/floating_panel_controller.h"

#include "panel/result_panel_manual_body.h"
#include "panel/result_panel_placement.h"
#include "panel/result_panel_view.h"
#include "panel/result_panel_window.h"
#include "panel/result_panel_workflow.h"
#include "panel/result_panel_x11.h"
#include "ui/native_text_editor.h"

#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QKeyEvent>
#include <QLayout>
#include <QScreen>
#include <QWindow>

namespace tolvane {
namespace {

// The screen of the focused window, else the primary one.
QScreen* mainScreen() {
    if (QWindow* focus = QGuiApplication::focusWindow(); focus && focus->screen())
        return focus->screen();
    return QGuiApplication::primaryScreen();
}

} // namespace

FloatingPanelController::FloatingPanelController(ResultPanelWorkflow* workflow, ResultPanelSettings* settings,
                                                 QObject* parent)
    : QObject(parent), m_workflow(workflow),
      m_panel(new TranslatorPanel(new ResultPanelView(workflow, settings))),
      m_compositorProbe(&result_panel_x11::compositorActive) {
    connect(m_panel, &TranslatorPanel::closeRequested, this, [this] {
        if (m_workflow)
            m_workflow->dismissPanel();
    });
    // Filters installed later run first, so a screenshot session's own Escape filter still comes first.
    qApp->installEventFilter(this);
}

FloatingPanelController::~FloatingPanelController() {
    qApp->removeEventFilter(this);
    delete m_panel;
}

ResultPanelView* FloatingPanelController::view() const {
    return m_panel->view();
}

void FloatingPanelController::flushPendingChanges() {
    view()->flushPendingChanges();
}

void FloatingPanelController::positionPanel(std::optional<QRectF> anchor) {
    QList<PlacementScreen> screens;
    int fallback = 0;
    QScreen* main = mainScreen();
    const QList<QScreen*> all = QGuiApplication::screens();
    for (int i = 0; i < all.size(); ++i) {
        screens.append({QRectF(all[i]->geometry()), QRectF(all[i]->availableGeometry())});
        if (all[i] == main)
            fallback = i;
    }
    const std::optional<QPointF> topLeft =
        panelTopLeft(QSizeF(m_panel->size()), anchor, QPointF(QCursor::pos()), screens, fallback);
    if (topLeft)
        m_panel->move(topLeft->toPoint());
}

void FloatingPanelController::present(std::optional<QRectF> anchor) {
    positionPanel(anchor);
    m_panel->setCompositing(m_compositorProbe && m_compositorProbe());
    const bool showing = !m_panel->isVisible();
    if (showing)
        result_panel_x11::markAsFloatingPanel(m_panel);
    m_panel->show();
    m_panel->raise();
    if (showing)
        result_panel_x11::requestFloatingPanelStates(m_panel);
}

void FloatingPanelController::focusInput() {
    m_panel->raise();
    m_panel->activateWindow();
    NativeTextEditor* editor = m_panel->view()->manualBody()->editor();
    if (editor->isVisible())
        editor->setFocus(Qt::OtherFocusReason);
}

void FloatingPanelController::prepare() {
    m_panel->ensurePolished();
    if (QLayout* layout = m_panel->layout())
        layout->activate();
    m_panel->winId();
}

void FloatingPanelController::hidePanel() {
    m_panel->hide();
}

bool FloatingPanelController::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape)
        return QObject::eventFilter(watched, event);
    if (QApplication::activePopupWidget()) // an open list closes first
        return false;
    // A confirmation dialog and a shortcut recorder that is recording take their own Escape.
    if (qobject_cast<QDialog*>(QApplication::activeWindow()))
        return false;
    if (QWidget* focus = QApplication::focusWidget(); focus && focus->property("capturesKeys").toBool())
        return false;
    const bool busy = m_workflow && m_workflow->status().isBusy();
    if (!m_panel->isVisible() && !busy)
        return false;
    // Outside the panel Escape acts only on a running translation: an idle panel may hold a result or an
    // error the user has not read yet, and the key belongs to the window it was pressed in.
    const auto* widget = qobject_cast<QWidget*>(watched);
    const bool inPanel = (widget && widget->window() == m_panel) || watched == m_panel->windowHandle();
    if (!busy && !inPanel)
        return false;
    if (m_workflow) {
        if (busy)
            m_workflow->stopTranslation();
        m_workflow->dismissPanel();
    }
    return true;
}

} // namespace tolvane
