#pragma once

#include "panel/result_panel_workflow.h"

#include <QObject>
#include <QPointer>
#include <functional>

namespace tolvane {

// Once a long answer has stopped streaming (completed, failed or stopped), runs `release` on a later turn
// of the event loop, after the views have shown the end. A long answer leaves freed heap pages behind (its
// text grew piece by piece, copied at each growth) and the pages of the font files its glyphs and words
// brought in; the application gives both back then, instead of keeping them while it idles.
class LongAnswerCleanup : public QObject {
    Q_OBJECT

public:
    // Far beyond the answer to any usual translation, so ordinary answers cost nothing extra.
    static constexpr qsizetype kLongAnswerLength = 50'000;

    LongAnswerCleanup(ResultPanelWorkflow* workflow, std::function<void()> release, QObject* parent);

private:
    void statusChanged();

    QPointer<ResultPanelWorkflow> m_workflow;
    std::function<void()> m_release;
    bool m_streaming = false;
    bool m_scheduled = false;
};

} // namespace tolvane
