#include "ocr/tesseract_recognizer.h"

#include "core/app_error.h"
#include "core/logging.h"
#include "ocr/full_stop_check.h"
#include "ocr/recognition_language.h"
#include "ocr/recognition_policy.h"
#include "ocr/recognition_thread.h"
#include "ocr/screenshot_ocr_error.h"

#include <QCryptographicHash>
#include <QDir>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <cstring>
#include <string_view>
#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>
#include <tesseract/resultiterator.h>

namespace tolvane {

namespace {
constexpr size_t kEngineCacheCapacity = 2;
// Processor time one pass may use; a busy machine stretches the elapsed time, not this.
constexpr qint64 kProcessorBudgetMs = 30000;
constexpr int kSourceResolution = 96;
// Lines lower than this fraction of the image height are noise.
constexpr double kMinimumTextHeight = 0.003;

// Asked by Tesseract between words whether to stop.
struct PassWatch {
    const CancellationToken& token;
    ThreadProcessorBudget budget;
    bool overBudget = false;
};

bool stopRequested(void* watch, int) {
    auto* pass = static_cast<PassWatch*>(watch);
    if (pass->token.isCancelled())
        return true;
    pass->overBudget = pass->budget.isSpent();
    return pass->overBudget;
}

// An engine box (right and bottom exclusive) as a QRect.
QRect boxOf(int left, int top, int right, int bottom) {
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

// `text` with its commas, in order, made full stops where `isFullStop` says so.
QString withFullStops(QString text, const std::vector<bool>& isFullStop) {
    size_t comma = 0;
    for (QChar& c : text) {
        if (c != QLatin1Char(','))
            continue;
        if (comma < isFullStop.size() && isFullStop[comma])
            c = QLatin1Char('.');
        ++comma;
    }
    return text;
}

QStringList withFullStops(const QStringList& words, const std::vector<bool>& isFullStop) {
    const QStringList joined = withFullStops(words.join(QChar(0)), isFullStop).split(QChar(0));
    return joined.size() == words.size() ? joined : words;
}

// For each comma the engine read in the line `line` points at, in order, whether a full stop is drawn there.
std::vector<bool> commasDrawnAsFullStops(const tesseract::ResultIterator& line, const QImage& grey,
                                         const QRect& lineBox) {
    const FullStopCheck check(grey, lineBox);
    std::vector<bool> fullStops;
    tesseract::ResultIterator symbols(line);
    do {
        const std::unique_ptr<char[]> symbol(symbols.GetUTF8Text(tesseract::RIL_SYMBOL));
        int left = 0, top = 0, right = 0, bottom = 0;
        if (symbol && std::string_view(symbol.get()) == "," &&
            symbols.BoundingBox(tesseract::RIL_SYMBOL, &left, &top, &right, &bottom))
            fullStops.push_back(check.commaIsDrawnAsFullStop(boxOf(left, top, right, bottom)));
    } while (!symbols.IsAtFinalElement(tesseract::RIL_TEXTLINE, tesseract::RIL_SYMBOL) &&
             symbols.Next(tesseract::RIL_SYMBOL));
    return fullStops;
}

QByteArray wordsKey(const QStringList& words) {
    return QCryptographicHash::hash(words.join(QLatin1Char('\n')).toUtf8(), QCryptographicHash::Sha256);
}
} // namespace

struct TesseractRecognizer::Engine {
    QString languageString;
    QByteArray wordsKey;
    tesseract::TessBaseAPI api;
};

TesseractRecognizer::TesseractRecognizer(QString tessdataDir)
    : m_tessdataDir(std::move(tessdataDir)), m_installedModels(installedTesseractModels(m_tessdataDir)) {
    if (m_installedModels.isEmpty())
        qCWarning(lcOcr) << "No Tesseract models found in" << m_tessdataDir;
}

TesseractRecognizer::~TesseractRecognizer() = default;

QString TesseractRecognizer::defaultTessdataDir() {
    const QString prefix = qEnvironmentVariable("TESSDATA_PREFIX");
    if (!prefix.isEmpty())
        return prefix;
    for (const char* dir : {"/usr/share/tesseract-ocr/5/tessdata", "/usr/share/tesseract-ocr/4.00/tessdata",
                            "/usr/share/tessdata", "/usr/local/share/tessdata"}) {
        if (QDir(QString::fromLatin1(dir)).exists())
            return QString::fromLatin1(dir);
    }
    return QStringLiteral("/usr/share/tesseract-ocr/5/tessdata");
}

TesseractRecognizer::Engine& TesseractRecognizer::engineFor(const QString& languageString,
                                                            const QStringList& customWords) {
    const QByteArray key = wordsKey(customWords);
    for (auto it = m_engines.begin(); it != m_engines.end(); ++it) {
        if ((*it)->languageString == languageString && (*it)->wordsKey == key) {
            m_engines.splice(m_engines.begin(), m_engines, it);
            return *m_engines.front();
        }
    }

    auto engine = std::make_unique<Engine>();
    engine->languageString = languageString;
    engine->wordsKey = key;

    std::vector<std::string> names{"debug_file"};
    std::vector<std::string> values{"/dev/null"};
    // The user-words file is only read while Init loads the dictionaries, so it goes in with Init.
    QTemporaryFile wordsFile(QDir::tempPath() + QStringLiteral("/tolvane-ocr-words-XXXXXX.txt"));
    if (!customWords.isEmpty() && wordsFile.open()) {
        wordsFile.write(customWords.join(QLatin1Char('\n')).toUtf8());
        wordsFile.write("\n");
        wordsFile.flush();
        names.insert(names.end(), {"user_words_file", "lstm_use_matrix"});
        values.insert(values.end(), {QFile::encodeName(wordsFile.fileName()).toStdString(), "1"});
    }
    const QByteArray dataPath = QFile::encodeName(m_tessdataDir);
    const QByteArray languages = languageString.toUtf8();
    ++m_engineStarts;
    if (engine->api.Init(dataPath.constData(), languages.constData(), tesseract::OEM_LSTM_ONLY, nullptr, 0,
                         &names, &values, false) != 0) {
        qCCritical(lcOcr) << "Tesseract could not start for languages" << languageString << "in"
                          << m_tessdataDir;
        throw ScreenshotOCRError(ScreenshotOCRError::Kind::recognitionFailed);
    }
    engine->api.SetPageSegMode(tesseract::PSM_SINGLE_BLOCK);

    m_engines.push_front(std::move(engine));
    while (m_engines.size() > kEngineCacheCapacity)
        m_engines.pop_back();
    return *m_engines.front();
}

std::vector<RecognizedLine> TesseractRecognizer::recognize(const QImage& image, const QStringList& languages,
                                                           const QStringList& customWords,
                                                           const CancellationToken& token) {
    token.throwIfCancelled();
    if (image.isNull() || image.width() > kMaxRecognitionSide || image.height() > kMaxRecognitionSide) {
        qCWarning(lcOcr) << "Image of" << image.size() << "cannot be recognised";
        throw ScreenshotOCRError(ScreenshotOCRError::Kind::recognitionFailed);
    }
    confineParallelLoopsToThisThread();
    const QString languageString = tesseractLanguageString(languages, m_installedModels);
    Engine& engine = engineFor(languageString, customWords);
    tesseract::TessBaseAPI& api = engine.api;

    const QImage grey = opaqueGrey(image);
    api.SetImage(grey.constBits(), grey.width(), grey.height(), 1, int(grey.bytesPerLine()));
    api.SetSourceResolution(kSourceResolution);

    PassWatch watch{token, ThreadProcessorBudget(kProcessorBudgetMs)};
    tesseract::ETEXT_DESC monitor;
    monitor.cancel = &stopRequested;
    monitor.cancel_this = &watch;
    const int status = api.Recognize(&monitor);
    if (status != 0) {
        // The page holds partial results now; never read them.
        api.Clear();
        if (token.isCancelled())
            throw CancelledError();
        if (watch.overBudget)
            qCCritical(lcOcr) << "Tesseract recognition used up its" << kProcessorBudgetMs / 1000
                              << "s of processor time";
        else
            qCCritical(lcOcr) << "Tesseract refused the image";
        throw ScreenshotOCRError(ScreenshotOCRError::Kind::recognitionFailed);
    }

    std::vector<RecognizedLine> lines;
    const double minimumHeight = kMinimumTextHeight * grey.height();
    std::unique_ptr<tesseract::ResultIterator> it(api.GetIterator());
    if (it) {
        do {
            if (it->Empty(tesseract::RIL_TEXTLINE))
                continue;
            int left = 0, top = 0, right = 0, bottom = 0;
            if (!it->BoundingBox(tesseract::RIL_TEXTLINE, &left, &top, &right, &bottom))
                continue;
            if (bottom - top < minimumHeight)
                continue;
            const float confidence = std::clamp(it->Confidence(tesseract::RIL_TEXTLINE) / 100.0f, 0.0f, 1.0f);
            std::unique_ptr<char[]> raw(it->GetUTF8Text(tesseract::RIL_TEXTLINE));
            if (!raw)
                continue;
            // Which of the line's commas are drawn as full stops; a line without a comma needs no look.
            const std::vector<bool> commaIsFullStop =
                std::strchr(raw.get(), ',')
                    ? commasDrawnAsFullStops(*it, grey, boxOf(left, top, right, bottom))
                    : std::vector<bool>();
            // The engine's line text leaves out the space between a Chinese model's words even where one of
            // them is Latin; its words tell where they were.
            QStringList words;
            do {
                const std::unique_ptr<char[]> word(it->GetUTF8Text(tesseract::RIL_WORD));
                if (word)
                    words.append(QString::fromUtf8(word.get()));
            } while (!it->IsAtFinalElement(tesseract::RIL_TEXTLINE, tesseract::RIL_WORD) &&
                     it->Next(tesseract::RIL_WORD));
            const QString text = cleanRecognizedLine(
                spacedBetweenScripts(withFullStops(QString::fromUtf8(raw.get()), commaIsFullStop),
                                     withFullStops(words, commaIsFullStop)));
            if (text.trimmed().isEmpty())
                continue;
            lines.push_back({text, QRectF(QPointF(left, top), QPointF(right, bottom)), confidence});
        } while (it->Next(tesseract::RIL_TEXTLINE));
    }
    api.Clear();
    return lines;
}

namespace {
// Letters of scripts written without spaces between words.
bool isHanOrKana(QChar c) {
    const QChar::Script script = c.script();
    return script == QChar::Script_Han || script == QChar::Script_Hiragana ||
           script == QChar::Script_Katakana;
}

// Where a Han or kana character meets a letter or digit of a script written with spaces.
bool isScriptBoundary(QChar before, QChar after) {
    const auto spacedAlphanumeric = [](QChar c) { return c.isLetterOrNumber() && !isHanOrKana(c); };
    return (isHanOrKana(before) && spacedAlphanumeric(after)) ||
           (spacedAlphanumeric(before) && isHanOrKana(after));
}
} // namespace

QString spacedBetweenScripts(const QString& line, const QStringList& words) {
    QString spaced;
    qsizetype at = 0;
    for (const QString& word : words) {
        const QString trimmed = word.trimmed();
        if (trimmed.isEmpty())
            continue;
        qsizetype start = at;
        while (start < line.size() && line.at(start).isSpace())
            ++start;
        // The words are the line's text in order; anything else leaves the line as the engine wrote it.
        if (QStringView(line).mid(start, trimmed.size()) != trimmed)
            return line;
        if (start == at && !spaced.isEmpty() && isScriptBoundary(spaced.back(), trimmed.front()))
            spaced.append(QLatin1Char(' '));
        spaced.append(QStringView(line).mid(at, start + trimmed.size() - at));
        at = start + trimmed.size();
    }
    spaced.append(QStringView(line).mid(at));
    return spaced;
}

QString cleanRecognizedLine(const QString& line) {
    static const QRegularExpression spaceRuns(QStringLiteral("[ \\t]{2,}"));
    static const QRegularExpression spaceBetweenHan(QStringLiteral("(?<=\\p{Han})[ \\t](?=\\p{Han})"));
    // A zero that opens a word of letters only, three or more of them lower case next ("0pen"): no number is
    // written so, while a model trained mostly on Han reads a round capital O as zero. Units after a zero
    // ("0px", "0ms") are shorter, and "0x", "0b" and "0o" open numbers.
    static const QRegularExpression zeroOpeningAWord(
        QStringLiteral("(?<![\\p{Latin}\\p{N}._-])0(?=(?![xbo])\\p{Ll}{3}\\p{L}*(?![\\p{L}\\p{N}]))"));
    // A lower-case l ending a word right after a capital that itself follows a lower-case letter ("OpenAl"):
    // a sans-serif capital I looks just like it, and a word written in camel case ends in a capital's
    // abbreviation, not in "Al".
    static const QRegularExpression lAfterCamelCapital(
        QStringLiteral("(?<=\\p{Ll}\\p{Lu})l(?![\\p{L}\\p{N}])"));
    QString text = line;
    while (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r')))
        text.chop(1);
    text.replace(spaceBetweenHan, QString());
    text.replace(spaceRuns, QStringLiteral(" "));
    text.replace(zeroOpeningAWord, QStringLiteral("O"));
    text.replace(lAfterCamelCapital, QStringLiteral("I"));
    return text;
}

} // namespace tolvane
