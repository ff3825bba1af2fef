#pragma once

#include "ocr/screenshot_run_ports.h"

#include <QImage>
#include <memory>

namespace tolvane {

class AppSettings;
class GlobalInputService;
class ScreenshotOCRService;
class ScreenshotRunController;
class WindowSystem;

// The screenshot runs with the real capture and recognition service behind them: the region overlay on
// every screen, Qt screen grabs, Tesseract and Leptonica. Built on the first screenshot request, since the
// recognition engines are large.
class ScreenshotAssembly {
public:
    struct Configuration {
        AppSettings& settings;
        std::shared_ptr<ScreenshotRunWorkflow> workflow;
        std::shared_ptr<WindowSystem> windows;     // optional: focus given back after the overlay
        GlobalInputService* globalInput = nullptr; // optional: Escape pressed in other applications
    };

    explicit ScreenshotAssembly(Configuration configuration);
    ~ScreenshotAssembly();
    ScreenshotAssembly(const ScreenshotAssembly&) = delete;
    ScreenshotAssembly& operator=(const ScreenshotAssembly&) = delete;

    ScreenshotRunController& runs() { return *m_runs; }
    ScreenshotOCRService& service() { return *m_service; }

private:
    std::unique_ptr<ScreenshotOCRService> m_service;
    std::unique_ptr<ScreenshotRunController> m_runs;
};

} // namespace tolvane
