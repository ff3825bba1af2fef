# The floating result panel, its views, the brand views and the native text editor.
target_sources(tolvane_app PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/brand_artwork.cpp
  ${CMAKE_CURRENT_LIST_DIR}/brand_lockup.cpp
  ${CMAKE_CURRENT_LIST_DIR}/brand_wordmark.cpp
  ${CMAKE_CURRENT_LIST_DIR}/native_text_editor.cpp
  ${CMAKE_CURRENT_LIST_DIR}/result_panel_app_settings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/result_panel_footer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/result_panel_header.cpp
  ${CMAKE_CURRENT_LIST_DIR}/result_panel_manual_body.cpp
  ${CMAKE_CURRENT_LIST_DIR}/result_panel_picker.cpp
  ${CMAKE_CURRENT_LIST_DIR}/result_panel_reading_body.cpp
  ${CMAKE_CURRENT_LIST_DIR}/result_panel_status.cpp
  ${CMAKE_CURRENT_LIST_DIR}/result_panel_text_view.cpp
  ${CMAKE_CURRENT_LIST_DIR}/result_panel_view.cpp
  ${CMAKE_CURRENT_LIST_DIR}/result_panel_workflow.cpp
  ${CMAKE_CURRENT_LIST_DIR}/result_panel_settings.h)
target_sources(tolvane_app PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/floating_panel_controller.cpp
  ${CMAKE_CURRENT_LIST_DIR}/result_panel_placement.cpp
  ${CMAKE_CURRENT_LIST_DIR}/result_panel_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/result_panel_x11.cpp)
