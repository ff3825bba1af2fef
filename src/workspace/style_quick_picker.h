#pragma once

#include "model/translation_style.h"

#include <QAbstractButton>
#include <QList>
#include <QWidget>

namespace tolvane {

class AppSettings;

// One style of the picker: a check mark, the style's name over its one-line description. Checkable so
// that the selection reaches assistive technologies; a click never toggles it (the picker sets it).
class StyleRow : public QAbstractButton {
    Q_OBJECT

public:
    StyleRow(TranslationStyle style, QWidget* parent = nullptr);

    TranslationStyle style() const { return m_style; }
    QSize sizeHint() const override { return {272, 48}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    // Return and Enter choose the row, as Space and a click do.
    void keyPressEvent(QKeyEvent* event) override;
    void nextCheckState() override {}

private:
    TranslationStyle m_style;
    QString m_description;
};

// The styles popover's content: the four translation styles, one click selects one. The check marks
// follow the stored style, wherever it changes.
class StyleQuickPicker : public QWidget {
    Q_OBJECT

public:
    explicit StyleQuickPicker(AppSettings& settings, QWidget* parent = nullptr);

    const QList<StyleRow*>& rows() const { return m_rows; }
    // The row of the stored style, where the keys start.
    StyleRow* currentRow() const;

private:
    void refresh();

    AppSettings& m_settings;
    QList<StyleRow*> m_rows;
};

} // namespace tolvane
