tolvane_test(ocr_overlay_unit_tests LABEL unit
  SOURCES
    screenshot_selection_view_test.cpp
    screenshot_overlay_controller_test.cpp
  DEPS tolvane::ocr)
