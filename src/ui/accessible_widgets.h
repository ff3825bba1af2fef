#pragma once

#include <QAccessible>

class QAbstractButton;
class QWidget;

namespace tolvane {

// Installs, once per process, the accessibility factory for this application's own widgets: a top-level
// window is exposed as a window (a dialog-type one as a dialog) named by its title, a combo box by its
// accessible name (the current choice as its description and its list's selected item), and widgets marked
// by the functions below as they say.
// Every constructor that relies on it calls it.
void installAccessibleFactory();

// `button` selects what its owner keeps (a page, a tool, a window, an option): assistive technologies read
// its checked state (as selected for a page tab, only as selected for a list item), and both their press and
// toggle actions click it, so they act as a click or Space does. A pop-up window it opened as its child
// widget is read as its child.
void exposeAsSelectionButton(QAbstractButton* button, QAccessible::Role role);

// `widget` is read as one element of `role`, named and described by its accessible name and description;
// its children are only its visible focusable descendants (its buttons), not the labels it shows.
void exposeAsSummary(QWidget* widget, QAccessible::Role role);

// `button` shows the current choice and opens the list of choices: it is read as a combo box named by its
// accessible name, with the choice as its description (set it there), the open list as its child, and
// press opening or closing the list.
void exposeAsDropDown(QAbstractButton* button);

} // namespace tolvane
