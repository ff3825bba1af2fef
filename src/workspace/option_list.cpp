#include "workspace/option_list.h"

#include "ui/accessible_widgets.h"
#include "ui/dark_controls.h"
#include "ui/open_list_keys.h"
#include "ui/theme.h"
#include "workspace/workspace_paint.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>
#include <algorithm>

namespace tolvane {
namespace {

constexpr qreal sidePadding = 10;
constexpr qreal focusRadius = 6;

// One row of the list: the option's title, leading-aligned, on a faint gold ground while the keyboard is on
// it. Checked while it is the current option, which is how the selection reaches assistive technologies; a
// click never toggles it.
class OptionRow final : public QAbstractButton {
public:
    OptionRow(const QString& title, bool current, QWidget* parent) : QAbstractButton(parent) {
        setText(title);
        setAccessibleName(title);
        setFocusPolicy(Qt::TabFocus);
        exposeAsSelectionButton(this, QAccessible::ListItem);
        setCheckable(true);
        setChecked(current);
        setFixedHeight(OptionList::rowHeight);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }

protected:
    void nextCheckState() override {}
    // A button moves the focus on with the arrows, round past the last; in the list they go to the list.
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down || event->key() == Qt::Key_Left ||
            event->key() == Qt::Key_Right)
            event->ignore();
        else
            QAbstractButton::keyPressEvent(event);
    }
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        if (hasFocus()) {
            QPainterPath ground;
            ground.addRoundedRect(QRectF(rect()), focusRadius, focusRadius);
            painter.fillPath(ground, goldAt(0.1));
        }
        QColor color = Theme::colorE9E1D4();
        if (isDown())
            color.setAlphaF(0.65);
        painter.setPen(color);
        painter.setFont(Theme::interMedium12());
        const QRectF area = QRectF(rect()).adjusted(sidePadding, 0, -sidePadding, 0);
        painter.drawText(
            area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
            QFontMetricsF(Theme::interMedium12()).elidedText(text(), Qt::ElideRight, area.width()));
    }
};

} // namespace

int optionStartingWith(const QList<PremiumSelectorOption>& options, int from, const QString& letter) {
    const int count = int(options.size());
    for (int step = 1; !letter.isEmpty() && step <= count; ++step) {
        const int index = ((from < 0 ? -1 : from) + step) % count;
        const PremiumSelectorOption& option = options.at(index);
        if (option.title.startsWith(letter, Qt::CaseInsensitive) ||
            option.id.startsWith(letter, Qt::CaseInsensitive))
            return index;
    }
    return -1;
}

OptionList::OptionList(QList<PremiumSelectorOption> options, const QString& currentId, const QString& label,
                       QWidget* parent)
    : QScrollArea(parent), m_options(std::move(options)) {
    // The rows are the focus stops; the area itself (a stop by default) would be one without a name.
    setFocusPolicy(Qt::NoFocus);
    exposeAsSummary(this, QAccessible::List);
    setAccessibleName(label);
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    useDarkScrollBars(this);
    auto* column = new QWidget(this);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(padding, padding, padding, padding);
    layout->setSpacing(rowSpacing);
    for (int index = 0; index < int(m_options.size()); ++index) {
        const bool current = m_options.at(index).id == currentId;
        if (current)
            m_current = index;
        auto* row = new OptionRow(m_options.at(index).title, current, column);
        connect(row, &QAbstractButton::clicked, this, [this, index] { choose(index); });
        layout->addWidget(row);
        m_rows << row;
    }
    layout->addStretch(1);
    setWidget(column);
    viewport()->setAutoFillBackground(false);
    column->setAutoFillBackground(false);
    chooseOnlyWithReturn(this, [this] { choose(focusedRow()); });
}

void OptionList::focusCurrent() {
    focusRow(std::max(m_current, 0));
}

void OptionList::keyPressEvent(QKeyEvent* event) {
    const int count = int(m_rows.size());
    const int focused = focusedRow();
    // Where the keys start from while no row has the keyboard: the current option.
    const int at = focused >= 0 ? focused : std::max(m_current, 0);
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (count == 0 || (modifiers & ~Qt::ShiftModifier) != Qt::NoModifier)
        return QScrollArea::keyPressEvent(event);
    const bool plain = modifiers == Qt::NoModifier;
    if (plain && event->key() == Qt::Key_Up)
        return focusRow(focused < 0 ? at : std::max(at - 1, 0));
    if (plain && event->key() == Qt::Key_Down)
        return focusRow(focused < 0 ? at : std::min(at + 1, count - 1));
    if (plain && event->key() == Qt::Key_Home)
        return focusRow(0);
    if (plain && event->key() == Qt::Key_End)
        return focusRow(count - 1);
    const QString typed = event->text();
    if (typed.size() == 1 && typed.at(0).isLetterOrNumber())
        return focusRow(optionStartingWith(m_options, at, typed));
    QScrollArea::keyPressEvent(event);
}

void OptionList::focusRow(int index) {
    if (index < 0 || index >= int(m_rows.size()))
        return;
    m_rows.at(index)->setFocus(Qt::OtherFocusReason);
    ensureWidgetVisible(m_rows.at(index), 0, padding);
}

int OptionList::focusedRow() const {
    for (int index = 0; index < int(m_rows.size()); ++index) {
        if (m_rows.at(index)->hasFocus())
            return index;
    }
    return -1;
}

void OptionList::choose(int index) {
    if (index >= 0 && index < int(m_options.size()))
        Q_EMIT chosen(m_options.at(index).id);
}

} // namespace tolvane
