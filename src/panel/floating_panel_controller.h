#pragma once

#include <QObject>
#include <QPointer>
#include <QRectF>
#include <functional>
#include <optional>

namespace tolvane {

class ResultPanelSettings;
class ResultPanelView;
class ResultPanelWorkflow;
class TranslatorPanel;

// Owns the floating result panel: places it next to the text it translates (or the pointer), shows it
// without taking focus, gives it focus for typing, hides it, and handles Escape for the whole application.
//
// Escape acts only while the panel is visible or a translation is busy: it stops a busy translation and
// dismisses the panel through the workflow (which leaves manual input and drops pending typing), and the
// key goes no further. Otherwise Escape passes on to dialogs and pickers; an open popup takes it first.
class FloatingPanelController final : public QObject {
    Q_OBJECT

public:
    // Whether a compositing manager runs; asked at every present.
    using CompositorProbe = std::function<bool()>;

    FloatingPanelController(ResultPanelWorkflow* workflow, ResultPanelSettings* settings,
                            QObject* parent = nullptr);
    ~FloatingPanelController() override;

    // Places the panel by the anchor (global logical coordinates) or the pointer, and shows it without
    // activating it.
    void present(std::optional<QRectF> anchor);
    // Raises and activates the panel and focuses the manual-input editor.
    void focusInput();
    void hidePanel();
    // Creates the panel's native window and lays its view out ahead of the first request, so that request's
    // show only maps and paints it.
    void prepare();
    // Moves the panel by the anchor without showing it.
    void positionPanel(std::optional<QRectF> anchor);
    // Runs the panel's reactions to settings changes (a re-translation) that wait for the next turn now.
    void flushPendingChanges();

    TranslatorPanel* panelWindow() const { return m_panel; }
    ResultPanelView* view() const;
    void setCompositorProbe(CompositorProbe probe) { m_compositorProbe = std::move(probe); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<ResultPanelWorkflow> m_workflow;
    TranslatorPanel* m_panel; // owned, deleted with the controller
    CompositorProbe m_compositorProbe;
};

} // namespace tolvane
