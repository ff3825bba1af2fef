#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>

namespace tolvane {

// The workspace's small caption: the mono semibold face at 9, tracked by 0.7, on one line, elided at the
// end when it does not fit, or, once set to wrap, on as many lines as it needs. Reads as its text to
// assistive technologies.
class MetaText : public QWidget {
    Q_OBJECT

public:
    MetaText(const QString& text, const QColor& color, QWidget* parent = nullptr);

    static QFont font();

    void setText(const QString& text);
    const QString& text() const { return m_text; }
    void setColor(const QColor& color);
    // Words that must be read whole (a refusal) wrap instead of being elided.
    void setWraps(bool wraps);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return m_wraps; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
    QColor m_color;
    bool m_wraps = false;
};

} // namespace tolvane
