#pragma once

#include "ui/history_content_context.h"
#include "ui/main_content_context.h"
#include "ui/onboarding_content_context.h"
#include "ui/settings_content_context.h"

namespace tolvane {

// The windows the shell hosts but other parts of the application build. Any factory left empty shows a
// placeholder window instead. Each builds its content once, parented to the given window.
struct AppFactories {
    MainContentFactory mainContent;
    SettingsContentFactory settingsContent;
    OnboardingContentFactory onboardingContent;
    HistoryContentFactory historyContent;
};

} // namespace tolvane
