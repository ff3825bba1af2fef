#pragma once

#include "core/async/cancellation.h"

#include <QImage>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <vector>

namespace tolvane {

// One recognised line: its text, its box in image pixels (y down) and a confidence from 0 to 1.
struct RecognizedLine {
    QString text;
    QRectF box;
    float confidence = 0.0f;
};

// On-device text recognition. recognize() blocks and runs only on the recognition worker thread.
class TextRecognizer {
public:
    virtual ~TextRecognizer() = default;
    // `languages` are recognition languages as recognitionLanguages() gives them; `customWords` are already
    // normalised. Lines come in any order. Throws ScreenshotOCRError(recognitionFailed), or CancelledError
    // when `token` fires during the work.
    virtual std::vector<RecognizedLine> recognize(const QImage& image, const QStringList& languages,
                                                  const QStringList& customWords,
                                                  const CancellationToken& token) = 0;
};

// Produces the image for the second, enhanced recognition pass. Runs on the recognition worker thread.
class ImageEnhancer {
public:
    virtual ~ImageEnhancer() = default;
    // The image scaled by `factor`, in grey, with contrast raised and sharpened; a null image on failure.
    virtual QImage enhance(const QImage& image, double factor) = 0;
};

} // namespace tolvane
