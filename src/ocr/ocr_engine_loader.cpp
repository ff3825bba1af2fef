#include "ocr/ocr_engine_loader.h"

#include "core/logging.h"
#include "ocr/ocr_engine_module.h"
#include "ocr/screenshot_ocr_error.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <dlfcn.h>
#include <mutex>

namespace tolvane {
namespace {

const char* const moduleFileName = "libtolvane_ocr_engine.so";

struct LoadedModule {
    OcrEngineModule module;
    TolvaneCreateTextRecognizer createRecognizer = nullptr;
    TolvaneCreateImageEnhancer createEnhancer = nullptr;
};

LoadedModule load() {
    QStringList candidates;
    if (QCoreApplication::instance())
        candidates << QDir(QCoreApplication::applicationDirPath()).filePath(QLatin1String(moduleFileName));
    candidates << QStringLiteral(TOLVANE_OCR_ENGINE_MODULE);
    LoadedModule loaded;
    QStringList errors;
    for (const QString& path : std::as_const(candidates)) {
        if (!QFileInfo::exists(path)) {
            errors << path + QStringLiteral(": not found");
            continue;
        }
        void* handle = ::dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            errors << QString::fromLocal8Bit(::dlerror());
            continue;
        }
        loaded.createRecognizer =
            reinterpret_cast<TolvaneCreateTextRecognizer>(::dlsym(handle, "tolvane_create_text_recognizer"));
        loaded.createEnhancer =
            reinterpret_cast<TolvaneCreateImageEnhancer>(::dlsym(handle, "tolvane_create_image_enhancer"));
        if (loaded.createRecognizer && loaded.createEnhancer) {
            loaded.module.path = path;
            qCInfo(lcOcr).noquote() << "Recognition engine loaded from" << path;
            return loaded;
        }
        errors << path + QStringLiteral(": not a recognition engine module");
    }
    loaded.createRecognizer = nullptr;
    loaded.createEnhancer = nullptr;
    loaded.module.error = errors.join(QStringLiteral("; "));
    qCCritical(lcOcr).noquote() << "The recognition engine could not be loaded:" << loaded.module.error;
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
