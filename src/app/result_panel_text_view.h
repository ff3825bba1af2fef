#pragma once

#include <QTextEdit>

namespace tolvane {

// A read-only, selectable text that takes streamed updates by appending only the new part, so the
// user's selection and the scroll position survive every chunk. In fitted mode it grows to the height of
// its text (for a surrounding scroll area); otherwise it scrolls itself.
class ResultPanelTextView : public QTextEdit {
    Q_OBJECT

public:
    enum class Sizing { fitted, scrolling };
    explicit ResultPanelTextView(Sizing sizing, QWidget* parent = nullptr);

    // Shows `text`: an extension of the shown text is appended, anything else replaces it.
    void showText(const QString& text);
    QString shownText() const { return toPlainText(); }

    bool hasHeightForWidth() const override { return m_sizing == Sizing::fitted; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void fitHeight();

    Sizing m_sizing;
};

} // namespace tolvane
