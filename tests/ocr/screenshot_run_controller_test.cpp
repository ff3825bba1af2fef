#include "core/app_error.h"
#include "ocr/screenshot_ocr_error.h"
#include "ocr/screenshot_run_controller.h"
#include "support/virtual_clock.h"

#include <QKeyEvent>
#include <QWidget>
#include <deque>
#include <gtest/gtest.h>
#include <variant>

namespace tolvane {
namespace {

using testing::drainEventLoop;
using testing::VirtualClock;
using Kind = ScreenshotOCRError::Kind;

void settle() {
    for (int i = 0; i < 4; ++i)
        drainEventLoop();
}

// Selections stay open until the test answers them; captures answer at once; recognitions follow a script and
// can be held open.
class FakeRunService final : public ScreenshotRunService {
public:
    struct Selection {
        ScreenshotCaptureMode initialMode;
        std::optional<QRectF> remembered;
        int batchCount;
        OneShot<ScreenshotSelectionOutcome> result;
    };
    using Recognition = std::variant<QString, Kind>;

    QCoro::Task<ScreenshotSelectionOutcome> selectRegion(ScreenshotCaptureMode mode,
                                                         std::optional<QRectF> remembered, int batchCount,
                                                         CancellationToken token) override {
        selections.push_back({mode, remembered, batchCount, {}});
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
    static QCoro::Task<QString> recognize(FakeRunService* self, QString hint, QStringList words,
                                          CancellationToken token) {
        self->hints.append(hint);
        self->words = words;
        if (self->holdRecognition) {
            Signal gate;
            self->gates.push_back(gate);
            co_await gate.wait(token);
        }
        if (self->script.empty())
            throw ScreenshotOCRError(Kind::noTextRecognized);
        const Recognition next = self->script.front();
        self->script.pop_front();
        if (const auto* kind = std::get_if<Kind>(&next))
            throw ScreenshotOCRError(*kind);
        co_return std::get<QString>(next);
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
    QList<QRectF> captures;
    QStringList hints;
    QStringList words;
    std::deque<Recognition> script;
    bool holdRecognition = false;
    bool sameImageEveryTime = false;
    std::vector<Signal> gates;
};

class FakeRunSettings final : public ScreenshotRunSettings {
public:
    ScreenshotCaptureMode captureMode() const override { return mode; }
    void setCaptureMode(ScreenshotCaptureMode m) override { mode = m; }
    std::optional<ScreenshotRegionMemory> regionMemory() const override { return memory; }
    void rememberRegion(const ScreenshotRegionMemory& m) override {
        memory = m;
        ++remembered;
    }
    QString languageHint() const override { return hint; }
    QStringList customWords() const override { return {QStringLiteral(" src "), QStringLiteral("tgt")}; }

    ScreenshotCaptureMode mode = ScreenshotCaptureMode::single;
    std::optional<ScreenshotRegionMemory> memory;
    int remembered = 0;
    QString hint = QStringLiteral("en");
};

class FakeRunWorkflow final : public ScreenshotRunWorkflow {
public:
    struct HandOver {
        QString call;
        QString text;
        std::optional<QRect> anchor;
    };
    void beginScreenshotCapture() override {
        calls.append("begin");
        ++serial;
    }
    void translateRecognizedText(const QString& t, std::optional<QRect> a) override {
        handOvers.push_back({"translateRecognized", t, a});
    }
    void showRecognizedText(const QString& t, std::optional<QRect> a) override {
        handOvers.push_back({"show", t, a});
    }
    void translateText(const QString& t, bool pasteBack) override {
        handOvers.push_back({pasteBack ? "translateText+pasteBack" : "translateText", t, std::nullopt});
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
    quint64 cancellationGeneration = 0;
    quint64 serial = 0;
    std::function<void()> onStop;
};

struct RunFixture {
    std::shared_ptr<FakeRunService> service = std::make_shared<FakeRunService>();
    std::shared_ptr<FakeRunSettings> settings = std::make_shared<FakeRunSettings>();
    std::shared_ptr<FakeRunWorkflow> workflow = std::make_shared<FakeRunWorkflow>();
    VirtualClock clock;
    int beeps = 0;
    std::unique_ptr<ScreenshotRunController> runner;

    RunFixture() {
        ScreenshotRunController::Dependencies deps{service, settings, workflow,
                                                   &clock,  nullptr,  [this] { ++beeps; }};
        runner = std::make_unique<ScreenshotRunController>(std::move(deps));
        // As in the application: stopping the translation ends the screenshot run.
        workflow->onStop = [this] { runner->cancelScreenshotSession(); };
    }
    void start(ScreenshotPurpose purpose = ScreenshotPurpose::translate) {
        runner->startScreenshotSession(purpose);
        settle();
    }
    void pressEscape() {
        QWidget window;
        QKeyEvent event(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(&window, &event);
        settle();
    }
    QString failureText(Kind kind) const { return "failed:" + ScreenshotOCRError(kind).description(); }
};

const QRectF kRegion(100, 200, 300, 50);
const auto kCapture = [](QRectF r, ScreenshotCaptureMode m) {
    return ScreenshotSelectionOutcome::capture(r, m);
};

TEST(ScreenshotRunController, AnchorsAtTheMiddleOfTheLowerEdge) {
    EXPECT_EQ(ScreenshotRunController::anchorFor(kRegion), QRect(250, 249, 1, 1));
    EXPECT_EQ(ScreenshotRunController::normalizedForComparison(" a\n\tb  c "), QStringLiteral("a b c"));
}

TEST(ScreenshotRunController, SingleRunHandsOverOnceAndEnds) {
    RunFixture f;
    f.settings->memory = ScreenshotRegionMemory{QRectF(0, 0, 1, 1), QRectF(5, 6, 70, 80), std::nullopt};
    f.start(ScreenshotPurpose::recognizeOnly);
    ASSERT_EQ(f.service->selections.size(), 1u);
    EXPECT_EQ(f.service->selections[0].remembered, QRectF(5, 6, 70, 80));
    EXPECT_EQ(f.service->selections[0].batchCount, 0);
    EXPECT_TRUE(f.runner->hasEscapeMonitors());
    f.service->script = {QStringLiteral("hello")};
    f.service->answer(kCapture(kRegion, ScreenshotCaptureMode::single));
    ASSERT_EQ(f.workflow->handOvers.size(), 1u);
    EXPECT_EQ(f.workflow->handOvers[0].call, "show");
    EXPECT_EQ(f.workflow->handOvers[0].anchor, QRect(250, 249, 1, 1));
    EXPECT_EQ(f.service->words, (QStringList{" src ", "tgt"}));
    EXPECT_EQ(f.settings->remembered, 1);
    EXPECT_FALSE(f.runner->isRunActive());
    EXPECT_FALSE(f.runner->hasEscapeMonitors());

    RunFixture empty;
    empty.start();
    empty.service->answer(kCapture(kRegion, ScreenshotCaptureMode::single));
    EXPECT_EQ(empty.workflow->calls,
              (QStringList{"begin", empty.failureText(Kind::noTextRecognized), "present"}));
}

TEST(ScreenshotRunController, ContinuousRunSendsOnlyChangedTextUntilCancelled) {
    RunFixture f;
    f.service->script = {QStringLiteral("a b"), QStringLiteral("a\nb"), Kind::noTextRecognized,
                         QStringLiteral("a  c")};
    f.start();
    f.service->answer(kCapture(kRegion, ScreenshotCaptureMode::continuous));
    EXPECT_EQ(f.settings->mode, ScreenshotCaptureMode::continuous);
    for (int cycle = 1; cycle < 4; ++cycle) {
        EXPECT_EQ(f.service->captures.size(), cycle) << "waits 1.2 s between cycles";
        f.clock.advance(std::chrono::milliseconds(1199));
        settle();
        EXPECT_EQ(f.service->captures.size(), cycle);
        if (cycle == 2)
            f.settings->hint = QStringLiteral("zh-Hans");
        f.clock.advance(std::chrono::milliseconds(1));
        settle();
    }
    EXPECT_EQ(f.service->hints, (QStringList{"en", "en", "zh-Hans", "zh-Hans"}));
    ASSERT_EQ(f.workflow->handOvers.size(), 2u);
    EXPECT_EQ(f.workflow->handOvers[0].text, "a b");
    EXPECT_EQ(f.workflow->handOvers[1].text, "a  c") << "the raw text is sent";
    EXPECT_EQ(f.workflow->handOvers[1].anchor, QRect(250, 249, 1, 1));
    EXPECT_EQ(f.settings->remembered, 1);

    f.pressEscape(); // during the wait
    f.clock.advance(std::chrono::seconds(5));
    settle();
    EXPECT_EQ(f.workflow->calls.count("stop"), 1);
    EXPECT_EQ(f.service->captures.size(), 4);
    EXPECT_FALSE(f.runner->isRunActive());
}

TEST(ScreenshotRunController, ContinuousRunSkipsRecognitionOfAnUnchangedPicture) {
    RunFixture f;
    f.service->sameImageEveryTime = true;
    f.service->script = {QStringLiteral("same"), QStringLiteral("same")};
    f.start();
    f.service->answer(kCapture(kRegion, ScreenshotCaptureMode::continuous));
    f.clock.advance(std::chrono::milliseconds(1200));
    settle();
    f.clock.advance(std::chrono::milliseconds(1200));
    settle();
    EXPECT_EQ(f.service->captures.size(), 3);
    EXPECT_EQ(f.service->hints.size(), 1) << "one recognition for three identical pictures";
    f.settings->hint = QStringLiteral("ja");
    f.clock.advance(std::chrono::milliseconds(1200));
    settle();
    EXPECT_EQ(f.service->hints.size(), 2) << "a new hint recognises again";
    EXPECT_EQ(f.workflow->handOvers.size(), 1u);
    f.runner->cancelScreenshotSession();
    settle();
}

TEST(ScreenshotRunController, BatchJoinsTextsAndAnchorsAtTheLastRegion) {
    RunFixture f;
    f.service->script = {QStringLiteral("one"), Kind::noTextRecognized, QStringLiteral("  two  ")};
    f.start();
    f.service->answer(kCapture(QRectF(0, 0, 100, 100), ScreenshotCaptureMode::batch));
    f.service->answer(kCapture(QRectF(10, 10, 100, 100), ScreenshotCaptureMode::batch));
    f.service->answer(kCapture(QRectF(20, 20, 100, 40), ScreenshotCaptureMode::batch));
    f.service->answer(ScreenshotSelectionOutcome::finishBatch());
    ASSERT_EQ(f.service->selections.size(), 4u);
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(f.service->selections[i].batchCount, i);
        EXPECT_EQ(f.service->selections[i].initialMode, ScreenshotCaptureMode::batch);
    }
    EXPECT_EQ(f.service->selections[3].remembered, QRectF(20, 20, 100, 40));
    EXPECT_EQ(f.beeps, 1);
    EXPECT_EQ(f.settings->remembered, 3);
    ASSERT_EQ(f.workflow->handOvers.size(), 1u);
    EXPECT_EQ(f.workflow->handOvers[0].text, "one\n\ntwo");
    EXPECT_EQ(f.workflow->handOvers[0].anchor, QRect(70, 59, 1, 1));
}

TEST(ScreenshotRunController, BatchStopsAtTwentyRegionsAndFailsWhenAllAreEmpty) {
    RunFixture f;
    f.start();
    f.service->answer(kCapture(kRegion, ScreenshotCaptureMode::batch));
    for (int i = 1; i < ScreenshotRunController::kBatchLimit; ++i)
        f.service->answer(kCapture(kRegion, ScreenshotCaptureMode::batch));
    EXPECT_EQ(f.service->selections.size(), 20u) << "no 21st overlay";
    EXPECT_EQ(f.beeps, 20);
    EXPECT_TRUE(f.workflow->handOvers.empty());
    EXPECT_EQ(f.workflow->calls.back(), "present");
    EXPECT_TRUE(f.workflow->calls.contains(f.failureText(Kind::noTextRecognized)));
    EXPECT_FALSE(f.runner->isRunActive());
}

TEST(ScreenshotRunController, EscapeInTheFirstOverlayMakesNoWorkflowCall) {
    RunFixture f;
    f.start();
    f.pressEscape();
    EXPECT_TRUE(f.workflow->calls.isEmpty());
    EXPECT_FALSE(f.runner->isRunActive());
    EXPECT_FALSE(f.runner->hasEscapeMonitors());

    RunFixture tooSmall;
    tooSmall.start();
    tooSmall.service->selections[0].result.fail(
        std::make_exception_ptr(ScreenshotSelectionError(ScreenshotSelectionError::Kind::selectionTooSmall)));
    settle();
    EXPECT_EQ(tooSmall.workflow->calls.size(), 2);
    EXPECT_EQ(tooSmall.workflow->calls.back(), "present");
}

TEST(ScreenshotRunController, EscapeDuringRecognitionStopsTheTranslation) {
    RunFixture f;
    f.service->holdRecognition = true;
    f.service->script = {QStringLiteral("late")};
    f.start();
    f.service->answer(kCapture(kRegion, ScreenshotCaptureMode::single));
    f.pressEscape();
    f.service->release();
    EXPECT_EQ(f.workflow->calls, (QStringList{"begin", "stop"}));
    EXPECT_TRUE(f.workflow->handOvers.empty());
}

TEST(ScreenshotRunController, AReplacedRunEndsSilentlyAndLeavesTheNewRunIntact) {
    RunFixture f;
    f.service->script = {QStringLiteral("first")};
    f.start();
    f.service->answer(kCapture(kRegion, ScreenshotCaptureMode::continuous));
    ASSERT_EQ(f.workflow->handOvers.size(), 1u); // now waiting between cycles
    f.start();
    const quint64 newRun = f.runner->activeRunId();
    f.clock.advance(std::chrono::seconds(3));
    settle();
    EXPECT_FALSE(f.workflow->calls.contains("stop")) << "the replaced run makes no stop";
    EXPECT_EQ(f.runner->activeRunId(), newRun);
    EXPECT_TRUE(f.runner->hasEscapeMonitors());
    ASSERT_EQ(f.service->selections.size(), 2u);
    EXPECT_FALSE(f.service->selections[1].result.isSettled()) << "the new overlay stays open";

    // A run replaced while its first overlay is open ends silently as well.
    f.start();
    EXPECT_FALSE(f.workflow->calls.contains("stop"));
    EXPECT_EQ(f.workflow->calls, QStringList{"begin"});
    EXPECT_TRUE(f.service->selections[1].result.isSettled());
    EXPECT_TRUE(f.runner->isRunActive());
    f.pressEscape();
    EXPECT_FALSE(f.runner->isRunActive());
}

TEST(ScreenshotRunController, DroppedImagesAreTranslatedUnlessSomethingNewerCame) {
    RunFixture f;
    f.service->script = {QStringLiteral("dropped")};
    f.runner->recognizeDroppedImage(QImage(4, 4, QImage::Format_RGB32));
    settle();
    ASSERT_EQ(f.workflow->handOvers.size(), 1u);
    EXPECT_EQ(f.workflow->handOvers[0].call, "translateText");

    struct Case {
        const char* name;
        std::function<void(RunFixture&)> interrupt;
        size_t handOvers; // only a newer drop hands over its own text
    };
    const Case cases[] = {
        {"stop", [](RunFixture& r) { r.workflow->stopTranslation(); }, 0},
        {"newer translation", [](RunFixture& r) { ++r.workflow->serial; }, 0},
        {"new run", [](RunFixture& r) { r.start(); }, 0},
        {"new drop",
         [](RunFixture& r) { r.runner->recognizeDroppedImage(QImage(2, 2, QImage::Format_RGB32)); }, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RunFixture r;
        r.service->holdRecognition = true;
        r.service->script = {QStringLiteral("old"), QStringLiteral("new")};
        r.runner->recognizeDroppedImage(QImage(4, 4, QImage::Format_RGB32));
        settle();
        c.interrupt(r);
        settle();
        r.service->release();
        EXPECT_EQ(r.workflow->handOvers.size(), c.handOvers);
        EXPECT_EQ(r.service->hints.size(), c.handOvers + 1);
        EXPECT_FALSE(r.workflow->calls.filter("failed").size() > 0);
    }

    RunFixture failing;
    failing.service->script = {Kind::recognitionFailed};
    failing.runner->recognizeDroppedImage(QImage(4, 4, QImage::Format_RGB32));
    settle();
    EXPECT_EQ(failing.workflow->calls,
              (QStringList{"begin", failing.failureText(Kind::recognitionFailed), "present"}));
}

} // namespace
} // namespace tolvane
