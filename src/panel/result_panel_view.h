#pragma once

#include "model/cloud_translation_quality.h"
#include "model/translation_engine.h"

#include <QString>
#include <QUuid>
#include <QWidget>
#include <optional>

class QStackedWidget;

namespace tolvane {

class ResultPanelFooter;
class ResultPanelHeader;
class ResultPanelManualBody;
class ResultPanelReadingBody;
class ResultPanelSettings;
class ResultPanelWorkflow;

// How the panel's container is painted: see-through needs a compositing manager; without one the panel
// is opaque and its corners are cut by a mask.
enum class PanelBackdrop { translucent, opaque };

// The whole content of the floating result panel: header, reading or manual-input body, footer, in a
// rounded dark container. It only reads the workflow and the settings and calls their operations.
//
// Reactions to changes of the settings and of the manual-input mode run on a later event-loop turn,
// coalesced (never inside a coordinator's change signal), and only for real changes: a setting changed
// and changed back within one turn does nothing; while the panel is hidden the last-seen values are kept
// up to date, so showing it later re-translates nothing.
class ResultPanelView : public QWidget {
    Q_OBJECT

public:
    static constexpr int panelWidth = 520;
    static constexpr int panelHeight = 320;
    static constexpr qreal cornerRadius = 12;

    ResultPanelView(ResultPanelWorkflow* workflow, ResultPanelSettings* settings, QWidget* parent = nullptr);
    ~ResultPanelView() override;

    void setBackdrop(PanelBackdrop backdrop);
    PanelBackdrop backdrop() const { return m_backdrop; }

    const QString& manualInputText() const { return m_manualInputText; }
    bool manualInputFocused() const { return m_manualInputFocused; }
    // The text in the manual editor; an edit in manual mode is handed to the workflow.
    void setManualInputText(const QString& text);
    // Runs the reactions waiting for the next turn now. A caller about to start a translation of its own
    // after changing a setting calls this first, so the panel's re-translation cannot replace it.
    void flushPendingChanges();

    ResultPanelHeader* header() const { return m_header; }
    ResultPanelReadingBody* readingBody() const { return m_reading; }
    ResultPanelManualBody* manualBody() const { return m_manual; }
    ResultPanelFooter* footer() const { return m_footer; }
    QStackedWidget* body() const { return m_body; }

Q_SIGNALS:
    void manualInputTextChanged(const QString& text);
    void manualInputFocusedChanged(bool focused);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct SettingsSnapshot {
        QString sourceLanguage;
        QString targetLanguage;
        std::optional<TranslationEngine> engine;
        CloudTranslationQuality quality{};
        QString style;
        friend bool operator==(const SettingsSnapshot&, const SettingsSnapshot&) = default;
    };
    SettingsSnapshot currentSettings() const;

    void render();
    void renderBody();
    void scheduleFlush();
    void flush();
    void refillManualInput();
    void setManualInputFocused(bool focused);

    ResultPanelWorkflow* m_workflow;
    ResultPanelSettings* m_settings;
    ResultPanelHeader* m_header;
    QStackedWidget* m_body;
    ResultPanelReadingBody* m_reading;
    ResultPanelManualBody* m_manual;
    ResultPanelFooter* m_footer;
    PanelBackdrop m_backdrop = PanelBackdrop::opaque;

    QString m_manualInputText;
    bool m_manualInputFocused = false;
    int m_focusRequest = 0;

    // Last-seen values of the deferred handlers.
    SettingsSnapshot m_seenSettings;
    bool m_seenManualMode = false;
    QUuid m_seenSessionID;
    bool m_flushScheduled = false;
};

} // namespace tolvane
