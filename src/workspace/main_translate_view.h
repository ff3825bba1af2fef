#pragma once

#include "ui/main_content_context.h"
#include "workspace/result_saver.h"

#include <QString>
#include <QWidget>

namespace tolvane {

class ResultPane;
class SettingsWatch;
class SignalSidebar;
class SourcePane;
class TitleBar;
class ToolRail;
struct HistoryEntry;
class WorkspaceControls;

// The main window's content: title bar, tool rail, history sidebar, language and style controls, source
// pane and result pane. It owns the typed text and keeps it in step with the coordinator's source text
// without echoes: the editor is written only through its outside side, and only the user's own edits are
// reported to the coordinator. While the user edits, a source text published by the coordinator (a
// translation started from another application) leaves the typed text alone; an untouched editor takes it.
//
// Changes of the translation settings translate the typed text again, and switching automatic translation
// on schedules it, but only while this window is shown and not minimised and the floating panel is hidden
// (the panel re-translates what it shows itself). A result left behind by changes made while the window was
// away is translated again once it is back. Every reaction runs on a later event-loop turn, coalesced, for
// real changes only. The window opens with the keyboard focus in the source editor.
class MainTranslateView : public QWidget {
    Q_OBJECT

public:
    static constexpr int railWidth = 72;
    static constexpr int sidebarWidth = 248;

    MainTranslateView(const MainContentContext& context, SaveLocationChooser chooseSaveLocation,
                      QWidget* parent = nullptr);
    ~MainTranslateView() override;

    // The factory the application's entry point hands to the shell.
    static MainContentFactory factory();

    // The width of the source pane for an editing area `width` wide.
    static int sourcePaneWidth(int width);

    const QString& inputText() const { return m_inputText; }
    bool isInputEditing() const { return m_isInputEditing; }
    bool isBusy() const;

    // The root actions of the rail and the sidebar.
    void requestInputFocus();
    void startNewTranslation();
    void reuseHistoryEntry(const HistoryEntry& entry);
    // Saves the result to a file the user chooses.
    void saveResultToFile();

    TitleBar* titleBar() const { return m_titleBar; }
    WorkspaceControls* controls() const { return m_controls; }
    SourcePane* sourcePane() const { return m_sourcePane; }
    ResultPane* resultPane() const { return m_resultPane; }
    ToolRail* rail() const { return m_rail; }
    SignalSidebar* sidebar() const { return m_sidebar; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void translate();
    void stop();
    void dropText(const QString& text);
    void clearInput();
    // Writes the typed text from outside (never reported back as an edit); false, with the text kept, when
    // the editor refuses it as too long.
    bool setInputText(const QString& text);
    void userEdited(const QString& text);
    void editingChanged(bool editing);
    void sourceTextPublished();
    void translationSettingsChanged();
    void autoTranslateChanged(bool on);
    // Back on screen: translates the result again when settings changed while away left it behind.
    void catchUpWithSettings();
    bool resultMatchesSettings() const;
    // Whether setting reactions apply: this window shown, not minimised, and the panel hidden.
    bool reactsToSettings() const;

    void refreshInputState();
    void refreshResult();
    void refreshStatus();
    void refreshSettings();

    MainContentContext m_context;
    SaveLocationChooser m_chooseSaveLocation;
    QString m_inputText;
    bool m_isInputEditing = false;
    int m_focusRequest = 0;
    // Translation settings changed while the reactions did not apply.
    bool m_settingsChangedWhileAway = false;
    // A dropped image is being recognised: its text takes the editor even while the user edits.
    bool m_awaitsRecognizedText = false;

    TitleBar* m_titleBar;
    ToolRail* m_rail;
    SignalSidebar* m_sidebar;
    WorkspaceControls* m_controls;
    SourcePane* m_sourcePane;
    ResultPane* m_resultPane;
    SettingsWatch* m_settingsWatch = nullptr;
};

} // namespace tolvane
