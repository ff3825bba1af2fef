#include "await_task.h"
#include "fake_recognition.h"
#include "ocr/recognition_pipeline.h"
#include "ocr/recognition_policy.h"
#include "ocr/screenshot_ocr_error.h"

#include <QCoroTask>
#include <gtest/gtest.h>

namespace tolvane {
namespace {

using testing::ScalingEnhancer;
using testing::ScriptedRecognizer;
using testing::textLine;

struct Fixture {
    explicit Fixture(ScriptedRecognizer::Script script)
        : recognizer(std::make_shared<ScriptedRecognizer>(std::move(script))),
          enhancer(std::make_shared<ScalingEnhancer>()),
          pipeline(std::make_shared<RecognitionPipeline>(recognizer, enhancer)) {}

    QString run(QImage image, QString hint = "auto", QStringList words = {}, CancellationToken token = {}) {
        return testing::awaitTask(RecognitionPipeline::recognize(pipeline, std::move(image), std::move(hint),
                                                                 std::move(words), std::move(token)));
    }

    std::optional<ScreenshotOCRError::Kind> failure(QImage image) {
        return testing::errorKind<ScreenshotOCRError>(testing::awaitFailure(
            RecognitionPipeline::recognize(pipeline, std::move(image), "auto", {}, {})));
    }

    std::shared_ptr<ScriptedRecognizer> recognizer;
    std::shared_ptr<ScalingEnhancer> enhancer;
    std::shared_ptr<RecognitionPipeline> pipeline;
};

QImage image(int width, int height) {
    QImage result(width, height, QImage::Format_RGB32);
    result.fill(Qt::white);
    return result;
}

TEST(RecognitionPipeline, BetterEnhancedPassWinsAndLinesComeInReadingOrder) {
    Fixture f([](int pass, const QImage&, const CancellationToken&) {
        if (pass == 1)
            return std::vector{textLine("sec0nd", 0.6f, QRectF(0, 50, 80, 10)), textLine("first", 0.6f)};
        return std::vector{textLine("second", 0.95f, QRectF(0, 150, 240, 30)), textLine("first", 0.95f)};
    });
    EXPECT_EQ(f.run(image(600, 200), "zh_CN", {" term ", "term", ""}), "first\nsecond");
    EXPECT_EQ(f.recognizer->languages(), (QStringList{"zh-Hans", "en-US"}));
    EXPECT_EQ(f.recognizer->words(), QStringList{"term"});
    const QList<QSize> sizes = f.recognizer->sizes();
    ASSERT_EQ(sizes.size(), 4);
    EXPECT_EQ(sizes[0], QSize(600, 200)) << "an image within the limits is read as it is";
    EXPECT_EQ(sizes[1], QSize(1800, 600)) << "short side 200 is enlarged 3 times";
    EXPECT_EQ(sizes[2], QSize(1200, 400)) << "voting passes at two thirds and four thirds of that";
    EXPECT_EQ(sizes[3], QSize(2400, 800));
}

TEST(RecognitionPipeline, ReadingsAtFurtherScalesVoteOnTheChosenReadingsCharacters) {
    // The confident enhanced reading is chosen; the first and both voting readings agree on one character
    // it got wrong, and one voting reading has a line more, so it takes no part.
    Fixture f([](int pass, const QImage&, const CancellationToken&) {
        const QRectF second(0, 40, 100, 10);
        switch (pass) {
        case 1:
            return std::vector{textLine("c1ear text", 0.5f), textLine("Open", 0.5f, second)};
        case 2:
            return std::vector{textLine("clear text", 0.9f), textLine("0pen", 0.9f, second)};
        case 3:
            return std::vector{textLine("clear  tex", 0.6f), textLine("Open", 0.6f, second)};
        default:
            return std::vector{textLine("x", 0.6f), textLine("y", 0.6f, QRectF(0, 20, 100, 10)),
                               textLine("z", 0.6f, second)};
        }
    });
    EXPECT_EQ(f.run(image(300, 100)), "clear text\nOpen");
    EXPECT_EQ(f.recognizer->sizes().size(), 4);

    // Two scales that read the same text: no voting passes.
    Fixture agreeing([](int, const QImage&, const CancellationToken&) {
        return std::vector{textLine("same text", 0.6f)};
    });
    EXPECT_EQ(agreeing.run(image(300, 100)), "same text");
    EXPECT_EQ(agreeing.recognizer->sizes().size(), 2);

    // A picture of more than a few lines is not read again to vote.
    Fixture large([](int pass, const QImage&, const CancellationToken&) {
        return std::vector{textLine(pass == 1 ? "first" : "enhanced", 0.5f)};
    });
    EXPECT_EQ(large.run(image(700, 450)), "enhanced");
    EXPECT_EQ(large.recognizer->sizes().size(), 2);
}

TEST(RecognitionPipeline, FirstPassKeptOnTiesOnFailuresAndWhenFinal) {
    // Same text and confidence: the tie keeps the first pass.
    Fixture tie([](int pass, const QImage&, const CancellationToken&) {
        return std::vector{textLine(pass == 1 ? "alpha" : "alpha", 0.7f)};
    });
    EXPECT_EQ(tie.run(image(300, 100)), "alpha");

    // The enhanced pass throws: the first pass is the result, not a failure.
    Fixture failing([](int pass, const QImage&, const CancellationToken&) -> std::vector<RecognizedLine> {
        if (pass == 2)
            throw ScreenshotOCRError(ScreenshotOCRError::Kind::recognitionFailed);
        return {textLine("kept", 0.5f)};
    });
    EXPECT_EQ(failing.run(image(300, 100)), "kept");

    // The enhancer cannot make an image: first pass again.
    Fixture noImage(
        [](int, const QImage&, const CancellationToken&) { return std::vector{textLine("plain", 0.5f)}; });
    noImage.enhancer->failing = true;
    EXPECT_EQ(noImage.run(image(300, 100)), "plain");
    EXPECT_EQ(noImage.recognizer->sizes().size(), 1);

    // Confident on a wide image: no second pass at all.
    Fixture wide(
        [](int, const QImage&, const CancellationToken&) { return std::vector{textLine("wide", 0.9f)}; });
    EXPECT_EQ(wide.run(image(2400, 40)), "wide");
    EXPECT_EQ(wide.enhancer->calls.load(), 0);
}

TEST(RecognitionPipeline, OversizedInputIsScaledBeforeEitherPass) {
    Fixture f([](int pass, const QImage&, const CancellationToken&) {
        return std::vector{textLine(QStringLiteral("pass %1").arg(pass), 0.5f)};
    });
    (void)f.run(image(40000, 100));
    const QList<QSize> sizes = f.recognizer->sizes();
    ASSERT_FALSE(sizes.isEmpty());
    for (const QSize& size : sizes) {
        EXPECT_LE(size.width(), kMaxRecognitionSide);
        EXPECT_LE(size.height(), kMaxRecognitionSide);
    }
    EXPECT_NEAR(double(sizes.first().width()) / sizes.first().height(), 400.0, 5.0) << "aspect ratio kept";
}

TEST(RecognitionPipeline, EmptyOrBlankTextIsNoTextAndFailuresAreRecognitionFailed) {
    Fixture breaks([](int, const QImage&, const CancellationToken&) {
        return std::vector{textLine("\n", 0.9f), textLine(" \n ", 0.9f)};
    });
    EXPECT_EQ(breaks.failure(image(300, 100)), ScreenshotOCRError::Kind::noTextRecognized);

    Fixture nothing(
        [](int, const QImage&, const CancellationToken&) { return std::vector<RecognizedLine>{}; });
    EXPECT_EQ(nothing.failure(image(300, 100)), ScreenshotOCRError::Kind::noTextRecognized);

    Fixture broken([](int, const QImage&, const CancellationToken&) -> std::vector<RecognizedLine> {
        throw ScreenshotOCRError(ScreenshotOCRError::Kind::recognitionFailed);
    });
    EXPECT_EQ(broken.failure(image(300, 100)), ScreenshotOCRError::Kind::recognitionFailed);
    EXPECT_EQ(broken.failure(QImage()), ScreenshotOCRError::Kind::recognitionFailed);
}

TEST(RecognitionPipeline, CancellationBetweenPassesEndsWithoutText) {
    CancellationSource source;
    Fixture f([&source](int pass, const QImage&, const CancellationToken&) {
        if (pass == 1)
            source.cancel(); // the user cancels while the first pass runs
        return std::vector{textLine("text", 0.5f)};
    });
    EXPECT_THROW(f.run(image(300, 100), "en", {}, source.token()), CancelledError);
    EXPECT_EQ(f.recognizer->sizes().size(), 1) << "no enhanced pass after a cancellation";
}

} // namespace
} // namespace tolvane
