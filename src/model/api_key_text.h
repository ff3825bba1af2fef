#pragma once

#include <QString>
#include <QStringView>

namespace tolvane::api_key {

// The longest key the settings store in the Keychain, in UTF-8 bytes. Real keys are far shorter; a longer
// text is a pasted paragraph or file, not a key.
inline constexpr qsizetype maxBytes = 4096;

// A key goes into an HTTP header: a control character (a line break above all) would end the header there
// and start another. True for C0 and C1 controls and the Unicode line and paragraph separators.
bool hasControlCharacters(QStringView key);

} // namespace tolvane::api_key
