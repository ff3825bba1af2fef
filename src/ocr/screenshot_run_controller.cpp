#include "ocr/screenshot_run_controller.h"

#include "core/app_error.h"
#include "core/async/sleep.h"
#include "core/clock.h"
#include "core/logging.h"
#include "ocr/screenshot_ocr_error.h"
#include "platform/global_input.h"

#include <QApplication>
#include <QKeyEvent>
#include <QRegularExpression>

namespace tolvane {

namespace {

constexpr uint32_t kEscapeKeysym = 0xff1b; // XK_Escape

bool isCancellationError(std::exception_ptr error) {
    if (isCancellation(error))
        return true;
    try {
        std::rethrow_exception(error);
    } catch (const ScreenshotOCRError& e) {
        return e.kind() == ScreenshotOCRError::Kind::cancelled;
    } catch (const ScreenshotSelectionError& e) {
        return e.kind() == ScreenshotSelectionError::Kind::cancelled;
    } catch (...) {
    }
    return false;
}

bool isNoText(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const ScreenshotOCRError& e) {
        return e.kind() == ScreenshotOCRError::Kind::noTextRecognized;
    } catch (...) {
    }
    return false;
}

} // namespace

struct ScreenshotRunController::Run {
    enum class EndReason { none, superseded, userCancelled };
    quint64 id = 0;
    ScreenshotPurpose purpose = ScreenshotPurpose::translate;
    EndReason endReason = EndReason::none;
};

struct ScreenshotRunController::Drop {
    quint64 serial = 0;
    bool capturing = false; // the panel shows its capturing state for this image
    quint64 runsStarted = 0;
    quint64 cancellationGeneration = 0;
    quint64 entrySerial = 0;
};

ScreenshotRunController::ScreenshotRunController(Dependencies dependencies, QObject* parent)
    : QObject(parent), m_deps(std::move(dependencies)) {
    if (!m_deps.clock)
        m_deps.clock = &systemClock();
    if (!m_deps.beep)
        m_deps.beep = [] { QApplication::beep(); };
}

ScreenshotRunController::~ScreenshotRunController() {
    removeEscapeMonitors();
    qApp->removeEventFilter(this);
    if (m_current)
        m_current->endReason = Run::EndReason::superseded;
    m_task.cancel();
}

quint64 ScreenshotRunController::activeRunId() const {
    return m_current ? m_current->id : 0;
}

QRect ScreenshotRunController::anchorFor(const QRectF& r) {
    return r.toAlignedRect();
}

QString ScreenshotRunController::normalizedForComparison(const QString& text) {
    static const QRegularExpression whiteSpace(QStringLiteral("\\s+"));
    return text.split(whiteSpace, Qt::SkipEmptyParts).join(QLatin1Char(' '));
}

void ScreenshotRunController::startScreenshotSession(ScreenshotPurpose purpose) {
    if (m_current)
        m_current->endReason = Run::EndReason::superseded;
    m_current.reset();
    m_task.cancel();
    removeEscapeMonitors();
    // A dropped image still being recognised is superseded by the new run. Its capturing state is stopped
    // here: the new run touches the panel only once a region is chosen, so an overlay closed without one
    // would leave the panel busy for good.
    const bool dropShowsCapture =
        m_dropTask.isRunning() && m_drop && m_drop->capturing && dropIsCurrent(*m_drop);
    m_dropTask.cancel();
    if (dropShowsCapture)
        m_deps.workflow->stopTranslation();

    auto run = std::make_shared<Run>();
    run->id = ++m_nextRunId;
    run->purpose = purpose;
    m_current = run;
    installEscapeMonitors();
    QPointer<ScreenshotRunController> self(this);
    m_task =
        spawn(this, lcOcr(), [self, run](CancellationToken token) { return runSession(self, run, token); });
}

void ScreenshotRunController::cancelScreenshotSession() {
    if (!m_current)
        return;
    m_current->endReason = Run::EndReason::userCancelled;
    m_current.reset();
    if (m_deps.service)
        m_deps.service->cancelActiveSelection();
    removeEscapeMonitors();
    m_task.cancel();
    m_task = {};
}

void ScreenshotRunController::endScreenshotSessionIfCurrent(quint64 runId) {
    if (!m_current || m_current->id != runId)
        return;
    m_current.reset();
    m_task = {};
    removeEscapeMonitors();
}

void ScreenshotRunController::installEscapeMonitors() {
    removeEscapeMonitors();
    m_endingEscapeTime.reset();
    qApp->removeEventFilter(this);
    qApp->installEventFilter(this);
    m_filterInstalled = true;
    if (!m_deps.globalInput)
        return;
    QPointer<ScreenshotRunController> self(this);
    const quint64 runId = activeRunId();
    m_rawObserver = m_deps.globalInput->addRawObserver([self, runId](const RawInputEvent& event) {
        if (event.type != RawInputEvent::Type::keyPress || event.level0Keysym != kEscapeKeysym)
            return;
        if (self && self->activeRunId() == runId && event.time != 0)
            self->m_endingEscapeTime = event.time;
        // Queued, and only for the run that installed it.
        QMetaObject::invokeMethod(
            qApp,
            [self, runId] {
                if (self && self->activeRunId() == runId)
                    self->cancelScreenshotSession();
            },
            Qt::QueuedConnection);
    });
}

void ScreenshotRunController::removeEscapeMonitors() {
    if (m_filterInstalled) {
        // Kept while the press that ended the run may still arrive as a key event.
        if (!m_endingEscapeTime)
            qApp->removeEventFilter(this);
        m_filterInstalled = false;
    }
    if (m_rawObserver && m_deps.globalInput)
        m_deps.globalInput->remove(m_rawObserver);
    m_rawObserver = 0;
}

bool ScreenshotRunController::eventFilter(QObject* watched, QEvent* event) {
    if ((event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride) ||
        static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape)
        return QObject::eventFilter(watched, event);
    if (m_filterInstalled) {
        // Swallowed in all our windows for the whole run, before any shortcut can take it.
        event->accept();
        if (event->type() == QEvent::KeyPress)
            cancelScreenshotSession();
        return true;
    }
    if (m_endingEscapeTime && static_cast<QKeyEvent*>(event)->timestamp() == *m_endingEscapeTime) {
        event->accept();
        return true;
    }
    // A later press: the one that ended the run has gone by.
    if (m_endingEscapeTime && event->type() == QEvent::KeyPress) {
        m_endingEscapeTime.reset();
        qApp->removeEventFilter(this);
    }
    return QObject::eventFilter(watched, event);
}

void ScreenshotRunController::handOver(const Run& run, const QString& text, const QRectF& region) {
    const QRect anchor = anchorFor(region);
    if (run.purpose == ScreenshotPurpose::translate)
        m_deps.workflow->translateRecognizedText(text, anchor);
    else
        m_deps.workflow->showRecognizedText(text, anchor);
}

void ScreenshotRunController::fail(std::exception_ptr error) {
    m_deps.workflow->failWith(describeError(error));
    m_deps.workflow->presentPanel(std::nullopt);
}

void ScreenshotRunController::handleSelectionPhaseError(const Run& run, std::exception_ptr error) {
    if (run.endReason == Run::EndReason::superseded || isCancellationError(error))
        return; // the workflow has not started a capture
    fail(error);
}

void ScreenshotRunController::handleRunPhaseError(const Run& run, std::exception_ptr error) {
    if (run.endReason == Run::EndReason::superseded)
        return;
    if (isCancellationError(error)) {
        // stopTranslation() reaches cancelScreenshotSession() through the workflow; once a newer run has
        // started, that would end the newer run, so the late stop is left out.
        if (run.id == m_nextRunId)
            m_deps.workflow->stopTranslation();
        return;
    }
    fail(error);
}

QCoro::Task<> ScreenshotRunController::runSession(QPointer<ScreenshotRunController> self,
                                                  std::shared_ptr<Run> run, CancellationToken token) {
    if (!self)
        co_return;
    const ScreenshotCaptureMode initialMode = self->m_deps.settings->captureMode();
    const auto remembered = self->m_deps.service->restoredRegion(self->m_deps.settings->regionMemory());
    std::optional<ScreenshotSelectionOutcome> outcome;
    std::exception_ptr error;
    try {
        outcome = co_await self->m_deps.service->selectRegion(initialMode, remembered, 0, token);
        if (self)
            token.throwIfCancelled();
    } catch (...) {
        error = std::current_exception();
    }
    if (!self)
        co_return;
    if (error) {
        self->handleSelectionPhaseError(*run, error);
        self->endScreenshotSessionIfCurrent(run->id);
        co_return;
    }
    if (outcome->kind == ScreenshotSelectionOutcome::Kind::capture) {
        self->m_deps.settings->setCaptureMode(outcome->mode);
        if (const auto memory = self->m_deps.service->makeRegionMemory(outcome->rect))
            self->m_deps.settings->rememberRegion(*memory);
        self->m_deps.workflow->beginScreenshotCapture(anchorFor(outcome->rect));
        try {
            co_await runCaptureMode(self, run, outcome->rect, outcome->mode, token);
        } catch (...) {
            error = std::current_exception();
        }
        if (!self)
            co_return;
        if (error)
            self->handleRunPhaseError(*run, error);
    }
    self->endScreenshotSessionIfCurrent(run->id);
}

QCoro::Task<> ScreenshotRunController::runCaptureMode(QPointer<ScreenshotRunController> self,
                                                      std::shared_ptr<Run> run, QRectF region,
                                                      ScreenshotCaptureMode mode, CancellationToken token) {
    switch (mode) {
    case ScreenshotCaptureMode::single: {
        const QString text = co_await captureAndRecognize(self, region, token);
        if (!self)
            co_return;
        token.throwIfCancelled();
        self->handOver(*run, text, region);
        co_return;
    }
    case ScreenshotCaptureMode::continuous:
        co_await runContinuous(self, run, region, token);
        co_return;
    case ScreenshotCaptureMode::batch:
        co_await runBatch(self, run, region, token);
        co_return;
    }
}

QCoro::Task<QString> ScreenshotRunController::captureAndRecognize(QPointer<ScreenshotRunController> self,
                                                                  QRectF region, CancellationToken token) {
    QImage image = co_await self->m_deps.service->captureImage(region, token);
    if (!self)
        throw CancelledError();
    token.throwIfCancelled();
    // Read for every capture, so a changed language or glossary applies from the next one.
    const QString hint = self->m_deps.settings->languageHint();
    const QStringList words = self->m_deps.settings->customWords();
    co_return co_await self->m_deps.service->recognizeImage(std::move(image), hint, words, token);
}

QCoro::Task<> ScreenshotRunController::runContinuous(QPointer<ScreenshotRunController> self,
                                                     std::shared_ptr<Run> run, QRectF region,
                                                     CancellationToken token) {
    QString previous;
    // The last cycle's input: an unchanged picture with unchanged hint and words gives the same text, which
    // would not be sent anyway, so recognition is skipped (it costs far more than the capture).
    QImage lastImage;
    QString lastHint;
    QStringList lastWords;
    for (;;) {
        if (!self)
            co_return;
        token.throwIfCancelled();
        QImage image = co_await self->m_deps.service->captureImage(region, token);
        if (!self)
            co_return;
        token.throwIfCancelled();
        const QString hint = self->m_deps.settings->languageHint();
        const QStringList words = self->m_deps.settings->customWords();
        const bool unchanged =
            !lastImage.isNull() && image == lastImage && hint == lastHint && words == lastWords;
        if (!unchanged) {
            lastImage = image;
            lastHint = hint;
            lastWords = words;
            std::optional<QString> text;
            std::exception_ptr error;
            try {
                text = co_await self->m_deps.service->recognizeImage(std::move(image), hint, words, token);
            } catch (...) {
                error = std::current_exception();
            }
            if (!self)
                co_return;
            if (error && !isNoText(error))
                std::rethrow_exception(error);
            token.throwIfCancelled();
            if (text) {
                const QString normalized = normalizedForComparison(*text);
                if (!normalized.isEmpty() && normalized != previous) {
                    self->handOver(*run, *text, region);
                    previous = normalized;
                }
            }
        }
        co_await sleep(*self->m_deps.clock, kContinuousInterval, token);
    }
}

QCoro::Task<> ScreenshotRunController::runBatch(QPointer<ScreenshotRunController> self,
                                                std::shared_ptr<Run> run, QRectF region,
                                                CancellationToken token) {
    QStringList texts;
    int count = 0;
    QRectF current = region;
    for (;;) {
        std::optional<QString> text;
        std::exception_ptr error;
        try {
            text = co_await captureAndRecognize(self, current, token);
        } catch (...) {
            error = std::current_exception();
        }
        if (!self)
            co_return;
        if (error && !isNoText(error))
            std::rethrow_exception(error);
        if (text)
            texts.append(*text);
        else
            self->m_deps.beep();
        if (count == kBatchLimit - 1)
            break;
        const ScreenshotSelectionOutcome next = co_await self->m_deps.service->selectRegion(
            ScreenshotCaptureMode::batch, current, count + 1, token);
        if (!self)
            co_return;
        if (next.kind != ScreenshotSelectionOutcome::Kind::capture ||
            next.mode != ScreenshotCaptureMode::batch)
            break;
        if (const auto memory = self->m_deps.service->makeRegionMemory(next.rect))
            self->m_deps.settings->rememberRegion(*memory);
        token.throwIfCancelled();
        current = next.rect;
        ++count;
    }
    QStringList kept;
    for (const QString& text : texts) {
        const QString trimmed = text.trimmed();
        if (!trimmed.isEmpty())
            kept.append(trimmed);
    }
    if (kept.isEmpty())
        throw ScreenshotOCRError(ScreenshotOCRError::Kind::noTextRecognized);
    token.throwIfCancelled();
    self->handOver(*run, kept.join(QStringLiteral("\n\n")), current);
}

void ScreenshotRunController::recognizeDroppedImage(const QImage& image) {
    auto drop = std::make_shared<Drop>();
    drop->serial = ++m_dropSerial;
    drop->runsStarted = m_nextRunId;
    m_drop = drop;
    QPointer<ScreenshotRunController> self(this);
    m_dropTask.replace(spawn(this, lcOcr(), [self, drop, image](CancellationToken token) {
        return runDrop(self, drop, image, token);
    }));
}

bool ScreenshotRunController::dropIsCurrent(const Drop& drop) const {
    return drop.serial == m_dropSerial && drop.runsStarted == m_nextRunId &&
           drop.cancellationGeneration == m_deps.workflow->explicitCancellationGeneration() &&
           drop.entrySerial == m_deps.workflow->entrySerial();
}

QCoro::Task<> ScreenshotRunController::runDrop(QPointer<ScreenshotRunController> self,
                                               std::shared_ptr<Drop> drop, QImage image,
                                               CancellationToken token) {
    if (!self)
        co_return;
    ScreenshotRunWorkflow& workflow = *self->m_deps.workflow;
    workflow.beginScreenshotCapture(std::nullopt);
    drop->cancellationGeneration = workflow.explicitCancellationGeneration();
    drop->entrySerial = workflow.entrySerial();
    drop->capturing = true;
    std::optional<QString> text;
    std::exception_ptr error;
    try {
        text = co_await self->m_deps.service->recognizeImage(std::move(image),
                                                             self->m_deps.settings->languageHint(),
                                                             self->m_deps.settings->customWords(), token);
    } catch (...) {
        error = std::current_exception();
    }
    drop->capturing = false;
    if (!self || !self->dropIsCurrent(*drop))
        co_return; // a stop or a newer action came first: the late result is dropped
    if (error) {
        self->fail(error);
        co_return;
    }
    self->m_deps.workflow->translateText(*text, false);
}

} // namespace tolvane
