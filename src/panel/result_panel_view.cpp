#include "panel/result_panel_view.h"

#include "core/text.h"
#include "panel/result_panel_footer.h"
#include "panel/result_panel_header.h"
#include "panel/result_panel_manual_body.h"
#include "panel/result_panel_reading_body.h"
#include "panel/result_panel_settings.h"
#include "panel/result_panel_text_view.h"
#include "panel/result_panel_workflow.h"
#include "ui/native_text_editor.h"
#include "ui/theme.h"

#include <QFrame>
#include <QPainter>
#include <QPainterPath>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace tolvane {
namespace {

QFrame* makeDivider(QWidget* parent) {
    auto* divider = new QFrame(parent);
    divider->setFixedHeight(1);
    divider->setStyleSheet(QStringLiteral("background:rgba(255,255,255,18);border:none;"));
    return divider;
}

} // namespace

ResultPanelView::ResultPanelView(ResultPanelWorkflow* workflow, ResultPanelSettings* settings,
                                 QWidget* parent)
    : QWidget(parent), m_workflow(workflow), m_settings(settings) {
    setFixedSize(panelWidth, panelHeight);
    setAttribute(Qt::WA_TranslucentBackground);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_header = new ResultPanelHeader(workflow, settings, this);
    m_body = new QStackedWidget(this);
    m_reading = new ResultPanelReadingBody(m_body);
    m_manual = new ResultPanelManualBody(m_body);
    m_body->addWidget(m_reading);
    m_body->addWidget(m_manual);
    m_footer = new ResultPanelFooter(workflow, settings, this);
    layout->addWidget(m_header);
    layout->addWidget(makeDivider(this));
    layout->addWidget(m_body, 1);
    layout->addWidget(makeDivider(this));
    layout->addWidget(m_footer);

    m_seenSettings = currentSettings();
    m_seenManualMode = workflow->isManualInputMode();
    m_seenSessionID = workflow->manualInputSessionID();

    // Display follows every change at once; reactions that call the workflow wait for a later turn.
    connect(workflow, &ResultPanelWorkflow::statusChanged, this, &ResultPanelView::render);
    connect(workflow, &ResultPanelWorkflow::sourceTextChanged, this, &ResultPanelView::render);
    connect(workflow, &ResultPanelWorkflow::canPasteBackToSourceChanged, this, &ResultPanelView::render);
    connect(workflow, &ResultPanelWorkflow::resultTextChanged, this, [this] {
        renderBody();
        m_footer->refresh(m_manualInputText);
    });
    connect(workflow, &ResultPanelWorkflow::isManualInputModeChanged, this, [this] {
        render();
        scheduleFlush();
    });
    connect(workflow, &ResultPanelWorkflow::manualInputSessionIDChanged, this,
            &ResultPanelView::scheduleFlush);
    for (auto signal :
         {&ResultPanelSettings::sourceLanguageChanged, &ResultPanelSettings::targetLanguageChanged,
          &ResultPanelSettings::translationEngineChanged,
          &ResultPanelSettings::cloudTranslationQualityChanged,
          &ResultPanelSettings::translationStyleChanged})
        connect(settings, signal, this, [this] {
            m_header->refresh();
            m_footer->refresh(m_manualInputText);
            scheduleFlush();
        });

    // The panel's views hold no text while it is hidden; shown again, they get the current text.
    for (ResultPanelTextView* text :
         {m_reading->sourceView(), m_reading->resultView(), m_manual->resultView()})
        connect(text, &ResultPanelTextView::textWanted, this, &ResultPanelView::renderBody);

    NativeTextEditor* editor = m_manual->editor();
    connect(editor, &NativeTextEditor::textEdited, this, &ResultPanelView::setManualInputText);
    connect(editor, &NativeTextEditor::editingChanged, this, [this](bool editing) {
        if (m_manualInputFocused != editing) {
            m_manualInputFocused = editing;
            Q_EMIT manualInputFocusedChanged(editing);
        }
    });
    render();
}

ResultPanelView::~ResultPanelView() {
    // The editor is destroyed after this object's own members and may still report losing focus then.
    m_manual->editor()->disconnect(this);
}

void ResultPanelView::setBackdrop(PanelBackdrop backdrop) {
    if (m_backdrop == backdrop)
        return;
    m_backdrop = backdrop;
    update();
}

ResultPanelView::SettingsSnapshot ResultPanelView::currentSettings() const {
    return {m_settings->sourceLanguage(), m_settings->targetLanguage(), m_settings->translationEngine(),
            m_settings->cloudTranslationQuality(), m_settings->translationStyleKey()};
}

void ResultPanelView::render() {
    m_header->refresh();
    m_body->setCurrentWidget(m_workflow->isManualInputMode() ? static_cast<QWidget*>(m_manual) : m_reading);
    renderBody();
    m_footer->refresh(m_manualInputText);
}

void ResultPanelView::renderBody() {
    const WorkflowStatus status = m_workflow->status();
    if (m_workflow->isManualInputMode())
        m_manual->showOutput(status, m_workflow->resultText());
    else
        m_reading->show(status, m_workflow->sourceText(), m_workflow->resultText());
}

void ResultPanelView::scheduleFlush() {
    if (m_flushScheduled)
        return;
    m_flushScheduled = true;
    QTimer::singleShot(0, this, &ResultPanelView::flush);
}

void ResultPanelView::flushPendingChanges() {
    if (m_flushScheduled)
        flush();
}

void ResultPanelView::flush() {
    m_flushScheduled = false;

    // 1. A translation setting really changed: translate the current text again, only while shown.
    const SettingsSnapshot settings = currentSettings();
    if (!(settings == m_seenSettings)) {
        m_seenSettings = settings;
        if (isVisible()) {
            const QString text =
                text::trimmed(m_workflow->isManualInputMode() ? m_manualInputText : m_workflow->sourceText());
            if (!text.isEmpty())
                m_workflow->retranslate(text, m_workflow->canPasteBackToSource());
        }
    }

    // 2. Manual mode entered or left.
    const bool manual = m_workflow->isManualInputMode();
    if (manual != m_seenManualMode) {
        m_seenManualMode = manual;
        if (manual) {
            refillManualInput();
        } else {
            setManualInputFocused(false);
            setManualInputText(QString());
        }
    }

    // 3. A new manual-input session, possibly while manual mode was already shown.
    const QUuid session = m_workflow->manualInputSessionID();
    if (session != m_seenSessionID) {
        m_seenSessionID = session;
        if (manual)
            refillManualInput();
    }
}

void ResultPanelView::refillManualInput() {
    setManualInputText(m_workflow->sourceText());
    QTimer::singleShot(0, this, [this] {
        if (m_workflow->isManualInputMode())
            setManualInputFocused(true);
    });
}

void ResultPanelView::setManualInputFocused(bool focused) {
    NativeTextEditor* editor = m_manual->editor();
    if (focused) {
        editor->setFocusRequest(++m_focusRequest);
    } else if (editor->hasFocus()) {
        editor->clearFocus();
    }
    if (m_manualInputFocused != focused) {
        m_manualInputFocused = focused;
        Q_EMIT manualInputFocusedChanged(focused);
    }
}

void ResultPanelView::setManualInputText(const QString& text) {
    if (text == m_manualInputText)
        return;
    m_manualInputText = text;
    m_manual->editor()->setText(text);
    m_manual->showCount(m_manual->editor()->text());
    m_footer->refresh(m_manualInputText);
    Q_EMIT manualInputTextChanged(text);
    // 4. Typed (or refilled) text goes to the workflow, which debounces and translates it.
    if (m_workflow->isManualInputMode())
        m_workflow->panelInputDidChange(text);
}

void ResultPanelView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect());
    QPainterPath container;
    container.addRoundedRect(bounds, cornerRadius, cornerRadius);
    if (m_backdrop == PanelBackdrop::translucent) {
        painter.fillPath(container, QColor(30, 30, 30, qRound(0.80 * 255)));
        painter.fillPath(container, QColor(0, 0, 0, qRound(0.28 * 255)));
    } else {
        painter.fillPath(container, QColor(0x16, 0x16, 0x16));
    }
    QPainterPath ring;
    const QRectF inset = bounds.adjusted(0.5, 0.5, -0.5, -0.5);
    ring.addRoundedRect(inset, cornerRadius - 0.5, cornerRadius - 0.5);
    painter.setPen(QPen(QColor(255, 255, 255, qRound(0.07 * 255)), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(ring);
}

} // namespace tolvane
