#pragma once

#include "ocr/text_recognizer.h"

#include <atomic>
#include <list>
#include <memory>

namespace tolvane {

// Tesseract 5 (LSTM) text recognition. Initialised engines are cached per (languages, custom words), the two
// most recently used kept, because starting one costs 60-160 ms. Not thread-safe: use it from one worker.
class TesseractRecognizer final : public TextRecognizer {
public:
    explicit TesseractRecognizer(QString tessdataDir = defaultTessdataDir());
    ~TesseractRecognizer() override;

    std::vector<RecognizedLine> recognize(const QImage& image, const QStringList& languages,
                                          const QStringList& customWords,
                                          const CancellationToken& token) override;

    // Engines started so far (any thread).
    int engineStarts() const { return m_engineStarts.load(); }
    const QStringList& installedModels() const { return m_installedModels; }

    // $TESSDATA_PREFIX, else the first tessdata directory of the system's Tesseract that exists.
    static QString defaultTessdataDir();

private:
    struct Engine;
    Engine& engineFor(const QString& languageString, const QStringList& customWords);

    QString m_tessdataDir;
    QStringList m_installedModels;
    std::list<std::unique_ptr<Engine>> m_engines; // most recently used first
    std::atomic<int> m_engineStarts{0};
};

// Tidies a recognised line: a single space between two Han characters (which Chinese and Japanese never
// write) is removed, runs of spaces (wide gaps between separate labels) become one space, a zero read at
// the start of a word of letters ("0pen") becomes the letter O, and an l ending a camel-case word after a
// capital ("OpenAl") the capital I.
QString cleanRecognizedLine(const QString& line);

// `line` as the engine wrote it, with a space where two of its `words` meet without one and only one side is
// of a script written without spaces (Han, kana, their punctuation): a Chinese model joins a Latin word or a
// number to the Han text beside it ("加T打开"). The line is returned unchanged when the words are not its
// text.
QString spacedBetweenScripts(const QString& line, const QStringList& words);

} // namespace tolvane
