#include "ocr/custom_words.h"
#include "ocr/cut_line_filter.h"
#include "ocr/full_stop_check.h"
#include "ocr/highlight_bars.h"
#include "ocr/ink_marks.h"
#include "ocr/reading_order.h"
#include "ocr/reading_vote.h"
#include "ocr/recognition_language.h"
#include "ocr/recognition_policy.h"
#include "ocr/recognition_thread.h"
#include "ocr/region_capturer.h"
#include "ocr/tesseract_recognizer.h"
#include "ocr/text_cursor_eraser.h"
#include "platform/screen_grabber.h"
#include "platform/screen_provider.h"

#include "text_corpus.h"

#include <QElapsedTimer>
#include <QThread>
#include <atomic>
#include <cmath>
#include <gtest/gtest.h>
#include <thread>
#include <tuple>

namespace tolvane {
namespace {

TEST(RecognitionLanguages, HintsMapByPrefixWithEnglishFallback) {
    const QStringList chineseEnglish{"zh-Hans", "en-US"};
    EXPECT_EQ(recognitionLanguages("zh-Hant"), chineseEnglish);
    EXPECT_EQ(recognitionLanguages("en_GB"), QStringList{"en-US"});
    EXPECT_EQ(recognitionLanguages("pt_PT"), (QStringList{"pt-BR", "en-US"}));
    EXPECT_EQ(recognitionLanguages("JA"), (QStringList{"ja-JP", "en-US"}));
    EXPECT_EQ(recognitionLanguages("auto"), chineseEnglish);
    EXPECT_EQ(recognitionLanguages("xx"), chineseEnglish);
    EXPECT_EQ(recognitionLanguages(""), chineseEnglish);
}

TEST(RecognitionLanguages, TesseractStringKeepsOnlyInstalledModels) {
    const QStringList installed{"chi_sim", "chi_tra", "eng", "jpn", "kor"};
    EXPECT_EQ(tesseractLanguageString(recognitionLanguages("zh-Hant"), installed), "chi_sim+eng");
    EXPECT_EQ(tesseractLanguageString(recognitionLanguages("en_GB"), installed), "eng");
    EXPECT_EQ(tesseractLanguageString(recognitionLanguages("pt_PT"), installed), "eng");
    EXPECT_EQ(tesseractLanguageString(recognitionLanguages("pt_PT"), {"por", "eng"}), "por+eng");
    EXPECT_EQ(tesseractLanguageString(recognitionLanguages("ko"), installed), "kor+eng");
    // Nothing from the list installed: English if possible, else the first model, else English anyway.
    EXPECT_EQ(tesseractLanguageString({"fr-FR"}, {"deu", "spa"}), "deu");
    EXPECT_EQ(tesseractLanguageString({"fr-FR"}, {}), "eng");
}

TEST(RecognitionLanguages, PicturesWithMoreHanThanLatinWordsAreReadInChineseAlone) {
    const QStringList chineseEnglish{"zh-Hans", "en-US"};
    EXPECT_EQ(languagesForText(chineseEnglish, QString::fromUtf8("按 Ctrl 加 T 打开主窗口")),
              QStringList{"zh-Hans"});
    EXPECT_EQ(languagesForText(chineseEnglish, QString::fromUtf8("Hello world, this 1S a test ,四")),
              chineseEnglish);
    EXPECT_EQ(languagesForText(chineseEnglish, QString()), chineseEnglish);
    EXPECT_EQ(languagesForText({"ja-JP", "en-US"}, QString::fromUtf8("日本語の文章")),
              (QStringList{"ja-JP", "en-US"}));
}

TEST(TextCursorEraser, CursorsGoAndEveryGlyphStays) {
    // Bars that are letters ("I", "l", "1", "|") beside the caret, light and dark; and the same inside a
    // window's frame, as a region dragged through it captures.
    const QStringList line{QString::fromUtf8("Il1| lily 数据库 日目口")};
    for (const auto& [dark, framed] :
         {std::pair(false, false), std::pair(true, false), std::pair(false, true), std::pair(true, true)}) {
        QImage plain = testing::renderText(line, 16, dark, QStringLiteral("Noto Sans CJK SC"), 40);
        const QColor ink = dark ? QColor(235, 235, 235) : QColor(20, 20, 20);
        if (framed) {
            QPainter frame(&plain);
            frame.setPen(ink);
            frame.drawRect(plain.rect().adjusted(0, 0, -1, -1));
        }
        // Past the text, as tall as the line and half as wide.
        const int height = plain.height() - 80;
        const QRect cell(plain.width() - 38, 40, height / 2, height);
        const std::vector<std::function<void(QPainter&)>> cursors{
            [&](QPainter& p) { p.fillRect(cell.left(), cell.top(), 2, cell.height(), ink); },
            [&](QPainter& p) { p.fillRect(cell, ink); },
            [&](QPainter& p) {
                p.setPen(ink);
                p.drawRect(cell.adjusted(0, 0, -1, -1));
            },
        };
        for (size_t kind = 0; kind < cursors.size(); ++kind) {
            QImage shown = plain;
            QPainter painter(&shown);
            cursors[kind](painter);
            painter.end();
            // A frame's sides may go as well; the picture erased reads as it does without the cursor.
            EXPECT_EQ(eraseTextCursors(shown), framed ? eraseTextCursors(plain) : opaqueGrey(plain))
                << "cursor " << kind << (dark ? " dark" : " light") << (framed ? " framed" : "");
        }
    }
}

TEST(TextCursorEraser, ACursorTouchingTheLastGlyphGoesAndTheGlyphsKeepTheirShapes) {
    // Letters and Han characters shaped like boxes, then a cursor cell whose left edge lies on the last
    // glyph's right edge (a terminal's cursor right after the text, joined to it by anti-aliasing).
    const QStringList line{QString::fromUtf8("by Friday 日目口")};
    for (const bool dark : {false, true}) {
        const QImage plain = testing::renderText(line, 24, dark, QStringLiteral("Noto Sans CJK SC"), 40);
        const QImage grey = opaqueGrey(plain);
        const int background = qGray(grey.pixel(0, 0));
        const auto isInk = [&](const QImage& image, int x, int y) {
            return std::abs(qGray(image.pixel(x, y)) - background) > 64;
        };
        int lastInk = 0;
        for (int x = 0; x < grey.width(); ++x)
            for (int y = 0; y < grey.height(); ++y)
                lastInk = isInk(grey, x, y) ? x : lastInk;
        const int height = plain.height() - 60;
        const QRect cell(lastInk, 30, height / 2, height);
        const QColor ink = dark ? QColor(235, 235, 235) : QColor(20, 20, 20);
        for (const bool filled : {true, false}) {
            QImage shown = plain;
            QPainter painter(&shown);
            if (filled) {
                painter.fillRect(cell, ink);
            } else {
                painter.setPen(ink);
                painter.drawRect(cell.adjusted(0, 0, -1, -1));
            }
            painter.end();
            const QImage erased = eraseTextCursors(shown);
            const QRect around = cell.adjusted(-1, -1, 1, 1);
            int inkLeft = 0, changedElsewhere = 0;
            for (int y = 0; y < grey.height(); ++y) {
                for (int x = 0; x < grey.width(); ++x) {
                    if (around.contains(x, y))
                        inkLeft += isInk(erased, x, y) && !(x < cell.left() + 1 && isInk(grey, x, y));
                    else
                        changedElsewhere += erased.pixel(x, y) != grey.pixel(x, y);
                }
            }
            EXPECT_EQ(inkLeft, 0) << (filled ? "block" : "outline") << (dark ? " dark" : " light");
            EXPECT_EQ(changedElsewhere, 0) << (filled ? "block" : "outline") << (dark ? " dark" : " light");
        }
    }
}

TEST(TextCursorEraser, ABarCaretAgainstTheFirstOrLastGlyphGoesAndNoStrokeOfASmallFontDoes) {
    // Han characters with long single strokes ("用", "按", "十", "川") and letters shaped like bars, at the
    // small size of an editor's UI font and at a larger one; the caret is as tall as the font's line and
    // drawn in the column right before the first glyph's ink or right after the last one's.
    const QStringList line{QString::fromUtf8("用按十川 lily |l1 数据库")};
    for (const int size : {13, 20}) {
        for (const bool dark : {false, true}) {
            constexpr int margin = 16;
            const QImage plain =
                testing::renderText(line, size, dark, QStringLiteral("Noto Sans CJK SC"), margin);
            const QImage grey = opaqueGrey(plain);
            const std::string label = std::to_string(size) + (dark ? " dark" : " light");
            EXPECT_EQ(eraseTextCursors(plain), grey) << "no caret, " << label;
            // A lone word whose first or last letter has a stem from its ascender down to the baseline.
            for (const char* word : {"bravo", "kid", "dub"}) {
                const QImage stem = testing::renderText({QString::fromLatin1(word)}, size + 4, dark,
                                                        QStringLiteral("Inter"), 8);
                EXPECT_EQ(eraseTextCursors(stem), opaqueGrey(stem)) << word << ", " << label;
            }

            const int background = qGray(grey.pixel(0, 0));
            const auto isInk = [&](const QImage& image, int x, int y) {
                return std::abs(qGray(image.pixel(x, y)) - background) > 64;
            };
            int firstInk = grey.width(), lastInk = 0;
            for (int x = 0; x < grey.width(); ++x) {
                for (int y = 0; y < grey.height(); ++y) {
                    if (isInk(grey, x, y)) {
                        firstInk = std::min(firstInk, x);
                        lastInk = x;
                    }
                }
            }
            QFont font(QStringLiteral("Noto Sans CJK SC"));
            font.setPixelSize(size);
            const int lineHeight = QFontMetrics(font).height();
            for (const bool before : {true, false}) {
                const int x = before ? firstInk - 1 : lastInk + 1;
                QImage shown = plain;
                QPainter painter(&shown);
                painter.fillRect(x, margin, 1, lineHeight, dark ? QColor(235, 235, 235) : QColor(20, 20, 20));
                painter.end();
                const QImage erased = eraseTextCursors(shown);
                // Only the caret's column and its faint fringe change: the glyph keeps all its ink.
                int inkLeft = 0, changedElsewhere = 0;
                for (int y = 0; y < grey.height(); ++y) {
                    inkLeft += isInk(erased, x, y);
                    for (int column = 0; column < grey.width(); ++column)
                        changedElsewhere += column != x && erased.pixel(column, y) != grey.pixel(column, y) &&
                                            (std::abs(column - x) > 1 || isInk(grey, column, y));
                }
                const std::string where = (before ? "before, " : "after, ") + label;
                EXPECT_EQ(inkLeft, 0) << where;
                EXPECT_EQ(changedElsewhere, 0) << where;
            }
        }
    }
}

TEST(TextCursorEraser, BoxShapedHanCharactersWhereACaretWouldStandStay) {
    // "日", "目", "口", "田" and "回" are boxes, some of them empty inside and as tall as a cursor cell; each
    // is the last character of its line, after a space, where a caret stands; and "日", "目" and "田" alone
    // on their line, with no glyph beside them to tell their height by.
    const QStringList lines{QString::fromUtf8("今天 日"), QString::fromUtf8("项目 目"),
                            QString::fromUtf8("入口 口"), QString::fromUtf8("农田 田"),
                            QString::fromUtf8("来回 回"), QString::fromUtf8("日"),
                            QString::fromUtf8("目"),      QString::fromUtf8("田")};
    for (const QString& family : {QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Noto Sans Mono CJK SC"),
                                  QStringLiteral("Noto Serif CJK SC")}) {
        for (const int size : {11, 12, 13, 14, 16, 20, 24, 32}) {
            for (const bool dark : {false, true}) {
                for (const QString& line : lines) {
                    const QImage plain = testing::renderText({line}, size, dark, family, 12);
                    EXPECT_EQ(eraseTextCursors(plain), opaqueGrey(plain))
                        << family.toStdString() << " " << size << (dark ? " dark " : " light ")
                        << line.toStdString();
                }
            }
        }
    }
    // As a bitmap font draws them: crisp boxes of cursor proportions with a stroke across ("日") or another
    // box inside ("回").
    for (const bool dark : {false, true}) {
        QImage picture(120, 60, QImage::Format_RGB32);
        picture.fill(dark ? QColor(30, 30, 32) : QColor(250, 250, 250));
        QPainter painter(&picture);
        painter.setPen(dark ? QColor(235, 235, 235) : QColor(20, 20, 20));
        painter.drawRect(20, 15, 11, 19);
        painter.drawLine(20, 25, 31, 25);
        painter.drawRect(60, 15, 13, 19);
        painter.drawRect(64, 21, 5, 7);
        painter.end();
        EXPECT_EQ(eraseTextCursors(picture), opaqueGrey(picture)) << (dark ? "dark" : "light");
    }
}

TEST(HighlightBars, ASelectedLineTakesThePagesPolarityAndNoPassTakesItForACursor) {
    const QStringList lines{QStringLiteral("Quarterly report draft"),
                            QStringLiteral("Please review by Friday")};
    for (const int size : {13, 22}) {
        for (const bool dark : {false, true}) {
            const std::string label = std::to_string(size) + (dark ? " dark" : " light");
            const QImage highlighted =
                testing::renderHighlightedText(lines, size, dark, QStringLiteral("Inter"));
            // The bar's columns between its words run from its top to its bottom, as a block cursor's do.
            EXPECT_EQ(eraseTextCursors(highlighted), opaqueGrey(highlighted)) << label;

            // Turned, it reads as the same text drawn without the bar: the ink falls where it falls there. So
            // too with a terminal's block cursor joined to the bar from below, which then goes as a cursor.
            const QImage plain = opaqueGrey(testing::renderText(lines, size, dark, QStringLiteral("Inter")));
            const int background = qGray(plain.pixel(0, 0));
            QImage withCursor = highlighted;
            int barBottom = 0;
            while (qGray(highlighted.pixel(0, barBottom + 1)) == background ||
                   qGray(highlighted.pixel(0, barBottom)) != qGray(highlighted.pixel(0, barBottom + 1)))
                ++barBottom;
            while (qGray(highlighted.pixel(0, barBottom + 1)) != background)
                ++barBottom;
            QPainter(&withCursor)
                .fillRect(5, barBottom + 1, size / 3, size,
                          dark ? QColor(235, 235, 235) : QColor(20, 20, 20));
            // And with the picture's side 2 pixels before the first glyph, inside the margin where a region
            // holds a window's frame, as a pre-selected window whose text starts at its edge shows it.
            int firstInk = plain.width();
            for (int y = 0; y < plain.height(); ++y)
                for (int x = 0; x < firstInk; ++x)
                    firstInk = std::abs(qGray(plain.pixel(x, y)) - background) > 96 ? x : firstInk;
            const QRect fromFirstGlyph(firstInk - 2, 0, plain.width() - firstInk + 2, plain.height());
            const std::vector<std::tuple<std::string, QImage, QImage>> shapes{
                {"", highlighted, plain},
                {" cursor", withCursor, plain},
                {" from the first glyph", highlighted.copy(fromFirstGlyph), plain.copy(fromFirstGlyph)}};
            for (const auto& [shape, shown, expected] : shapes) {
                const QImage turned = eraseTextCursors(withHighlightBarsInPagePolarity(shown));
                ASSERT_EQ(turned.size(), expected.size());
                int differing = 0, ink = 0;
                for (int y = 0; y < expected.height(); ++y) {
                    for (int x = 0; x < expected.width(); ++x) {
                        const bool plainInk = std::abs(qGray(expected.pixel(x, y)) - background) > 96;
                        const bool turnedInk = std::abs(qGray(turned.pixel(x, y)) - background) > 96;
                        ink += plainInk;
                        differing += plainInk != turnedInk;
                    }
                }
                EXPECT_LE(differing, ink / 20) << label << shape << ": " << differing << " of " << ink;
            }
            // The bar's text takes the page's text level, not the far end of the scale, so that its
            // antialiased edges weigh as the page's do.
            const QImage turned = withHighlightBarsInPagePolarity(highlighted);
            int furthest = 0;
            for (int y = 0; y < turned.height(); ++y)
                for (int x = 0; x < turned.width(); ++x)
                    furthest = std::max(furthest, std::abs(qGray(turned.pixel(x, y)) - background));
            EXPECT_NEAR(furthest, std::abs((dark ? 235 : 20) - background), 4) << label;
            // A picture in one polarity stays as it is.
            EXPECT_EQ(withHighlightBarsInPagePolarity(plain), plain) << label;
        }
    }
    // So do dense box-shaped Han characters at small sizes, alone or in a line: their strokes leave holes as
    // the text of a word selected on its own does.
    for (const int size : {11, 12, 13, 14}) {
        for (const bool dark : {false, true}) {
            for (const QString& text : {QString::fromUtf8("國"), QString::fromUtf8("圖 團 量 日 田")}) {
                const QImage dense = opaqueGrey(
                    testing::renderText({text}, size, dark, QStringLiteral("Noto Sans CJK SC"), 8));
                EXPECT_EQ(withHighlightBarsInPagePolarity(dense), dense)
                    << size << (dark ? " dark " : " light ") << text.toStdString();
            }
        }
    }
    // On a selected line the insides of box-shaped Han characters ("图", "回") are marks of the bar's shade
    // of their own, about as wide as high and holding text as a word selected on its own does: they are part
    // of the line's one bar.
    for (const int size : {13, 16, 22}) {
        for (const bool dark : {false, true}) {
            const QImage highlighted = opaqueGrey(testing::renderHighlightedText(
                {QString::fromUtf8("截图翻译会识别 来回"), QString::fromUtf8("然后把结果显示在面板中")}, size,
                dark, QStringLiteral("Noto Sans CJK SC")));
            const std::vector<uint8_t> ink =
                inkMask(highlighted, commonestGreyLevel(highlighted), kInkContrast);
            EXPECT_EQ(findHighlightBars(highlighted, ink).size(), 1u) << size << (dark ? " dark" : " light");
        }
    }
    // A word selected on its own in a terminal line, its bar tight over its cells (2 pixels of line spacing
    // above and below): the feet of its letters take most of the bar's width in a row or two, and the bar
    // reads as the word drawn without it, its first and last columns of ink where they are there. A word of
    // two to four letters makes a bar hardly wider than high, which the tops of its letters part.
    const QStringList terminal{QStringLiteral("The quick brown fox"), QStringLiteral("Settings are saved"),
                               QStringLiteral("Go to it for the home")};
    for (const int size : {16, 22, 30}) {
        for (const bool dark : {false, true}) {
            QFont font(QStringLiteral("DejaVu Sans Mono"));
            font.setPixelSize(size);
            font.setStyleStrategy(QFont::PreferAntialias);
            const QFontMetrics metrics(font);
            const QImage plain = testing::renderText(terminal, size, dark, font.family());
            const int lineHeight = int(metrics.lineSpacing() * 1.3), margin = 16;
            for (const auto& [line, word] :
                 {std::pair{0, QStringLiteral("quick")}, std::pair{1, QStringLiteral("Settings")},
                  std::pair{2, QStringLiteral("to")}, std::pair{2, QStringLiteral("it")},
                  std::pair{2, QStringLiteral("for")}, std::pair{2, QStringLiteral("home")}}) {
                const int start = int(terminal[line].indexOf(QStringLiteral(" ") + word)) + 1;
                const QRect bar(margin + metrics.horizontalAdvance(terminal[line].left(start)),
                                margin + line * lineHeight - 2, metrics.horizontalAdvance(word),
                                metrics.height() + 4);
                QImage selected = plain;
                QPainter painter(&selected);
                painter.fillRect(bar, dark ? QColor(235, 235, 235) : QColor(20, 20, 20));
                painter.setFont(font);
                painter.setPen(dark ? QColor(30, 30, 32) : QColor(250, 250, 250));
                painter.drawText(bar.left(), bar.top() + 2 + metrics.ascent(), word);
                painter.end();
                const QImage turned = eraseTextCursors(withHighlightBarsInPagePolarity(selected));
                const QImage expected = opaqueGrey(plain), shown = opaqueGrey(selected);
                const int background = qGray(expected.pixel(0, 0)),
                          barShade = qGray(shown.pixel(bar.topLeft()));
                const std::string label =
                    std::to_string(size) + (dark ? " dark " : " light ") + word.toStdString();
                // Light text on a dark bar is drawn bolder than dark text on light, so a long word is
                // compared with the plain picture loosely; every word's text on the bar is compared with its
                // ink once turned, pixel by pixel and by its first and last columns.
                int differing = 0, ink = 0, turnedApart = 0, text = 0;
                std::pair<int, int> textColumns{bar.right() + 1, -1}, turnedColumns{bar.right() + 1, -1};
                const auto widen = [](std::pair<int, int>& columns, int x) {
                    columns = {std::min(columns.first, x), std::max(columns.second, x)};
                };
                for (int y = bar.top(); y <= bar.bottom(); ++y) {
                    for (int x = bar.left(); x <= bar.right(); ++x) {
                        const bool plainInk = std::abs(qGray(expected.pixel(x, y)) - background) > 96;
                        ink += plainInk;
                        differing += plainInk != (std::abs(qGray(turned.pixel(x, y)) - background) > 96);
                        const bool textInk = std::abs(qGray(shown.pixel(x, y)) - barShade) > kInkContrast;
                        const bool turnedInk =
                            std::abs(qGray(turned.pixel(x, y)) - background) > kInkContrast;
                        text += textInk;
                        turnedApart += textInk != turnedInk;
                        if (textInk)
                            widen(textColumns, x);
                        if (turnedInk)
                            widen(turnedColumns, x);
                    }
                }
                if (word.size() >= 5 && size >= 22)
                    EXPECT_LE(differing, ink / 4) << label << ": " << differing << " of " << ink;
                EXPECT_LE(turnedApart, text / 20) << label << ": " << turnedApart << " of " << text;
                EXPECT_EQ(turnedColumns, textColumns) << label;
            }
        }
    }
    // Han characters with long top strokes selected in a terminal line, its cells wider than their glyphs and
    // the bar 2 pixels above their tops and below their feet: the row of their top strokes parts the bar's
    // few rows above them from the rest, which are still its edge.
    const QString han = QString::fromUtf8("请在设置里选择下五百天和风格");
    for (const int size : {13, 16}) {
        for (const bool dark : {false, true}) {
            QFont font(QStringLiteral("Noto Sans Mono CJK SC"));
            font.setPixelSize(size);
            const QFontMetrics metrics(font);
            const int cell = size * 5 / 4, margin = 16, start = 7, baseline = margin + metrics.ascent();
            const QColor page = dark ? QColor(30, 30, 32) : QColor(250, 250, 250),
                         text = dark ? QColor(235, 235, 235) : QColor(20, 20, 20);
            const auto terminalLine = [&](const QRect& bar) {
                QImage picture(2 * margin + cell * int(han.size()), 2 * margin + size * 2,
                               QImage::Format_RGB32);
                picture.fill(page);
                QPainter painter(&picture);
                painter.fillRect(bar, text);
                painter.setFont(font);
                for (int i = 0; i < han.size(); ++i) {
                    painter.setPen(bar.contains(margin + i * cell + 1, baseline - 1) ? page : text);
                    painter.drawText(margin + i * cell, baseline, han.mid(i, 1));
                }
                return picture;
            };
            const QImage plain = opaqueGrey(terminalLine(QRect()));
            const int background = qGray(plain.pixel(0, 0));
            int top = plain.height(), bottom = 0;
            for (int y = 0; y < plain.height(); ++y)
                for (int x = 0; x < plain.width(); ++x)
                    if (std::abs(qGray(plain.pixel(x, y)) - background) > kInkContrast)
                        top = std::min(top, y), bottom = std::max(bottom, y);
            const QRect bar(margin + start * cell, top - 2, 4 * cell, bottom - top + 5);
            const QImage turned = withHighlightBarsInPagePolarity(terminalLine(bar));
            // Light text on a dark bar is drawn bolder than dark text on light, so the glyphs are compared by
            // their top strokes' row alone, and the bar's rows above them must be the page's.
            int differing = 0;
            for (int y = bar.top(); y <= top; ++y) {
                for (int x = bar.left(); x <= bar.right(); ++x) {
                    const bool plainInk = std::abs(qGray(plain.pixel(x, y)) - background) > kInkContrast;
                    differing +=
                        plainInk != (std::abs(qGray(turned.pixel(x, y)) - background) > kInkContrast);
                }
            }
            EXPECT_LE(differing, bar.width() / 4) << size << (dark ? " dark" : " light") << ": " << differing;
        }
    }
}

TEST(HighlightBars, TheRestOfATitleBarARegionCutsThroughStaysAsItIs) {
    // A region dragged from inside a window's title bar: its lower half, the bottom of the title cut by the
    // picture's top edge, over the window's text.
    for (const bool dark : {false, true}) {
        QImage picture = testing::renderText({QStringLiteral("Please review by Friday")}, 16, dark,
                                             QStringLiteral("Inter"), 24);
        QPainter painter(&picture);
        painter.fillRect(0, 0, picture.width(), 12, dark ? QColor(210, 210, 214) : QColor(60, 80, 120));
        QFont font(QStringLiteral("Inter"));
        font.setPixelSize(16);
        painter.setFont(font);
        painter.setPen(dark ? QColor(30, 30, 30) : QColor(240, 240, 240));
        painter.drawText(40, 6, QStringLiteral("Quarterly report"));
        painter.end();
        EXPECT_EQ(withHighlightBarsInPagePolarity(picture), opaqueGrey(picture)) << (dark ? "dark" : "light");

        // A selected line the region's top edge cuts through the tops of its lower-case letters too holds
        // their bodies, a whole line of them: it is turned, the cut glyphs' ink reaching the edge.
        const QStringList lines{QStringLiteral("Quarterly report draft"),
                                QStringLiteral("Please review by Friday")};
        QFont lineFont(QStringLiteral("Inter"));
        lineFont.setPixelSize(22);
        const QFontMetrics metrics(lineFont);
        const int margin = 16, cut = margin + metrics.ascent() - metrics.xHeight() + 1;
        const QImage highlighted = testing::renderHighlightedText(lines, 22, dark, lineFont.family(), margin);
        const QImage plain = opaqueGrey(testing::renderText(lines, 22, dark, lineFont.family(), margin));
        const QRect region(0, cut, plain.width(), plain.height() - cut);
        const QImage turned = withHighlightBarsInPagePolarity(highlighted.copy(region));
        const int background = qGray(plain.pixel(0, 0));
        int differing = 0, ink = 0;
        for (int y = region.top(); y <= region.bottom(); ++y) {
            for (int x = 0; x < region.width(); ++x) {
                const bool plainInk = std::abs(qGray(plain.pixel(x, y)) - background) > 96;
                ink += plainInk;
                differing += plainInk != (std::abs(qGray(turned.pixel(x, y - cut)) - background) > 96);
            }
        }
        EXPECT_LE(differing, ink / 20) << (dark ? "dark" : "light") << ": " << differing << " of " << ink;
    }
}

TEST(ThreadProcessorBudget, CountsTheThreadsProcessorTimeNotElapsedTimeNorOtherThreads) {
    // A recognition thread lives on from pass to pass: a budget counts from when it is made, however much the
    // thread worked before.
    volatile double sink = 0.0;
    const qint64 before = threadCpuTimeMs();
    while (threadCpuTimeMs() - before < 600)
        for (int i = 0; i < 100000; ++i)
            sink = sink + std::sqrt(double(i));
    // While its thread sleeps, for far longer than the budget, and another thread of the process works, the
    // budget stays; a recognition slowed by a busy machine is not cut off.
    std::atomic<bool> stop = false;
    std::thread other([&] {
        while (!stop)
            ;
    });
    const ThreadProcessorBudget budget(200);
    QThread::msleep(1500);
    EXPECT_FALSE(budget.isSpent());
    stop = true;
    other.join();
    // Working, the thread spends it.
    QElapsedTimer elapsed;
    elapsed.start();
    while (!budget.isSpent() && elapsed.elapsed() < 120000)
        for (int i = 0; i < 100000; ++i)
            sink = sink + std::sqrt(double(i));
    EXPECT_TRUE(budget.isSpent());
}

TEST(CustomWords, TrimmedDeduplicatedInOrderAndCapped) {
    QStringList words{" a ", "a", "   ", "\n", "b\n", "a\t"};
    for (int i = 0; i < 250; ++i)
        words.append(QStringLiteral("word%1").arg(i));
    const QStringList result = normalizedCustomWords(words);
    ASSERT_EQ(result.size(), kMaxCustomWords);
    EXPECT_EQ(result.mid(0, 3), (QStringList{"a", "b", "word0"}));
    EXPECT_EQ(result.last(), "word197");
}

TEST(RecognitionPolicy, EnhancementFactorFollowsShortSideAndStaysWithinLimits) {
    EXPECT_DOUBLE_EQ(enhancementFactor({800, 300}), 3.0);
    EXPECT_DOUBLE_EQ(enhancementFactor({2000, 1000}), 1.2);
    EXPECT_DOUBLE_EQ(enhancementFactor({3000, 1100}), 1.15);
    EXPECT_DOUBLE_EQ(enhancementFactor({5000, 0}), 3.0);
    // A long strip: 3x would pass Tesseract's side limit.
    const double strip = enhancementFactor({20000, 40});
    EXPECT_LE(20000 * strip, 32767.0);
    EXPECT_GT(strip, 1.0);
    // A large image: the pixel budget caps the factor at or below 1, so no enhanced pass.
    const double large = enhancementFactor({8000, 6000});
    EXPECT_LE(8000.0 * 6000.0 * large * large, kMaxEnhancedPixels * 1.0000001);
    EXPECT_LE(large, 1.0);
}

TEST(ReadingVote, ACharacterMostReadingsAgreeOnReplacesTheChosenOne) {
    struct Case {
        const char* chosen;
        QStringList others;
        const char* expected;
    };
    const std::vector<Case> cases{
        {"按 Ctrt 加 T", {"按 Ctrl 加 T", "按 Ctrl 加T", "技 Ctrl 加 T"}, "按 Ctrl 加 T"},
        // A tie keeps the chosen character; so does a single other reading that differs.
        {"养容", {"兼容", "养容"}, "养容"},
        {"养容", {"兼容"}, "养容"},
        // What the others add or leave out, and their spaces, never change the chosen text's shape.
        {"加工打开", {"加 T 打开", "加 T 打开"}, "加工打开"},
        {"ab cd", {"abxcd", "abxcd"}, "ab cd"},
        {"abc", {"ac", "ac"}, "abc"},
        // A reading with another number of lines takes no part; lines vote with their own line.
        {"one\ntw0", {"one\ntwo", "one\ntwo"}, "one\ntwo"},
        {"one\ntw0", {"one", "one"}, "one\ntw0"},
        {"", {"a", "a"}, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(voteOnReadings(QString::fromUtf8(c.chosen), c.others), QString::fromUtf8(c.expected))
            << c.chosen;
}

TEST(RecognitionPolicy, VotingPassesOnlyForAFewLinesOfSmallText) {
    EXPECT_EQ(votingFactors({460, 110}, 3.0, 14.0), (std::vector<double>{2.0, 4.0}));
    // Four thirds stays within the enhanced pass's side limit.
    const std::vector<double> strip = votingFactors({9000, 30}, 3.0, 14.0);
    ASSERT_EQ(strip.size(), 2u);
    EXPECT_LE(9000 * strip[1], 32767.0);
    EXPECT_TRUE(votingFactors({800, 400}, 3.0, 14.0).empty()) << "more than a few lines";
    EXPECT_TRUE(votingFactors({460, 110}, 3.0, 24.0).empty()) << "text large enough to read once";
    EXPECT_TRUE(votingFactors({460, 110}, 3.0, 0.0).empty()) << "no line";
    EXPECT_TRUE(votingFactors({500, 500}, 2.0, 14.0).empty()) << "two thirds would hardly enlarge it";
    EXPECT_TRUE(votingFactors({0, 0}, 3.0, 14.0).empty());
}

TEST(RecognitionPolicy, SecondPassGateAndScoreTies) {
    EXPECT_FALSE(wantsEnhancedPass(0.9f, 2400));
    EXPECT_TRUE(wantsEnhancedPass(0.9f, 2399));
    EXPECT_TRUE(wantsEnhancedPass(0.89f, 5000));
    // One more character wins while the bonus is below its cap...
    EXPECT_GT(passScore(0.8f, "abcd"), passScore(0.8f, "abc"));
    // ...but not once both texts earn the full 0.05.
    EXPECT_EQ(passScore(0.8f, QString(500, 'x')), passScore(0.8f, QString(501, 'x')));
    // Graphemes, not UTF-16 units: an emoji with a skin tone is one character.
    EXPECT_EQ(passScore(0.5f, QString::fromUtf8("\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD")), passScore(0.5f, "a"));
}

RecognizedLine line(const QString& text, double left, double top, double height = 10) {
    return {text, QRectF(left, top, 50, height), 0.9f};
}

QStringList texts(const std::vector<RecognizedLine>& lines) {
    QStringList result;
    for (const auto& l : lines)
        result.append(l.text);
    return result;
}

TEST(CutLineFilter, LinesTheTopOrBottomEdgeCutsGoAndTheBodyStays) {
    // A picture 100 pixels high whose body lines are 20 high.
    const std::vector<RecognizedLine> body{{"first", QRectF(0, 20, 300, 20), 0.9f},
                                           {"second", QRectF(0, 50, 300, 20), 0.3f}};
    struct Case {
        RecognizedLine extra;
        bool kept;
    };
    const std::vector<Case> cases{
        {{"TI |", QRectF(0, 0, 200, 12), 0.9f}, false},  // the lower part of a title bar
        {{"eg", QRectF(0, 1, 40, 17), 0.2f}, false},     // a little lower, and unsure
        {{"eg", QRectF(0, 1, 40, 17), 0.8f}, true},      // a little lower, but sure
        {{"half", QRectF(0, 88, 300, 12), 0.9f}, false}, // half a line at the bottom edge
        {{"whole", QRectF(0, 0, 300, 20), 0.3f}, true},  // a whole line at the edge, however unsure
        {{"low", QRectF(0, 75, 300, 10), 0.9f}, true},   // a low line inside the picture
    };
    for (const Case& c : cases) {
        std::vector<RecognizedLine> lines = body;
        lines.push_back(c.extra);
        dropCutLines(lines, QSize(300, 100));
        EXPECT_EQ(lines.size(), c.kept ? 3u : 2u) << c.extra.text.toStdString();
    }
    // Without a body to compare with, a single line stays.
    std::vector<RecognizedLine> alone{{"half", QRectF(0, 0, 300, 8), 0.1f}};
    dropCutLines(alone, QSize(300, 100));
    EXPECT_EQ(alone.size(), 1u);
}

TEST(ReadingOrder, SameLineWithinToleranceIsLeftToRightOtherwiseTopFirst) {
    // Image height 1000: midpoints 0.100 and 0.118 are exactly 0.018 apart -> one line.
    std::vector<RecognizedLine> same{line("right", 300, 113), line("left", 10, 95)};
    sortIntoReadingOrder(same, {1000, 1000});
    EXPECT_EQ(texts(same), (QStringList{"left", "right"}));
    // 0.0181 apart (image height 10000: 0.1000 and 0.1181) -> the upper one first.
    std::vector<RecognizedLine> apart{line("lower-left", 10, 1176), line("upper-right", 300, 995)};
    sortIntoReadingOrder(apart, {1000, 10000});
    EXPECT_EQ(texts(apart), (QStringList{"upper-right", "lower-left"}));
}

TEST(ReadingOrder, ChainsGroupDeterministicallyWhateverTheInputOrder) {
    // Midpoints 0.100, 0.110, 0.120: a pairwise comparison would call 1~2 and 2~3 the same line but 1 and 3
    // different lines; grouping from the first line keeps 3 on a line of its own.
    const std::vector<RecognizedLine> boxes{line("A", 500, 95), line("B", 300, 105), line("C", 10, 115)};
    std::vector<int> order{0, 1, 2};
    std::optional<QStringList> first;
    do {
        std::vector<RecognizedLine> lines;
        for (int i : order)
            lines.push_back(boxes[size_t(i)]);
        sortIntoReadingOrder(lines, {1000, 1000});
        if (!first)
            first = texts(lines);
        EXPECT_EQ(texts(lines), *first);
    } while (std::next_permutation(order.begin(), order.end()));
    EXPECT_EQ(*first, (QStringList{"B", "A", "C"}));
}

TEST(RecognizedLineCleanup, CollapsesGapsAndRemovesSingleSpacesBetweenHan) {
    // A wide gap separates two labels and stays one space; a lone space inside Chinese text is noise.
    EXPECT_EQ(cleanRecognizedLine(QString::fromUtf8("通用        开机时启动\n")),
              QString::fromUtf8("通用 开机时启动"));
    EXPECT_EQ(cleanRecognizedLine(QString::fromUtf8("开机 时启动")), QString::fromUtf8("开机时启动"));
    EXPECT_EQ(cleanRecognizedLine("Open   the  window"), "Open the window");
    EXPECT_EQ(cleanRecognizedLine(QString::fromUtf8("使用 OpenAI 接口")),
              QString::fromUtf8("使用 OpenAI 接口"));
}

TEST(RecognizedLineCleanup, LettersReadAsLookAlikesInLatinWordsAreRestored) {
    const std::vector<std::pair<const char*, const char*>> cases{
        {"使用 0penAI 兼容接口", "使用 OpenAI 兼容接口"},
        {"使用0penAI", "使用OpenAI"},
        {"0pen the 0ffice", "Open the Office"},
        // Numbers, units after a number and number prefixes stay as read.
        {"margin: 0px 0ms", "margin: 0px 0ms"},
        {"0xdeadbeef 0b1010 0o17", "0xdeadbeef 0b1010 0o17"},
        {"v0.3 10pens 0pen2 a0bcd", "v0.3 10pens 0pen2 a0bcd"},
        {"0 items", "0 items"},
        // A sans-serif capital I ending a camel-case word; words and names ending in "l" stay.
        {"使用 OpenAl 接口, GenAl.", "使用 OpenAI 接口, GenAI."},
        {"Al Gore, Hotel, McNeil, ABl, iOSl", "Al Gore, Hotel, McNeil, ABl, iOSl"},
    };
    for (const auto& [line, expected] : cases)
        EXPECT_EQ(cleanRecognizedLine(QString::fromUtf8(line)), QString::fromUtf8(expected)) << line;
}

TEST(FullStopCheck, OnlyASmallMirrorLikeMarkLowInItsLineIsAFullStop) {
    // A 20-pixel line with a letter stem and one mark drawn from rows of "#", '.' being paper.
    const auto lineWith = [](const QStringList& rows, int markTop) {
        QImage image(40, 20, QImage::Format_Grayscale8);
        image.fill(255);
        for (int y = 2; y < 16; ++y)
            image.setPixel(5, y, 0); // a letter's stem
        for (int r = 0; r < rows.size(); ++r)
            for (int c = 0; c < rows[r].size(); ++c)
                if (rows[r][c] == u'#')
                    image.setPixel(20 + c, markTop + r, 0);
        return image;
    };
    const QRect line(0, 0, 40, 20);
    const QRect mark(20, 12, 4, 4);
    const struct {
        QStringList rows;
        int top;
        bool fullStop;
    } cases[] = {
        {{".#.", "###", ".#."}, 13, true},             // a bitmap font's cross
        {{"##", "##"}, 14, true},                      // a square dot
        {{".##", ".#.", "#.."}, 13, false},            // a comma's tail bends to one side
        {{"#", "#", "#"}, 13, false},                  // narrow: a comma in a small font
        {{".#.", "###", ".#."}, 3, false},             // high in the line: not a full stop
        {{"#####"}, 14, false},                        // a low dash
        {{"############", "#..........#"}, 13, false}, // wider than a punctuation mark
    };
    for (const auto& c : cases)
        EXPECT_EQ(FullStopCheck(lineWith(c.rows, c.top), line).commaIsDrawnAsFullStop(mark), c.fullStop)
            << c.rows.join(u'/').toStdString() << " at " << c.top;
    EXPECT_FALSE(FullStopCheck(QImage(40, 20, QImage::Format_RGB32), line).commaIsDrawnAsFullStop(mark))
        << "not grey";
}

TEST(RecognizedLineCleanup, LatinWordsAndNumbersAmongHanKeepTheirSpaces) {
    struct Case {
        const char* line;
        QStringList words;
        const char* expected;
    };
    const std::vector<Case> cases{
        // A Chinese model's line text joins the words it found apart.
        {"按Ctrl加T打开主窗口", {"按", "Ctrl", "加", "T", "打开", "主", "窗口"}, "按 Ctrl 加 T 打开主窗口"},
        {"共3个文件", {"共", "3", "个", "文件"}, "共 3 个文件"},
        {"ファイルをOpenする", {"ファイルを", "Open", "する"}, "ファイルを Open する"},
        // Spaces already there stay as they are; Han beside Han, or punctuation, gets none.
        {"使用 OpenAI  接口", {"使用", "OpenAI", "接口"}, "使用 OpenAI  接口"},
        {"你好，世界。OK", {"你好，", "世界。", "OK"}, "你好，世界。OK"},
        {"Open the window", {"Open", "the", "window"}, "Open the window"},
        // One word run together with its neighbour is the engine's reading of a single word.
        {"使用OpenAI", {"使用OpenAI"}, "使用OpenAI"},
        // Words that are not the line's text leave it as it is.
        {"加T打开", {"加", "X", "打开"}, "加T打开"},
        {"加T", {}, "加T"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(spacedBetweenScripts(QString::fromUtf8(c.line), c.words), QString::fromUtf8(c.expected))
            << c.line;
}

TEST(CaptureGeometry, NativeSizeRoundsHalfAwayFromZeroAndScreensAreHalfOpen) {
    EXPECT_EQ(nativeCaptureSize({10.3, 5.25}, 2.0), QSize(21, 11));
    EXPECT_EQ(nativeCaptureSize({0.1, 0.0}, 1.0), QSize(1, 1));
    EXPECT_EQ(nativeCaptureSize({640, 480}, 1.5), QSize(960, 720));

    ScreenInfo left{"L", QRectF(0, 0, 1280, 800), {}, 1.0};
    ScreenInfo right{"R", QRectF(1280, 0, 1920, 1080), {}, 2.0};
    EXPECT_EQ(screenContaining({left, right}, {1280, 400})->name, "R");
    EXPECT_EQ(screenContaining({left, right}, {1279.9, 400})->name, "L");
    EXPECT_FALSE(screenContaining({left, right}, {100, 800}).has_value());
}

TEST(CaptureGeometry, BlackDetectionIgnoresAlphaAndSeesOneLitPixel) {
    QImage image(40, 30, QImage::Format_ARGB32);
    image.fill(qRgba(0, 0, 0, 0));
    EXPECT_TRUE(isAllBlack(image));
    image.setPixel(39, 29, qRgb(0, 0, 1));
    EXPECT_FALSE(isAllBlack(image));
}

} // namespace
} // namespace tolvane
