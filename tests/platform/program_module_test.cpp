#include "platform/program_module.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace tolvane {
namespace {

// The first place that holds a usable module wins; every place that does not says why.
TEST(ProgramModule, OpensTheFirstFileWithEveryEntryPointAndExplainsEachMiss) {
    QTemporaryDir folder;
    const QString notALibrary = folder.filePath(QStringLiteral("libnot_a_library.so"));
    QFile file(notALibrary);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not an ELF file");
    file.close();
    const QString real = QStringLiteral(TOLVANE_TEST_SECRET_STORE_MODULE);

    struct Case {
        const char* name;
        QString path;
        std::initializer_list<const char*> entryPoints;
        bool loaded;
        const char* reason;
    };
    const Case cases[] = {
        {"module", real, {"tolvane_create_secret_backend"}, true, ""},
        {"missing file", folder.filePath(QStringLiteral("libmissing.so")), {"x"}, false, "not found"},
        {"not a library", notALibrary, {"x"}, false, "libnot_a_library.so"},
        {"no such entry point",
         real,
         {"tolvane_create_secret_backend", "no_such_entry"},
         false,
         "entry points"},
    };
    for (const Case& c : cases) {
        const ProgramModule module =
            openProgramModule(QStringLiteral("libno_such_module.so"), c.path, c.entryPoints);
        EXPECT_EQ(module.loaded(), c.loaded) << c.name;
        if (c.loaded) {
            EXPECT_EQ(module.path, real) << c.name;
            EXPECT_TRUE(module.error.isEmpty()) << c.name;
            EXPECT_NE(module.entryPoint("tolvane_create_secret_backend"), nullptr) << c.name;
        } else {
            EXPECT_TRUE(module.error.contains(QLatin1String(c.reason)))
                << c.name << ": " << module.error.toStdString();
            EXPECT_EQ(module.entryPoint("tolvane_create_secret_backend"), nullptr) << c.name;
        }
    }
}

} // namespace
} // namespace tolvane
