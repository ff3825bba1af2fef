#pragma once

#include <QPixmap>
#include <QWidget>

class QPushButton;

namespace tolvane {

class StepDots;

// Where the welcome page's sample card sits in a page of the given size: at most 360 x 188, centred at
// (0.5 W, 0.39 H).
QRectF sampleCardRect(QSizeF size);

// The guide's first page: the hero picture under a darkening gradient, a painted sample result card, the
// brand row with the step dots and "跳过引导", and the welcome text with its start button.
class WelcomeStep final : public QWidget {
    Q_OBJECT

public:
    // `hero` may be null: the gradient is then painted over the page colour.
    WelcomeStep(QPixmap hero, QWidget* parent = nullptr);

    StepDots* dots() const { return m_dots; }
    QPushButton* skipButton() const { return m_skip; }
    QPushButton* startButton() const { return m_start; }

Q_SIGNALS:
    void skipRequested();
    void startRequested();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void paintSampleCard(QPainter& painter, const QRectF& card);

    QPixmap m_hero;
    QPixmap m_scaledHero;
    StepDots* m_dots;
    QPushButton* m_skip;
    QPushButton* m_start;
};

} // namespace tolvane
