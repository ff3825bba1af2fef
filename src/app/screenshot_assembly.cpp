#include "app/screenshot_assembly.h"

#include "app/app_settings_adapters.h"
#include "ocr/screenshot_ocr_service.h"
#include "ocr/screenshot_overlay_controller.h"
#include "ocr/screenshot_run_controller.h"
#include "ocr/screenshot_run_service_adapter.h"
#include "ocr/screenshot_selection_view.h"
#include "ocr/x11_overlay_window_list.h"
#include "platform/window_system.h"

namespace tolvane {

ScreenshotAssembly::ScreenshotAssembly(Configuration configuration, OwnWindowHider::WindowSource ownWindows) {
    ScreenshotOCRService::Dependencies dependencies = ScreenshotOCRService::defaultDependencies();
    dependencies.makeSelectionController = [windows = configuration.windows,
                                            list = std::make_shared<X11OverlayWindowList>(),
                                            input = configuration.globalInput]() {
        return std::unique_ptr<ScreenshotSelectionController>(std::make_unique<ScreenshotOverlayController>(
            ScreenshotOverlayController::defaultDependencies(windows, list, input)));
    };
    m_service = std::make_unique<ScreenshotOCRService>(std::move(dependencies), std::move(ownWindows));

    ScreenshotRunController::Dependencies runs;
    runs.service = std::make_shared<ScreenshotRunServiceAdapter>(m_service.get());
    runs.settings = std::make_shared<AppSettingsScreenshotSettings>(configuration.settings);
    runs.workflow = std::move(configuration.workflow);
    runs.globalInput = configuration.globalInput;
    m_runs = std::make_unique<ScreenshotRunController>(std::move(runs));
}

ScreenshotAssembly::~ScreenshotAssembly() {
    // The runs end (and close an open overlay) before the service they use.
    m_runs.reset();
    m_service.reset();
}

} // namespace tolvane
