#pragma once

#include "ocr/text_recognizer.h"

namespace tolvane {

// The enhanced-pass image with Leptonica: grey, linear scaling by the factor, a contrast and brightness lift,
// then an unsharp mask. Safe to use from any single thread.
class LeptonicaImageEnhancer final : public ImageEnhancer {
public:
    QImage enhance(const QImage& image, double factor) override;
};

} // namespace tolvane
