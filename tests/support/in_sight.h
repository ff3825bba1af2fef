#pragma once

#include <QLabel>
#include <QRect>
#include <QWidget>

namespace tolvane::testing {

// Whether all of `widget` is shown in its window as it stands: visible, and inside every widget around it
// (a scroll area's viewport too) up to the window. Words scrolled out of sight or under the window's edge
// are not.
inline bool wholeInSight(const QWidget* widget) {
    if (!widget || !widget->isVisible())
        return false;
    const QWidget* window = widget->window();
    const QRect box(widget->mapTo(window, QPoint()), widget->size());
    for (const QWidget* outer = widget->parentWidget(); outer; outer = outer->parentWidget()) {
        const QRect around =
            outer == window ? window->rect() : QRect(outer->mapTo(window, QPoint()), outer->size());
        if (!around.contains(box))
            return false;
        if (outer == window)
            break;
    }
    return true;
}

// Whether `label` has room for all its text: a wrapped one the height of all its lines at its width, any
// other one its whole line.
inline bool showsAllText(const QLabel* label) {
    if (label->wordWrap())
        return label->height() >= label->heightForWidth(label->width());
    const QSize needed = label->sizeHint();
    return label->width() >= needed.width() && label->height() >= needed.height();
}

} // namespace tolvane::testing
