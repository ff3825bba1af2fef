#include "ocr/screenshot_ocr_error.h"
#include "ocr/screenshot_ocr_service.h"
#include "ocr/screenshot_overlay_controller.h"
#include "ocr/screenshot_run_controller.h"
#include "ocr/screenshot_run_service_adapter.h"
#include "ocr/screenshot_selection_view.h"
#include "other_x_client.h"
#include "overlay_drag.h"
#include "picture_window.h"
#include "platform/x11/x11_global_input.h"
#include "platform/x11/x11_input_service.h"
#include "screenshot_run_fakes.h"
#include "selection_result.h"
#include "text_corpus.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <QWindow>
#include <gtest/gtest.h>

// Screenshot runs from end to end on the test session's X server: the real overlay, capture and Tesseract,
// driven by a second X client through XTest, handing their text to a recording stand-in for the coordinator.
namespace tolvane {
namespace {

using testing::characterErrorRate;
using testing::OtherXClient;
using testing::PictureWindow;
using testing::renderText;
using testing::showAndWait;

const QStringList kEnglish{QStringLiteral("The quick brown fox jumps over the lazy dog."),
                           QStringLiteral("Translate the selected text into English.")};
const QStringList kChinese{QString::fromUtf8("截图翻译会识别屏幕上的文字"),
                           QString::fromUtf8("然后把结果显示在浮动面板中")};

// Device pixels per logical unit (QT_SCALE_FACTOR=2 runs the tests on a doubled screen).
qreal screenScale() {
    return QGuiApplication::primaryScreen()->devicePixelRatio();
}

// Text as an application would draw it on this screen: rendered in device pixels.
QImage crispText(const QStringList& lines, int pixelSize, bool dark, const QString& family, int margin) {
    const qreal scale = screenScale();
    QImage image = renderText(lines, qRound(pixelSize * scale), dark, family, qRound(margin * scale));
    image.setDevicePixelRatio(scale);
    return image;
}

// A blank light picture of `size` logical units, in device pixels.
QImage blankPicture(QSize size) {
    const qreal scale = screenScale();
    QImage image((QSizeF(size) * scale).toSize(), QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    image.fill(QColor(250, 250, 250));
    return image;
}

// Renders `lines` at 16 px on a light background, in the fonts the application uses.
QImage textPicture(const QStringList& lines, const QString& family) {
    return crispText(lines, 16, false, family, 20);
}

// What passed through the real service, and a gate that can hold recognitions before they start.
struct Traffic {
    int selections = 0;
    int captures = 0;
    int recognitions = 0; // finished, with or without text
    QImage lastCapture;
    bool holdRecognition = false;
    std::vector<Signal> gates;
};

// The real service adapter, counting its traffic.
class ObservedService final : public ScreenshotRunService {
public:
    ObservedService(ScreenshotOCRService* service, std::shared_ptr<Traffic> traffic)
        : m_inner(service), m_traffic(std::move(traffic)) {}

    QCoro::Task<ScreenshotSelectionOutcome> selectRegion(ScreenshotCaptureMode mode,
                                                         std::optional<QRectF> remembered, int batchCount,
                                                         CancellationToken token) override {
        ++m_traffic->selections;
        return m_inner.selectRegion(mode, remembered, batchCount, std::move(token));
    }
    QCoro::Task<QImage> captureImage(QRectF region, CancellationToken token) override {
        return capture(&m_inner, m_traffic, region, std::move(token));
    }
    QCoro::Task<QString> recognizeImage(QImage image, QString hint, QStringList words,
                                        CancellationToken token) override {
        return recognize(&m_inner, m_traffic, std::move(image), std::move(hint), std::move(words),
                         std::move(token));
    }
    std::optional<QRectF> restoredRegion(const std::optional<ScreenshotRegionMemory>& memory) const override {
        return m_inner.restoredRegion(memory);
    }
    std::optional<ScreenshotRegionMemory> makeRegionMemory(const QRectF& region) const override {
        return m_inner.makeRegionMemory(region);
    }
    void cancelActiveSelection() override { m_inner.cancelActiveSelection(); }

private:
    static QCoro::Task<QImage> capture(ScreenshotRunService* inner, std::shared_ptr<Traffic> traffic,
                                       QRectF region, CancellationToken token) {
        QImage image = co_await inner->captureImage(region, token);
        ++traffic->captures;
        traffic->lastCapture = image;
        co_return image;
    }
    static QCoro::Task<QString> recognize(ScreenshotRunService* inner, std::shared_ptr<Traffic> traffic,
                                          QImage image, QString hint, QStringList words,
                                          CancellationToken token) {
        if (traffic->holdRecognition) {
            Signal gate;
            traffic->gates.push_back(gate);
            co_await gate.wait(token);
        }
        std::exception_ptr error;
        QString text;
        try {
            text = co_await inner->recognizeImage(std::move(image), hint, words, token);
        } catch (...) {
            error = std::current_exception();
        }
        ++traffic->recognitions;
        if (error)
            std::rethrow_exception(error);
        co_return text;
    }

    ScreenshotRunServiceAdapter m_inner;
    std::shared_ptr<Traffic> m_traffic;
};

class ScreenshotRunX11 : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(other.connected()) << "needs the test session's X server";
        ASSERT_TRUE(input.isConnected());
        ASSERT_EQ(globalInput.rawInputStatus(), 0) << "the session offers XInput 2.1 raw events";

        ScreenshotOCRService::Dependencies deps = ScreenshotOCRService::defaultDependencies();
        X11GlobalInput* escapeInput = &globalInput;
        deps.makeSelectionController = [escapeInput]() -> std::unique_ptr<ScreenshotSelectionController> {
            return std::make_unique<ScreenshotOverlayController>(
                ScreenshotOverlayController::defaultDependencies(
                    nullptr, std::make_shared<testing::UnknownWindowList>(), escapeInput));
        };
        service = std::make_unique<ScreenshotOCRService>(std::move(deps), [this] { return own; });
        runs = std::make_unique<ScreenshotRunController>(ScreenshotRunController::Dependencies{
            std::make_shared<ObservedService>(service.get(), traffic), settings, workflow, &clock,
            &globalInput, [this] { ++beeps; }});
    }

    void TearDown() override {
        runs.reset();
        service.reset();
        QTest::qWait(50);
    }

    // The overlay opened after `previous` selections, shown and holding the keyboard.
    ScreenshotOverlayController* waitForOverlay(int previous) {
        ScreenshotOverlayController* overlay = nullptr;
        const bool shown = QTest::qWaitFor(
            [&] {
                overlay = qobject_cast<ScreenshotOverlayController*>(service->activeSelectionController());
                if (traffic->selections <= previous || !overlay || overlay->views().isEmpty())
                    return false;
                QWindow* window = overlay->views().front()->windowHandle();
                return window && window->isExposed();
            },
            10000);
        if (!shown)
            return nullptr;
        if (!QTest::qWaitFor([&] { return other.tryGrabKeyboard() == AlreadyGrabbed; }))
            return nullptr;
        return overlay;
    }

    bool dragRegion(ScreenshotOverlayController* overlay, const QRect& region) {
        return testing::dragRegion(other, *overlay, region);
    }

    // Waits for the overlay opened after `previous` selections and drags `region` in it.
    bool selectIn(int previous, const QRect& region) {
        ScreenshotOverlayController* overlay = waitForOverlay(previous);
        return overlay && dragRegion(overlay, region);
    }

    bool waitForRunEnd() {
        return QTest::qWaitFor([&] { return !runs->isRunActive(); }, 60000);
    }

    // The keyboard can be taken by another client, and no overlay is left.
    void expectReleased() {
        // A run cancelled by Escape ends at once; its overlay closes on the next turns.
        EXPECT_TRUE(QTest::qWaitFor([&] { return service->activeSelectionController() == nullptr; }));
        EXPECT_TRUE(QTest::qWaitFor([&] { return other.tryGrabKeyboard() == GrabSuccess; }))
            << "the keyboard grab was released";
        EXPECT_TRUE(other.canGrabKey(XK_Escape)) << "the overlay's Escape hot key was released";
    }

    OtherXClient other;
    X11InputService input;
    X11GlobalInput globalInput{input, SessionKind::x11};
    testing::VirtualClock clock;
    std::shared_ptr<Traffic> traffic = std::make_shared<Traffic>();
    std::shared_ptr<testing::MemoryRunSettings> settings = std::make_shared<testing::MemoryRunSettings>();
    std::shared_ptr<testing::RecordingRunWorkflow> workflow =
        std::make_shared<testing::RecordingRunWorkflow>();
    OwnWindows own;
    std::unique_ptr<ScreenshotOCRService> service;
    std::unique_ptr<ScreenshotRunController> runs;
    int beeps = 0;
};

TEST_F(ScreenshotRunX11, SingleRunsHandTheScreensTextOverAnchoredAtTheRegion) {
    PictureWindow english(QPoint(137, 91));
    english.setPicture(textPicture(kEnglish, QStringLiteral("Inter")));
    ASSERT_TRUE(showAndWait(english));
    // Our own result panel lies over part of the region: it must not be read back.
    PictureWindow panel(QPoint(420, 95));
    panel.setPicture(crispText({QStringLiteral("PANEL OUTPUT")}, 16, true, QStringLiteral("Inter"), 16));
    ASSERT_TRUE(showAndWait(panel));
    own.floating << &panel;

    const QRect englishRegion(137, 91, english.width(), english.height());
    runs->startScreenshotSession(ScreenshotPurpose::translate);
    ASSERT_TRUE(selectIn(0, englishRegion));
    other.pressKey(XK_Return);
    ASSERT_TRUE(waitForRunEnd());

    ASSERT_EQ(workflow->handOvers.size(), 1u) << workflow->calls.join(u", ").toStdString();
    const auto& first = workflow->handOvers.front();
    EXPECT_LE(characterErrorRate(first.text, kEnglish.join(u'\n')), 0.01) << first.text.toStdString();
    EXPECT_FALSE(first.text.contains(QStringLiteral("PANEL"))) << "the panel was hidden for the capture";
    EXPECT_EQ(first.anchor, englishRegion);
    EXPECT_EQ(workflow->beginAnchors.front(), englishRegion) << "the busy panel is placed off the region too";
    EXPECT_EQ(workflow->calls, QStringList({"begin", "translateRecognized"}));
    EXPECT_TRUE(panel.isVisible()) << "the panel is shown again after the capture";
    // The captured pixels are the window's own: neither dimmed by the overlay nor covered by the panel.
    const QImage& captured = traffic->lastCapture;
    const qreal scale = screenScale();
    ASSERT_EQ(captured.size(), (QSizeF(englishRegion.size()) * scale).toSize());
    EXPECT_EQ(captured.pixelColor(QPoint(3, 3)), QColor(250, 250, 250));
    const QPoint underPanel =
        (QPointF(panel.pos() - englishRegion.topLeft() + QPoint(4, 4)) * scale).toPoint();
    EXPECT_EQ(captured.pixelColor(underPanel), QColor(250, 250, 250));
    expectReleased();

    // A second run right after, over Chinese text, recognised only (no translation).
    english.hide();
    PictureWindow chinese(QPoint(700, 400));
    chinese.setPicture(textPicture(kChinese, QStringLiteral("Noto Sans CJK SC")));
    ASSERT_TRUE(showAndWait(chinese));
    settings->hint = QStringLiteral("zh-Hans");
    workflow->calls.clear();
    const QRect chineseRegion(700, 400, chinese.width(), chinese.height());
    runs->startScreenshotSession(ScreenshotPurpose::recognizeOnly);
    ASSERT_TRUE(selectIn(1, chineseRegion));
    other.pressKey(XK_KP_Enter);
    ASSERT_TRUE(waitForRunEnd());

    ASSERT_EQ(workflow->handOvers.size(), 2u);
    const auto& second = workflow->handOvers.back();
    EXPECT_LE(characterErrorRate(second.text, kChinese.join(u'\n')), 0.08) << second.text.toStdString();
    EXPECT_EQ(second.anchor, chineseRegion);
    EXPECT_EQ(workflow->calls, QStringList({"begin", "show"}));
    expectReleased();
}

TEST_F(ScreenshotRunX11, EscapeAtEachStageHandsNothingOverAndStopsOnlyWhatHadStarted) {
    PictureWindow text(QPoint(137, 91));
    text.setPicture(textPicture(kEnglish, QStringLiteral("Inter")));
    ASSERT_TRUE(showAndWait(text));
    const QRect region(137, 91, text.width(), text.height());

    // In the overlay, before anything was chosen: the workflow is never touched.
    runs->startScreenshotSession(ScreenshotPurpose::translate);
    ASSERT_TRUE(waitForOverlay(0));
    EXPECT_FALSE(other.canGrabKey(XK_Escape)) << "Escape is grabbed while the overlay is open";
    other.pressKey(XK_Escape);
    ASSERT_TRUE(waitForRunEnd());
    EXPECT_TRUE(workflow->calls.isEmpty()) << workflow->calls.join(u", ").toStdString();
    EXPECT_FALSE(runs->hasEscapeMonitors());
    expectReleased();

    // In the overlay with a region drawn: still nothing.
    runs->startScreenshotSession(ScreenshotPurpose::translate);
    ASSERT_TRUE(selectIn(1, region));
    other.pressKey(XK_Escape);
    ASSERT_TRUE(waitForRunEnd());
    EXPECT_TRUE(workflow->calls.isEmpty()) << workflow->calls.join(u", ").toStdString();
    expectReleased();

    // During recognition (the keyboard is free again, so Escape arrives through the raw input stream): the
    // started capture is stopped once and its late text is dropped.
    traffic->holdRecognition = true;
    runs->startScreenshotSession(ScreenshotPurpose::translate);
    ASSERT_TRUE(selectIn(2, region));
    other.pressKey(XK_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !traffic->gates.empty(); }));
    expectReleased();
    other.pressKey(XK_Escape);
    ASSERT_TRUE(waitForRunEnd());
    for (Signal& gate : traffic->gates)
        gate.resolve({});
    QTest::qWait(300);
    EXPECT_EQ(workflow->calls, QStringList({"begin", "stop"}));
    EXPECT_TRUE(workflow->handOvers.empty());

    // With no run active Escape belongs to others: no late monitor stops anything.
    other.pressKey(XK_Escape);
    QTest::qWait(200);
    EXPECT_EQ(workflow->calls, QStringList({"begin", "stop"}));
    expectReleased();
}

TEST_F(ScreenshotRunX11, AContinuousRunHandsOverOnlyWhenTheTextChanges) {
    const QStringList firstText{QStringLiteral("Continuous capture reads this line.")};
    const QStringList secondText{QStringLiteral("The words on screen have changed now.")};
    // The same words wrapped differently: only white space differs, so nothing new is sent.
    const QStringList secondWrapped{QStringLiteral("The words on screen"),
                                    QStringLiteral("have changed now.")};
    PictureWindow text(QPoint(137, 91));
    QImage canvas = blankPicture(QSize(520, 110));
    auto show = [&](const QStringList& lines) {
        canvas.fill(QColor(250, 250, 250));
        QPainter(&canvas).drawImage(0, 0, textPicture(lines, QStringLiteral("Inter")));
        text.setPicture(canvas);
        QTest::qWait(100);
    };
    show(firstText);
    ASSERT_TRUE(showAndWait(text));
    const QRect region(137, 91, 520, 110);

    runs->startScreenshotSession(ScreenshotPurpose::translate);
    ScreenshotOverlayController* overlay = waitForOverlay(0);
    ASSERT_TRUE(overlay);
    other.pressKey(XK_2); // continuous
    ASSERT_TRUE(dragRegion(overlay, region));
    other.pressKey(XK_Return);
    EXPECT_TRUE(QTest::qWaitFor([&] { return other.tryGrabKeyboard() == GrabSuccess; }));

    // Each cycle ends in the 1.2 s wait on the run's clock.
    auto waitForCycle = [&](int recognitions) {
        return QTest::qWaitFor(
            [&] { return traffic->recognitions == recognitions && clock.pendingCalls() > 0; }, 30000);
    };
    ASSERT_TRUE(waitForCycle(1));
    ASSERT_EQ(workflow->handOvers.size(), 1u);
    EXPECT_EQ(settings->mode, ScreenshotCaptureMode::continuous);

    show(secondText);
    clock.advance(ScreenshotRunController::kContinuousInterval);
    ASSERT_TRUE(waitForCycle(2));
    ASSERT_EQ(workflow->handOvers.size(), 2u);

    show(secondWrapped);
    clock.advance(ScreenshotRunController::kContinuousInterval);
    ASSERT_TRUE(waitForCycle(3));
    EXPECT_EQ(traffic->captures, 3);

    other.pressKey(XK_Escape);
    ASSERT_TRUE(waitForRunEnd());
    clock.advance(ScreenshotRunController::kContinuousInterval * 3);
    QTest::qWait(100);

    ASSERT_EQ(workflow->handOvers.size(), 2u);
    EXPECT_LE(characterErrorRate(workflow->handOvers[0].text, firstText.join(u'\n')), 0.01)
        << workflow->handOvers[0].text.toStdString();
    EXPECT_LE(characterErrorRate(workflow->handOvers[1].text, secondText.join(u'\n')), 0.01)
        << workflow->handOvers[1].text.toStdString();
    EXPECT_EQ(workflow->handOvers[0].anchor, region);
    EXPECT_EQ(workflow->handOvers[1].anchor, region);
    EXPECT_EQ(traffic->captures, 3) << "no capture after Escape";
    EXPECT_EQ(workflow->calls, QStringList({"begin", "translateRecognized", "translateRecognized", "stop"}));
    expectReleased();
}

// Twenty words in a grid of cells, each cell one region of a batch.
struct WordGrid {
    static constexpr QSize kCell{200, 64};
    static constexpr int kColumns = 4;
    QPoint origin;
    QStringList words;

    QRect cell(int index) const {
        return QRect(origin + QPoint(index % kColumns * kCell.width(), index / kColumns * kCell.height()),
                     kCell)
            .adjusted(6, 6, -6, -6);
    }
    QImage picture() const {
        const int rows = int((words.size() + kColumns - 1) / kColumns);
        QImage image = blankPicture(QSize(kColumns * kCell.width(), rows * kCell.height()));
        QPainter painter(&image);
        for (int i = 0; i < words.size(); ++i)
            painter.drawImage(cell(i).topLeft() - origin + QPoint(4, 2),
                              crispText({words[i]}, 24, false, QStringLiteral("Inter"), 8));
        return image;
    }
};

TEST_F(ScreenshotRunX11, ABatchOfTwentyRegionsIsSentAsOneTextSeparatedByEmptyLines) {
    const WordGrid grid{QPoint(100, 100),
                        {"alpha", "bravo", "charlie", "delta", "echo",   "foxtrot", "golf",
                         "hotel", "india", "juliet",  "kilo",  "lima",   "mike",    "november",
                         "oscar", "papa",  "quebec",  "romeo", "sierra", "tango"}};
    PictureWindow window(grid.origin);
    window.setPicture(grid.picture());
    ASSERT_TRUE(showAndWait(window));

    runs->startScreenshotSession(ScreenshotPurpose::translate);
    for (int i = 0; i < ScreenshotRunController::kBatchLimit; ++i) {
        SCOPED_TRACE(i);
        ScreenshotOverlayController* overlay = waitForOverlay(i);
        ASSERT_TRUE(overlay);
        if (i == 0)
            other.pressKey(XK_3); // batch
        EXPECT_EQ(overlay->keyView()->batchCount(), i);
        ASSERT_TRUE(dragRegion(overlay, grid.cell(i)));
        other.pressKey(XK_Return);
    }
    ASSERT_TRUE(waitForRunEnd());

    EXPECT_EQ(traffic->selections, ScreenshotRunController::kBatchLimit) << "no 21st overlay";
    ASSERT_EQ(workflow->handOvers.size(), 1u) << workflow->calls.join(u", ").toStdString();
    const auto& handOver = workflow->handOvers.front();
    const QStringList parts = handOver.text.split(QStringLiteral("\n\n"));
    EXPECT_EQ(parts.size(), grid.words.size()) << handOver.text.toStdString();
    EXPECT_LE(characterErrorRate(handOver.text, grid.words.join(u' ')), 0.02) << handOver.text.toStdString();
    const QRect last = grid.cell(ScreenshotRunController::kBatchLimit - 1);
    EXPECT_EQ(handOver.anchor, last);
    EXPECT_EQ(beeps, 0);
    expectReleased();
}

TEST_F(ScreenshotRunX11, EscapeInALaterBatchOverlayDropsTheCollectedTexts) {
    const WordGrid grid{QPoint(100, 100), {"alpha", "bravo"}};
    PictureWindow window(grid.origin);
    window.setPicture(grid.picture());
    ASSERT_TRUE(showAndWait(window));
    settings->mode = ScreenshotCaptureMode::batch;

    runs->startScreenshotSession(ScreenshotPurpose::translate);
    ASSERT_TRUE(selectIn(0, grid.cell(0)));
    other.pressKey(XK_Return);
    ScreenshotOverlayController* overlay = waitForOverlay(1);
    ASSERT_TRUE(overlay);
    EXPECT_EQ(overlay->keyView()->globalSelection(), QRectF(grid.cell(0))) << "the last region pre-selected";
    other.pressKey(XK_Escape);
    ASSERT_TRUE(waitForRunEnd());
    QTest::qWait(100);

    EXPECT_TRUE(workflow->handOvers.empty());
    EXPECT_EQ(workflow->calls, QStringList({"begin", "stop"}));
    expectReleased();
}

} // namespace
} // namespace tolvane
