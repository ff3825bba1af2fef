#include "ui/question_box.h"

#include <QApplication>
#include <QFontMetrics>
#include <gtest/gtest.h>

namespace tolvane {
namespace {

// A question's text stays as written while it fits its lines; a longer one keeps its first lines as
// written, ends in an ellipsis and stays within the lines' room whatever it holds.
TEST(QuestionBox, TextsThatFitStayAndLongerOnesAreCutWithAnEllipsis) {
    const QFont font = QApplication::font();
    const QString fitting =
        QStringLiteral("此操作会删除保存在这台电脑上的翻译历史和本地翻译记忆，且无法撤销。\n第二行");
    EXPECT_EQ(shortenedToLines(fitting, font, 360, 10), fitting);

    const QString lines = QStringLiteral("line one\nline two\nline three\nline four");
    EXPECT_EQ(shortenedToLines(lines, font, 360, 2), QStringLiteral("line one\nline two…"));

    const QString huge = QString(17800, QChar(0x4E2D)) + QStringLiteral("\nend") + QString(200, u'x');
    const QString shown = shortenedToLines(huge, font, 360, 10);
    EXPECT_TRUE(shown.endsWith(QChar(0x2026)));
    EXPECT_TRUE(huge.startsWith(shown.chopped(1)));
    const QFontMetrics metrics(font);
    const QRect room = metrics.boundingRect(QRect(0, 0, 360, 100000), Qt::TextWrapAnywhere, shown);
    const QString tenLines = QStringList(10, QString(QChar(0x4E2D))).join(u'\n');
    EXPECT_LE(room.height(), metrics.boundingRect(QRect(0, 0, 360, 100000), 0, tenLines).height());

    const QString text = QStringLiteral("删除此历史记录？");
    QMessageBox* box = makeQuestionBox(nullptr, QMessageBox::Warning, text, huge);
    EXPECT_EQ(box->windowTitle(), QStringLiteral("Ondrel"));
    EXPECT_EQ(box->text(), text);
    EXPECT_TRUE(box->informativeText().endsWith(QChar(0x2026)));
    delete box;
}

} // namespace
} // namespace tolvane
