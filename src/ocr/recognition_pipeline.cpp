#include "ocr/recognition_pipeline.h"

#include "core/app_error.h"
#include "core/logging.h"
#include "core/text.h"
#include "ocr/custom_words.h"
#include "ocr/cut_line_filter.h"
#include "ocr/highlight_bars.h"
#include "ocr/reading_order.h"
#include "ocr/reading_vote.h"
#include "ocr/recognition_language.h"
#include "ocr/recognition_policy.h"
#include "ocr/screenshot_ocr_error.h"
#include "ocr/text_cursor_eraser.h"

#include <algorithm>

namespace tolvane {

// The outcome of one pass: lines in reading order joined with "\n", and their character-weighted confidence.
struct RecognitionPipeline::Candidate {
    QString text;
    float confidence = 0.0f;
    // The median height of the lines, in the recognised image's pixels; 0 without lines.
    double lineHeight = 0.0;
    // False when the enhanced image could not be made, so the pass did not run.
    bool ran = true;
};

namespace {
float weightedConfidence(const std::vector<RecognizedLine>& lines) {
    float weighted = 0.0f;
    float weights = 0.0f;
    for (const RecognizedLine& line : lines) {
        const float weight = float(std::max<qsizetype>(text::graphemeCount(line.text), 1));
        weighted += line.confidence * weight;
        weights += weight;
    }
    return weights > 0.0f ? weighted / weights : 0.0f;
}
} // namespace

RecognitionPipeline::RecognitionPipeline(std::shared_ptr<TextRecognizer> recognizer,
                                         std::shared_ptr<ImageEnhancer> enhancer)
    : m_recognizer(std::move(recognizer)), m_enhancer(std::move(enhancer)),
      m_worker(QStringLiteral("tolvane-ocr")) {}

RecognitionPipeline::~RecognitionPipeline() = default;

QCoro::Task<RecognitionPipeline::Candidate>
RecognitionPipeline::submitPass(QImage image, double enhanceFactor, QStringList languages, QStringList words,
                                CancellationToken token) {
    return m_worker.run([recognizer = m_recognizer, enhancer = m_enhancer, image = std::move(image),
                         enhanceFactor, languages = std::move(languages), words = std::move(words),
                         token]() -> Candidate {
        QImage input = eraseTextCursors(withHighlightBarsInPagePolarity(image));
        if (enhanceFactor > 0.0) {
            input = enhancer->enhance(input, enhanceFactor);
            if (input.isNull())
                return Candidate{{}, 0.0f, 0.0, false};
        }
        std::vector<RecognizedLine> lines = recognizer->recognize(input, languages, words, token);
        dropCutLines(lines, input.size());
        sortIntoReadingOrder(lines, QSizeF(input.size()));
        Candidate candidate;
        candidate.confidence = weightedConfidence(lines);
        candidate.lineHeight = medianLineHeight(lines);
        QStringList texts;
        for (const RecognizedLine& line : lines)
            texts.append(line.text);
        candidate.text = texts.join(QLatin1Char('\n'));
        return candidate;
    });
}

QCoro::Task<RecognitionPipeline::Candidate>
RecognitionPipeline::runPass(std::weak_ptr<RecognitionPipeline> pipeline, QImage image, double enhanceFactor,
                             QStringList languages, QStringList words, CancellationToken token) {
    auto self = pipeline.lock();
    if (!self)
        throw CancelledError();
    auto task =
        self->submitPass(std::move(image), enhanceFactor, std::move(languages), std::move(words), token);
    self.reset();
    co_return co_await std::move(task);
}

QCoro::Task<QString> RecognitionPipeline::recognize(std::weak_ptr<RecognitionPipeline> pipeline, QImage image,
                                                    QString languageHint, QStringList customWords,
                                                    CancellationToken token) {
    token.throwIfCancelled();
    if (image.isNull())
        throw ScreenshotOCRError(ScreenshotOCRError::Kind::recognitionFailed);
    const QStringList languages = recognitionLanguages(languageHint);
    const QStringList words = normalizedCustomWords(customWords);
    const QSize originalSize = image.size();
    // Tesseract refuses sides over its limit; dropped images can be any size.
    const QImage input = fitForRecognition(image);
    if (input.size() != originalSize)
        qCInfo(lcOcr) << "Scaled a" << originalSize << "image down to" << input.size() << "for recognition";

    Candidate first = co_await runPass(pipeline, input, 0.0, languages, words, token);
    token.throwIfCancelled();
    // The first reading tells the picture's script; a Chinese picture is read again with the Chinese model
    // alone.
    const QStringList scriptLanguages = languagesForText(languages, first.text);
    if (scriptLanguages != languages) {
        first = co_await runPass(pipeline, input, 0.0, scriptLanguages, words, token);
        token.throwIfCancelled();
    }

    Candidate chosen = first;
    if (wantsEnhancedPass(first.confidence, input.width())) {
        const double factor = enhancementFactor(input.size());
        if (factor > 1.0) {
            std::optional<Candidate> enhanced;
            try {
                enhanced = co_await runPass(pipeline, input, factor, scriptLanguages, words, token);
            } catch (const CancelledError&) {
                throw;
            } catch (const std::exception& error) {
                // The first pass stands when the enhanced one fails.
                qCCritical(lcOcr).noquote()
                    << "Enhanced OCR pass failed; keeping the first pass:" << describeError(error);
            }
            token.throwIfCancelled();
            if (enhanced && enhanced->ran &&
                passScore(enhanced->confidence, enhanced->text) > passScore(first.confidence, first.text))
                chosen = *enhanced;
            // Two scales that read the same text leave nothing to vote on; otherwise readings at further
            // scales vote on the chosen reading's characters.
            if (enhanced && enhanced->ran && enhanced->text != first.text) {
                QStringList others{chosen.text == first.text ? enhanced->text : first.text};
                for (const double votingFactor : votingFactors(input.size(), factor, first.lineHeight)) {
                    try {
                        const Candidate reading =
                            co_await runPass(pipeline, input, votingFactor, scriptLanguages, words, token);
                        if (reading.ran)
                            others.append(reading.text);
                    } catch (const CancelledError&) {
                        throw;
                    } catch (const std::exception& error) {
                        qCWarning(lcOcr).noquote() << "Voting OCR pass failed:" << describeError(error);
                    }
                    token.throwIfCancelled();
                }
                chosen.text = voteOnReadings(chosen.text, others);
            }
        }
    }

    const QString text = text::trimmed(chosen.text);
    if (text.isEmpty())
        throw ScreenshotOCRError(ScreenshotOCRError::Kind::noTextRecognized);
    qCInfo(lcOcr).noquote() << QStringLiteral("OCR completed: %1x%2, confidence %3, languages %4")
                                   .arg(originalSize.width())
                                   .arg(originalSize.height())
                                   .arg(double(chosen.confidence), 0, 'f', 2)
                                   .arg(languages.join(QLatin1Char(',')));
    co_return text;
}

} // namespace tolvane
