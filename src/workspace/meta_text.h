#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>

namespace tolvane {

// The workspace's small caption: the mono semibold face at 9, tracked by 0.7, on one line, elided at the
// end when it does not fit. Reads as its text to assistive technologies.
class MetaText : public QWidget {
    Q_OBJECT

public:
    MetaText(const QString& text, const QColor& color, QWidget* parent = nullptr);

    static QFont font();

    void setText(const QString& text);
    const QString& text() const { return m_text; }
    void setColor(const QColor& color);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
    QColor m_color;
};

} // namespace tolvane
