#pragma once

#include "workspace/popover.h"

#include <QPointer>
#include <QWidget>
#include <functional>

namespace tolvane {

class AppSettings;
class RailButton;

// The workspace's left strip of tool buttons: focus the input, recognise-only capture, the history window,
// the translation-style and glossary popovers, the selection capsule's switch and the settings window. The
// popovers open right of their buttons; a click outside, Escape or a second click on the button closes them.
class ToolRail : public QWidget {
    Q_OBJECT

public:
    struct Actions {
        std::function<void()> onTranslate;
        std::function<void()> onCapture;
        std::function<void()> onHistory;
        std::function<void()> onSettings;
    };

    ToolRail(AppSettings& settings, bool isSnapshotMode, Actions actions, QWidget* parent = nullptr);

    RailButton* translateButton() const { return m_translate; }
    RailButton* captureButton() const { return m_capture; }
    RailButton* historyButton() const { return m_history; }
    RailButton* stylesButton() const { return m_styles; }
    RailButton* glossaryButton() const { return m_glossary; }
    RailButton* autoSelectionButton() const { return m_autoSelection; }
    RailButton* settingsButton() const { return m_settingsButton; }
    bool showsStylePicker() const { return m_stylePopover; }
    bool showsGlossary() const { return m_glossaryPopover; }
    // The open popovers; null when closed.
    Popover* stylePopover() const { return m_stylePopover; }
    Popover* glossaryPopover() const { return m_glossaryPopover; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void toggleStylePicker();
    void toggleGlossary();
    void toggleAutoSelection();
    void refreshAutoSelection();
    // Shows `content` in a popover right of `anchor`, sized to it and following its size, with the keys on
    // `firstFocus` (one of its controls); `slot` holds it while it is open.
    void openPopover(QPointer<Popover>& slot, RailButton* anchor, QWidget* content, QWidget* firstFocus);

    AppSettings& m_settings;
    bool m_isSnapshotMode;
    Actions m_actions;
    RailButton* m_translate;
    RailButton* m_capture;
    RailButton* m_history;
    RailButton* m_styles;
    RailButton* m_glossary;
    RailButton* m_autoSelection;
    RailButton* m_settingsButton;
    QPointer<Popover> m_stylePopover;
    QPointer<Popover> m_glossaryPopover;
};

} // namespace tolvane
