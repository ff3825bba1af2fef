#include "workspace/tool_rail.h"

#include "model/app_settings.h"
#include "ui/theme.h"
#include "workspace/glossary_editor.h"
#include "workspace/popover.h"
#include "workspace/rail_button.h"
#include "workspace/style_quick_picker.h"
#include "workspace/workspace_paint.h"

#include <QEvent>
#include <QPainter>
#include <QVBoxLayout>

namespace tolvane {
namespace {

QString autoSelectionLabel(bool enabled) {
    return enabled ? QStringLiteral("关闭自动划词") : QStringLiteral("开启自动划词");
}

// The content's preferred size within its own limits (the popovers' contents have a fixed width).
QSize preferredSize(const QWidget* content) {
    return content->sizeHint().expandedTo(content->minimumSize()).boundedTo(content->maximumSize());
}

// Keeps a popover as large as its content while the content's layout changes (glossary rows come and go).
// The first control of `content` that Tab stops at, or null.
QWidget* firstTabStop(QWidget* content) {
    for (QWidget* widget = content->nextInFocusChain(); widget && widget != content;
         widget = widget->nextInFocusChain()) {
        if (content->isAncestorOf(widget) && widget->isVisibleTo(content) && widget->isEnabled() &&
            (widget->focusPolicy() & Qt::TabFocus))
            return widget;
    }
    return nullptr;
}

class PopoverSizer final : public QObject {
public:
    PopoverSizer(Popover* popover, QWidget* content)
        : QObject(popover), m_popover(popover), m_content(content) {
        content->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_content && event->type() == QEvent::LayoutRequest)
            m_popover->setFixedSize(preferredSize(m_content));
        return false;
    }

private:
    Popover* m_popover;
    QWidget* m_content;
};

} // namespace

ToolRail::ToolRail(AppSettings& settings, bool isSnapshotMode, Actions actions, QWidget* parent)
    : QWidget(parent), m_settings(settings), m_isSnapshotMode(isSnapshotMode), m_actions(std::move(actions)) {
    setObjectName(QStringLiteral("ToolRail"));
    setFixedWidth(72);
    m_translate = new RailButton(PencilIconAsset::railTranslate, QStringLiteral("翻译"), true, this);
    m_capture = new RailButton(PencilIconAsset::railCapture, QStringLiteral("截图取词"), false, this);
    m_history = new RailButton(PencilIconAsset::railHistory, QStringLiteral("历史记录"), false, this);
    m_styles = new RailButton(PencilIconAsset::railStyles, QStringLiteral("翻译风格"), false, this);
    m_glossary = new RailButton(PencilIconAsset::railGlossary, QStringLiteral("术语库"), false, this);
    m_autoSelection = new RailButton(PencilIconAsset::railAutoSelection, QString(), false, this);
    m_settingsButton = new RailButton(PencilIconAsset::railSettings, QStringLiteral("设置"), false, this);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 18, 0, 18);
    column->setSpacing(10);
    for (RailButton* button : {m_translate, m_capture, m_history, m_styles, m_glossary})
        column->addWidget(button, 0, Qt::AlignHCenter);
    column->addStretch(1);
    column->addWidget(m_autoSelection, 0, Qt::AlignHCenter);
    column->addWidget(m_settingsButton, 0, Qt::AlignHCenter);

    const auto call = [](const std::function<void()>& action) {
        return [action] {
            if (action)
                action();
        };
    };
    connect(m_translate, &QAbstractButton::clicked, this, call(m_actions.onTranslate));
    connect(m_capture, &QAbstractButton::clicked, this, call(m_actions.onCapture));
    connect(m_history, &QAbstractButton::clicked, this, call(m_actions.onHistory));
    connect(m_settingsButton, &QAbstractButton::clicked, this, call(m_actions.onSettings));
    connect(m_styles, &QAbstractButton::clicked, this, &ToolRail::toggleStylePicker);
    connect(m_glossary, &QAbstractButton::clicked, this, &ToolRail::toggleGlossary);
    connect(m_autoSelection, &QAbstractButton::clicked, this, &ToolRail::toggleAutoSelection);
    connect(&settings, &AppSettings::autoSelectionButtonEnabledChanged, this,
            &ToolRail::refreshAutoSelection);
    refreshAutoSelection();
}

void ToolRail::toggleStylePicker() {
    if (m_stylePopover)
        m_stylePopover->close();
    else {
        auto* picker = new StyleQuickPicker(m_settings);
        openPopover(m_stylePopover, m_styles, picker, picker->currentRow());
    }
}

void ToolRail::toggleGlossary() {
    if (m_glossaryPopover)
        m_glossaryPopover->close();
    else {
        auto* editor = new GlossaryEditor(m_settings);
        openPopover(m_glossaryPopover, m_glossary, editor, firstTabStop(editor));
    }
}

void ToolRail::openPopover(QPointer<Popover>& slot, RailButton* anchor, QWidget* content,
                           QWidget* firstFocus) {
    content->ensurePolished();
    auto* popover = new Popover(anchor, PopoverEdge::right, preferredSize(content), Theme::color1D1916());
    auto* layout = new QVBoxLayout(popover);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(content);
    new PopoverSizer(popover, content);
    slot = popover;
    // The flag follows every close (outside click, Escape, the button again), so the next click opens.
    connect(popover, &Popover::dismissed, this, [&slot, popover] {
        if (slot == popover)
            slot = nullptr;
        popover->deleteLater();
    });
    popover->present();
    // A pop-up takes the keys, but none of its controls holds them until one is given them.
    if (firstFocus)
        firstFocus->setFocus(Qt::PopupFocusReason);
}

void ToolRail::toggleAutoSelection() {
    if (!m_isSnapshotMode)
        m_settings.setAutoSelectionButtonEnabled(!m_settings.autoSelectionButtonEnabled());
}

void ToolRail::refreshAutoSelection() {
    const bool enabled = m_settings.autoSelectionButtonEnabled();
    m_autoSelection->setLabel(autoSelectionLabel(enabled));
    m_autoSelection->setSelected(enabled && !m_isSnapshotMode);
    m_autoSelection->update();
}

void ToolRail::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Theme::color0E0C0A());
    paintHairline(painter, trailingHairline(QRectF(rect())));
}

} // namespace tolvane
