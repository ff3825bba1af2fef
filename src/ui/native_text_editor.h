#pragma once

#include <QColor>
#include <QPlainTextEdit>
#include <QSizeF>
#include <QString>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <limits>
#include <optional>

namespace tolvane {

// The multi-line plain-text editor of the interface: exact typography (face, size, fixed line height,
// letter spacing), a painted caret and placeholder, programmatic focus by counter, a text binding that
// never sees half-composed input-method text, an optional longest length, and an undo history bounded at
// outside sets. `textEdited` reports the user's edits only; `setText` is the outside side of the binding.
class NativeTextEditor : public QPlainTextEdit {
    Q_OBJECT

public:
    struct Typography {
        qreal fontSize = 13;
        std::optional<QString> fontName; // a face name of the design; none means the system font
        std::optional<qreal> lineHeight; // fixed line height; none means the natural one
        qreal kerning = 0;               // letter spacing added after each character
        friend bool operator==(const Typography&, const Typography&) = default;
    };

    explicit NativeTextEditor(QWidget* parent = nullptr);

    // Outside sets trim the undo history once it holds `undoLevelsBeforeTrim` levels: at most that many
    // replaced texts (about 16 MB at the source pane's longest length) stay in memory. The newest
    // `undoLevelsKept` levels stay, fewer when their texts add up to more than `undoTextKept` characters
    // (rebuilding a level lays its text out again, so this bounds the time a trim takes).
    static constexpr int undoLevelsBeforeTrim = 100;
    static constexpr int undoLevelsKept = 20;
    static constexpr qsizetype undoTextKept = 120000;

    QString text() const { return toPlainText(); }
    // An outside change of the bound text. Ignored while an input method composes; the replacement takes
    // the typography, is one undoable step and emits no `textEdited`. A text longer than the maximum is
    // refused (false) with `textRefused`, and the editor keeps what it has.
    bool setText(const QString& text);

    // The longest text the editor takes, in UTF-16 code units: a paste or an outside set that would make
    // the text longer is refused whole, before it reaches the document, and reported by `textRefused`.
    // Typing is not limited. Unlimited until set.
    void setMaximumLength(qsizetype maximum) { m_maximumLength = maximum; }
    qsizetype maximumLength() const { return m_maximumLength; }

    // Applies the typography when it differs from the last one applied.
    void setTypography(const Typography& typography);
    const std::optional<Typography>& lastTypography() const { return m_lastTypography; }

    void setPlaceholder(const QString& placeholder);
    const QString& placeholder() const { return m_placeholder; }
    void setTextColor(const QColor& color);
    void setPlaceholderColor(const QColor& color);
    void setInsertionPointColor(const QColor& color);
    // The gap between the widget's edges and the text.
    void setContentInset(QSizeF inset);
    QSizeF contentInset() const { return m_inset; }
    void setEditable(bool editable);
    bool isEditable() const { return !isReadOnly(); }
    // Every new value asks for keyboard focus once, on the next event-loop turn; a read-only editor keeps
    // the request pending until it becomes editable. The initial value (0) never moves focus.
    void setFocusRequest(int request);

    bool isComposing() const { return m_composing; }

Q_SIGNALS:
    void textEdited(const QString& text);
    // True when editing begins (focus in), false when it ends (focus out); popups do not count.
    void editingChanged(bool editing);
    void typographyApplied();
    // A paste or an outside set was refused; `length` is the length the text would have had.
    void textRefused(qsizetype length);

protected:
    void inputMethodEvent(QInputMethodEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    void applyTypography();
    // Gives every paragraph and character the typography's formats, outside the undo history.
    void formatDocument();
    void trimUndoHistory();
    // One undoable edit that turns the text into `next`, replacing only the part that differs.
    void replaceDifferingPart(const QString& next);
    // The formats the typography gives every character and paragraph (`base` keeps its other properties).
    QTextCharFormat characterFormat() const;
    QTextBlockFormat blockFormat(QTextBlockFormat base = {}) const;
    void publishUserText();
    void serveFocusRequest();
    void updatePalette();

    Typography m_typography;
    std::optional<Typography> m_lastTypography;
    QString m_boundText;
    QString m_placeholder;
    QColor m_textColor = Qt::white;
    QColor m_placeholderColor = QColor(255, 255, 255, 64);
    QColor m_caretColor = Qt::white;
    QSizeF m_inset;
    qsizetype m_maximumLength = std::numeric_limits<qsizetype>::max();
    // Undo levels added since the document was last reset (an upper bound: undone levels still count).
    int m_undoLevels = 0;
    int m_focusRequest = 0;
    int m_lastFocusRequest = 0;
    bool m_composing = false;
    bool m_applying = false;
};

} // namespace tolvane
