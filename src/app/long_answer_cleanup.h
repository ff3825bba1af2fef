#pragma once

#include "panel/result_panel_workflow.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>

namespace tolvane {

// Once a long answer has stopped streaming (completed, failed or stopped) and `answerShown` says the views
// have shown all of it (they show a long text a part a frame), runs `release`. A long answer leaves freed
// heap pages behind (its text grew piece by piece, copied at each growth) and the pages of the font files
// its glyphs and words brought in; the application gives both back then, instead of keeping them while it
// idles.
class LongAnswerCleanup : public QObject {
    Q_OBJECT

public:
    // Far beyond the answer to any usual translation, so ordinary answers cost nothing extra.
    static constexpr qsizetype kLongAnswerLength = 50'000;
    // How often it asks again while the views are still showing the answer.
    static constexpr int kShownCheckIntervalMs = 50;

    LongAnswerCleanup(ResultPanelWorkflow* workflow, std::function<bool()> answerShown,
                      std::function<void()> release, QObject* parent);

private:
    void statusChanged();

    QPointer<ResultPanelWorkflow> m_workflow;
    std::function<bool()> m_answerShown;
    std::function<void()> m_release;
    QTimer m_check; // runs from the answer's end until it is released
    bool m_streaming = false;
};

} // namespace tolvane
