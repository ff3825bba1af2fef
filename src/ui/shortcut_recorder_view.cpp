#include "ui/shortcut_recorder_view.h"

#include "ocr/screenshot_overlay_keyboard_grab.h"
#include "platform/session_info.h"
#include "platform/x11/x11_keymap.h"
#include "ui/icon_provider.h"
#include "ui/shortcut_action_title.h"
#include "ui/shortcut_recorder_keys.h"
#include "ui/theme.h"

#include <QApplication>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QToolButton>

namespace tolvane {

// The button that records. It never hands keys to QPushButton, so Space and Return cannot click it. Keys
// are its own only while it records: idle, it leaves them to the window (Return to the default action,
// Ctrl+W to close) and records nothing, even while it holds the focus.
class RecorderButton final : public QPushButton {
public:
    RecorderButton(const QString& actionTitle, ShortcutRecorderView::Callbacks callbacks, QWidget* parent)
        : QPushButton(parent), m_callbacks(std::move(callbacks)) {
        setFocusPolicy(Qt::StrongFocus);
        setToolTip(QStringLiteral("点按后直接输入新的快捷键"));
        setAccessibleName(QStringLiteral("“%1”快捷键录制器").arg(actionTitle));
        QFont font = Theme::makeFont(QStringLiteral("IBM Plex Mono"), 600, 13);
        setFont(font);
        setMinimumSize(154, 36);
        connect(this, &QPushButton::clicked, this, [this] { m_recording ? stop(true) : start(); });
        refresh();
    }
    ~RecorderButton() override { stop(false); }

    void setShortcut(const std::optional<AppShortcut>& shortcut) {
        m_shortcut = shortcut;
        refresh();
    }
    bool isRecording() const { return m_recording; }

    // Ends recording: releases the grab and gives the hot keys back. Safe to call when idle.
    void stop(bool dropFocus) {
        if (!m_recording)
            return;
        m_recording = false;
        setProperty("capturesKeys", false);
        m_grab.release();
        refresh();
        if (m_callbacks.onRecordingChanged)
            m_callbacks.onRecordingChanged(false);
        if (dropFocus && hasFocus())
            clearFocus();
    }

protected:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::ShortcutOverride && m_recording) {
            // Keys go to the recorder ahead of window and application shortcuts (Ctrl+W, Ctrl+,).
            event->accept();
            return true;
        }
        if (event->type() == QEvent::KeyPress && m_recording) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            // Tab moves focus unless the recorder records; then it is a key like any other.
            if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
                keyPressEvent(static_cast<QKeyEvent*>(event));
                return true;
            }
        }
        return QPushButton::event(event);
    }

    void keyPressEvent(QKeyEvent* event) override {
        if (!m_recording) {
            event->ignore();
            return;
        }
        event->accept();
        if (event->isAutoRepeat())
            return;
        RecorderKeyInput input;
        input.qtKey = event->key();
        input.modifiers = event->modifiers();
        const auto [level0, level1] = keymap().keysymsOf(xcb_keycode_t(event->nativeScanCode()));
        input.level0Keysym = level0;
        input.level1Keysym = level1;
        input.waylandSession = currentSession().kind == SessionKind::wayland;
        const RecorderAction action = recorderAction(input);
        switch (action.kind) {
        case RecorderAction::Kind::ignore:
            return;
        case RecorderAction::Kind::cancel:
            stop(true);
            return;
        case RecorderAction::Kind::clear:
            if (m_callbacks.onClear)
                m_callbacks.onClear();
            stop(true);
            return;
        case RecorderAction::Kind::invalid:
            QApplication::beep();
            if (m_callbacks.onInvalid)
                m_callbacks.onInvalid(action.message);
            return;
        case RecorderAction::Kind::record:
            // The owner checks and stores while the hot keys are still paused; stopping then registers.
            if (m_callbacks.onRecord)
                m_callbacks.onRecord(action.shortcut);
            stop(true);
            return;
        }
    }

    void keyReleaseEvent(QKeyEvent* event) override { event->setAccepted(m_recording); }

    void focusOutEvent(QFocusEvent* event) override {
        // Another control, or another window (the grab does not stop activation), ends recording.
        stop(false);
        QPushButton::focusOutEvent(event);
    }

    void hideEvent(QHideEvent* event) override {
        stop(false);
        QPushButton::hideEvent(event);
    }

private:
    void start() {
        m_recording = true;
        setProperty("capturesKeys", true);
        m_keymap.reset();
        setFocus(Qt::OtherFocusReason);
        if (m_callbacks.onRecordingChanged)
            m_callbacks.onRecordingChanged(true);
        if (QWindow* handle = window()->windowHandle())
            m_grab.acquire(handle);
        refresh();
    }

    // The server's keymap, read once per recording (or per focus while idle).
    const X11Keymap& keymap() {
        if (!m_keymap) {
            auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
            // A platform without an X connection (offscreen, Wayland) has no server keymap to read.
            m_keymap = x11 && x11->connection() ? X11Keymap::read(x11->connection()) : X11Keymap();
        }
        return *m_keymap;
    }

    void refresh() {
        const QString text = m_recording
                                 ? QStringLiteral("请按快捷键…")
                                 : (m_shortcut ? m_shortcut->displayText() : QStringLiteral("未设置"));
        setText(text);
        setAccessibleDescription(m_recording ? QStringLiteral("正在录制") : text);
    }

    ShortcutRecorderView::Callbacks m_callbacks;
    std::optional<AppShortcut> m_shortcut;
    std::optional<X11Keymap> m_keymap;
    OverlayKeyboardGrab m_grab;
    bool m_recording = false;
};

ShortcutRecorderView::ShortcutRecorderView(ShortcutAction action, Callbacks callbacks, QWidget* parent)
    : QWidget(parent) {
    const QString title = shortcutActionTitle(action);
    auto onClear = callbacks.onClear;
    // Made in the order they stand on screen, which is their Tab order: the recorder, then its ✕.
    m_button = new RecorderButton(title, std::move(callbacks), this);
    m_clear = new QToolButton(this);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(m_button);
    m_clear->setAccessibleName(QStringLiteral("清除“%1”快捷键").arg(title));
    m_clear->setToolTip(QStringLiteral("清除快捷键"));
    m_clear->setFixedSize(20, 20);
    m_clear->setAutoRaise(true);
    m_clear->setFocusPolicy(Qt::TabFocus);
    m_clear->setIcon(QIcon(IconProvider::shared().symbolPixmap(QStringLiteral("xmark"), 14,
                                                               Theme::color797168(), devicePixelRatioF())));
    m_clear->setEnabled(false);
    connect(m_clear, &QToolButton::clicked, this, [onClear = std::move(onClear)] {
        if (onClear)
            onClear();
    });
    layout->addWidget(m_clear);
}

ShortcutRecorderView::~ShortcutRecorderView() = default;

void ShortcutRecorderView::setShortcut(const std::optional<AppShortcut>& shortcut) {
    m_button->setShortcut(shortcut);
    m_clear->setEnabled(shortcut.has_value());
}

bool ShortcutRecorderView::isRecording() const {
    return m_button->isRecording();
}

QPushButton* ShortcutRecorderView::recorderButton() const {
    return m_button;
}

} // namespace tolvane
