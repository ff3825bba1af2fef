#include "onboarding/step_dots.h"

#include <QPainter>
#include <QPainterPath>

namespace tolvane {

StepDots::StepDots(QColor current, QColor other, QWidget* parent)
    : QWidget(parent), m_current(std::move(current)), m_other(std::move(other)) {
    for (int index = 0; index < stepCount; ++index) {
        m_widths[index] = index == 0 ? currentWidth : dotSize;
        auto animation = std::make_unique<QVariantAnimation>();
        animation->setDuration(animationMs);
        animation->setEasingCurve(QEasingCurve::OutCubic);
        connect(animation.get(), &QVariantAnimation::valueChanged, this,
                [this, index](const QVariant& value) {
                    m_widths[index] = value.toReal();
                    update();
                });
        m_animations[index] = std::move(animation);
    }
    setFixedSize(sizeHint());
    setStep(0, false);
}

void StepDots::setStep(int step, bool animated) {
    m_step = std::clamp(step, 0, stepCount - 1);
    for (int index = 0; index < stepCount; ++index) {
        const qreal target = index == m_step ? currentWidth : dotSize;
        QVariantAnimation& animation = *m_animations[index];
        animation.stop();
        if (animated && !qFuzzyCompare(m_widths[index], target)) {
            animation.setStartValue(m_widths[index]);
            animation.setEndValue(target);
            animation.start();
        } else {
            m_widths[index] = target;
        }
    }
    setAccessibleName(tr("第 %1 步，共 %2 步").arg(m_step + 1).arg(stepCount));
    update();
}

bool StepDots::isAnimating() const {
    for (const auto& animation : m_animations)
        if (animation->state() == QAbstractAnimation::Running)
            return true;
    return false;
}

QSize StepDots::sizeHint() const {
    return QSize(int(currentWidth + (stepCount - 1) * (dotSize + spacing)), int(dotSize));
}

void StepDots::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    // Laid out from the right edge, so the row keeps its trailing edge while widths change.
    qreal total = (stepCount - 1) * spacing;
    for (qreal width : m_widths)
        total += width;
    qreal x = width() - total;
    for (int index = 0; index < stepCount; ++index) {
        painter.setBrush(index == m_step ? m_current : m_other);
        painter.drawRoundedRect(QRectF(x, 0, m_widths[index], dotSize), dotSize / 2, dotSize / 2);
        x += m_widths[index] + spacing;
    }
}

} // namespace tolvane
