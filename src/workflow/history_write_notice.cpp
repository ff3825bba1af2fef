#include "workflow/history_write_notice.h"

#include "core/text.h"

#include <QCoreApplication>

namespace tolvane {

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("HistoryWriteNotice", text);
}

// The start of the source text on one line, so the user knows which translation is meant.
QString excerptOf(const QString& sourceText) {
    constexpr qsizetype kShown = 16;
    QString line = sourceText.simplified();
    const QString start = text::graphemePrefix(line, kShown);
    return start.size() < line.size() ? start + QStringLiteral("…") : start;
}

QString causeWords(HistoryWriteCause cause) {
    switch (cause) {
    case HistoryWriteCause::locked:
        return tr("历史记录文件正被其他程序占用");
    case HistoryWriteCause::diskFull:
        return tr("磁盘空间已满");
    case HistoryWriteCause::other:
        return tr("历史记录文件无法写入");
    case HistoryWriteCause::queueFull:
        return tr("等待写入的翻译过多");
    }
    return {};
}

} // namespace

QString historyWriteNotice(const QString& sourceText, const HistoryWriteOutcome& outcome) {
    switch (outcome.kind) {
    case HistoryWriteOutcome::Kind::written:
    case HistoryWriteOutcome::Kind::dropped:
        return {};
    case HistoryWriteOutcome::Kind::waiting:
        if (outcome.onlyWhileRunning)
            return tr("「%1」的翻译暂时无法写入历史记录（%2），"
                      "也无法暂存到磁盘：程序退出前可以写入才会自动保存。")
                .arg(excerptOf(sourceText), causeWords(outcome.cause));
        return tr("「%1」的翻译暂时无法写入历史记录（%2），可以写入后会自动保存。")
            .arg(excerptOf(sourceText), causeWords(outcome.cause));
    case HistoryWriteOutcome::Kind::lost:
        return tr("「%1」的翻译未能保存到历史记录（%2）。")
            .arg(excerptOf(sourceText), causeWords(outcome.cause));
    }
    return {};
}

} // namespace tolvane
