tolvane_test(ocr_overlay_unit_tests LABEL unit
  SOURCES
    screenshot_selection_view_test.cpp
    screenshot_overlay_controller_test.cpp
  DEPS tolvane::ocr)

# The real overlay on the test session's X server, driven by a second X client through XTest.
pkg_check_modules(OVERLAY_XTEST REQUIRED IMPORTED_TARGET x11 xtst)
tolvane_test(ocr_overlay_x11_tests LABEL x11
  SOURCES
    screenshot_overlay_x11_test.cpp
    ${PROJECT_SOURCE_DIR}/tests/x11/x_server_probe.cpp
  DEPS tolvane::ocr PkgConfig::OVERLAY_XTEST PkgConfig::X11LIBS)

tolvane_test(ocr_run_unit_tests LABEL unit
  SOURCES
    screenshot_run_controller_test.cpp
  DEPS tolvane::ocr)

# Screenshot runs from end to end: the real overlay, capture and Tesseract, driven through XTest.
tolvane_test(ocr_run_x11_tests LABEL x11
  SOURCES
    screenshot_run_x11_test.cpp
  DEPS tolvane::ocr PkgConfig::OVERLAY_XTEST)

# Runs and dropped images over the real workflow coordinator.
tolvane_test(ocr_run_coordinator_tests LABEL unit
  SOURCES
    coordinator_screenshot_workflow_test.cpp
  DEPS tolvane::ocr tolvane::workflow)
# The same runs on a doubled screen.
add_test(NAME ScreenshotRunX11.AllAtScaleFactor2 COMMAND ocr_run_x11_tests)
set_tests_properties(ScreenshotRunX11.AllAtScaleFactor2 PROPERTIES
  LABELS x11
  ENVIRONMENT "QT_QPA_PLATFORM=xcb;QT_SCALE_FACTOR=2"
  TIMEOUT 300
  RESOURCE_LOCK tolvane_session)
