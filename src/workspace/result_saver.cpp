#include "workspace/result_saver.h"

#include "core/system_error_text.h"

#include <QDir>
#include <QFileDialog>
#include <QPointer>
#include <QSaveFile>

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
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return system_error::inChinese(file.errorString());
    const QByteArray bytes = text.toUtf8();
    if (file.write(bytes) != bytes.size()) {
        const QString error = system_error::inChinese(file.errorString());
        file.cancelWriting();
        return error;
    }
    if (!file.commit())
        return system_error::inChinese(file.errorString());
    return std::nullopt;
}

} // namespace tolvane
