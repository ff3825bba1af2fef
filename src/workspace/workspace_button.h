#pragma once

#include "ui/pencil_icon_asset.h"

#include <QAbstractButton>
#include <QFont>
#include <QString>

namespace tolvane {

// The workspace's buttons: an icon and a title on a rounded ground, in one of four looks. Pressing dims the
// gold fill of the primary look and the label of the others; no look changes for disabled, hover or focus.
// Buttons take keyboard focus by Tab only, so a click never takes focus from the source editor.
class WorkspaceButton : public QAbstractButton {
    Q_OBJECT

public:
    enum class Style {
        primary,        // gold, 103 x 32: the title bar's translate button
        titleSecondary, // dark, 90 x 32: the title bar's capture button
        secondary,      // dark, 11 pixels either side of the label, 34 high: the result pane's actions
        outline,        // faint gold, sized like secondary: "translate again"
    };
    // What the button shows: an icon at `iconSize`, `spacing` pixels before the title, in `font`.
    struct Label {
        PencilIconAsset icon;
        QString title;
        qreal iconSize = 14;
        qreal spacing = 7;
        QFont font;
    };
    // The label of the result pane's actions: icon at 14, spacing 7, medium 12.
    static Label actionLabel(PencilIconAsset icon, const QString& title);

    WorkspaceButton(Style style, Label label, QWidget* parent = nullptr);

    Style style() const { return m_style; }
    const Label& label() const { return m_label; }
    void setLabel(Label label);

    // The label colour of the style, and the ground drawn behind it (pressed state included).
    QColor labelColor() const;
    QColor fillColor() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    qreal naturalLabelWidth() const;

    Style m_style;
    Label m_label;
};

// A plain icon button (no ground): the swap and clear buttons. Disabled, the icon is drawn faded.
class IconButton : public QAbstractButton {
    Q_OBJECT

public:
    IconButton(PencilIconAsset icon, qreal iconSize, const QColor& color, QSize frame,
               QWidget* parent = nullptr);

    QSize sizeHint() const override { return m_frame; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    PencilIconAsset m_icon;
    qreal m_iconSize;
    QColor m_color;
    QSize m_frame;
};

} // namespace tolvane
