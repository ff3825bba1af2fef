#pragma once

#include "core/async/cancellation.h"
#include "core/async/serial_worker.h"
#include "ocr/text_recognizer.h"

#include <QCoroTask>
#include <QImage>
#include <memory>

namespace tolvane {

// The two-pass recognition of one image: a plain pass, then (when that is not clearly final) a pass over
// an enlarged, sharpened copy, keeping the better-scoring one. Recognition and enhancement run one at a
// time on a dedicated worker thread, so the recogniser's engines are never used concurrently.
class RecognitionPipeline {
public:
    RecognitionPipeline(std::shared_ptr<TextRecognizer> recognizer, std::shared_ptr<ImageEnhancer> enhancer);
    ~RecognitionPipeline();

    // The trimmed, non-empty text of `image`. `languageHint` is a language code or "auto"; `customWords`
    // are raw (normalised here). Throws ScreenshotOCRError (recognitionFailed, noTextRecognized) or
    // CancelledError. Must be awaited on the main thread.
    static QCoro::Task<QString> recognize(std::weak_ptr<RecognitionPipeline> pipeline, QImage image,
                                          QString languageHint, QStringList customWords,
                                          CancellationToken token);

private:
    struct Candidate;
    // Queues one pass on the worker; enhanceFactor > 0 enhances the image first. Not a coroutine.
    QCoro::Task<Candidate> submitPass(QImage image, double enhanceFactor, QStringList languages,
                                      QStringList words, CancellationToken token);
    // Queues one pass and awaits it, holding the pipeline only while queueing; throws CancelledError when
    // the pipeline is gone.
    static QCoro::Task<Candidate> runPass(std::weak_ptr<RecognitionPipeline> pipeline, QImage image,
                                          double enhanceFactor, QStringList languages, QStringList words,
                                          CancellationToken token);

    std::shared_ptr<TextRecognizer> m_recognizer;
    std::shared_ptr<ImageEnhancer> m_enhancer;
    SerialWorker m_worker;
};

} // namespace tolvane
