#pragma once

#include "ocr/screenshot_ocr_error.h"
#include "ocr/screenshot_run_controller.h"
#include "support/virtual_clock.h"

#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <variant>

namespace tolvane::testing {

// A few turns of the event loop: enough for a run to move from one awaited step to the next.
inline void settle() {
    for (int i = 0; i < 4; ++i)
        drainEventLoop();
}

// Selections stay open until the test answers them (or answer at once with `answerAtOnce`); captures answer
// at once; recognitions follow a script and can be held open.
class ScriptedRunService final : public ScreenshotRunService {
public:
    struct Selection {
        ScreenshotCaptureMode initialMode;
        std::optional<QRectF> remembered;
        int batchCount;
        OneShot<ScreenshotSelectionOutcome> result;
    };
    using Recognition = std::variant<QString, ScreenshotOCRError::Kind>;

    QCoro::Task<ScreenshotSelectionOutcome> selectRegion(ScreenshotCaptureMode mode,
                                                         std::optional<QRectF> remembered, int batchCount,
                                                         CancellationToken token) override {
        selections.push_back({mode, remembered, batchCount, {}});
        if (answerAtOnce)
            selections.back().result.resolve(*answerAtOnce);
        return selections.back().result.wait(token);
    }
    QCoro::Task<QImage> captureImage(QRectF region, CancellationToken) override {
        captures.append(region);
        QImage image(4, 4, QImage::Format_RGB32);
        image.fill(sameImageEveryTime ? 0 : captures.size());
        co_return image;
    }
    QCoro::Task<QString> recognizeImage(QImage, QString hint, QStringList words,
                                        CancellationToken token) override {
        return recognize(this, hint, words, token);
    }
    std::optional<QRectF> restoredRegion(const std::optional<ScreenshotRegionMemory>& memory) const override {
        return memory ? std::optional(memory->sourceScreenFrame) : std::nullopt;
    }
    std::optional<ScreenshotRegionMemory> makeRegionMemory(const QRectF& region) const override {
        return ScreenshotRegionMemory{QRectF(0, 0, 1, 1), region, std::nullopt};
    }
    void cancelActiveSelection() override {
        for (Selection& s : selections)
            s.result.fail(
                std::make_exception_ptr(ScreenshotSelectionError(ScreenshotSelectionError::Kind::cancelled)));
    }

    void answer(ScreenshotSelectionOutcome outcome) {
        ASSERT_FALSE(selections.empty());
        ASSERT_TRUE(selections.back().result.resolve(outcome));
        settle();
    }
    void release() {
        for (Signal& gate : gates)
            gate.resolve({});
        gates.clear();
        settle();
    }

    std::deque<Selection> selections;
    std::optional<ScreenshotSelectionOutcome> answerAtOnce;
    QList<QRectF> captures;
    QStringList hints;
    QStringList words;
    std::deque<Recognition> script;
    bool holdRecognition = false;
    bool sameImageEveryTime = false;
    std::vector<Signal> gates;

private:
    static QCoro::Task<QString> recognize(ScriptedRunService* self, QString hint, QStringList words,
                                          CancellationToken token) {
        self->hints.append(hint);
        self->words = words;
        if (self->holdRecognition) {
            Signal gate;
            self->gates.push_back(gate);
            co_await gate.wait(token);
        }
        if (self->script.empty())
            throw ScreenshotOCRError(ScreenshotOCRError::Kind::noTextRecognized);
        const Recognition next = self->script.front();
        self->script.pop_front();
        if (const auto* kind = std::get_if<ScreenshotOCRError::Kind>(&next))
            throw ScreenshotOCRError(*kind);
        co_return std::get<QString>(next);
    }
};

// Run settings held in memory, counting how often a region is remembered.
class MemoryRunSettings final : public ScreenshotRunSettings {
public:
    ScreenshotCaptureMode captureMode() const override { return mode; }
    void setCaptureMode(ScreenshotCaptureMode m) override { mode = m; }
    std::optional<ScreenshotRegionMemory> regionMemory() const override { return memory; }
    void rememberRegion(const ScreenshotRegionMemory& m) override {
        memory = m;
        ++remembered;
    }
    QString languageHint() const override { return hint; }
    QStringList customWords() const override { return words; }

    ScreenshotCaptureMode mode = ScreenshotCaptureMode::single;
    std::optional<ScreenshotRegionMemory> memory;
    int remembered = 0;
    QString hint = QStringLiteral("en");
    QStringList words;
};

// Stands in for the coordinator: records every call in order, and each hand-over with its text and anchor.
class RecordingRunWorkflow final : public ScreenshotRunWorkflow {
public:
    struct HandOver {
        QString call;
        QString text;
        std::optional<QRect> anchor;
    };
    void beginScreenshotCapture(std::optional<QRect> anchor) override {
        calls.append("begin");
        beginAnchors.push_back(anchor);
        ++serial;
    }
    void translateRecognizedText(const QString& t, std::optional<QRect> a) override {
        handOver("translateRecognized", t, a);
    }
    void showRecognizedText(const QString& t, std::optional<QRect> a) override { handOver("show", t, a); }
    void translateText(const QString& t, bool pasteBack) override {
        handOver(pasteBack ? "translateText+pasteBack" : "translateText", t, std::nullopt);
    }
    void stopTranslation() override {
        calls.append("stop");
        ++cancellationGeneration;
        if (onStop)
            onStop();
    }
    void failWith(const QString& message) override { calls.append("failed:" + message); }
    void presentPanel(std::optional<QRect> anchor) override { calls.append(anchor ? "present@" : "present"); }
    quint64 explicitCancellationGeneration() const override { return cancellationGeneration; }
    quint64 entrySerial() const override { return serial; }

    QStringList calls;
    std::vector<HandOver> handOvers;
    std::vector<std::optional<QRect>> beginAnchors;
    quint64 cancellationGeneration = 0;
    quint64 serial = 0;
    std::function<void()> onStop;

private:
    void handOver(const QString& call, const QString& text, std::optional<QRect> anchor) {
        calls.append(call);
        handOvers.push_back({call, text, anchor});
    }
};

} // namespace tolvane::testing
