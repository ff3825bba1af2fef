#include "ocr/ocr_engine_loader.h"

#include "core/logging.h"
#include "ocr/ocr_engine_module.h"
#include "ocr/screenshot_ocr_error.h"
#include "platform/program_module.h"

#include <mutex>

namespace tolvane {
namespace {

struct LoadedModule {
    OcrEngineModule module;
    TolvaneCreateTextRecognizer createRecognizer = nullptr;
    TolvaneCreateImageEnhancer createEnhancer = nullptr;
};

LoadedModule load() {
    const ProgramModule opened = openProgramModule(
        QStringLiteral("libtolvane_ocr_engine.so"), QStringLiteral(TOLVANE_OCR_ENGINE_MODULE),
        {"tolvane_create_text_recognizer", "tolvane_create_image_enhancer"});
    LoadedModule loaded;
    if (!opened.loaded()) {
        loaded.module.error = opened.error;
        qCCritical(lcOcr).noquote() << "The recognition engine could not be loaded:" << opened.error;
        return loaded;
    }
    loaded.module.path = opened.path;
    loaded.createRecognizer =
        reinterpret_cast<TolvaneCreateTextRecognizer>(opened.entryPoint("tolvane_create_text_recognizer"));
    loaded.createEnhancer =
        reinterpret_cast<TolvaneCreateImageEnhancer>(opened.entryPoint("tolvane_create_image_enhancer"));
    qCInfo(lcOcr).noquote() << "Recognition engine loaded from" << opened.path;
    return loaded;
}

const LoadedModule& module() {
    static std::once_flag once;
    static LoadedModule loaded;
    std::call_once(once, [] { loaded = load(); });
    return loaded;
}

// Stands in for the module's recognizer until its first use.
class LazyRecognizer final : public TextRecognizer {
public:
    std::vector<RecognizedLine> recognize(const QImage& image, const QStringList& languages,
                                          const QStringList& customWords,
                                          const CancellationToken& token) override {
        std::call_once(m_once, [this] {
            if (module().createRecognizer)
                m_inner.reset(module().createRecognizer());
        });
        if (!m_inner)
            throw ScreenshotOCRError(ScreenshotOCRError::Kind::recognitionFailed);
        return m_inner->recognize(image, languages, customWords, token);
    }

private:
    std::once_flag m_once;
    std::unique_ptr<TextRecognizer> m_inner;
};

class LazyEnhancer final : public ImageEnhancer {
public:
    QImage enhance(const QImage& image, double factor) override {
        std::call_once(m_once, [this] {
            if (module().createEnhancer)
                m_inner.reset(module().createEnhancer());
        });
        return m_inner ? m_inner->enhance(image, factor) : QImage();
    }

private:
    std::once_flag m_once;
    std::unique_ptr<ImageEnhancer> m_inner;
};

} // namespace

std::shared_ptr<TextRecognizer> loadedTextRecognizer() {
    return std::make_shared<LazyRecognizer>();
}

std::shared_ptr<ImageEnhancer> loadedImageEnhancer() {
    return std::make_shared<LazyEnhancer>();
}

const OcrEngineModule& ocrEngineModule() {
    return module().module;
}

} // namespace tolvane
