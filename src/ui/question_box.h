#pragma once

#include <QMessageBox>
#include <QString>

class QFont;
class QWidget;

namespace tolvane {

// A question's box, not yet shown: titled with the product's name, with `text` as its question and `detail`
// under it, both shortened so that the box fits the screen however long a text it quotes. Escape and the
// title bar's close leave it without an answer (no clicked button) when no button cancels.
QMessageBox* makeQuestionBox(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                             const QString& detail);

// `text` unchanged when, wrapped at `width` pixels in `font`, it takes at most `maxLines` lines; else its
// first `maxLines` lines as written (no break added where they wrap), the last one ending in an ellipsis.
QString shortenedToLines(const QString& text, const QFont& font, int width, int maxLines);

} // namespace tolvane
