#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class QLabel;
class QWidget;

namespace tolvane {

// A plain text label in `font` and `color`, for the popovers' titles, captions and counts.
QLabel* textLabel(const QString& text, const QFont& font, const QColor& color, QWidget* parent);

} // namespace tolvane
