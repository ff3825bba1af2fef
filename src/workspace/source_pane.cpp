#include "workspace/source_pane.h"

#include "core/text.h"
#include "ui/native_text_editor.h"
#include "ui/pencil_icon.h"
#include "ui/theme.h"
#include "workspace/drop_loader.h"
#include "workspace/meta_text.h"
#include "workspace/workspace_button.h"
#include "workspace/workspace_paint.h"

#include <QDragEnterEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace tolvane {
namespace {

// The gold outline shown while an accepted drag hovers over the pane; lies over the pane's children and
// lets every click through.
class DropHighlight final : public QWidget {
public:
    explicit DropHighlight(QWidget* parent) : QWidget(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        hide();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath outline;
        outline.addRoundedRect(QRectF(rect()).adjusted(8, 8, -8, -8), 10, 10);
        painter.setPen(QPen(Theme::colorBDA46B(), 1.5, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
        painter.drawPath(outline);
    }
};

QColor rgb(double red, double green, double blue) {
    return Theme::makeColor(red, green, blue);
}

} // namespace

SourcePane::SourcePane(bool isSnapshotMode, Actions actions, QWidget* parent)
    : QWidget(parent), m_actions(std::move(actions)) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(31, 30, 31, 30);
    column->setSpacing(18);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(0, 0, 0, 0);
    header->setSpacing(8);
    m_count = new MetaText(QString(), Theme::color797168(), this);
    m_clear = new IconButton(PencilIconAsset::clear, 14, Theme::colorB6AEA2(), QSize(14, 14), this);
    m_clear->setToolTip(QStringLiteral("清空"));
    m_clear->setAccessibleName(QStringLiteral("清空原文"));
    connect(m_clear, &QAbstractButton::clicked, this, [this] {
        if (m_actions.onClear)
            m_actions.onClear();
    });
    header->addWidget(m_count, 1);
    header->addWidget(m_clear);
    column->addLayout(header);

    m_editor = new NativeTextEditor(this);
    m_editor->setTypography({22, QStringLiteral("Inter-Regular"), 29.7, 0.4});
    m_editor->setPlaceholder(QStringLiteral("输入或粘贴文本"));
    m_editor->setTextColor(rgb(0.914, 0.882, 0.831));
    m_editor->setPlaceholderColor(rgb(0.475, 0.443, 0.408));
    m_editor->setInsertionPointColor(rgb(0.741, 0.643, 0.42));
    m_editor->setContentInset(QSizeF(0, 0));
    m_editor->setEditable(!isSnapshotMode);
    m_editor->setAccessibleName(QStringLiteral("原文"));
    m_editor->setMaximumLength(maximumSourceLength);
    connect(m_editor, &NativeTextEditor::textRefused, this,
            [this](qsizetype length) { showNotice(sourceTextRefusal(length)); });
    // Drops go to the pane, which reads files and hands text to the root.
    m_editor->setAcceptDrops(false);
    m_editor->viewport()->setAcceptDrops(false);
    column->addWidget(m_editor, 1);

    auto* hint = new QHBoxLayout;
    hint->setContentsMargins(0, 0, 0, 0);
    hint->setSpacing(9);
    auto* attach = new QLabel(this);
    attach->setPixmap(
        PencilIcon{PencilIconAsset::attach, 14}.image(Theme::color797168(), devicePixelRatioF()));
    attach->setFixedSize(14, 14);
    hint->addWidget(attach);
    m_status = new MetaText(QString(), Theme::color797168(), this);
    m_status->setWraps(true); // a refusal is read whole
    hint->addWidget(m_status, 1);
    column->addLayout(hint);
    clearNotice();
    connect(m_editor, &QPlainTextEdit::textChanged, this, &SourcePane::clearNotice);

    m_highlight = new DropHighlight(this);
    setAcceptDrops(!isSnapshotMode);
    showTextState(0, false);
}

void SourcePane::showTextState(qsizetype characterCount, bool hasText) {
    m_count->setText(QStringLiteral("原文 · %1 字符").arg(characterCount));
    m_clear->setEnabled(hasText);
}

void SourcePane::showNotice(const QString& notice) {
    m_status->setText(notice);
    m_status->setColor(Theme::colorB86745());
    m_status->setToolTip(notice);
}

void SourcePane::clearNotice() {
    m_status->setText(QStringLiteral("拖放文本、图片或文件"));
    m_status->setColor(Theme::color797168());
    m_status->setToolTip(QString());
}

void SourcePane::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Theme::color161310());
    paintHairline(painter, trailingHairline(QRectF(rect())));
}

void SourcePane::resizeEvent(QResizeEvent*) {
    m_highlight->setGeometry(rect());
}

void SourcePane::setDropTargeted(bool targeted) {
    m_dropTargeted = targeted;
    m_highlight->setVisible(targeted);
    if (targeted)
        m_highlight->raise();
}

void SourcePane::dragEnterEvent(QDragEnterEvent* event) {
    if (!event->mimeData() || std::holds_alternative<std::monostate>(classifyDrop(*event->mimeData()))) {
        event->ignore();
        return;
    }
    // Always a copy: the source keeps its file or text.
    event->setDropAction(Qt::CopyAction);
    event->accept();
    clearNotice();
    setDropTargeted(true);
}

void SourcePane::dragMoveEvent(QDragMoveEvent* event) {
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void SourcePane::dragLeaveEvent(QDragLeaveEvent*) {
    setDropTargeted(false);
}

void SourcePane::dropEvent(QDropEvent* event) {
    setDropTargeted(false);
    const DropContent content = event->mimeData() ? classifyDrop(*event->mimeData()) : DropContent{};
    if (std::holds_alternative<std::monostate>(content)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    if (const auto* file = std::get_if<DroppedFile>(&content)) {
        loadDroppedFile(file->path, this, m_actions.onImageDropped, m_actions.onTextDropped,
                        [this](const QString& reason) { showNotice(reason); });
    } else if (const auto* image = std::get_if<DroppedImage>(&content)) {
        if (m_actions.onImageDropped)
            m_actions.onImageDropped(image->image);
    } else if (const auto* text = std::get_if<DroppedText>(&content)) {
        if (text::trimmed(text->text).isEmpty())
            showNotice(QStringLiteral("拖放的内容没有文字：它是空的或只有空白。"));
        else if (m_actions.onTextDropped)
            m_actions.onTextDropped(text->text);
    }
}

} // namespace tolvane
