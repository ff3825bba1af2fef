#pragma once

#include <QColor>
#include <QVariantAnimation>
#include <QWidget>
#include <array>
#include <memory>

namespace tolvane {

// The guide's step indicator: one capsule per step, the current one long and coloured. Painted as one
// accessible element naming the step; a step change animates the widths.
class StepDots final : public QWidget {
    Q_OBJECT

public:
    static constexpr int stepCount = 4;
    static constexpr qreal dotSize = 7;
    static constexpr qreal currentWidth = 26;
    static constexpr qreal spacing = 7;
    static constexpr int animationMs = 180;

    StepDots(QColor current, QColor other, QWidget* parent = nullptr);

    // Moves the highlight; without `animated` the widths jump.
    void setStep(int step, bool animated);
    int step() const { return m_step; }
    qreal dotWidth(int index) const { return m_widths[index]; }
    bool isAnimating() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_current;
    QColor m_other;
    int m_step = 0;
    std::array<qreal, stepCount> m_widths{};
    std::array<std::unique_ptr<QVariantAnimation>, stepCount> m_animations;
};

} // namespace tolvane
