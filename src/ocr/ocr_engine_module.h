#pragma once

#include "ocr/text_recognizer.h"

// The entry points of the recognition engine module (libtolvane_ocr_engine.so): Tesseract and Leptonica with
// the few helpers they call, built as a module the application loads on its first recognition, so their
// forty-odd shared libraries stay out of its start. The module is never unloaded.
extern "C" {
using TolvaneCreateTextRecognizer = tolvane::TextRecognizer* (*)();
using TolvaneCreateImageEnhancer = tolvane::ImageEnhancer* (*)();
Q_DECL_EXPORT tolvane::TextRecognizer* tolvane_create_text_recognizer();
Q_DECL_EXPORT tolvane::ImageEnhancer* tolvane_create_image_enhancer();
}
