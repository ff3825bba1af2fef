#include "app/workspace_placeholder.h"

#include "ui/theme.h"

#include <QLabel>
#include <QVBoxLayout>

namespace tolvane {

WorkspacePlaceholder::WorkspacePlaceholder(const MainContentContext& context, QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("WorkspacePlaceholder"));
    setAutoFillBackground(true);
    QPalette ground = palette();
    ground.setColor(QPalette::Window, Theme::color0B0A09());
    ground.setColor(QPalette::WindowText, Theme::colorE9E1D4());
    setPalette(ground);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 0, 24, 24);
    // The first row stands for the workspace's title bar: the application's name, so the window reads as
    // the translation window even before any text is in it.
    auto* title = new QLabel(QStringLiteral("Ondrel"), this);
    title->setObjectName(QStringLiteral("title"));
    title->setFont(Theme::manropeMedium30());
    title->setFixedHeight(52);
    // Each label carries the text colour itself: the dark appearance applied to the window afterwards
    // would otherwise reach the labels first.
    title->setPalette(ground);
    title->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    layout->addWidget(title);
    auto* text = new QLabel(context.inputText, this);
    text->setObjectName(QStringLiteral("inputText"));
    text->setFont(Theme::interRegular22());
    text->setPalette(ground);
    text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(text, 1);
}

MainContentFactory WorkspacePlaceholder::factory() {
    return [](const MainContentContext& context, QWidget* parent) -> QWidget* {
        return new WorkspacePlaceholder(context, parent);
    };
}

} // namespace tolvane
