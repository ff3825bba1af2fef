#include "ocr/reading_vote.h"

#include <algorithm>
#include <map>
#include <vector>

namespace tolvane {

namespace {
// For each character of `line`, the character of `other` it lines up with; a null QChar where `other` leaves
// it out.
std::vector<QChar> lineUp(const QString& line, const QString& other) {
    const size_t n = size_t(line.size()), m = size_t(other.size());
    std::vector<std::vector<int>> cost(n + 1, std::vector<int>(m + 1));
    for (size_t i = 0; i <= n; ++i)
        cost[i][0] = int(i);
    for (size_t j = 0; j <= m; ++j)
        cost[0][j] = int(j);
    for (size_t i = 1; i <= n; ++i)
        for (size_t j = 1; j <= m; ++j)
            cost[i][j] =
                std::min({cost[i - 1][j] + 1, cost[i][j - 1] + 1,
                          cost[i - 1][j - 1] + (line[qsizetype(i - 1)] == other[qsizetype(j - 1)] ? 0 : 1)});
    std::vector<QChar> aligned(n);
    size_t i = n, j = m;
    while (i > 0 && j > 0) {
        const int substitution = line[qsizetype(i - 1)] == other[qsizetype(j - 1)] ? 0 : 1;
        if (cost[i][j] == cost[i - 1][j - 1] + substitution) {
            aligned[i - 1] = other[qsizetype(j - 1)];
            --i, --j;
        } else if (cost[i][j] == cost[i - 1][j] + 1) {
            --i;
        } else {
            --j;
        }
    }
    return aligned;
}

QString votedLine(const QString& line, const std::vector<QString>& others) {
    std::vector<std::vector<QChar>> alignments;
    alignments.reserve(others.size());
    for (const QString& other : others)
        alignments.push_back(lineUp(line, other));
    QString voted = line;
    for (qsizetype at = 0; at < line.size(); ++at) {
        // A surrogate is half of a character; spaces keep the line's shape.
        if (line[at].isSpace() || line[at].isSurrogate())
            continue;
        std::map<char16_t, int> votes;
        ++votes[line[at].unicode()];
        for (const std::vector<QChar>& aligned : alignments) {
            const QChar c = aligned[size_t(at)];
            if (!c.isNull() && !c.isSpace() && !c.isSurrogate())
                ++votes[c.unicode()];
        }
        int best = votes[line[at].unicode()];
        for (const auto& [character, count] : votes) {
            if (count > best) {
                best = count;
                voted[at] = QChar(character);
            }
        }
    }
    return voted;
}
} // namespace

QString voteOnReadings(const QString& chosen, const QStringList& others) {
    QStringList lines = chosen.split(QLatin1Char('\n'));
    std::vector<QStringList> readings;
    for (const QString& other : others) {
        QStringList otherLines = other.split(QLatin1Char('\n'));
        if (otherLines.size() == lines.size())
            readings.push_back(std::move(otherLines));
    }
    if (readings.empty())
        return chosen;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        std::vector<QString> lineReadings;
        for (const QStringList& reading : readings)
            lineReadings.push_back(reading[i]);
        lines[i] = votedLine(lines[i], lineReadings);
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace tolvane
