#pragma once

#include <QString>
#include <QStringList>

namespace tolvane {

// `chosen` (lines joined with "\n") with each character another reading of the same line gives more often
// than the chosen one is: the readings of one picture at different scales err in different places, so a
// character most of them agree on is the better one. Readings are lined up with the chosen line character
// by character (edit distance); a reading with another number of lines takes no part. Only a character
// standing for another character counts: what readings add or leave out, and spaces, never change the
// chosen text's shape. The chosen character wins a tie.
QString voteOnReadings(const QString& chosen, const QStringList& others);

} // namespace tolvane
