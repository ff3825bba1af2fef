#pragma once

#include <QAbstractButton>

namespace tolvane {

// A painted on/off switch: a 38 x 22 track, sage when on, with a round knob. Checkable; Space toggles it.
// Its accessible name is set by the owner, since the switch shows no text of its own.
class SettingsSwitch final : public QAbstractButton {
    Q_OBJECT

public:
    explicit SettingsSwitch(QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace tolvane
