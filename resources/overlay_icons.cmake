# The region selection overlay's icons: Lucide SVGs (installed by scripts/setup into node_modules) compiled
# into the application's resources under their design identifiers, as :/Lucide/<identifier>.svg.
function(tolvane_add_overlay_icons target)
  set(icon_dir "${PROJECT_SOURCE_DIR}/node_modules/lucide-static/icons")
  # identifier -> Lucide icon
  set(icons
    "KjRjl=scan-text" "VGloF=square-dashed" "Hh6pu=repeat" "aDIS9=layers" "drwsl=arrow-right")
  set(files "")
  foreach(entry IN LISTS icons)
    string(REPLACE "=" ";" pair "${entry}")
    list(GET pair 0 identifier)
    list(GET pair 1 icon)
    if(NOT EXISTS "${icon_dir}/${icon}.svg")
      message(WARNING "Lucide icon ${icon}.svg is missing; run scripts/setup. The overlay draws no icons.")
      return()
    endif()
    set(copy "${CMAKE_CURRENT_BINARY_DIR}/overlay_icons/${identifier}.svg")
    configure_file("${icon_dir}/${icon}.svg" "${copy}" COPYONLY)
    set_source_files_properties("${copy}" PROPERTIES QT_RESOURCE_ALIAS "${identifier}.svg")
    list(APPEND files "${copy}")
  endforeach()
  qt_add_resources(${target} "overlay_icons" PREFIX "/Lucide" BASE "${CMAKE_CURRENT_BINARY_DIR}/overlay_icons"
                   FILES ${files})
endfunction()
