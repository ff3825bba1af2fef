# Copies the third-party fonts and icons the application uses from the installed packages (Debian fonts,
# npm packages in node_modules) into the build tree and adds them to a target's Qt resources. Nothing
# third-party is kept in the repository; a file that is not installed is left out with a warning, and the
# application draws its fallbacks.

set(TOLVANE_NODE_MODULES "${PROJECT_SOURCE_DIR}/node_modules" CACHE PATH "npm packages with fonts and icons")

# Resource path -> installed file.
set(_tolvane_fonts
  "fonts/Inter-Variable.ttf|/usr/share/fonts/truetype/inter-vf/Inter.var.ttf"
  "fonts/IBMPlexMono-SemiBold.woff|${TOLVANE_NODE_MODULES}/@ibm/plex-mono/fonts/complete/woff/IBMPlexMono-SemiBold.woff"
  "fonts/IBMPlexMono-LICENSE.txt|${TOLVANE_NODE_MODULES}/@ibm/plex-mono/LICENSE.txt"
  "fonts/Manrope-Medium.ttf|/usr/share/fonts/truetype/manrope/Manrope-Medium.ttf")

# The Lucide icons that stand in for the design's symbols, plus the icon set's licence.
set(_tolvane_lucide_icons
  languages scan arrow-right clock sliders-horizontal book mouse-pointer-2 plus search chevron-down
  arrow-left-right x paperclip copy refresh-cw bookmark rotate-ccw check info sparkles circle-check circle-stop
  list-x triangle-alert square circle-arrow-right corner-down-left rotate-cw trash-2 file message-square-text
  book-a keyboard shield-check circle-alert app-window-mac rectangle-horizontal square-dashed circle-help waypoints
  gauge type text-cursor-input text-quote network cpu key-round accessibility hard-drive text-select scan-text
  circle shield-lock earth mouse-pointer-click screen-share circle-dashed globe)

function(tolvane_add_bundled_assets target)
  set(stage "${CMAKE_CURRENT_BINARY_DIR}/bundled")
  set(pairs ${_tolvane_fonts})
  foreach(icon IN LISTS _tolvane_lucide_icons)
    list(APPEND pairs "icons/lucide/${icon}.svg|${TOLVANE_NODE_MODULES}/lucide-static/icons/${icon}.svg")
  endforeach()
  list(APPEND pairs "icons/lucide/LICENSE|${TOLVANE_NODE_MODULES}/lucide-static/LICENSE")

  set(files "")
  foreach(pair IN LISTS pairs)
    string(REPLACE "|" ";" parts "${pair}")
    list(GET parts 0 alias)
    list(GET parts 1 source)
    if(NOT EXISTS "${source}")
      message(WARNING "Bundled asset not installed, left out: ${source} (run scripts/setup)")
      continue()
    endif()
    configure_file("${source}" "${stage}/${alias}" COPYONLY)
    list(APPEND files "${stage}/${alias}")
  endforeach()

  # The application's info resource: its version and, when configured, the update feed.
  set(TOLVANE_UPDATE_FEED_URL "" CACHE STRING "Appcast feed the updater reads; empty: updates come from the package manager")
  file(CONFIGURE OUTPUT "${stage}/Info.json" CONTENT
"{\n  \"CFBundleShortVersionString\": \"${PROJECT_VERSION}\",\n  \"SUFeedURL\": \"${TOLVANE_UPDATE_FEED_URL}\"\n}\n")
  list(APPEND files "${stage}/Info.json")

  qt_add_resources(${target} tolvane_bundled_assets PREFIX "/" BASE "${stage}" FILES ${files})
endfunction()
