#pragma once

#include "settings/settings_page.h"

#include <QAbstractButton>
#include <QFrame>
#include <QWidget>
#include <functional>
#include <map>

class QButtonGroup;
class QLabel;
class QVBoxLayout;

namespace tolvane {

// The row of page buttons at the top of the settings window: one checkable tile per page, exactly one
// checked. Choosing a tile emits pageSelected and nothing else.
class SettingsToolbar final : public QWidget {
    Q_OBJECT

public:
    explicit SettingsToolbar(QWidget* parent = nullptr);

    // Checks the page's tile and makes it the row's one Tab stop (the focus follows if the row has it).
    void select(SettingsPage page);
    QAbstractButton* button(SettingsPage page) const;

Q_SIGNALS:
    void pageSelected(SettingsPage page);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QButtonGroup* m_group;
};

// A page's frame: a 310 wide column with eyebrow, serif title, subtitle and an optional badge, then the
// page's content filling the rest.
QWidget* makeSettingsPageLayout(const QString& eyebrow, const QString& title, const QString& subtitle,
                                const QString& badge, QWidget* content, QWidget* parent);

// A vertical stack of cards and rows 18 apart, the content of a page.
QWidget* makeSettingsStack(const QList<QWidget*>& children, QWidget* parent);

// A titled card; rows added to it are separated by indented dividers.
class SettingsCard final : public QWidget {
    Q_OBJECT

public:
    SettingsCard(const QString& title, QWidget* parent = nullptr);

    // Adds a row, with a divider before every row but the first.
    void addRow(QWidget* row);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QVBoxLayout* m_rows;
    int m_rowCount = 0;
};

// A setting's row: an optional icon tile, title and detail, and a control. The control sits on the right
// when everything fits the width, else below the label.
class SettingsControlRow final : public QWidget {
    Q_OBJECT

public:
    SettingsControlRow(const QString& title, const QString& detail, const QString& symbol, QWidget* control,
                       QWidget* parent = nullptr);

    void setTitle(const QString& title);
    void setDetail(const QString& detail);
    void setSymbol(const QString& symbol);
    QString title() const;
    bool isStacked() const { return m_stacked; }
    QWidget* control() const { return m_control; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    bool fitsSideBySide(int width) const;
    QSize controlSize() const;
    int labelIdealWidth() const;
    void arrange();

    QLabel* m_icon = nullptr;
    QLabel* m_title;
    QLabel* m_detail;
    QWidget* m_label;
    QWidget* m_control;
    bool m_stacked = false;
};

// A toggle row: title and detail with a switch.
SettingsControlRow* makeSettingsToggleRow(const QString& title, const QString& detail, bool on,
                                          std::function<void(bool)> onToggle, QWidget* parent);

// A permission's state: checkmark in sage when granted, else an exclamation mark in gold.
class SettingsStatusBadge final : public QWidget {
    Q_OBJECT

public:
    explicit SettingsStatusBadge(QWidget* parent = nullptr);

    void setState(const QString& title, bool granted, const QString& toolTip);
    QString text() const;
    bool isGranted() const { return m_granted; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* m_icon;
    QLabel* m_text;
    bool m_granted = false;
};

// An information line in a gold-tinted box. Plain, selectable text; hidden while the message is empty, so
// it takes no space.
class SettingsNotice final : public QWidget {
    Q_OBJECT

public:
    explicit SettingsNotice(QWidget* parent = nullptr);

    void setMessage(const QString& message);
    QString message() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* m_text;
};

// An icon label of a symbol in the given colour.
QLabel* makeSymbolLabel(const QString& symbol, int size, const QColor& color, QWidget* parent);

} // namespace tolvane
