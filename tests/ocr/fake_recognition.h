#pragma once

#include "ocr/text_recognizer.h"

#include <QSize>
#include <atomic>
#include <functional>
#include <mutex>

namespace tolvane::testing {

// A recogniser answering from a script: `respond` gets the pass number (1, 2, ...) and the image.
class ScriptedRecognizer final : public TextRecognizer {
public:
    using Script = std::function<std::vector<RecognizedLine>(int pass, const QImage& image,
                                                             const CancellationToken& token)>;
    explicit ScriptedRecognizer(Script script) : m_script(std::move(script)) {}

    std::vector<RecognizedLine> recognize(const QImage& image, const QStringList& languages,
                                          const QStringList& words, const CancellationToken& token) override {
        int pass = 0;
        {
            std::lock_guard lock(m_mutex);
            m_sizes.append(image.size());
            m_languages = languages;
            m_words = words;
            pass = int(m_sizes.size());
        }
        return m_script(pass, image, token);
    }

    QList<QSize> sizes() const {
        std::lock_guard lock(m_mutex);
        return m_sizes;
    }
    QStringList languages() const {
        std::lock_guard lock(m_mutex);
        return m_languages;
    }
    QStringList words() const {
        std::lock_guard lock(m_mutex);
        return m_words;
    }

private:
    Script m_script;
    mutable std::mutex m_mutex;
    QList<QSize> m_sizes;
    QStringList m_languages;
    QStringList m_words;
};

// Scales the image by the factor (no filtering), or fails when told to.
class ScalingEnhancer final : public ImageEnhancer {
public:
    QImage enhance(const QImage& image, double factor) override {
        ++calls;
        if (failing)
            return {};
        return image.scaled(QSize(int(image.width() * factor), int(image.height() * factor)));
    }
    std::atomic<bool> failing = false;
    std::atomic<int> calls = 0;
};

// By default clear of the picture's edges, where a low line counts as cut off.
inline RecognizedLine textLine(const QString& text, float confidence, QRectF box = QRectF(0, 5, 100, 10)) {
    return {text, box, confidence};
}

} // namespace tolvane::testing
