# Every library the project links, found once for all targets.
find_package(Qt6 6.4 REQUIRED COMPONENTS Core Gui Widgets Network Svg Test)
find_package(QCoro6 REQUIRED COMPONENTS Core Network)
find_package(SQLite3 REQUIRED)
find_package(PkgConfig REQUIRED)

pkg_check_modules(LIBSECRET REQUIRED IMPORTED_TARGET libsecret-1)
# The accessibility backend releases the objects it gets from AT-SPI itself (g_object_unref).
pkg_check_modules(ATSPI REQUIRED IMPORTED_TARGET atspi-2 gobject-2.0)
pkg_check_modules(X11LIBS REQUIRED IMPORTED_TARGET
                  x11 x11-xcb xcb xcb-xtest xcb-xinput xcb-xfixes xtst xi xfixes)
pkg_check_modules(TESSERACT REQUIRED IMPORTED_TARGET tesseract lept)
pkg_check_modules(ICU REQUIRED IMPORTED_TARGET icu-i18n icu-uc)

# CLD2 ships neither pkg-config nor CMake files.
find_path(CLD2_INCLUDE_DIR cld2/public/compact_lang_det.h REQUIRED)
find_library(CLD2_LIBRARY NAMES cld2 REQUIRED)
add_library(cld2::cld2 UNKNOWN IMPORTED)
set_target_properties(cld2::cld2 PROPERTIES IMPORTED_LOCATION "${CLD2_LIBRARY}"
                      INTERFACE_INCLUDE_DIRECTORIES "${CLD2_INCLUDE_DIR}")

if(TOLVANE_BUILD_TESTS)
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()
if(TOLVANE_BUILD_BENCHMARKS)
  find_package(benchmark REQUIRED)
endif()
