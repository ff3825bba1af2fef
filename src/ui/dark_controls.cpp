#include "ui/dark_controls.h"

#include "ui/theme.h"

#include <QAbstractScrollArea>
#include <QScrollBar>

namespace tolvane {

QString darkControlStyleSheet() {
    const QString text = Theme::colorE9E1D4().name();
    const QString muted = Theme::color797168().name();
    const QString fill = Theme::color1D1916().name();
    const QString stroke = Theme::color2B2824().name();
    const QString gold = Theme::colorBDA46B().name();
    const QString field = Theme::color110E0B().name();
    return QStringLiteral(
               "QPushButton { background: %1; color: %2; border: 1px solid %3; border-radius: 7px;"
               " padding: 6px 14px; }"
               "QPushButton:hover { background: %7; }"
               "QPushButton:pressed { background: %6; }"
               "QPushButton:disabled { color: %4; }"
               "QPushButton[destructive=\"true\"]:enabled { color: %8; }"
               "QPushButton:focus { border-color: %5; }"
               "QPushButton:checked { background: rgba(189, 164, 107, 0.16); border-color: rgba(189, 164, "
               "107, "
               "0.55); }"
               "QLineEdit { background: %6; color: %2; border: 1px solid %3; border-radius: 7px;"
               " padding: 6px 8px; selection-background-color: %3; }"
               "QLineEdit:focus { border-color: %5; }"
               "QComboBox { background: %1; color: %2; border: 1px solid %3; border-radius: 7px;"
               " padding: 5px 8px; }"
               "QComboBox:focus { border-color: %5; }"
               "QComboBox::drop-down { border: none; width: 22px; }"
               "QComboBox QAbstractItemView { background: %7; color: %2; border: 1px solid %3;"
               " selection-background-color: %3; }")
               .arg(fill, text, stroke, muted, gold, field, Theme::color201B17().name(),
                    Theme::systemRed().name()) +
           darkScrollBarStyleSheet();
}

QString darkScrollBarStyleSheet() {
    return QStringLiteral("QScrollBar:vertical { background: transparent; width: 10px; margin: 2px; }"
                          "QScrollBar:horizontal { background: transparent; height: 10px; margin: 2px; }"
                          "QScrollBar::handle { background: %1; border-radius: 3px; }"
                          "QScrollBar::handle:hover, QScrollBar::handle:pressed { background: %2; }"
                          "QScrollBar::handle:vertical { min-height: 32px; }"
                          "QScrollBar::handle:horizontal { min-width: 32px; }"
                          "QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; border: none; }"
                          "QScrollBar::add-page, QScrollBar::sub-page { background: none; }")
        .arg(Theme::color2B2824().name(), Theme::color797168().name());
}

void useDarkScrollBars(QAbstractScrollArea* area) {
    const QString sheet = darkScrollBarStyleSheet();
    area->verticalScrollBar()->setStyleSheet(sheet);
    area->horizontalScrollBar()->setStyleSheet(sheet);
}

} // namespace tolvane
