#pragma once

#include <QTextEdit>
#include <QTimer>

namespace tolvane {

// A read-only, selectable text that takes streamed updates by appending only the new part, so the
// user's selection and the scroll position survive every chunk. In fitted mode it grows to the height of
// its text (for a surrounding scroll area); otherwise it scrolls itself.
//
// Appending to a long paragraph lays the whole paragraph out again, so streamed extensions can be paced:
// the first one is shown at once, later ones wait for the end of the current frame and are shown
// together, at most one layout per frame however fast the chunks come.
class ResultPanelTextView : public QTextEdit {
    Q_OBJECT

public:
    enum class Sizing { fitted, scrolling };
    // How an extension of the shown text reaches the screen: at once, or with at most one update a frame.
    enum class Pace { immediate, framed };
    static constexpr int frameIntervalMs = 16;
    static constexpr int maxFrameIntervalMs = 100;

    explicit ResultPanelTextView(Sizing sizing, QWidget* parent = nullptr);

    // Shows `text`: an extension of the shown text is appended (paced as asked), anything else replaces
    // it at once. An immediate call also shows any extension still waiting.
    void showText(const QString& text, Pace pace = Pace::immediate);
    // The text last asked for, and the text the document holds now (they differ while an extension waits).
    const QString& requestedText() const { return m_requested; }
    const QString& shownText() const { return m_shown; }
    bool hasPendingText() const { return m_requested != m_shown; }
    // Shows a waiting extension now.
    void flushPendingText();

    bool hasHeightForWidth() const override { return m_sizing == Sizing::fitted; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void applyRequested();
    void fitHeight();

    Sizing m_sizing;
    QString m_requested; // the latest text asked for
    QString m_shown;     // the text the document was given, as given (the document's own plain text
                         // turns non-breaking spaces and line separators into other characters)
    QTimer m_frame;      // runs for one frame after each paced update
    struct Measured {
        int revision = -1;
        int width = -1;
        int height = 0;
    };
    mutable Measured m_measured; // the height of the text at another width than the shown one
};

} // namespace tolvane
