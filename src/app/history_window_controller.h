#pragma once

#include "ui/history_content_context.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace tolvane {

// The history window: an ordinary titled window in the desktop's own look, created on the first show and
// kept (closing only hides it). Every show puts a freshly built content in it, so the search, the list and
// any error start anew and the history is loaded again; the window is centred on the screen under the
// pointer, raised and activated. Store work the content starts runs under this controller.
class HistoryWindowController final : public QObject {
    Q_OBJECT

public:
    static constexpr QSize contentSize{720, 560};

    // `context.taskOwner` is set to the controller. `prepareWindow` runs once on the new window (the
    // application's commands are added there).
    HistoryWindowController(HistoryContentContext context, HistoryContentFactory factory,
                            std::function<void(QWidget*)> prepareWindow, QObject* parent = nullptr);
    ~HistoryWindowController() override;

    void show();

    QWidget* window() const { return m_window; }
    // The content of the latest show.
    QWidget* content() const { return m_content; }

private:
    void buildWindow();

    HistoryContentContext m_context;
    HistoryContentFactory m_factory;
    std::function<void(QWidget*)> m_prepareWindow;
    QPointer<QWidget> m_window;
    QPointer<QWidget> m_content;
};

} // namespace tolvane
