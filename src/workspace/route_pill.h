#pragma once

#include <QString>
#include <QWidget>

namespace tolvane {

// The route label in the title bar: a gold dot and the route as a caption in a faint gold pill of fixed
// size. No action; reads as its text.
class RoutePill : public QWidget {
    Q_OBJECT

public:
    static constexpr QSize size{150, 26};

    explicit RoutePill(QWidget* parent = nullptr);

    void setText(const QString& text);
    const QString& text() const { return m_text; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
};

} // namespace tolvane
