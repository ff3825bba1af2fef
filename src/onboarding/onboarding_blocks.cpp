#include "onboarding/onboarding_blocks.h"

#include "ui/icon_provider.h"
#include "ui/theme.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace tolvane {

OnboardingCard::OnboardingCard(qreal radius, QWidget* parent) : QWidget(parent), m_radius(radius) {}

void OnboardingCard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect()).adjusted(0.25, 0.25, -0.25, -0.25);
    QPainterPath path;
    path.addRoundedRect(bounds, m_radius, m_radius);
    painter.fillPath(path, Theme::color1D1916());
    painter.setPen(QPen(Theme::color2B2824(), 0.5));
    painter.drawPath(path);
}

QWidget* makeGuideRule() {
    auto* rule = new QWidget;
    rule->setFixedHeight(1);
    rule->setAutoFillBackground(true);
    QPalette palette = rule->palette();
    palette.setColor(QPalette::Window, Theme::color2B2824());
    rule->setPalette(palette);
    return rule;
}

QLabel* makeGuideLabel(const QString& text, const QFont& font, const QColor& color, bool wrap,
                       QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    label->setWordWrap(wrap);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    return label;
}

QWidget* makeGuideStepHeader(const QString& title, const QString& subtitle, QWidget* parent) {
    auto* header = new QWidget(parent);
    auto* layout = new QVBoxLayout(header);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(
        makeGuideLabel(title, Theme::makeFont(QStringLiteral("Inter"), 600, 22), Theme::colorE9E1D4()));
    layout->addWidget(makeGuideLabel(subtitle, Theme::body(), Theme::colorB6AEA2(), true));
    return header;
}

QLabel* makeGuideSymbol(const QString& symbol, int size, const QColor& color, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setAccessibleName(QString());
    label->setFocusPolicy(Qt::NoFocus);
    setGuideSymbol(label, symbol, size, color);
    return label;
}

void setGuideSymbol(QLabel* label, const QString& symbol, int size, const QColor& color) {
    label->setPixmap(IconProvider::shared().symbolPixmap(symbol, size, color, label->devicePixelRatioF()));
    label->setFixedSize(size, size);
}

} // namespace tolvane
