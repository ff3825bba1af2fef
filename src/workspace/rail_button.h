#pragma once

#include "ui/pencil_icon_asset.h"

#include <QAbstractButton>

namespace tolvane {

// A square tool button of the rail, 40 x 40: only its icon shows, the label is the tooltip and the
// accessible name. A selected button is gold on a faint gold ground with a gold ring; it is checkable so
// that assistive technologies read the selection, but a click never toggles it (the owner sets it), and
// their press or toggle action clicks it.
class RailButton : public QAbstractButton {
    Q_OBJECT

public:
    RailButton(PencilIconAsset icon, const QString& label, bool selected, QWidget* parent = nullptr);

    void setLabel(const QString& label);
    void setSelected(bool selected) { setChecked(selected); }
    bool isSelected() const { return isChecked(); }
    QSize sizeHint() const override { return {40, 40}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void nextCheckState() override {}

private:
    PencilIconAsset m_icon;
};

} // namespace tolvane
