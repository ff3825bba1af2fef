#pragma once

#include "core/async/task.h"
#include "ocr/screenshot_run_ports.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>

namespace tolvane {

class Clock;
class GlobalInputService;

// Runs screenshot requests from the user's trigger to the hand-over of the recognised text: single,
// continuous and batch runs, and dropped images. At most one run is active; Escape (in this application or,
// through the raw input stream, in any other) cancels it.
//
// Every run is tagged with an id and an end reason. A run replaced by a newer one ends silently in every
// phase, and every clean-up compares ids, so it never touches the newer run's task, monitors or overlay.
class ScreenshotRunController final : public QObject {
    Q_OBJECT
public:
    struct Dependencies {
        std::shared_ptr<ScreenshotRunService> service;
        std::shared_ptr<ScreenshotRunSettings> settings;
        std::shared_ptr<ScreenshotRunWorkflow> workflow;
        Clock* clock = nullptr;                    // the continuous wait; the system clock when null
        GlobalInputService* globalInput = nullptr; // optional: Escape pressed in other applications
        std::function<void()> beep;                // QApplication::beep when unset
    };

    // The wait between two cycles of a continuous run.
    static constexpr std::chrono::milliseconds kContinuousInterval{1200};
    // The most regions one batch takes.
    static constexpr int kBatchLimit = 20;

    explicit ScreenshotRunController(Dependencies dependencies, QObject* parent = nullptr);
    ~ScreenshotRunController() override;

    // Starts a run, replacing (silently ending) the active one.
    void startScreenshotSession(ScreenshotPurpose purpose);
    // Ends the active run as cancelled by the user: closes an open overlay, removes the Escape monitors and
    // cancels the run's task. Nothing when no run is active.
    void cancelScreenshotSession();
    // Recognises a dropped image and translates its text. Not a run: Escape does not cancel it, but a newer
    // drop, a new run, a stop or any newer translation makes its late result be dropped.
    void recognizeDroppedImage(const QImage& image);

    bool isRunActive() const { return static_cast<bool>(m_current); }
    // The active run's id; 0 when none.
    quint64 activeRunId() const;
    bool hasEscapeMonitors() const { return m_filterInstalled; }

    // The panel's anchor for a region: the region itself, rounded outwards, so the panel goes below it or
    // above it and never covers what a continuous run reads again.
    static QRect anchorFor(const QRectF& region);
    // Text compared between continuous cycles: white-space runs collapsed to one blank.
    static QString normalizedForComparison(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Run;
    struct Drop;

    static QCoro::Task<> runSession(QPointer<ScreenshotRunController> self, std::shared_ptr<Run> run,
                                    CancellationToken token);
    static QCoro::Task<> runCaptureMode(QPointer<ScreenshotRunController> self, std::shared_ptr<Run> run,
                                        QRectF region, ScreenshotCaptureMode mode, CancellationToken token);
    static QCoro::Task<> runContinuous(QPointer<ScreenshotRunController> self, std::shared_ptr<Run> run,
                                       QRectF region, CancellationToken token);
    static QCoro::Task<> runBatch(QPointer<ScreenshotRunController> self, std::shared_ptr<Run> run,
                                  QRectF region, CancellationToken token);
    static QCoro::Task<QString> captureAndRecognize(QPointer<ScreenshotRunController> self, QRectF region,
                                                    CancellationToken token);
    static QCoro::Task<> runDrop(QPointer<ScreenshotRunController> self, std::shared_ptr<Drop> drop,
                                 QImage image, CancellationToken token);

    void handOver(const Run& run, const QString& text, const QRectF& region);
    void handleSelectionPhaseError(const Run& run, std::exception_ptr error);
    void handleRunPhaseError(const Run& run, std::exception_ptr error);
    void fail(std::exception_ptr error);
    void endScreenshotSessionIfCurrent(quint64 runId);
    void installEscapeMonitors();
    void removeEscapeMonitors();
    bool dropIsCurrent(const Drop& drop) const;

    Dependencies m_deps;
    std::shared_ptr<Run> m_current;
    TaskHandle m_task;
    quint64 m_nextRunId = 0;
    bool m_filterInstalled = false;
    int m_rawObserver = 0;
    // The server time of the Escape press that ended the last run from the raw stream. The same press reaches
    // our focused window as a key event later, perhaps after the run's filter is gone; the filter stays to
    // swallow that one event, so it does not also close the panel.
    std::optional<uint32_t> m_endingEscapeTime;
    TaskSlot m_dropTask;
    std::shared_ptr<Drop> m_drop; // the newest dropped image
    quint64 m_dropSerial = 0;
};

} // namespace tolvane
