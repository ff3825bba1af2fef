#include "workspace/usage_card.h"

#include "ui/theme.h"
#include "workspace/meta_text.h"
#include "workspace/workspace_paint.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace tolvane {
namespace {

constexpr int barHeight = 3;

// The usage bar: a capsule track and, over it, a capsule filled up to the usage fraction.
class UsageBar final : public QWidget {
public:
    explicit UsageBar(const double& fraction, QWidget* parent) : QWidget(parent), m_fraction(fraction) {
        setFixedHeight(barHeight);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const qreal radius = height() / 2.0;
        QPainterPath track;
        track.addRoundedRect(QRectF(rect()), radius, radius);
        painter.fillPath(track, Theme::color201B17());
        if (m_fraction <= 0)
            return;
        QPainterPath fill;
        fill.addRoundedRect(QRectF(0, 0, width() * m_fraction, height()), radius, radius);
        painter.fillPath(fill, Theme::colorBDA46B());
    }

private:
    const double& m_fraction;
};

} // namespace

UsageCard::UsageCard(QWidget* parent) : QWidget(parent) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(10, 14, 10, 14);
    column->setSpacing(10);
    auto* line = new QHBoxLayout;
    line->setContentsMargins(0, 0, 0, 0);
    line->addWidget(new MetaText(QStringLiteral("云端额度"), Theme::color797168(), this));
    line->addStretch(1);
    m_value = new MetaText(QString(), Theme::colorBDA46B(), this);
    line->addWidget(m_value);
    column->addLayout(line);
    m_bar = new UsageBar(m_fraction, this);
    column->addWidget(m_bar);
}

void UsageCard::setUsage(const QString& text, double fraction) {
    m_value->setText(text);
    m_fraction = fraction;
    m_bar->update();
}

QString UsageCard::text() const {
    return m_value->text();
}

void UsageCard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintHairline(painter, QRectF(0, 0, width(), 1));
}

} // namespace tolvane
