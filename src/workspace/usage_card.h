#pragma once

#include <QWidget>

namespace tolvane {

class MetaText;

// The foot of the sidebar: hosted-service characters used against the period's limit, as text and bar.
class UsageCard : public QWidget {
    Q_OBJECT

public:
    explicit UsageCard(QWidget* parent = nullptr);
    void setUsage(const QString& text, double fraction);
    QString text() const;
    double fraction() const { return m_fraction; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    MetaText* m_value;
    QWidget* m_bar;
    double m_fraction = 0;
};

} // namespace tolvane
