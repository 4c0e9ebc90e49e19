# Shared helpers for the project's targets.

# Qt headers that nearly every translation unit includes, precompiled once per target.
set(QUORVEL_PCH_HEADERS
  <QString>
  <QStringList>
  <QHash>
  <QList>
  <QVariant>
  <QDebug>
  <memory>
  <functional>
  <vector>
  <optional>)

# Collects the sources of a folder tree; new files are picked up on the next build.
function(quorvel_collect_sources out_var)
  set(result)
  foreach(dir IN LISTS ARGN)
    file(GLOB_RECURSE found CONFIGURE_DEPENDS
      "${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp"
      "${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.h")
    list(APPEND result ${found})
  endforeach()
  set(${out_var} ${result} PARENT_SCOPE)
endfunction()

# One GoogleTest binary per subsystem folder:
# quorvel_add_test_binary(name folder [WIDGETS] [EXCLUDE subfolder ...] [LIBS ...]).
# WIDGETS: the binary drives widgets and runs a widget application.
function(quorvel_add_test_binary name folder)
  cmake_parse_arguments(ARG "WIDGETS" "" "LIBS;EXCLUDE" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
    "${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp")
  foreach(excluded IN LISTS ARG_EXCLUDE)
    list(FILTER sources EXCLUDE REGEX "/${folder}/${excluded}/")
  endforeach()
  if(NOT sources)
    return()
  endif()
  if(ARG_WIDGETS)
    set(main ${CMAKE_CURRENT_SOURCE_DIR}/support/TestMainWidgets.cpp)
  else()
    set(main ${CMAKE_CURRENT_SOURCE_DIR}/support/TestMain.cpp)
  endif()
  add_executable(${name} ${sources} ${main})
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest)
  # Widget tests hold QObject classes of their own.
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  # Test code is compiled for compile speed: the code under test is optimised
  # in the library, and the test binaries dominate a cold build otherwise.
  target_compile_options(${name} PRIVATE -O0 -g0)
  # Test files share their heavy includes: compiling them in batches parses
  # those once per batch instead of once per file. Helpers in a test file's
  # anonymous namespace must therefore not reuse a name another file uses.
  set_target_properties(${name} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 16)
  # One precompiled header serves every test binary.
  get_property(pch_owner GLOBAL PROPERTY QUORVEL_TEST_PCH_OWNER)
  if(pch_owner)
    target_precompile_headers(${name} REUSE_FROM ${pch_owner})
  else()
    target_precompile_headers(${name} PRIVATE ${QUORVEL_PCH_HEADERS} <gtest/gtest.h>)
    set_property(GLOBAL PROPERTY QUORVEL_TEST_PCH_OWNER ${name})
  endif()
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QUORVEL_TEST_DATA=${CMAKE_CURRENT_SOURCE_DIR}/data;${QUORVEL_TEST_ENVIRONMENT}"
    TIMEOUT 900)
endfunction()

# Resources that come from npm packages are never committed: the build copies
# them into its own resource folder. The highlight page template is copied there
# too, so that the scripts it names relatively sit beside it; tests search that
# folder first, then resources/.
set(QUORVEL_NODE_MODULES "${PROJECT_SOURCE_DIR}/node_modules")
set(QUORVEL_BUILD_RESOURCES "${PROJECT_BINARY_DIR}/resources")
file(GLOB QUORVEL_HLJS_STYLES CONFIGURE_DEPENDS "${QUORVEL_NODE_MODULES}/highlight.js/styles/*.css")
list(FILTER QUORVEL_HLJS_STYLES EXCLUDE REGEX "\\.min\\.css$")
foreach(sheet IN LISTS QUORVEL_HLJS_STYLES)
  get_filename_component(sheet_name "${sheet}" NAME)
  configure_file("${sheet}" "${QUORVEL_BUILD_RESOURCES}/js/highlight/styles/${sheet_name}" COPYONLY)
endforeach()

# highlight.js ships CommonJS modules only: bundle them into one browser script.
find_program(QUORVEL_NODE node)
set(QUORVEL_HLJS_PACKAGE "${QUORVEL_NODE_MODULES}/highlight.js")
set(QUORVEL_HLJS_BUNDLE "${QUORVEL_BUILD_RESOURCES}/js/highlight/highlight.js")
if(QUORVEL_NODE AND EXISTS "${QUORVEL_HLJS_PACKAGE}/lib/index.js")
  add_custom_command(OUTPUT "${QUORVEL_HLJS_BUNDLE}"
    COMMAND "${QUORVEL_NODE}" "${PROJECT_SOURCE_DIR}/scripts/bundle_highlight.js"
            "${QUORVEL_HLJS_PACKAGE}" "${QUORVEL_HLJS_BUNDLE}"
    DEPENDS "${PROJECT_SOURCE_DIR}/scripts/bundle_highlight.js" "${QUORVEL_HLJS_PACKAGE}/package.json"
    COMMENT "Bundling highlight.js for the browser"
    VERBATIM)
  add_custom_target(quorvel_highlight_js ALL DEPENDS "${QUORVEL_HLJS_BUNDLE}")
else()
  message(WARNING "highlight.js or node is missing (run scripts/setup): code blocks will not be coloured")
endif()
configure_file("${PROJECT_SOURCE_DIR}/resources/js/highlight/templ.html"
               "${QUORVEL_BUILD_RESOURCES}/js/highlight/templ.html" COPYONLY)

# The web page runs headless; the tests load only our own local pages, so the
# renderer's sandbox (which cannot start as root) stays off.
set(QUORVEL_TEST_ENVIRONMENT
  "QT_QPA_PLATFORM=offscreen"
  "QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu"
  "QTWEBENGINE_DISABLE_SANDBOX=1"
  "QUORVEL_RESOURCES=${QUORVEL_BUILD_RESOURCES}:${PROJECT_SOURCE_DIR}/resources"
  "QUORVEL_NODE_MODULES=${QUORVEL_NODE_MODULES}")
if(QUORVEL_SANITIZE)
  # QtWebEngine's own (uninstrumented) code frees some objects with a sized
  # delete of another size, which the sanitizer's allocator reports.
  # It and fontconfig also keep memory to the end of the process.
  list(APPEND QUORVEL_TEST_ENVIRONMENT "ASAN_OPTIONS=new_delete_type_mismatch=0"
       "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/support/lsan.supp")
endif()
