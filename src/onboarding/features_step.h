#pragma once

#include <QList>
#include <QWidget>

namespace tolvane {

class OnboardingCard;

// The guide's second page: what the application does, as a title block and three feature cards.
class FeaturesStep final : public QWidget {
    Q_OBJECT

public:
    explicit FeaturesStep(QWidget* parent = nullptr);

    const QList<OnboardingCard*>& cards() const { return m_cards; }

private:
    QList<OnboardingCard*> m_cards;
};

// The features page's title block: a large title over a wrapped subtitle.
QWidget* makeGuideTitleBlock(const QString& title, const QString& subtitle, QWidget* parent = nullptr);

} // namespace tolvane
