#include "panel/result_panel_header.h"

#include "model/language_table.h"
#include "panel/result_panel_picker.h"
#include "panel/result_panel_settings.h"
#include "panel/result_panel_status.h"
#include "panel/result_panel_workflow.h"
#include "ui/icon_provider.h"
#include "ui/language_picker.h"
#include "ui/theme.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QToolButton>
#include <QWindow>
#include <optional>

namespace tolvane {
namespace {

constexpr int iconSize = 16;
constexpr int titleWidth = 76;

} // namespace

ResultPanelHeader::ResultPanelHeader(ResultPanelWorkflow* workflow, ResultPanelSettings* settings,
                                     QWidget* parent)
    : QWidget(parent), m_workflow(workflow), m_settings(settings) {
    setFixedHeight(44);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 0, 14, 0);
    layout->setSpacing(10);

    m_icon = new QLabel(this);
    m_icon->setFixedSize(iconSize, iconSize);
    m_title = new QLabel(this);
    m_title->setFixedWidth(titleWidth);
    QFont titleFont = Theme::subheadline();
    titleFont.setWeight(QFont::DemiBold);
    m_title->setFont(titleFont);
    m_source = makePanelPicker(QStringLiteral("源语言"), 104, this);
    auto* arrow = new QLabel(this);
    arrow->setPixmap(IconProvider::shared().symbolPixmap(QStringLiteral("arrow.right"), 10,
                                                         Theme::secondaryLabelColor(), devicePixelRatioF()));
    m_target = makePanelPicker(QStringLiteral("目标语言"), 128, this);
    m_close = new QToolButton(this);
    m_close->setAutoRaise(true);
    m_close->setToolTip(QStringLiteral("关闭（点按面板后也可按 Esc）"));
    m_close->setAccessibleName(QStringLiteral("关闭"));
    m_close->setIcon(IconProvider::shared().symbolPixmap(QStringLiteral("xmark"), 12,
                                                         Theme::secondaryLabelColor(), devicePixelRatioF()));
    m_close->setFocusPolicy(Qt::NoFocus);
    m_close->setStyleSheet(QStringLiteral("QToolButton{border:none;background:transparent;padding:2px}"));

    layout->addWidget(m_icon);
    layout->addWidget(m_title);
    layout->addWidget(m_source);
    layout->addWidget(arrow);
    layout->addWidget(m_target);
    layout->addStretch(1);
    layout->addWidget(m_close);

    connect(m_close, &QToolButton::clicked, this, [this] { m_workflow->dismissPanel(); });
    connect(m_source, &QComboBox::activated, this,
            [this](int index) { m_settings->setSourceLanguage(m_source->itemData(index).toString()); });
    connect(m_target, &QComboBox::activated, this,
            [this](int index) { m_settings->setTargetLanguage(m_target->itemData(index).toString()); });
    refresh();
}

void ResultPanelHeader::refresh() {
    const StatusPresentation presentation =
        statusPresentation(m_workflow->status(), m_workflow->isManualInputMode());
    if (presentation.symbolName != m_symbol || presentation.tint != m_tint) {
        m_symbol = presentation.symbolName;
        m_tint = presentation.tint;
        m_icon->setPixmap(
            IconProvider::shared().symbolPixmap(m_symbol, iconSize, m_tint, devicePixelRatioF()));
    }
    if (presentation.title != m_titleText) {
        m_titleText = presentation.title;
        m_title->setText(QFontMetrics(m_title->font()).elidedText(m_titleText, Qt::ElideRight, titleWidth));
    }
    fillLanguagePicker(m_source, languagePickerRows(sourceLanguages()), m_settings->sourceLanguage());
    fillLanguagePicker(m_target, languagePickerRows(targetLanguages()), m_settings->targetLanguage());
}

void ResultPanelHeader::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    QWindow* handle = window()->windowHandle();
    // Without a window manager the system move is refused; then the panel follows the pointer by hand.
    if (handle && handle->startSystemMove())
        return;
    m_dragOffset = event->globalPosition().toPoint() - window()->pos();
}

void ResultPanelHeader::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragOffset)
        window()->move(event->globalPosition().toPoint() - *m_dragOffset);
}

void ResultPanelHeader::mouseReleaseEvent(QMouseEvent*) {
    m_dragOffset.reset();
}

} // namespace tolvane
