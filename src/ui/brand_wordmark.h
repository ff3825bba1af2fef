#pragma once

#include <QWidget>

namespace tolvane {

// The brand name drawn as artwork, exactly `width` wide and width x 51 / 216 high.
class OndrelWordmark : public QWidget {
    Q_OBJECT

public:
    explicit OndrelWordmark(qreal width, QWidget* parent = nullptr);

    qreal wordmarkWidth() const { return m_width; }
    static QSizeF sizeFor(qreal width);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    qreal m_width;
};

} // namespace tolvane
