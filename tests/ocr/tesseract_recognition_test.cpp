#include "await_task.h"
#include "ocr/leptonica_image_enhancer.h"
#include "ocr/ocr_engine_loader.h"
#include "ocr/recognition_pipeline.h"
#include "ocr/screenshot_ocr_error.h"
#include "ocr/tesseract_recognizer.h"
#include "text_corpus.h"

#include <QDir>
#include <QRegularExpression>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>
#include <numeric>

namespace tolvane {
namespace {

using testing::awaitTask;
using testing::characterErrorRate;
using testing::renderText;

const QStringList kEnglish{"The quick brown fox jumps over the lazy dog.",
                           "Translate the selected text into English.",
                           "Settings are saved automatically on change."};
const QStringList kChinese{QString::fromUtf8("截图翻译会识别屏幕上的文字"),
                           QString::fromUtf8("然后把结果显示在浮动面板中"),
                           QString::fromUtf8("请在设置里选择目标语言和风格")};
const QStringList kMixed{QString::fromUtf8("使用 OpenAI 兼容接口进行翻译"),
                         QString::fromUtf8("按 Ctrl 加 T 打开主窗口"),
                         QString::fromUtf8("历史记录保存在本地 SQLite 数据库")};

// Threads of this process named as the recognition worker: the worker itself and every thread it started
// (a new thread inherits its creator's name).
int recognitionThreads() {
    int count = 0;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile name(tasks.filePath(task + QStringLiteral("/comm")));
        count += name.open(QIODevice::ReadOnly) && name.readAll().trimmed() == "tolvane-ocr";
    }
    return count;
}

class TesseractRecognition : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_recognizer = std::make_shared<TesseractRecognizer>();
        s_pipeline =
            std::make_shared<RecognitionPipeline>(s_recognizer, std::make_shared<LeptonicaImageEnhancer>());
    }
    static void TearDownTestSuite() {
        s_pipeline.reset();
        s_recognizer.reset();
    }

    static QString recognize(const QImage& image, const QString& hint, CancellationToken token = {}) {
        return awaitTask(RecognitionPipeline::recognize(s_pipeline, image, hint, {}, token));
    }

    // Mean and worst error over 13, 16, 20 and 28 px, light and dark.
    static std::pair<double, double> errorRates(const QStringList& lines, const QString& family,
                                                const QString& hint, bool checkHanSpacing) {
        std::vector<double> rates;
        static const QRegularExpression spaceInHan(QStringLiteral("\\p{Han}[ \\t]+\\p{Han}"));
        // The test lines write a space between Han and a Latin word or a number.
        static const QRegularExpression latinAgainstHan(
            QStringLiteral("\\p{Han}[\\p{Latin}0-9]|[\\p{Latin}0-9]\\p{Han}"));
        for (int size : {13, 16, 20, 28}) {
            for (bool dark : {false, true}) {
                const QString text = recognize(renderText(lines, size, dark, family), hint);
                const double rate = characterErrorRate(text, lines.join(QLatin1Char('\n')));
                rates.push_back(rate);
                SCOPED_TRACE(QStringLiteral("%1 px %2: %3")
                                 .arg(size)
                                 .arg(dark ? "dark" : "light")
                                 .arg(text)
                                 .toStdString());
                if (checkHanSpacing) {
                    EXPECT_FALSE(text.contains(spaceInHan)) << "space between Han characters";
                    EXPECT_FALSE(text.contains(latinAgainstHan)) << "Latin joined to Han";
                }
                if (hint == QLatin1String("en")) {
                    EXPECT_EQ(text.split(QLatin1Char('\n')).size(), lines.size()) << "line count";
                    EXPECT_LE(rate, 0.01);
                }
            }
        }
        const double mean = std::accumulate(rates.begin(), rates.end(), 0.0) / double(rates.size());
        return {mean, *std::max_element(rates.begin(), rates.end())};
    }

    static inline std::shared_ptr<TesseractRecognizer> s_recognizer;
    static inline std::shared_ptr<RecognitionPipeline> s_pipeline;
};

TEST_F(TesseractRecognition, EnglishIsReadAlmostExactlyWithLinesKept) {
    const auto [mean, worst] = errorRates(kEnglish, QStringLiteral("Inter"), QStringLiteral("en"), false);
    EXPECT_LE(worst, 0.01) << "mean " << mean;
}

TEST_F(TesseractRecognition, ChineseAndMixedTextStayWithinTheirErrorBudgets) {
    const QString cjk = QStringLiteral("Noto Sans CJK SC");
    const auto [chineseMean, chineseWorst] = errorRates(kChinese, cjk, QStringLiteral("zh"), true);
    EXPECT_LE(chineseMean, 0.04);
    EXPECT_LE(chineseWorst, 0.08);
    const auto [mixedMean, mixedWorst] = errorRates(kMixed, cjk, QStringLiteral("zh-Hans"), true);
    EXPECT_LE(mixedMean, 0.04);
    EXPECT_LE(mixedWorst, 0.10);
}

TEST_F(TesseractRecognition, AHighlightedLineReadsAsWellAsThePlainOnesBelowIt) {
    // The first line on a bar of the other polarity, as a selected line or a header bar is drawn. Small
    // Chinese on a light bar in a dark theme is where Tesseract, reading the picture as it is, loses that
    // line altogether.
    for (const int size : {13, 16, 22}) {
        for (const bool dark : {false, true}) {
            const std::string label = std::to_string(size) + (dark ? " dark" : " light");
            const QString english =
                recognize(testing::renderHighlightedText(kEnglish, size, dark, QStringLiteral("Inter")),
                          QStringLiteral("en"));
            EXPECT_LE(characterErrorRate(english, kEnglish.join(u'\n')), 0.02)
                << label << ": " << english.toStdString();
            const QString chinese = recognize(
                testing::renderHighlightedText(kChinese, size, dark, QStringLiteral("Noto Sans CJK SC")),
                QStringLiteral("zh"));
            EXPECT_LE(characterErrorRate(chinese, kChinese.join(u'\n')), 0.05)
                << label << ": " << chinese.toStdString();
        }
    }
}

TEST_F(TesseractRecognition, BlankImagesHaveNoTextRatherThanFailing) {
    for (const QColor& colour : {QColor(Qt::white), QColor(Qt::black)}) {
        QImage blank(400, 120, QImage::Format_RGB32);
        blank.fill(colour);
        EXPECT_EQ(testing::errorKind<ScreenshotOCRError>(testing::awaitFailure(
                      RecognitionPipeline::recognize(s_pipeline, blank, QStringLiteral("auto"), {}, {}))),
                  ScreenshotOCRError::Kind::noTextRecognized);
    }
}

TEST_F(TesseractRecognition, ImagesBeyondTheEngineLimitFailCleanly) {
    QImage strip(33000, 40, QImage::Format_Grayscale8);
    strip.fill(255);
    const CancellationToken none;
    try {
        s_recognizer->recognize(strip, {QStringLiteral("en-US")}, {}, none);
        ADD_FAILURE() << "an image over the side limit was accepted";
    } catch (const ScreenshotOCRError& error) {
        EXPECT_EQ(error.kind(), ScreenshotOCRError::Kind::recognitionFailed);
    }
    // Through the pipeline the same image is scaled down first and simply has no text.
    EXPECT_THROW(recognize(strip, QStringLiteral("en")), ScreenshotOCRError);
}

// The application's recognizer and enhancer come from the engine module, loaded on their first use: the
// module reads text as the linked engine does, and its failures reach the caller as the same error kind.
TEST(OcrEngineModule, LoadsOnFirstUseReadsTextAndKeepsErrorKinds) {
    const std::shared_ptr<TextRecognizer> recognizer = loadedTextRecognizer();
    const std::shared_ptr<ImageEnhancer> enhancer = loadedImageEnhancer();
    const auto pipeline = std::make_shared<RecognitionPipeline>(recognizer, enhancer);
    const QString text = awaitTask(RecognitionPipeline::recognize(
        pipeline, renderText(kEnglish, 20, false, QStringLiteral("Inter")), QStringLiteral("en"), {}, {}));
    EXPECT_LE(characterErrorRate(text, kEnglish.join(QLatin1Char('\n'))), 0.01) << text.toStdString();
    ASSERT_TRUE(ocrEngineModule().loaded()) << ocrEngineModule().error.toStdString();
    EXPECT_TRUE(ocrEngineModule().path.endsWith(QStringLiteral("libtolvane_ocr_engine.so")));
    EXPECT_FALSE(enhancer->enhance(renderText({QStringLiteral("x")}, 20, false, QStringLiteral("Inter")), 2.0)
                     .isNull());

    QImage strip(33000, 40, QImage::Format_Grayscale8);
    strip.fill(255);
    try {
        recognizer->recognize(strip, {QStringLiteral("en-US")}, {}, CancellationToken());
        ADD_FAILURE() << "an image over the side limit was accepted";
    } catch (const ScreenshotOCRError& error) {
        EXPECT_EQ(error.kind(), ScreenshotOCRError::Kind::recognitionFailed);
    }
}

TEST_F(TesseractRecognition, EnginesAreReusedPerLanguagesAndWords) {
    const QImage image = renderText({QStringLiteral("Cache check")}, 20, false, QStringLiteral("Inter"));
    const CancellationToken none;
    s_recognizer->recognize(image, {QStringLiteral("en-US")}, {QStringLiteral("Tolvane")}, none);
    const int started = s_recognizer->engineStarts();
    s_recognizer->recognize(image, {QStringLiteral("en-US")}, {QStringLiteral("Tolvane")}, none);
    EXPECT_EQ(s_recognizer->engineStarts(), started) << "same languages and words reuse the engine";
    s_recognizer->recognize(image, {QStringLiteral("en-US")}, {QStringLiteral("Other")}, none);
    EXPECT_EQ(s_recognizer->engineStarts(), started + 1) << "other words need their own engine";
}

TEST_F(TesseractRecognition, RecognitionRunsOnItsWorkerThreadAlone) {
    // OpenMP would start a team of threads per core and keep them for the next parallel loop.
    int most = 0;
    QTimer sampler;
    sampler.callOnTimeout([&] { most = std::max(most, recognitionThreads()); });
    sampler.start(1);
    EXPECT_FALSE(
        recognize(renderText(kMixed, 16, false, QStringLiteral("Noto Sans CJK SC")), "zh").isEmpty());
    most = std::max(most, recognitionThreads());
    EXPECT_EQ(most, 1);
}

TEST_F(TesseractRecognition, CancellingDuringAPassStopsTheEngine) {
    // A dense page takes seconds; the cancel arrives while the engine is busy.
    QStringList lines;
    for (int i = 0; i < 60; ++i)
        lines.append(kMixed[i % kMixed.size()] + QStringLiteral(" ") + kEnglish[i % kEnglish.size()]);
    const QImage dense = renderText(lines, 14, false, QStringLiteral("Noto Sans CJK SC"));
    CancellationSource source;
    auto probe = testing::watch(
        RecognitionPipeline::recognize(s_pipeline, dense, QStringLiteral("zh"), {}, source.token()));
    QThread::msleep(150);
    source.cancel();
    while (!probe->done)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    ASSERT_TRUE(probe->error);
    EXPECT_THROW(std::rethrow_exception(probe->error), CancelledError);
    EXPECT_FALSE(probe->value.has_value());
}

} // namespace
} // namespace tolvane
