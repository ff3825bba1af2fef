// Source-language detection cost: a 4,000-character sample, and a 1,000,000-character input next to its
// 4,000-character prefix and its trimming alone.
#include "model/language_detection.h"
#include "core/text.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>

namespace {

using namespace tolvane;

const QString kParagraph = QStringLiteral(
    "The committee met on Tuesday to review the draft budget for the coming year. Several members asked "
    "for clearer figures on maintenance costs, and the chair agreed to circulate a revised version before "
    "the next session. ");

// `characters` characters of English prose (the paragraph is plain ASCII: one character per code unit).
QString prose(qsizetype characters) {
    QString text;
    text.reserve(characters);
    while (text.size() < characters)
        text += kParagraph;
    text.truncate(characters);
    return text;
}

void BM_Detect4000Characters(benchmark::State& state) {
    const QString text = prose(4000);
    if (detectSourceLanguage(text) != QStringLiteral("en-US"))
        state.SkipWithError("the sample was not detected as en-US");
    for (auto _ : state)
        benchmark::DoNotOptimize(detectSourceLanguage(text));
}
BENCHMARK(BM_Detect4000Characters)->Unit(benchmark::kMicrosecond);

void BM_Detect4000CjkCharacters(benchmark::State& state) {
    QString text;
    while (text.size() < 4000)
        text += QStringLiteral("委员会周二开会审议了来年的预算草案，几位成员要求提供更清楚的维护费用数字。");
    text.truncate(4000);
    for (auto _ : state)
        benchmark::DoNotOptimize(detectSourceLanguage(text));
}
BENCHMARK(BM_Detect4000CjkCharacters)->Unit(benchmark::kMicrosecond);

void BM_Detect1000000Characters(benchmark::State& state) {
    const QString text = QStringLiteral("  \n") + prose(1000000) + QStringLiteral("\n\n");
    if (detectSourceLanguage(text) != QStringLiteral("en-US"))
        state.SkipWithError("the input was not detected as en-US");
    for (auto _ : state)
        benchmark::DoNotOptimize(detectSourceLanguage(text));
}
BENCHMARK(BM_Detect1000000Characters)->Unit(benchmark::kMicrosecond);

// The share of the long input's cost that trimming alone accounts for.
void BM_Trim1000000Characters(benchmark::State& state) {
    const QString text = QStringLiteral("  \n") + prose(1000000) + QStringLiteral("\n\n");
    for (auto _ : state)
        benchmark::DoNotOptimize(text::trimmed(text));
}
BENCHMARK(BM_Trim1000000Characters)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
