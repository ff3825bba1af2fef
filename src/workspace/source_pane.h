#pragma once

#include "ui/source_text_limit.h"

#include <QImage>
#include <QString>
#include <QWidget>
#include <functional>

namespace tolvane {

class IconButton;
class MetaText;
class NativeTextEditor;

// The left half of the editing area: the character count and the clear button, the source editor and the
// drop hint. The whole pane takes drops of files, images and text (the editor takes none itself); a file
// is read in the background. The pane owns no text: the root writes the editor and decides what an edit,
// a clear or a drop means. What the pane and the editor refuse (a text beyond the editor's maximum, an
// empty drop, an unusable file) is said in the status line, and the editor keeps its text.
class SourcePane : public QWidget {
    Q_OBJECT

public:
    struct Actions {
        std::function<void(const QString&)> onTextDropped;
        std::function<void(QImage)> onImageDropped;
        std::function<void()> onClear;
    };

    SourcePane(bool isSnapshotMode, Actions actions, QWidget* parent = nullptr);

    NativeTextEditor* editor() const { return m_editor; }
    MetaText* countLabel() const { return m_count; }
    IconButton* clearButton() const { return m_clear; }
    bool isDropTargeted() const { return m_dropTargeted; }

    // Shows the character count and enables the clear button for a non-empty text.
    void showTextState(qsizetype characterCount, bool hasText);
    // Says in the status line below the editor why a drop or a paste was not used, until the text changes
    // or the next drag arrives.
    void showNotice(const QString& notice);
    MetaText* statusLine() const { return m_status; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void setDropTargeted(bool targeted);
    void clearNotice();

    Actions m_actions;
    MetaText* m_count;
    IconButton* m_clear;
    NativeTextEditor* m_editor;
    MetaText* m_status;
    QWidget* m_highlight;
    bool m_dropTargeted = false;
};

} // namespace tolvane
