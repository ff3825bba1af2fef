#pragma once

#include <QWidget>

namespace tolvane {

class ResultPanelView;

// The floating panel's top-level window: frameless, above other windows, shown without taking focus, with
// a clear background around the view's rounded container. Created once and hidden between uses; a close
// request (window manager or shortcut) is turned into `closeRequested` instead of closing. Each showing
// starts with the keyboard on the window itself, where the panel's keys act (Return replaces the original
// text) and Tab leads to the first picker, not on the control focused in an earlier use. While the window
// itself holds the keys, the arrow and page keys scroll the reading body.
class TranslatorPanel : public QWidget {
    Q_OBJECT

public:
    explicit TranslatorPanel(ResultPanelView* view);

    ResultPanelView* view() const { return m_view; }
    // Chooses the translucent or the opaque container; the opaque one cuts its corners with a mask.
    void setCompositing(bool compositing);

Q_SIGNALS:
    void closeRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    ResultPanelView* m_view;
};

} // namespace tolvane
