#pragma once

#include <QTextEdit>
#include <QTimer>
#include <vector>

namespace tolvane {

// A read-only, selectable text that takes streamed updates by appending only the new part, so the
// user's selection and the scroll position survive every chunk. In fitted mode it grows to the height of
// its text (for a surrounding scroll area); otherwise it scrolls itself.
//
// Appending to a paragraph lays the whole paragraph out again, so streamed extensions can be paced: the
// first one is shown at once, later ones wait for the end of the current frame and are shown together, at
// most one layout per frame however fast the chunks come. And a paragraph is shown as blocks of at most
// about kBlockLength characters (a line ends early where one block ends, after a blank or a punctuation
// mark where there is one), so an update costs time in proportion to the new text, not to the answer.
// Copying a selection leaves those block ends out, and so does the text assistive technologies read.
//
// One update inserts and lays out at most kUpdateLength characters; the rest of a longer text follows
// frame by frame, so a text arriving faster than it can be laid out never holds up the event loop. A
// fitted view in a scroll area thus also outgrows the area while its text is still short: the scroll bar
// that narrows it, and the layout of its text again at the new width, come early and cost little.
//
// A view that drops its text while hidden holds no document while its window is hidden (a long answer
// would otherwise be kept and laid out for nobody): it only notes that it missed text, and asks its owner
// for the current text with textWanted() when its window is shown again.
class ResultPanelTextView : public QTextEdit {
    Q_OBJECT

public:
    enum class Sizing { fitted, scrolling };
    // How an extension of the shown text reaches the screen: at once, or with at most one update a frame.
    enum class Pace { immediate, framed };
    // What the view does with text it is given while its window is hidden.
    enum class WhileHidden { keepsText, dropsText };
    static constexpr int frameIntervalMs = 16;
    static constexpr int maxFrameIntervalMs = 100;
    // A block is ended after a blank or a punctuation mark once it holds kBlockLength characters, and
    // anywhere but inside a character once it holds twice as many.
    static constexpr qsizetype kBlockLength = 1000;
    // The most characters one update inserts and lays out.
    static constexpr qsizetype kUpdateLength = 8 * kBlockLength;

    ResultPanelTextView(Sizing sizing, WhileHidden whileHidden, QWidget* parent = nullptr);

    // Shows `text`: an extension of the shown text is appended (paced as asked), anything else replaces
    // it at once; an immediate call also shows any extension still waiting. Of a text longer than
    // kUpdateLength, the rest is shown on the following frames.
    void showText(const QString& text, Pace pace = Pace::immediate);
    // The text last asked for, and the text the document holds now (they differ while an extension waits).
    QString requestedText() const { return m_shown + m_pending; }
    const QString& shownText() const { return m_shown; }
    bool hasPendingText() const { return !m_pending.isEmpty(); }
    // Shows all of a waiting extension now, however long.
    void flushPendingText();
    // Whether every view in the application has shown all the text it was given.
    static bool allTextShown();

    // The text as a reader gets it: the document's text without the block ends added for showing, as
    // copying gives it. Offsets into it and positions in the document convert both ways.
    int readableLength() const;
    QString readableText(int from, int to) const;
    int positionOfOffset(int offset) const;
    int offsetOfPosition(int position) const;

    bool hasHeightForWidth() const override { return m_sizing == Sizing::fitted; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

Q_SIGNALS:
    // The window was shown after text was dropped: the owner shows the current text again.
    void textWanted();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    QMimeData* createMimeDataFromSelection() const override;

private:
    // Shows the next part of the waiting extension, at most kUpdateLength characters.
    void applyPending();
    void replaceText(const QString& text);
    void dropText();
    // Inserts `text` at the end of the document in blocks of bounded length.
    void appendInBlocks(QStringView text);
    void fitHeight();
    // The document's text from `start` to `end` (positions) without the block ends added for showing.
    QString textBetween(int start, int end) const;

    Sizing m_sizing;
    WhileHidden m_whileHidden;
    bool m_missesText = false;
    QString m_shown;   // the text the document was given, as given (the document's own plain text turns
                       // non-breaking spaces and line separators into other characters); never shares its
                       // buffer with the caller's, so a growing answer is not copied on every piece
    QString m_pending; // the extension asked for and not shown yet
    std::vector<int> m_blockEnds; // document positions of the block ends the text itself does not have
    QTimer m_frame;               // runs for one frame after each paced update
    struct Measured {
        int revision = -1;
        int width = -1;
        int height = 0;
    };
    mutable Measured m_measured; // the height of the text at another width than the shown one
};

} // namespace tolvane
