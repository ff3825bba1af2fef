#include "workspace/result_saver.h"

#include "core/logging.h"
#include "core/system_error_text.h"
#include "core/whole_file.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPointer>

namespace tolvane {

SaveLocationChooser saveDialogChooser(QWidget* parent) {
    QPointer<QWidget> owner(parent);
    return [owner](const QString& proposedName) -> std::optional<QString> {
        QFileDialog dialog(owner, QStringLiteral("保存译文"), QDir::home().filePath(proposedName),
                           QStringLiteral("文本文件 (*.txt)"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(QStringLiteral("txt"));
        dialog.setObjectName(QStringLiteral("saveResultDialog"));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        return dialog.selectedFiles().first();
    };
}

std::optional<QString> writeTextFile(const QString& path, const QString& text) {
    const bool existed = QFileInfo::exists(path);
    const std::optional<QString> error = writeWholeFile(path, text.toUtf8());
    if (!error)
        return std::nullopt;
    qCWarning(lcWorkflow).noquote() << "Could not save the translation to a file:" << *error;
    const QString words = system_error::inChinese(*error);
    return existed ? words + QStringLiteral("，原来的文件没有改动") : words;
}

} // namespace tolvane
