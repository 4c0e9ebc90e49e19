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

# One GoogleTest binary per subsystem folder: quorvel_add_test_binary(name folder [LIBS ...]).
function(quorvel_add_test_binary name folder)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
    "${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp")
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources} ${CMAKE_CURRENT_SOURCE_DIR}/support/TestMain.cpp)
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest)
  target_precompile_headers(${name} PRIVATE ${QUORVEL_PCH_HEADERS} <gtest/gtest.h>)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QUORVEL_TEST_DATA=${CMAKE_CURRENT_SOURCE_DIR}/data;QUORVEL_RESOURCES=${PROJECT_SOURCE_DIR}/resources:${QUORVEL_BUILD_RESOURCES};QUORVEL_NODE_MODULES=${QUORVEL_NODE_MODULES}"
    TIMEOUT 900)
endfunction()

# Resources that come from npm packages are never committed: the build copies
# them into its own resource folder, which the program searches after resources/.
set(QUORVEL_NODE_MODULES "${PROJECT_SOURCE_DIR}/node_modules")
set(QUORVEL_BUILD_RESOURCES "${PROJECT_BINARY_DIR}/resources")
file(GLOB QUORVEL_HLJS_STYLES CONFIGURE_DEPENDS "${QUORVEL_NODE_MODULES}/highlight.js/styles/*.css")
list(FILTER QUORVEL_HLJS_STYLES EXCLUDE REGEX "\\.min\\.css$")
foreach(sheet IN LISTS QUORVEL_HLJS_STYLES)
  get_filename_component(sheet_name "${sheet}" NAME)
  configure_file("${sheet}" "${QUORVEL_BUILD_RESOURCES}/js/highlight/styles/${sheet_name}" COPYONLY)
endforeach()
