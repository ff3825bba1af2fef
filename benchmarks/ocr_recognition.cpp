// Recognition speed on one core: engine start-up, both passes on a small region, and a dense page.
// Run as: build/<dir>/benchmarks/ocr_recognition_benchmark (the recogniser keeps Tesseract on one thread).
#include "ocr/await_task.h"
#include "ocr/leptonica_image_enhancer.h"
#include "ocr/recognition_pipeline.h"
#include "ocr/tesseract_recognizer.h"
#include "ocr/text_corpus.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>
#include <cstdlib>

namespace {

using namespace tolvane;

const QStringList kSmall{
    QString::fromUtf8("截图翻译会识别屏幕上的文字"), QString::fromUtf8("使用 OpenAI 兼容接口进行翻译"),
    QStringLiteral("The quick brown fox jumps over the lazy dog."),
    QString::fromUtf8("历史记录保存在本地 SQLite 数据库"), QString::fromUtf8("按 Ctrl 加 T 打开主窗口")};

QImage smallRegion(bool dark) {
    return testing::renderText(kSmall, 16, dark, QStringLiteral("Noto Sans CJK SC"));
}

QImage denseRegion() {
    QStringList lines;
    for (int i = 0; i < 40; ++i)
        lines.append(kSmall[i % kSmall.size()] + QStringLiteral(" ") + kSmall[(i + 2) % kSmall.size()]);
    return testing::renderText(lines, 14, false, QStringLiteral("Noto Sans CJK SC"), 8);
}

void BM_EngineStartup(benchmark::State& state) {
    QImage tiny(40, 20, QImage::Format_Grayscale8);
    tiny.fill(255);
    const QStringList languages{QStringLiteral("zh-Hans"), QStringLiteral("en-US")};
    for (auto _ : state) {
        TesseractRecognizer recognizer;
        benchmark::DoNotOptimize(recognizer.recognize(tiny, languages, {}, {}));
    }
}
BENCHMARK(BM_EngineStartup)->Unit(benchmark::kMillisecond)->Iterations(5);

void runPipeline(benchmark::State& state, const QImage& image) {
    auto pipeline = std::make_shared<RecognitionPipeline>(std::make_shared<TesseractRecognizer>(),
                                                          std::make_shared<LeptonicaImageEnhancer>());
    // Warm the engine cache so iterations measure recognition only.
    (void)testing::awaitTask(RecognitionPipeline::recognize(pipeline, image, QStringLiteral("zh"), {}, {}));
    for (auto _ : state)
        benchmark::DoNotOptimize(testing::awaitTask(
            RecognitionPipeline::recognize(pipeline, image, QStringLiteral("zh"), {}, {})));
    state.counters["width"] = image.width();
    state.counters["height"] = image.height();
}

void BM_SmallRegionBothPasses(benchmark::State& state) {
    runPipeline(state, smallRegion(state.range(0) != 0));
}
BENCHMARK(BM_SmallRegionBothPasses)
    ->Arg(0)
    ->Arg(1)
    ->ArgNames({"dark"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

void BM_Dense40Lines(benchmark::State& state) {
    runPipeline(state, denseRegion());
}
BENCHMARK(BM_Dense40Lines)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
