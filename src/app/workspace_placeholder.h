#pragma once

#include "ui/main_content_context.h"

#include <QWidget>

namespace tolvane {

// Stands in for the workspace view until it exists: the dark ground, an empty first row where the title bar
// goes, and the input text, read-only.
class WorkspacePlaceholder final : public QWidget {
    Q_OBJECT

public:
    WorkspacePlaceholder(const MainContentContext& context, QWidget* parent);

    static MainContentFactory factory();
};

} // namespace tolvane
