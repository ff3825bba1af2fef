#include "onboarding/welcome_step.h"

#include "onboarding/onboarding_blocks.h"
#include "onboarding/step_dots.h"
#include "ui/brand_lockup.h"
#include "ui/icon_provider.h"
#include "ui/theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

namespace tolvane {

namespace {

QColor white(qreal alpha) {
    QColor color(Qt::white);
    color.setAlphaF(alpha);
    return color;
}

QColor black(qreal alpha) {
    QColor color(Qt::black);
    color.setAlphaF(alpha);
    return color;
}

QFont interFont(int weight, qreal size, qreal tracking = 0) {
    QFont font = Theme::makeFont(QStringLiteral("Inter"), weight, size);
    if (tracking != 0)
        font.setLetterSpacing(QFont::AbsoluteSpacing, tracking);
    return font;
}

// Draws lines one under the other from `top`, `spacing` pixels apart beyond the font's own height.
void drawLines(QPainter& painter, const QStringList& lines, const QFont& font, qreal left, qreal top,
               qreal spacing) {
    painter.setFont(font);
    const QFontMetricsF metrics(font);
    qreal baseline = top + metrics.ascent();
    for (const QString& line : lines) {
        painter.drawText(QPointF(left, baseline), line);
        baseline += metrics.ascent() + metrics.descent() + spacing;
    }
}

// A small capsule with a language name, as in the result panel's header.
qreal drawPill(QPainter& painter, const QString& text, qreal left, qreal centreY) {
    const QFont font = interFont(500, 9.5);
    const qreal width = QFontMetricsF(font).horizontalAdvance(text) + 18;
    const QRectF pill(left, centreY - 10.5, width, 21);
    painter.setPen(QPen(white(0.10), 0.5));
    painter.setBrush(white(0.08));
    painter.drawRoundedRect(pill, 10.5, 10.5);
    painter.setPen(white(0.86));
    painter.setFont(font);
    painter.drawText(pill, Qt::AlignCenter, text);
    return pill.right();
}

} // namespace

QRectF sampleCardRect(QSizeF size) {
    const qreal width = std::min(0.44 * size.width(), 360.0);
    const qreal height = std::min(0.3 * size.height(), 188.0);
    return QRectF(0.5 * size.width() - width / 2, 0.39 * size.height() - height / 2, width, height);
}

WelcomeStep::WelcomeStep(QPixmap hero, QWidget* parent)
    : QWidget(parent), m_hero(std::move(hero)), m_dots(new StepDots(Theme::colorBDA46B(), white(0.30))),
      m_skip(new QPushButton(tr("跳过引导"))), m_start(new QPushButton(tr("继续"))) {
    auto* top = new QHBoxLayout;
    top->setContentsMargins(92, 18, 26, 0);
    top->setSpacing(11);
    top->addWidget(new OndrelBrandLockup(30, 88, 7.2, QStringLiteral("翻译工具"), white(0.64)));
    top->addStretch(1);
    top->addWidget(m_dots, 0, Qt::AlignVCenter);
    m_skip->setFlat(true);
    m_skip->setCursor(Qt::PointingHandCursor);
    m_skip->setStyleSheet(
        QStringLiteral("QPushButton { color: rgba(255, 255, 255, 199); background: transparent;"
                       " border: none; padding: 4px 0 4px 8px; }"));
    connect(m_skip, &QPushButton::clicked, this, &WelcomeStep::skipRequested);
    top->addWidget(m_skip);

    auto* text = new QVBoxLayout;
    text->setContentsMargins(72, 0, 72, 34);
    text->setSpacing(0);
    text->addWidget(makeGuideLabel(tr("为 Linux 而生"), interFont(600, 12, 0.5), Theme::colorBDA46B()));
    text->addSpacing(7);
    text->addWidget(makeGuideLabel(tr("翻译，从不打断思路。"), interFont(600, 32), Qt::white));
    text->addSpacing(9);
    QLabel* subtitle = makeGuideLabel(tr("在任何 App 选词、截图或输入，让译文直接回到你的工作流。"),
                                      interFont(400, 16), white(0.78), true);
    subtitle->setMaximumWidth(610);
    text->addWidget(subtitle);
    text->addSpacing(18);
    auto* note = new QHBoxLayout;
    note->setSpacing(8);
    note->addWidget(makeGuideSymbol(QStringLiteral("lock.shield"), 14, Theme::color89947A()));
    note->addWidget(makeGuideLabel(tr("只在你触发功能时读取内容。"), Theme::callout(), white(0.68)));
    note->addStretch(1);
    text->addLayout(note);
    text->addSpacing(20);
    m_start->setFont(Theme::headline());
    m_start->setFixedHeight(32);
    m_start->setDefault(true);
    m_start->setStyleSheet(QStringLiteral("QPushButton { background: #BDA46B; color: #110E0B; border: none;"
                                          " border-radius: 6px; }"
                                          "QPushButton:pressed { background: #A99260; }"));
    connect(m_start, &QPushButton::clicked, this, &WelcomeStep::startRequested);
    text->addWidget(m_start);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(top);
    layout->addStretch(1);
    layout->addLayout(text);
}

void WelcomeStep::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds(rect());
    painter.fillRect(bounds, Theme::color0B0A09());
    if (!m_hero.isNull()) {
        if (m_scaledHero.size() != size() * devicePixelRatioF()) {
            const QSize target = size() * devicePixelRatioF();
            QPixmap scaled = m_hero.scaled(target, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
            m_scaledHero =
                scaled.copy((scaled.width() - target.width()) / 2, (scaled.height() - target.height()) / 2,
                            target.width(), target.height());
            m_scaledHero.setDevicePixelRatio(devicePixelRatioF());
        }
        painter.drawPixmap(0, 0, m_scaledHero);
    }
    painter.fillRect(bounds, black(0.08));
    QLinearGradient gradient(QPointF(0.5 * width(), 0.38 * height()), QPointF(0.5 * width(), height()));
    gradient.setColorAt(0, Qt::transparent);
    gradient.setColorAt(0.5, black(0.18));
    gradient.setColorAt(1, black(0.92));
    painter.fillRect(bounds, gradient);
    paintSampleCard(painter, sampleCardRect(bounds.size()));
}

void WelcomeStep::paintSampleCard(QPainter& painter, const QRectF& card) {
    painter.save();
    // A soft shadow: rings of falling opacity around the card, offset 5 px down.
    painter.setPen(Qt::NoPen);
    for (int ring = 10; ring >= 1; --ring) {
        painter.setBrush(black(0.26 / 10));
        painter.drawRoundedRect(card.translated(0, 5).adjusted(-ring, -ring, ring, ring), 10 + ring,
                                10 + ring);
    }
    QPainterPath surface;
    surface.addRoundedRect(card, 10, 10);
    QColor fill = Theme::makeColor(0.035, 0.035, 0.032);
    fill.setAlphaF(0.92);
    painter.fillPath(surface, fill);
    painter.setClipPath(surface);

    // Top bar: the language pair and the OCR mark.
    const qreal barCentre = card.top() + 17;
    qreal x = drawPill(painter, QStringLiteral("日本語"), card.left() + 12, barCentre) + 8;
    painter.drawPixmap(QPointF(x, barCentre - 4.5),
                       IconProvider::shared().symbolPixmap(QStringLiteral("arrow.right"), 9, white(0.44)));
    x += 9 + 8;
    drawPill(painter, QStringLiteral("English"), x, barCentre);
    const QFont ocrFont = interFont(600, 8, 0.5);
    const qreal ocrWidth = QFontMetricsF(ocrFont).horizontalAdvance(QStringLiteral("OCR"));
    const qreal ocrLeft = card.right() - 12 - ocrWidth;
    painter.setBrush(Theme::color89947A());
    painter.drawEllipse(QRectF(ocrLeft - 4 - 5, barCentre - 2.5, 5, 5));
    painter.setPen(white(0.58));
    painter.setFont(ocrFont);
    painter.drawText(QRectF(ocrLeft, card.top(), ocrWidth + 2, 34), Qt::AlignVCenter | Qt::AlignLeft,
                     QStringLiteral("OCR"));

    // The rules: under the bar and between the two columns.
    painter.fillRect(QRectF(card.left(), card.top() + 34, card.width(), 1), white(0.10));
    const qreal middle = card.left() + card.width() / 2;
    painter.fillRect(QRectF(middle - 0.5, card.top() + 35, 1, card.height() - 35), white(0.10));

    QColor gold = Theme::colorBDA46B();
    gold.setAlphaF(0.9);
    const qreal columnTop = card.top() + 35 + 12;
    const QFont eyebrow = interFont(600, 8);
    QFont translationEyebrow = eyebrow;
    translationEyebrow.setLetterSpacing(QFont::AbsoluteSpacing, 0.6);
    painter.setPen(gold);
    drawLines(painter, {QStringLiteral("原文")}, eyebrow, card.left() + 12, columnTop, 0);
    drawLines(painter, {QStringLiteral("TRANSLATION")}, translationEyebrow, middle + 12, columnTop, 0);
    const qreal linesTop = columnTop + QFontMetricsF(eyebrow).height() + 8;
    painter.setPen(white(0.92));
    drawLines(painter,
              {QStringLiteral("抹茶ラテ"), QStringLiteral("ほうじ茶"), QStringLiteral("季節の和菓子")},
              interFont(500, 13), card.left() + 12, linesTop, 8);
    painter.setPen(white(0.90));
    drawLines(painter,
              {QStringLiteral("Matcha Latte"), QStringLiteral("Roasted Green Tea"),
               QStringLiteral("Seasonal Wagashi")},
              interFont(400, 11.5), middle + 12, linesTop, 9);

    painter.setClipping(false);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(white(0.15), 0.75));
    painter.drawPath(surface);
    painter.restore();
}

} // namespace tolvane
