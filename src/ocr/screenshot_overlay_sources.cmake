# Region selection overlay: view, windows and their Escape handling.
target_sources(tolvane_ocr PRIVATE
  screenshot_overlay_layout.cpp
  screenshot_overlay_icons.cpp
  screenshot_overlay_keyboard_grab.cpp
  screenshot_overlay_window_suggestion.cpp
  screenshot_overlay_backdrop.cpp
  screenshot_overlay_controller.cpp
  screenshot_selection_view.cpp)
target_link_libraries(tolvane_ocr PUBLIC Qt6::Svg)
include(${PROJECT_SOURCE_DIR}/resources/overlay_icons.cmake)
tolvane_add_overlay_icons(tolvane_ocr)

# Screenshot runs: single, continuous, batch and dropped images.
target_sources(tolvane_ocr PRIVATE screenshot_run_controller.cpp screenshot_run_service_adapter.cpp)

# The runs' port over the workflow coordinator, built by the application shell.
target_sources(tolvane_ocr PRIVATE coordinator_screenshot_workflow.cpp)
target_link_libraries(tolvane_ocr PUBLIC tolvane::workflow)
