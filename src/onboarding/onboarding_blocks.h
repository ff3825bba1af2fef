#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>

class QLabel;

namespace tolvane {

// A rounded card: a filled rounded rectangle with a thin outline, painted behind its children.
class OnboardingCard final : public QWidget {
    Q_OBJECT

public:
    OnboardingCard(qreal radius, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    qreal m_radius;
};

// A 1 px #2B2824 line across its parent: the frame's and the cards' dividers.
QWidget* makeGuideRule();
// A label in the given font and colour; word-wrapped when asked. Plain text only.
QLabel* makeGuideLabel(const QString& text, const QFont& font, const QColor& color, bool wrap = false,
                       QWidget* parent = nullptr);
// The header of the permissions and workflow steps: a semibold title over a body-text subtitle, 8 apart.
QWidget* makeGuideStepHeader(const QString& title, const QString& subtitle, QWidget* parent = nullptr);
// A tinted symbol, `size` pixels square, in a label hidden from accessibility.
QLabel* makeGuideSymbol(const QString& symbol, int size, const QColor& color, QWidget* parent = nullptr);
// Replaces a symbol label's picture.
void setGuideSymbol(QLabel* label, const QString& symbol, int size, const QColor& color);

} // namespace tolvane
