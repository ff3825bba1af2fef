# Helpers that give every target the same warnings, precompiled Qt headers and test registration.

set(TOLVANE_WARNINGS -Wall -Wextra -Wpedantic -Wno-gnu-zero-variadic-macro-arguments)

function(tolvane_target_defaults target)
  if(CMAKE_CXX_COMPILER_LAUNCHER AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    # Lets ccache reuse objects built against an unchanged precompiled header.
    target_compile_options(${target} PRIVATE -Xclang -fno-pch-timestamp)
  endif()
  target_compile_options(${target} PRIVATE ${TOLVANE_WARNINGS})
  target_precompile_headers(${target} PRIVATE
    <QtCore/QString> <QtCore/QObject> <QtCore/QList> <QtCore/QHash> <QtCore/QJsonObject>
    <QtCore/QJsonArray> <QtCore/QJsonValue> <QtCore/QDateTime> <QtCore/QLoggingCategory>
    <QtCore/QPointer> <QtCore/QTimer> <qcoro/qcorotask.h> <functional> <memory> <optional> <vector>)
endfunction()

# tolvane_library(<name> SOURCES ... DEPS ...): one static library per src/ folder.
function(tolvane_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(tolvane_${name} STATIC ${ARG_SOURCES})
  add_library(tolvane::${name} ALIAS tolvane_${name})
  target_include_directories(tolvane_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(tolvane_${name} PUBLIC ${ARG_DEPS})
  tolvane_target_defaults(tolvane_${name})
endfunction()

# tolvane_test(<name> LABEL unit|x11|keyring SOURCES ... DEPS ... [ENVIRONMENT VAR=VALUE])
# unit tests run offscreen; x11 and keyring tests run inside scripts/test-session.
function(tolvane_test name)
  cmake_parse_arguments(ARG "" "LABEL;ENVIRONMENT" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE tolvane::test_support ${ARG_DEPS} GTest::gtest GTest::gmock)
  tolvane_target_defaults(${name})
  set(env "")
  set(lock "")
  set(timeout 120)
  if(ARG_LABEL STREQUAL "unit")
    set(env "QT_QPA_PLATFORM=offscreen")
  else()
    # Generous: on a busy machine every step waits for the X server, the window manager and the bus.
    set(timeout 300)
    set(env "QT_QPA_PLATFORM=xcb")
    # Tests sharing the session's screen, focus or keyring run one at a time, even under ctest -j. x11 and
    # keyring tests share one lock: a keyring's unlock prompt opens on the session's screen.
    set(lock RESOURCE_LOCK tolvane_session)
  endif()
  # The extra variable goes in its own property: test discovery splits every list it is handed.
  set(extra "")
  if(ARG_ENVIRONMENT)
    string(REPLACE "=" "=set:" modification "${ARG_ENVIRONMENT}")
    set(extra ENVIRONMENT_MODIFICATION "${modification}")
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 30
    PROPERTIES LABELS ${ARG_LABEL} ENVIRONMENT "${env}" ${extra} TIMEOUT ${timeout} ${lock})
endfunction()
