#pragma once

#include "ocr/own_window_hider.h"
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
// every screen (pre-selecting the frontmost window from the window manager's list), Qt screen grabs,
// Tesseract and Leptonica. Built on the first screenshot request, since the recognition engines are large.
class ScreenshotAssembly {
public:
    struct Configuration {
        AppSettings& settings;
        std::shared_ptr<ScreenshotRunWorkflow> workflow;
        std::shared_ptr<WindowSystem> windows;     // optional: focus given back after the overlay
        GlobalInputService* globalInput = nullptr; // optional: Escape pressed in other applications
    };

    // `ownWindows` lists the application's windows, kept out of every capture.
    ScreenshotAssembly(Configuration configuration, OwnWindowHider::WindowSource ownWindows);
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
