#include "core/system_error_text.h"

#include <QHash>
#include <cerrno>
#include <gtest/gtest.h>

namespace tolvane {
namespace {

// Every error the table words in Chinese has words of its own: two causes a user would act on differently
// (no permission on a file, an operation the system refuses) never read the same.
TEST(SystemErrorText, EachKnownErrorHasItsOwnWords) {
    QHash<QString, int> seen;
    for (int code = 1; code < 200; ++code) {
        const QString english = qt_error_string(code);
        const QString words = system_error::inChinese(english);
        if (words == english)
            continue;
        EXPECT_FALSE(seen.contains(words)) << "errno " << code << " and errno " << seen.value(words)
                                           << " share the words " << words.toStdString();
        seen.insert(words, code);
    }
    for (const int code : {EACCES, EPERM, ENOSPC, EFBIG, EROFS, EDQUOT, EIO, ENOENT})
        EXPECT_NE(system_error::inChinese(qt_error_string(code)), qt_error_string(code)) << "errno " << code;
}

} // namespace
} // namespace tolvane
