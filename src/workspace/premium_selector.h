#pragma once

#include "ui/pencil_icon_asset.h"
#include "workspace/option_list.h"
#include "workspace/popover.h"

#include <QAbstractButton>
#include <QList>
#include <QPointer>
#include <QString>
#include <functional>

namespace tolvane {

// The workspace's drop-down: a fixed-width button showing the current value and a chevron; a click opens
// the list of options in a popover below it, and choosing one calls `onSelect` with its id and closes the
// list. The list opens with the keyboard (and its faint ground) on the current option, which assistive
// technologies read as the selected one; the button's title is the lasting sign of the value.
class PremiumSelector : public QAbstractButton {
    Q_OBJECT

public:
    static constexpr int height = 30;
    static constexpr int rowHeight = OptionList::rowHeight;
    static constexpr int rowSpacing = OptionList::rowSpacing;
    static constexpr int listPadding = OptionList::padding;
    static constexpr int minimumListWidth = 180;
    static constexpr int maximumListHeight = 280;

    // `isMeta` draws the title as a small monospaced caption in sage instead of the body text.
    PremiumSelector(qreal width, PencilIconAsset chevron, QList<PremiumSelectorOption> options, bool isMeta,
                    const QString& accessibilityLabel, std::function<void(const QString&)> onSelect,
                    QWidget* parent = nullptr);

    // The size of the option list for `optionCount` options under a button `width` wide.
    static QSize listSize(qreal width, int optionCount);

    // The current option's id, which the list marks, and the title the button shows for it.
    void setCurrent(const QString& id, const QString& title);
    const QString& title() const { return m_title; }
    const QList<PremiumSelectorOption>& options() const { return m_options; }

    bool isPresented() const { return m_list != nullptr; }
    // The open list, or null.
    Popover* list() const { return m_list; }
    // Chooses an option as a click on its row does.
    void choose(const QString& id);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void toggleList();

    qreal m_width;
    PencilIconAsset m_chevron;
    QList<PremiumSelectorOption> m_options;
    bool m_isMeta;
    std::function<void(const QString&)> m_onSelect;
    QString m_currentId;
    QString m_title;
    QPointer<Popover> m_list;
};

} // namespace tolvane
