#pragma once

#include "model/app_shortcut.h"
#include "model/shortcut_action.h"

#include <QWidget>
#include <functional>
#include <optional>

class QPushButton;
class QToolButton;

namespace tolvane {

class RecorderButton;

// Records one global shortcut: a push button showing the current shortcut that, once clicked, takes the
// next key chord, and a clear button. It checks only the chord's shape (recorderAction); whether the chord
// may be used is its owner's decision. While it records it holds the process's keyboard grab, so chords
// other clients grab and window-manager keys reach it; the owner pauses the application's own hot keys
// through onRecordingChanged. Recording ends on Escape, a second click, a chord, Backspace or Delete,
// focus loss, hide and destruction, and every end releases the grab.
class ShortcutRecorderView final : public QWidget {
    Q_OBJECT

public:
    struct Callbacks {
        std::function<void(const AppShortcut&)> onRecord;
        std::function<void()> onClear;
        std::function<void(const QString&)> onInvalid;
        std::function<void(bool)> onRecordingChanged;
    };

    // The recorder and its clear button are named after `action`, so a screen reader tells the recorders of
    // one window apart.
    ShortcutRecorderView(ShortcutAction action, Callbacks callbacks, QWidget* parent = nullptr);
    ~ShortcutRecorderView() override;

    void setShortcut(const std::optional<AppShortcut>& shortcut);
    bool isRecording() const;
    QPushButton* recorderButton() const;
    QToolButton* clearButton() const { return m_clear; }

private:
    RecorderButton* m_button;
    QToolButton* m_clear;
};

} // namespace tolvane
