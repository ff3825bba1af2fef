#include "workspace/premium_selector.h"

#include "ui/accessible_widgets.h"
#include "ui/brand_lockup.h"
#include "ui/pencil_icon.h"
#include "ui/theme.h"
#include "workspace/meta_text.h"
#include "workspace/popover.h"
#include "workspace/workspace_paint.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace tolvane {
namespace {

constexpr qreal cornerRadius = 7;
constexpr qreal sidePadding = 10;
constexpr qreal chevronSize = 13;
constexpr qreal chevronSpacing = 8;
constexpr qreal titleMinimumScale = 0.72;

} // namespace

PremiumSelector::PremiumSelector(qreal width, PencilIconAsset chevron, QList<PremiumSelectorOption> options,
                                 bool isMeta, const QString& accessibilityLabel,
                                 std::function<void(const QString&)> onSelect, QWidget* parent)
    : QAbstractButton(parent), m_width(width), m_chevron(chevron), m_options(std::move(options)),
      m_isMeta(isMeta), m_onSelect(std::move(onSelect)) {
    exposeAsDropDown(this);
    setFocusPolicy(Qt::TabFocus);
    setAccessibleName(accessibilityLabel);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(this, &QAbstractButton::clicked, this, &PremiumSelector::toggleList);
}

QSize PremiumSelector::listSize(qreal width, int optionCount) {
    const int natural = optionCount * (rowHeight + rowSpacing) + 2 * listPadding;
    return {std::max(int(std::ceil(width)), minimumListWidth), std::min(natural, maximumListHeight)};
}

void PremiumSelector::setCurrent(const QString& id, const QString& title) {
    m_currentId = id;
    if (title == m_title)
        return;
    m_title = title;
    // The current value is read as the description (see exposeAsDropDown).
    setAccessibleDescription(title);
    setText(title);
    update();
}

void PremiumSelector::choose(const QString& id) {
    if (m_onSelect)
        m_onSelect(id);
    if (m_list)
        m_list->close();
}

QSize PremiumSelector::sizeHint() const {
    return {int(std::ceil(m_width)), height};
}

void PremiumSelector::toggleList() {
    if (m_list) {
        m_list->close();
        return;
    }
    auto* list =
        new Popover(this, PopoverEdge::below, listSize(m_width, int(m_options.size())), Theme::color1D1916());
    list->setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(list);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* options = new OptionList(m_options, m_currentId, accessibleName(), list);
    connect(options, &OptionList::chosen, this, &PremiumSelector::choose);
    layout->addWidget(options);
    m_list = list;
    connect(list, &Popover::dismissed, this, [this] {
        m_list = nullptr;
        update();
    });
    list->present();
    options->focusCurrent();
}

void PremiumSelector::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = paintFrame(this);
    QPainterPath shape;
    shape.addRoundedRect(frame, cornerRadius, cornerRadius);
    painter.fillPath(shape, Theme::color1D1916());
    QPainterPath edge;
    edge.addRoundedRect(frame.adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius - 0.5, cornerRadius - 0.5);
    painter.setPen(QPen(Theme::color2B2824(), 1));
    painter.drawPath(edge);

    QColor color = m_isMeta ? Theme::color89947A() : Theme::colorE9E1D4();
    if (isDown())
        color.setAlphaF(0.65);
    const QRectF content = frame.adjusted(sidePadding, 0, -sidePadding, 0);
    const QRectF chevron(content.right() - chevronSize, content.center().y() - chevronSize / 2, chevronSize,
                         chevronSize);
    PencilIcon{m_chevron, chevronSize}.paint(painter, chevron, color);
    QFont font = m_isMeta ? MetaText::font() : Theme::interMedium12();
    const FittedText title =
        fitText(m_title, font, content.width() - chevronSize - chevronSpacing, titleMinimumScale);
    painter.setFont(title.font);
    painter.setPen(color);
    painter.drawText(QRectF(content.left(), content.top(), content.width() - chevronSize - chevronSpacing,
                            content.height()),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, title.text);
}

} // namespace tolvane
