#include "settings/settings_blocks.h"

#include "ui/accessible_widgets.h"
#include "ui/icon_provider.h"
#include "ui/settings_switch.h"
#include "ui/theme.h"

#include <QButtonGroup>
#include <QEvent>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace tolvane {

namespace {

constexpr int rowPaddingX = 20;
constexpr int rowPaddingY = 16;
constexpr int rowMinimumGap = 20;
constexpr int stackedGap = 12;

QColor withAlpha(QColor color, qreal alpha) {
    color.setAlphaF(alpha);
    return color;
}

void paintRoundedBox(QWidget* widget, qreal radius, const QColor& fill, const QColor& stroke) {
    QPainter painter(widget);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(stroke, 1));
    painter.setBrush(fill);
    const QRectF box = QRectF(widget->rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.drawRoundedRect(box, radius, radius);
}

void setTextColor(QWidget* widget, const QColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    widget->setPalette(palette);
}

QLabel* makeText(const QString& text, const QFont& font, const QColor& color, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    setTextColor(label, color);
    return label;
}

QFont withWeight(QFont font, QFont::Weight weight) {
    font.setWeight(weight);
    return font;
}

// A page tile of the toolbar: symbol over title, gold-tinted when selected.
class ToolbarButton final : public QAbstractButton {
public:
    ToolbarButton(SettingsPage page, QWidget* parent) : QAbstractButton(parent), m_page(page) {
        exposeAsSelectionButton(this, QAccessible::PageTab);
        setCheckable(true);
        setText(displayName(page));
        setAccessibleName(displayName(page));
        setFixedSize(116, 68);
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::TabFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        if (isChecked()) {
            painter.setPen(QPen(withAlpha(Theme::colorBDA46B(), 0.55), 1));
            painter.setBrush(withAlpha(Theme::colorBDA46B(), 0.09));
            painter.drawRoundedRect(box, 10, 10);
        } else if (m_keyboardFocus && hasFocus()) {
            painter.setPen(QPen(withAlpha(Theme::colorBDA46B(), 0.3), 1));
            painter.setBrush(Qt::NoBrush);
            painter.drawRoundedRect(box, 10, 10);
        }
        const QColor color = isChecked() ? Theme::colorE9E1D4() : Theme::color797168();
        const QFont font = withWeight(Theme::callout(), QFont::Medium);
        const int textHeight = QFontMetrics(font).height();
        const int top = (height() - (18 + 8 + textHeight)) / 2;
        const QPixmap icon =
            IconProvider::shared().symbolPixmap(settingsPageSymbol(m_page), 18, color, devicePixelRatioF());
        painter.drawPixmap(QPointF((width() - 18) / 2.0, top), icon);
        painter.setFont(font);
        painter.setPen(color);
        painter.drawText(QRect(0, top + 26, width(), textHeight), Qt::AlignHCenter | Qt::AlignTop, text());
    }

    void focusInEvent(QFocusEvent* event) override {
        m_keyboardFocus = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
        QAbstractButton::focusInEvent(event);
    }

private:
    SettingsPage m_page;
    bool m_keyboardFocus = false;
};

} // namespace

QLabel* makeSymbolLabel(const QString& symbol, int size, const QColor& color, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setFixedSize(size, size);
    label->setPixmap(IconProvider::shared().symbolPixmap(symbol, size, color, parent->devicePixelRatioF()));
    return label;
}

SettingsToolbar::SettingsToolbar(QWidget* parent) : QWidget(parent), m_group(new QButtonGroup(this)) {
    setAccessibleName(QStringLiteral("设置页面"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 14, 0, 14);
    layout->setSpacing(20);
    layout->addStretch();
    for (SettingsPage page : allCases<SettingsPage>()) {
        auto* button = new ToolbarButton(page, this);
        m_group->addButton(button, int(page));
        layout->addWidget(button);
    }
    layout->addStretch();
    m_group->setExclusive(true);
    connect(m_group, &QButtonGroup::idClicked, this,
            [this](int id) { Q_EMIT pageSelected(SettingsPage(id)); });
}

void SettingsToolbar::select(SettingsPage page) {
    QAbstractButton* tile = button(page);
    if (!tile)
        return;
    tile->setChecked(true);
    // The row is one Tab stop, the tile of the page shown, as a group of options is (the arrows move
    // within it). A page chosen with the mouse moves the stop there, and the focus if the row holds it.
    const QList<QAbstractButton*> tiles = m_group->buttons();
    if (std::any_of(tiles.begin(), tiles.end(), [](QAbstractButton* other) { return other->hasFocus(); }))
        tile->setFocus(Qt::OtherFocusReason);
    for (QAbstractButton* other : tiles)
        other->setFocusPolicy(other == tile ? Qt::TabFocus : Qt::NoFocus);
}

QAbstractButton* SettingsToolbar::button(SettingsPage page) const {
    return m_group->button(int(page));
}

void SettingsToolbar::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(rect(), Theme::color110E0B());
}

QWidget* makeSettingsPageLayout(const QString& eyebrow, const QString& title, const QString& subtitle,
                                const QString& badge, QWidget* content, QWidget* parent) {
    auto* page = new QWidget(parent);
    auto* row = new QHBoxLayout(page);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(54);

    auto* column = new QWidget(page);
    column->setFixedWidth(310);
    auto* stack = new QVBoxLayout(column);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(14);
    QFont eyebrowFont = Theme::plexMonoSemiBold9();
    eyebrowFont.setLetterSpacing(QFont::AbsoluteSpacing, 1.5);
    stack->addWidget(makeText(eyebrow, eyebrowFont, Theme::colorBDA46B(), column));
    QFont titleFont = Theme::makeFont(QStringLiteral("Noto Serif CJK SC"), 600, 38);
    titleFont.setFamilies(
        {QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Serif"), Theme::cjkFallbackFamily});
    QLabel* titleLabel = makeText(title, titleFont, Theme::colorE9E1D4(), column);
    titleLabel->setWordWrap(true);
    stack->addWidget(titleLabel);
    QLabel* subtitleLabel = makeText(subtitle, Theme::body(), Theme::colorB6AEA2(), column);
    subtitleLabel->setWordWrap(true);
    stack->addWidget(subtitleLabel);
    if (!badge.isEmpty()) {
        auto* box = new QFrame(column);
        box->setObjectName(QStringLiteral("settingsPageBadge"));
        box->setStyleSheet(QStringLiteral("#settingsPageBadge { background: %1; border: 1px solid %2;"
                                          " border-radius: 7px; }")
                               .arg(Theme::color1D1916().name(), Theme::color2B2824().name()));
        box->setMinimumHeight(36);
        auto* line = new QHBoxLayout(box);
        line->setContentsMargins(12, 0, 12, 0);
        line->setSpacing(6);
        line->addWidget(makeSymbolLabel(QStringLiteral("info.circle"), 12, Theme::colorB6AEA2(), box));
        QLabel* text = makeText(badge, Theme::caption(), Theme::colorB6AEA2(), box);
        text->setObjectName(QStringLiteral("badgeText"));
        line->addWidget(text);
        stack->addWidget(box, 0, Qt::AlignLeft);
    }
    stack->addStretch();
    row->addWidget(column, 0, Qt::AlignTop);
    row->addWidget(content, 1, Qt::AlignTop);
    return page;
}

QWidget* makeSettingsStack(const QList<QWidget*>& children, QWidget* parent) {
    auto* stack = new QWidget(parent);
    auto* layout = new QVBoxLayout(stack);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(18);
    for (QWidget* child : children) {
        child->setParent(stack);
        layout->addWidget(child);
    }
    return stack;
}

SettingsCard::SettingsCard(const QString& title, QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    QLabel* header = makeText(title, Theme::headline(), Theme::colorE9E1D4(), this);
    header->setMinimumHeight(48);
    header->setContentsMargins(20, 0, 20, 0);
    header->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    layout->addWidget(header);
    auto* divider = new QFrame(this);
    divider->setFixedHeight(1);
    divider->setStyleSheet(QStringLiteral("background: %1;").arg(Theme::color211E1A().name()));
    layout->addWidget(divider);
    m_rows = new QVBoxLayout;
    m_rows->setSpacing(0);
    layout->addLayout(m_rows);
}

void SettingsCard::addRow(QWidget* row) {
    if (m_rowCount++ > 0) {
        // Indented 20 on the leading side.
        auto* holder = new QWidget(this);
        auto* line = new QHBoxLayout(holder);
        line->setContentsMargins(20, 0, 0, 0);
        auto* divider = new QFrame(holder);
        divider->setFixedHeight(1);
        divider->setStyleSheet(QStringLiteral("background: %1;").arg(Theme::color211E1A().name()));
        line->addWidget(divider);
        m_rows->addWidget(holder);
    }
    row->setParent(this);
    m_rows->addWidget(row);
}

void SettingsCard::paintEvent(QPaintEvent*) {
    paintRoundedBox(this, 14, Theme::color161310(), Theme::color2B2824());
}

SettingsControlRow::SettingsControlRow(const QString& title, const QString& detail, const QString& symbol,
                                       QWidget* control, QWidget* parent)
    : QWidget(parent), m_label(new QWidget(this)), m_control(control) {
    auto* label = new QHBoxLayout(m_label);
    label->setContentsMargins(0, 0, 0, 0);
    label->setSpacing(12);
    if (!symbol.isEmpty()) {
        m_icon = new QLabel(m_label);
        m_icon->setFixedSize(24, 24);
        m_icon->setAlignment(Qt::AlignCenter);
        m_icon->setStyleSheet(
            QStringLiteral("background: %1; border-radius: 6px;").arg(Theme::color1D1916().name()));
        setSymbol(symbol);
        label->addWidget(m_icon, 0, Qt::AlignTop);
    }
    auto* texts = new QVBoxLayout;
    texts->setSpacing(4);
    m_title = makeText(title, withWeight(Theme::body(), QFont::Medium), Theme::colorE9E1D4(), m_label);
    m_detail = makeText(detail, Theme::caption(), Theme::color797168(), m_label);
    m_detail->setWordWrap(true);
    m_detail->setVisible(!detail.isEmpty());
    texts->addWidget(m_title);
    texts->addWidget(m_detail);
    label->addLayout(texts, 1);
    m_control->setParent(this);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

void SettingsControlRow::setTitle(const QString& title) {
    m_title->setText(title);
}

void SettingsControlRow::setDetail(const QString& detail) {
    m_detail->setText(detail);
    m_detail->setVisible(!detail.isEmpty());
}

void SettingsControlRow::setSymbol(const QString& symbol) {
    if (m_icon)
        m_icon->setPixmap(
            IconProvider::shared().symbolPixmap(symbol, 14, Theme::colorBDA46B(), devicePixelRatioF()));
}

QString SettingsControlRow::title() const {
    return m_title->text();
}

QSize SettingsControlRow::controlSize() const {
    // A fixed-width control keeps its width whatever its hint says.
    return m_control->sizeHint().expandedTo(m_control->minimumSize()).boundedTo(m_control->maximumSize());
}

int SettingsControlRow::labelIdealWidth() const {
    const int icon = m_icon ? 24 + 12 : 0;
    const int title = m_title->fontMetrics().horizontalAdvance(m_title->text());
    const int detail = m_detail->isHidden() ? 0 : m_detail->fontMetrics().horizontalAdvance(m_detail->text());
    return icon + std::max(title, detail);
}

bool SettingsControlRow::fitsSideBySide(int width) const {
    return labelIdealWidth() + rowMinimumGap + controlSize().width() + 2 * rowPaddingX <= width;
}

int SettingsControlRow::heightForWidth(int width) const {
    const QSize control = controlSize();
    if (fitsSideBySide(width)) {
        const int labelWidth = width - 2 * rowPaddingX - rowMinimumGap - control.width();
        return std::max(m_label->heightForWidth(labelWidth), control.height()) + 2 * rowPaddingY;
    }
    const int inner = width - 2 * rowPaddingX;
    return m_label->heightForWidth(inner) + stackedGap + control.height() + 2 * rowPaddingY;
}

// Rows take the width their card gives them and fit their height to it. The hints stay narrow on
// purpose: a scroll area widens its content to the content's size hint, which would push controls past
// the visible edge; the side-by-side height is the least a row needs.
QSize SettingsControlRow::sizeHint() const {
    return minimumSizeHint();
}

QSize SettingsControlRow::minimumSizeHint() const {
    const int ideal = labelIdealWidth() + rowMinimumGap + controlSize().width() + 2 * rowPaddingX;
    return {std::min(ideal, 240), heightForWidth(ideal)};
}

bool SettingsControlRow::event(QEvent* event) {
    // A child's size hint changed (a new title, a button label): the row's height may change too.
    if (event->type() == QEvent::LayoutRequest) {
        updateGeometry();
        arrange();
    }
    return QWidget::event(event);
}

void SettingsControlRow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    arrange();
}

void SettingsControlRow::arrange() {
    const QSize control = controlSize();
    const int width = this->width();
    const bool stacked = !fitsSideBySide(width);
    if (stacked != m_stacked) {
        m_stacked = stacked;
        updateGeometry();
    }
    if (!stacked) {
        const int labelWidth = width - 2 * rowPaddingX - rowMinimumGap - control.width();
        const int labelHeight = m_label->heightForWidth(labelWidth);
        const int inner = std::max(labelHeight, control.height());
        m_label->setGeometry(rowPaddingX, rowPaddingY + (inner - labelHeight) / 2, labelWidth, labelHeight);
        m_control->setGeometry(width - rowPaddingX - control.width(),
                               rowPaddingY + (inner - control.height()) / 2, control.width(),
                               control.height());
    } else {
        const int inner = width - 2 * rowPaddingX;
        const int labelHeight = m_label->heightForWidth(inner);
        m_label->setGeometry(rowPaddingX, rowPaddingY, inner, labelHeight);
        m_control->setGeometry(rowPaddingX, rowPaddingY + labelHeight + stackedGap,
                               std::min(control.width(), inner), control.height());
    }
}

SettingsControlRow* makeSettingsToggleRow(const QString& title, const QString& detail, bool on,
                                          std::function<void(bool)> onToggle, QWidget* parent) {
    auto* toggle = new SettingsSwitch;
    toggle->setAccessibleName(title);
    toggle->setChecked(on);
    QObject::connect(toggle, &QAbstractButton::toggled, toggle, std::move(onToggle));
    return new SettingsControlRow(title, detail, QString(), toggle, parent);
}

SettingsStatusBadge::SettingsStatusBadge(QWidget* parent)
    : QWidget(parent), m_icon(new QLabel(this)), m_text(new QLabel(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 0, 12, 0);
    layout->setSpacing(6);
    m_icon->setFixedSize(12, 12);
    m_text->setTextFormat(Qt::PlainText);
    m_text->setFont(withWeight(Theme::caption(), QFont::Medium));
    layout->addWidget(m_icon);
    layout->addWidget(m_text);
    setMinimumHeight(32);
}

void SettingsStatusBadge::setState(const QString& title, bool granted, const QString& toolTip) {
    m_granted = granted;
    const QColor color = granted ? Theme::color89947A() : Theme::colorBDA46B();
    m_text->setText(title);
    setTextColor(m_text, color);
    m_icon->setPixmap(IconProvider::shared().symbolPixmap(granted ? QStringLiteral("checkmark")
                                                                  : QStringLiteral("exclamationmark"),
                                                          12, color, devicePixelRatioF()));
    setToolTip(toolTip);
    setAccessibleName(title);
    update();
}

QString SettingsStatusBadge::text() const {
    return m_text->text();
}

void SettingsStatusBadge::paintEvent(QPaintEvent*) {
    const QColor color = m_granted ? Theme::color89947A() : Theme::colorBDA46B();
    paintRoundedBox(this, 7, withAlpha(color, 0.08), withAlpha(color, 0.4));
}

SettingsNotice::SettingsNotice(QWidget* parent) : QWidget(parent), m_text(new QLabel(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(16, 12, 16, 12);
    layout->setSpacing(8);
    layout->addWidget(makeSymbolLabel(QStringLiteral("info.circle"), 14, Theme::colorB6AEA2(), this), 0,
                      Qt::AlignTop);
    m_text->setTextFormat(Qt::PlainText);
    m_text->setWordWrap(true);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_text->setFont(Theme::callout());
    setTextColor(m_text, Theme::colorB6AEA2());
    layout->addWidget(m_text, 1);
    hide();
}

void SettingsNotice::setMessage(const QString& message) {
    m_text->setText(message);
    setVisible(!message.isEmpty());
}

QString SettingsNotice::message() const {
    return m_text->text();
}

void SettingsNotice::paintEvent(QPaintEvent*) {
    paintRoundedBox(this, 10, withAlpha(Theme::colorBDA46B(), 0.07), withAlpha(Theme::colorBDA46B(), 0.28));
}

} // namespace tolvane
