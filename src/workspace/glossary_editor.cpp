#include "workspace/glossary_editor.h"

#include "model/app_settings.h"
#include "ui/dark_controls.h"
#include "ui/icon_provider.h"
#include "ui/theme.h"
#include "workspace/text_label.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

namespace tolvane {
namespace {

constexpr int rowSpacing = 8;
constexpr int listMaximumHeight = 260;

QPixmap symbol(const QString& name, qreal size, const QColor& color, const QWidget* widget) {
    return IconProvider::shared().symbolPixmap(name, size, color, widget->devicePixelRatioF());
}

} // namespace

GlossaryRow::GlossaryRow(QUuid id, QWidget* parent) : QWidget(parent), m_id(id) {
    auto* line = new QHBoxLayout(this);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(8);
    m_source = new QLineEdit(this);
    m_source->setPlaceholderText(QStringLiteral("原词"));
    m_target = new QLineEdit(this);
    m_target->setPlaceholderText(QStringLiteral("指定译法"));
    auto* arrow = new QLabel(this);
    arrow->setPixmap(symbol(QStringLiteral("arrow.right"), 12, Theme::colorBDA46B(), this));
    m_delete = new QToolButton(this);
    m_delete->setAutoRaise(true);
    m_delete->setIcon(QIcon(symbol(QStringLiteral("trash"), 13, Theme::systemRed(), this)));
    m_delete->setToolTip(QStringLiteral("删除术语"));
    m_delete->setAccessibleName(QStringLiteral("删除术语"));
    line->addWidget(m_source, 1);
    line->addWidget(arrow);
    line->addWidget(m_target, 1);
    line->addWidget(m_delete);
}

GlossaryEditor::GlossaryEditor(AppSettings& settings, QWidget* parent)
    : QWidget(parent), m_settings(settings) {
    setFixedWidth(500);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(12);

    auto* header = new QHBoxLayout;
    auto* titles = new QVBoxLayout;
    titles->setSpacing(3);
    titles->addWidget(textLabel(QStringLiteral("术语库"), Theme::headline(), Theme::colorE9E1D4(), this));
    titles->addWidget(textLabel(QStringLiteral("翻译时优先使用指定译法；只保存到本机。"), Theme::caption(),
                                Theme::color797168(), this));
    header->addLayout(titles);
    header->addStretch(1);
    m_add = new QPushButton(QIcon(symbol(QStringLiteral("plus"), 12, Theme::colorE9E1D4(), this)),
                            QStringLiteral("添加术语"), this);
    header->addWidget(m_add);
    column->addLayout(header);

    m_empty = textLabel(QStringLiteral("还没有术语。添加产品名、专业词或固定译法。"), Theme::callout(),
                        Theme::color797168(), this);
    m_empty->setAlignment(Qt::AlignCenter);
    m_empty->setMinimumHeight(110);
    column->addWidget(m_empty);

    auto* content = new QWidget;
    m_list = new QVBoxLayout(content);
    m_list->setContentsMargins(0, 0, 0, 0);
    m_list->setSpacing(rowSpacing);
    m_scroll = new QScrollArea(this);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    useDarkScrollBars(m_scroll);
    m_scroll->setWidget(content);
    column->addWidget(m_scroll);

    m_count = textLabel(QString(), Theme::caption(), Theme::color797168(), this);
    column->addWidget(m_count);

    connect(m_add, &QPushButton::clicked, this, [this] { m_settings.addGlossaryTerm(); });
    connect(&settings, &AppSettings::glossaryTermsChanged, this, &GlossaryEditor::reconcile);
    reconcile();
}

QList<GlossaryRow*> GlossaryEditor::rows() const {
    QList<GlossaryRow*> rows;
    for (const QUuid& id : m_order)
        rows << m_rows.value(id);
    return rows;
}

bool GlossaryEditor::showsEmptyState() const {
    return !m_empty->isHidden();
}

void GlossaryEditor::edit(const QUuid& id, bool source, const QString& text) {
    for (GlossaryTerm term : m_settings.glossaryTerms()) {
        if (term.id != id)
            continue;
        (source ? term.source : term.target) = text;
        m_settings.updateGlossaryTerm(term);
        return;
    }
}

void GlossaryEditor::reconcile() {
    const QList<GlossaryTerm> terms = m_settings.glossaryTerms();
    QList<QUuid> order;
    for (const GlossaryTerm& term : terms)
        order << term.id;

    // Rows of terms that are gone go on a later turn: the click that removed one is still running in it.
    for (auto it = m_rows.begin(); it != m_rows.end();) {
        if (order.contains(it.key())) {
            ++it;
            continue;
        }
        m_list->removeWidget(*it);
        (*it)->hide();
        (*it)->deleteLater();
        it = m_rows.erase(it);
    }
    for (const GlossaryTerm& term : terms) {
        GlossaryRow* row = m_rows.value(term.id);
        if (!row) {
            row = new GlossaryRow(term.id, m_list->parentWidget());
            const QUuid id = term.id;
            connect(row->sourceField(), &QLineEdit::textEdited, this,
                    [this, id](const QString& text) { edit(id, true, text); });
            connect(row->targetField(), &QLineEdit::textEdited, this,
                    [this, id](const QString& text) { edit(id, false, text); });
            connect(row->deleteButton(), &QToolButton::clicked, this,
                    [this, id] { m_settings.removeGlossaryTerm(id); });
            m_rows.insert(term.id, row);
        }
        // Only a field that differs is written: the one being typed in already holds its text.
        if (row->sourceField()->text() != term.source)
            row->sourceField()->setText(term.source);
        if (row->targetField()->text() != term.target)
            row->targetField()->setText(term.target);
    }
    if (order != m_order) {
        for (const QUuid& id : order)
            m_list->removeWidget(m_rows.value(id));
        for (qsizetype i = 0; i < order.size(); ++i)
            m_list->insertWidget(int(i), m_rows.value(order[i]));
        m_order = order;
    }

    const bool empty = terms.isEmpty();
    m_empty->setVisible(empty);
    m_scroll->setVisible(!empty);
    if (!empty) {
        const int rowHeight = m_rows.value(order.first())->sizeHint().height();
        const int content = int(terms.size()) * rowHeight + int(terms.size() - 1) * rowSpacing;
        m_scroll->setFixedHeight(std::min(content, listMaximumHeight));
    }
    m_count->setText(QStringLiteral("已启用 %1 条").arg(m_settings.activeGlossaryTerms().size()));
}

} // namespace tolvane
