#include "ui/destructive_question.h"

#include "ui/question_box.h"

#include <QMessageBox>
#include <QPushButton>

namespace tolvane {

void confirmDestructive(QWidget* parent, const QString& title, const QString& message,
                        const QString& destructiveText, std::function<void()> onConfirm) {
    QMessageBox* box = makeQuestionBox(parent, QMessageBox::Warning, title, message);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    QPushButton* destructive = box->addButton(destructiveText, QMessageBox::DestructiveRole);
    QPushButton* cancel = box->addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);
    QObject::connect(box, &QMessageBox::finished, box, [box, destructive, onConfirm = std::move(onConfirm)] {
        if (box->clickedButton() == destructive)
            onConfirm();
    });
    box->open();
}

void confirmHistoryClear(QWidget* parent, std::function<void()> onConfirm) {
    confirmDestructive(parent, QStringLiteral("清空翻译历史？"),
                       QStringLiteral("此操作会删除保存在这台电脑上的翻译历史和本地翻译记忆，且无法撤销。"),
                       QStringLiteral("清空"), std::move(onConfirm));
}

} // namespace tolvane
