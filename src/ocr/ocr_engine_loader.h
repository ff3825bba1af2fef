#pragma once

#include "ocr/text_recognizer.h"

#include <QString>
#include <memory>

namespace tolvane {

// The Tesseract recognizer and the Leptonica enhancer of the engine module, which is loaded on their first
// use (on the recognition worker), not at the application's start. The module is looked for beside the
// executable, then where this build put it. A module that cannot be loaded fails recognition with
// ScreenshotOCRError(recognitionFailed) and enhancement with a null image, and is logged once.
std::shared_ptr<TextRecognizer> loadedTextRecognizer();
std::shared_ptr<ImageEnhancer> loadedImageEnhancer();

// Where the engine module was found, or why it could not be loaded. Loads it when that was not tried yet.
struct OcrEngineModule {
    QString path;
    QString error;
    bool loaded() const { return error.isEmpty(); }
};
const OcrEngineModule& ocrEngineModule();

} // namespace tolvane
