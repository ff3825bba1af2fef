#pragma once

#include <QColor>
#include <QFrame>
#include <QRect>

namespace tolvane {

// Which edge of its anchor a popover opens against.
enum class PopoverEdge { below, right };

// Where a popover of `size` goes: against `edge` of `anchor` with a small gap, centred along that edge,
// moved inside `available` (the anchor screen's available area) when it would leave it. Global coordinates.
QRect popoverGeometry(const QRect& anchor, PopoverEdge edge, QSize size, const QRect& available);

// A small pop-up surface attached to a control: it closes on a click outside it (a click on the opening
// control closes it without opening it again) and on Escape, and paints its own ground, since a pop-up does
// not inherit its window's look. `dismissed` follows every close, whatever closed it.
class Popover : public QFrame {
    Q_OBJECT

public:
    Popover(QWidget* anchor, PopoverEdge edge, QSize size, const QColor& ground);

    // Places the popover against its anchor and shows it.
    void present();

Q_SIGNALS:
    void dismissed();

protected:
    void hideEvent(QHideEvent* event) override;

private:
    QWidget* m_anchor;
    PopoverEdge m_edge;
};

} // namespace tolvane
