#include "platform/language_recognizer.h"

#include "platform/cld2_language_recognizer.h"

namespace tolvane {

const LanguageRecognizer& defaultRecognizer() {
    static const Cld2LanguageRecognizer recognizer;
    return recognizer;
}

} // namespace tolvane
