#pragma once

#include <QString>
#include <QWidget>
#include <functional>

namespace tolvane {

class OndrelBrandLockup;
class RoutePill;
class WorkspaceButton;

// The top row of the main window: the brand, the route pill, the capture button and the translate button,
// which becomes the stop button while a translation runs. Return (and the keypad's Enter) press the
// translate button while it is enabled; an editor that takes Return itself keeps it. The bar holds no
// state: the root hands it the route, whether a translation runs and whether translating is possible.
class TitleBar : public QWidget {
    Q_OBJECT

public:
    static constexpr int height = 59;
    static constexpr qreal brandInset = 92 + 2.5;

    struct Actions {
        std::function<void()> onCapture;
        std::function<void()> onTranslate;
        std::function<void()> onCancel;
    };

    TitleBar(Actions actions, QWidget* parent = nullptr);

    void setRouteText(const QString& text);
    void setBusy(bool busy);
    void setTranslateDisabled(bool disabled);
    bool isBusy() const { return m_busy; }

    RoutePill* routePill() const { return m_pill; }
    WorkspaceButton* captureButton() const { return m_capture; }
    WorkspaceButton* translateButton() const { return m_translate; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // The translate button's action, chosen by the state when it runs.
    void defaultAction();

    Actions m_actions;
    OndrelBrandLockup* m_brand;
    RoutePill* m_pill;
    WorkspaceButton* m_capture;
    WorkspaceButton* m_translate;
    bool m_busy = false;
};

} // namespace tolvane
