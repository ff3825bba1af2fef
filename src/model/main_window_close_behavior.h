#pragma once

#include "model/raw_enum.h"

namespace tolvane {

// What closing the main window does. Not stored as JSON: the settings keep its raw value string.
enum class MainWindowCloseBehavior { ask, keepRunning, quit };

template <> struct RawEnumTable<MainWindowCloseBehavior> {
    static constexpr const char* typeName = "MainWindowCloseBehavior";
    static constexpr std::array<RawEnumRow<MainWindowCloseBehavior>, 3> rows{{
        {MainWindowCloseBehavior::ask, "ask", QT_TRANSLATE_NOOP("MainWindowCloseBehavior", "每次询问")},
        {MainWindowCloseBehavior::keepRunning, "keepRunning",
         QT_TRANSLATE_NOOP("MainWindowCloseBehavior", "保持在后台运行")},
        {MainWindowCloseBehavior::quit, "quit", QT_TRANSLATE_NOOP("MainWindowCloseBehavior", "退出 Ondrel")},
    }};
};

} // namespace tolvane
