#include "ocr/ocr_engine_module.h"

#include "ocr/leptonica_image_enhancer.h"
#include "ocr/tesseract_recognizer.h"

tolvane::TextRecognizer* tolvane_create_text_recognizer() {
    return new tolvane::TesseractRecognizer();
}

tolvane::ImageEnhancer* tolvane_create_image_enhancer() {
    return new tolvane::LeptonicaImageEnhancer();
}
