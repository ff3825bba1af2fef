// The workspace's views and helpers on their own: sizes, texts by status, drop classification and the
// background reading of dropped files.
#include "workspace/drop_loader.h"
#include "workspace/main_translate_view.h"
#include "workspace/meta_text.h"
#include "workspace/option_list.h"
#include "workspace/popover.h"
#include "workspace/premium_selector.h"
#include "workspace/result_pane.h"
#include "workspace/workspace_button.h"
#include "workspace/workspace_controls.h"

#include "support/virtual_clock.h"

#include <QBuffer>
#include <QImage>
#include <QLabel>
#include <QMimeData>
#include <QTemporaryDir>
#include <QThread>
#include <QThreadPool>
#include <QUrl>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace tolvane::testing {
namespace {

using Kind = WorkflowStatus::Kind;

TEST(WorkspaceLayout, SizesFollowTheAvailableSpace) {
    for (const auto& [width, expected] : std::vector<std::pair<int, int>>{
             {1000, 419}, {800, 360}, {859, 360}, {1121, 470}, {1241, 520}, {1300, 520}})
        EXPECT_EQ(MainTranslateView::sourcePaneWidth(width), expected) << width;
    EXPECT_EQ(PremiumSelector::listSize(116, 39), QSize(180, 280)) << "the source list scrolls";
    EXPECT_EQ(PremiumSelector::listSize(176, 4), QSize(180, 148));
    EXPECT_EQ(PremiumSelector::listSize(200, 2), QSize(200, 80));
    // Against the anchor's bottom edge, centred, kept on the screen.
    const QRect screen(0, 0, 1000, 800);
    EXPECT_EQ(popoverGeometry(QRect(100, 100, 116, 30), PopoverEdge::below, QSize(180, 280), screen),
              QRect(68, 136, 180, 280));
    EXPECT_EQ(popoverGeometry(QRect(0, 700, 116, 30), PopoverEdge::below, QSize(180, 280), screen),
              QRect(0, 520, 180, 280));
    EXPECT_EQ(popoverGeometry(QRect(0, 100, 72, 40), PopoverEdge::right, QSize(200, 100), screen),
              QRect(78, 70, 200, 100));
}

TEST(WorkspaceLists, ATypedLetterGoesToTheNextOptionItStarts) {
    const QList<PremiumSelectorOption> options{
        {"auto", "自动检测"}, {"de", "德语"}, {"en-US", "英语（美国）"}, {"da", "丹麦语"}, {"x", "Deutsch"}};
    for (const auto& [from, letter, expected] :
         std::vector<std::tuple<int, QString, int>>{{0, "d", 1},  // by the code
                                                    {1, "d", 3},  // the next one, not the same again
                                                    {3, "D", 4},  // by the title, either case
                                                    {4, "d", 1},  // round past the end
                                                    {-1, "a", 0}, // from no row: the first
                                                    {0, "a", 0},  // the only one stays
                                                    {2, "q", -1},
                                                    {2, "", -1}})
        EXPECT_EQ(optionStartingWith(options, from, letter), expected) << from << letter.toStdString();
    EXPECT_EQ(optionStartingWith({}, 0, "a"), -1);
}

TEST(WorkspaceTexts, NamesCaptionsAndPlaceholders) {
    for (const auto& [code, name] : std::vector<std::pair<QString, QString>>{{"auto", "自动检测"},
                                                                             {"en-US", "English"},
                                                                             {"zh-Hans", "简体中文"},
                                                                             {"ko", "한국어"},
                                                                             {"xx-none", "xx-none"}})
        EXPECT_EQ(workspaceLanguageName(code), name) << code.toStdString();
    EXPECT_EQ(styleSelectorTitle(QStringLiteral("polished")), QStringLiteral("翻译风格：POLISHED"));

    const QString ready = QStringLiteral("翻译 · 准备就绪"), done = QStringLiteral("翻译 · 已完成");
    const QString here = QStringLiteral("译文会显示在这里。"), input = QStringLiteral("输入文本后开始翻译。"),
                  running = QStringLiteral("正在翻译…");
    const std::vector<std::tuple<WorkflowStatus, QString, QString>> rows{
        {WorkflowStatus::idle(), ready, here},
        {WorkflowStatus::manualInput(), ready, input},
        {WorkflowStatus::capturing(), ready, running},
        {WorkflowStatus::textCaptured(), ready, here},
        {WorkflowStatus::streaming(), done, running},
        {WorkflowStatus::cancelled(), ready, QStringLiteral("已停止翻译。")},
        {WorkflowStatus::completed(), done, here},
        {WorkflowStatus::completed(QStringLiteral("历史记录未保存。")),
         done + QStringLiteral(" · 历史记录未保存。"), here},
        {WorkflowStatus::empty(), ready, input},
        {WorkflowStatus::failed(QStringLiteral("配额已用完")), ready, QStringLiteral("配额已用完")},
    };
    ResultPane pane(false, {});
    for (const auto& [status, caption, placeholder] : rows) {
        SCOPED_TRACE(status.debugName().toStdString());
        EXPECT_EQ(resultCaption(status, false), caption);
        EXPECT_EQ(resultCaption(status, true), done);
        pane.showResult(QString(), status, true);
        EXPECT_TRUE(pane.showsPlaceholder());
        EXPECT_EQ(pane.placeholder()->text(), placeholder);
        // A result wins in every status.
        pane.showResult(QStringLiteral("译文"), status, true);
        EXPECT_FALSE(pane.showsPlaceholder());
    }
    // A failure after part of the answer arrived: the part stays, its caption carries the failure's words.
    pane.showResult(QStringLiteral("部分"), WorkflowStatus::failed(QStringLiteral("译文不完整：连接断开")),
                    true);
    EXPECT_FALSE(pane.showsPlaceholder());
    EXPECT_EQ(pane.caption()->text(), QStringLiteral("翻译 · 译文不完整：连接断开"));
}

TEST(WorkspaceTexts, ResultActionsFollowTheResultAndThePasteBackTarget) {
    ResultPane pane(false, {});
    const QString canTip = QStringLiteral("用译文替换原应用中的选中文本");
    const QString cannotTip = QStringLiteral("从其他应用选中文本并翻译后可替换原文");
    struct Row {
        QString result;
        bool canReplace;
        bool others;
        bool replace;
        QString tip;
    };
    for (const Row& row : std::vector<Row>{{QString(), true, false, false, canTip},
                                           {QString(), false, false, false, cannotTip},
                                           {QStringLiteral("r"), false, true, false, cannotTip},
                                           {QStringLiteral("r"), true, true, true, canTip}}) {
        pane.showResult(row.result, WorkflowStatus::completed(), row.canReplace);
        EXPECT_EQ(pane.copyButton()->isEnabled(), row.others);
        EXPECT_EQ(pane.saveButton()->isEnabled(), row.others);
        EXPECT_EQ(pane.retryButton()->isEnabled(), row.others);
        EXPECT_EQ(pane.replaceButton()->isEnabled(), row.replace);
        EXPECT_EQ(pane.replaceButton()->toolTip(), row.tip);
    }
}

TEST(WorkspaceDrops, ClassificationPrefersFilesThenImagesThenText) {
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    const QUrl file = QUrl::fromLocalFile(QStringLiteral("/tmp/a.txt"));
    const QUrl web(QStringLiteral("https://example.com/page"));
    struct Row {
        const char* name;
        std::function<void(QMimeData&)> fill;
        int kind; // variant index: 0 none, 1 file, 2 image, 3 text
    };
    const std::vector<Row> rows{
        {"nothing", [](QMimeData&) {}, 0},
        {"text", [](QMimeData& d) { d.setText(QStringLiteral("hi")); }, 3},
        {"file with text",
         [&](QMimeData& d) {
             d.setUrls({file});
             d.setText(file.toString());
         },
         1},
        {"web address", [&](QMimeData& d) { d.setUrls({web}); }, 3},
        {"file after a web address",
         [&](QMimeData& d) {
             d.setUrls({web, file});
         },
         1},
        {"image with text",
         [&](QMimeData& d) {
             d.setImageData(image);
             d.setText(QStringLiteral("t"));
         },
         2},
        {"file over image",
         [&](QMimeData& d) {
             d.setImageData(image);
             d.setUrls({file});
         },
         1},
    };
    for (const Row& row : rows) {
        QMimeData data;
        row.fill(data);
        EXPECT_EQ(int(classifyDrop(data).index()), row.kind) << row.name;
    }
}

TEST(WorkspaceDrops, OnlyImagesAndSmallUtf8TextFilesAreHandedOnFromTheMainThread) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const auto write = [&](const char* name, const QByteArray& bytes) {
        QFile file(folder.filePath(QLatin1String(name)));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    };
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    // A PNG header for 30000 × 30000 pixels, beyond what Qt allocates for one picture.
    const QByteArray hugePng(
        "\x89PNG\r\n\x1a\n\x00\x00\x00\x0dIHDR\x00\x00\x75\x30\x00\x00\x75\x30\x08\x06\x00\x00\x00\x66"
        "\x27\xf8\xba\x00\x00\x00\x0bIDAT\x78\x9c\x63\x60\x80\x00\x00\x00\x08\x00\x01\xb7\x58\x73\x95"
        "\x00\x00\x00\x00IEND\xae\x42\x60\x82",
        68);
    const QString fifo = folder.filePath(QStringLiteral("pipe"));
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    struct Row {
        QString path;
        QString outcome; // "image", "text" or the start of the reason for refusing it
    };
    const std::vector<Row> rows{
        {write("picture.txt", png), "image"}, // recognised by content, whatever the name
        {write("note.txt", QStringLiteral("中文 text\n").toUtf8()), "text"},
        {write("bad.txt", QByteArray("ab\xff\xfe")), "不是文本或图片"},
        {write("nul.txt", QByteArray("ab\0cd", 5)), "不是文本或图片"},
        {write("big.txt", QByteArray(3 * 1024 * 1024, 'a')), "文件过大：文本文件最多 2 MB"},
        {write("huge.png", hugePng), "文件过大：图片有 30000 × 30000 像素"},
        {folder.path(), "不是文本或图片：文件夹"},
        {fifo, "不是文本或图片"},
        {folder.filePath(QStringLiteral("missing")), "无法读取文件"},
        {write("empty.txt", {}), "文件里没有文字"},
        {write("blank.txt", " \n\t\u3000\n"), "文件里没有文字"},
        // Reading this process's memory from address 0 fails with an I/O error, its page map in reads that
        // are not whole entries with an invalid argument: both told in Chinese words.
        {QStringLiteral("/proc/self/mem"), "无法读取文件：读写出错，磁盘、存储设备或文件系统可能有问题。"},
        {QStringLiteral("/proc/self/pagemap"), "无法读取文件：系统不接受这个操作"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path.toStdString());
        QObject receiver;
        QStringList seen;
        QThread* main = QThread::currentThread();
        loadDroppedFile(
            row.path, &receiver,
            [&](QImage loaded) {
                EXPECT_EQ(QThread::currentThread(), main);
                EXPECT_EQ(loaded.size(), QSize(8, 8));
                seen << QStringLiteral("image");
            },
            [&](QString text) {
                EXPECT_EQ(QThread::currentThread(), main);
                EXPECT_EQ(text, QStringLiteral("中文 text\n"));
                seen << QStringLiteral("text");
            },
            [&](QString reason) {
                EXPECT_EQ(QThread::currentThread(), main);
                seen << reason;
            });
        ASSERT_TRUE(QThreadPool::globalInstance()->waitForDone(10000)) << "a read hung";
        drainEventLoop();
        ASSERT_EQ(seen.size(), 1);
        EXPECT_TRUE(seen[0].startsWith(row.outcome)) << seen[0].toStdString();
    }

    // The receiver gone before the result arrives: nothing is called.
    bool called = false;
    {
        QObject receiver;
        loadDroppedFile(
            rows[0].path, &receiver, [&](QImage) { called = true; }, [&](QString) { called = true; },
            [&](QString) { called = true; });
    }
    ASSERT_TRUE(QThreadPool::globalInstance()->waitForDone(10000));
    drainEventLoop();
    EXPECT_FALSE(called);
}

} // namespace
} // namespace tolvane::testing
