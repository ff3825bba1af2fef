#include "ui/question_box.h"

#include "model/product_names.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QTextLayout>

namespace tolvane {

namespace {

// A message box closes on Escape and from its title bar only through a cancelling button. A question
// without one is closed by them all the same, with no button clicked: nothing is answered.
class QuestionBox final : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        QMessageBox::keyPressEvent(event);
        if (event->matches(QKeySequence::Cancel) && isVisible())
            reject();
    }
    void closeEvent(QCloseEvent* event) override {
        QMessageBox::closeEvent(event);
        if (!event->isAccepted()) {
            event->accept();
            QDialog::closeEvent(event);
        }
    }
};

// The room a question's texts may take: a 360 px column of at most 10 lines each.
constexpr int questionTextWidth = 360;
constexpr int questionTextLines = 10;
// More characters than the lines above can hold in any font; only this much is laid out.
constexpr qsizetype laidOutCharacters = 4000;

} // namespace

QString shortenedToLines(const QString& text, const QFont& font, int width, int maxLines) {
    QString shown = text.left(laidOutCharacters);
    bool cut = shown.size() < text.size();
    if (cut && shown.back().isHighSurrogate())
        shown.chop(1);
    shown.replace(QLatin1Char('\n'), QChar::LineSeparator);

    QTextLayout layout(shown, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    int lines = 0;
    int lastStart = 0;
    int lastLength = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        if (lines == maxLines) {
            cut = true;
            break;
        }
        ++lines;
        lastStart = line.textStart();
        lastLength = line.textLength();
    }
    layout.endLayout();
    if (!cut)
        return text;
    // The kept lines as they were written (the box wraps them itself), the last one ending in an ellipsis.
    const QString ellipsis(QChar(0x2026));
    const QFontMetrics metrics(font);
    const QString last = shown.mid(lastStart, lastLength).remove(QChar::LineSeparator).trimmed();
    QString elided = metrics.elidedText(last, Qt::ElideRight, width - metrics.horizontalAdvance(ellipsis));
    if (!elided.endsWith(ellipsis))
        elided += ellipsis;
    return shown.left(lastStart).replace(QChar::LineSeparator, QLatin1Char('\n')) + elided;
}

QMessageBox* makeQuestionBox(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                             const QString& detail) {
    auto* box = new QuestionBox(parent);
    box->setWindowTitle(QString::fromUtf8(kProductDisplayName));
    box->setIcon(icon);
    box->setTextFormat(Qt::PlainText);
    box->setText(shortenedToLines(text, box->font(), questionTextWidth, questionTextLines));
    if (!detail.isEmpty())
        box->setInformativeText(shortenedToLines(detail, box->font(), questionTextWidth, questionTextLines));
    return box;
}

} // namespace tolvane
