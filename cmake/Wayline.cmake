# Small helpers shared by every folder.

# wayline_core_library(NAME SOURCES... LIBS...)
# A core library: plain C++20, no Qt, headers included as "folder/File.h"
# from src/.
function(wayline_core_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_compile_features(${name} PUBLIC cxx_std_20)
  if(ARG_LIBS)
    target_link_libraries(${name} PUBLIC ${ARG_LIBS})
  endif()
endfunction()

# wayline_qt_target(TARGET)
# A target with Qt classes: moc runs for it (and only for such targets), and
# Qt's keyword macros stay off so that signals/slots read as Q_SIGNALS.
function(wayline_qt_target name)
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  get_target_property(type ${name} TYPE)
  if(type STREQUAL "EXECUTABLE")
    target_compile_definitions(${name} PRIVATE QT_NO_KEYWORDS)
  else()
    target_compile_definitions(${name} PUBLIC QT_NO_KEYWORDS)
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  endif()
endfunction()

# Test programs are compiled for a quick edit-build-test loop: -O1 with the
# value-range pass that -Warray-bounds needs (the one -Wall warning -O1
# alone would lose) and line tables for backtraces. The code under test is
# the libraries', compiled as the program ships. Sanitizer and release
# builds keep their own flags.
if(CMAKE_BUILD_TYPE STREQUAL "RelWithDebInfo")
  set(WAYLINE_TEST_OPTIONS -O1 -ftree-vrp -g1)
else()
  set(WAYLINE_TEST_OPTIONS)
endif()
# Qt's targets compile position-independent code; the test programs all do,
# so that one precompiled header serves them with or without Qt.
list(APPEND WAYLINE_TEST_OPTIONS -fPIC)

# Precompiled headers. Each kind of target (widget libraries, GoogleTest
# programs, Qt Test programs) shares one header built once by a small host
# target; the headers are those nearly every file of that kind includes.
set(WAYLINE_STD_PCH <algorithm> <array> <cstdint> <functional> <memory> <optional> <string>
  <string_view> <vector>)
function(wayline_pch_host name)
  cmake_parse_arguments(ARG "FOR_TESTS;QT" "" "HEADERS;LIBS" ${ARGN})
  file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/${name}.cpp "// Builds the precompiled header.\n")
  add_library(${name} OBJECT ${CMAKE_CURRENT_BINARY_DIR}/${name}.cpp)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  # Every macro defined here must be defined alike where the header is used.
  if(ARG_QT)
    target_compile_definitions(${name} PRIVATE QT_NO_KEYWORDS)
  endif()
  target_precompile_headers(${name} PRIVATE ${ARG_HEADERS} ${WAYLINE_STD_PCH})
  if(ARG_FOR_TESTS)
    target_compile_options(${name} PRIVATE ${WAYLINE_TEST_OPTIONS})
  endif()
endfunction()
if(WAYLINE_PCH)
  # A header that cannot serve a compilation is an error, not a silent
  # slow-down.
  add_compile_options(-Winvalid-pch)
  wayline_pch_host(wayline_pch_gtest FOR_TESTS HEADERS <gtest/gtest.h> <gmock/gmock.h>
    LIBS GTest::gtest GTest::gmock)
  if(WAYLINE_WITH_UI)
    wayline_pch_host(wayline_pch_widgets QT HEADERS <QtWidgets/QtWidgets> LIBS Qt6::Widgets)
  endif()
endif()

# wayline_use_pch(TARGET HOST): TARGET takes HOST's precompiled header.
function(wayline_use_pch name host)
  if(WAYLINE_PCH AND TARGET ${host})
    target_precompile_headers(${name} REUSE_FROM ${host})
  endif()
endfunction()

# Qt Test defines the test's folders on the command line, and a precompiled
# header only serves compilations with the same definitions: one header per
# test folder.
function(wayline_use_qtest_pch name)
  if(NOT WAYLINE_PCH)
    return()
  endif()
  string(MD5 dir_hash ${CMAKE_CURRENT_BINARY_DIR})
  string(SUBSTRING ${dir_hash} 0 8 dir_hash)
  set(host wayline_pch_qtest_${dir_hash})
  if(NOT TARGET ${host})
    wayline_pch_host(${host} FOR_TESTS QT HEADERS <QtWidgets/QtWidgets> <QtTest/QtTest>
      LIBS Qt6::Widgets Qt6::Test)
  endif()
  target_precompile_headers(${name} REUSE_FROM ${host})
endfunction()

# wayline_add_gtest(NAME SOURCES... LIBS...)
# One GoogleTest executable, registered with ctest test by test.
function(wayline_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_compile_options(${name} PRIVATE ${WAYLINE_TEST_OPTIONS})
  wayline_use_pch(${name} wayline_pch_gtest)
  include(GoogleTest)
  # Listed when ctest runs, not after each link.
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 30 DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "WAYLINE_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endfunction()

# wayline_add_qtest(NAME SOURCES... LIBS...)
# One Qt Test executable, run headless on the offscreen platform.
function(wayline_add_qtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} Qt6::Test)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_compile_options(${name} PRIVATE ${WAYLINE_TEST_OPTIONS})
  wayline_qt_target(${name})
  wayline_use_qtest_pch(${name})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;WAYLINE_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
    TIMEOUT 120)
endfunction()

# wayline_add_xtest(NAME SOURCES... LIBS...)
# A Qt Test executable that drives its windows with real X input: it runs on
# the xcb platform inside its own Xvfb server (xvfb-run -a picks a free
# display) and sends mouse and keys with xdotool. Left out when either tool
# is missing.
function(wayline_add_xtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  find_program(WAYLINE_XVFB_RUN xvfb-run)
  find_program(WAYLINE_XDOTOOL xdotool)
  if(NOT WAYLINE_XVFB_RUN OR NOT WAYLINE_XDOTOOL)
    message(STATUS "${name} left out: xvfb-run and xdotool are needed")
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} Qt6::Test)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_compile_options(${name} PRIVATE ${WAYLINE_TEST_OPTIONS})
  wayline_qt_target(${name})
  wayline_use_qtest_pch(${name})
  add_test(NAME ${name}
    COMMAND ${WAYLINE_XVFB_RUN} -a -s "-screen 0 1024x768x24" $<TARGET_FILE:${name}>)
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=xcb;WAYLINE_XDOTOOL=${WAYLINE_XDOTOOL};WAYLINE_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
    TIMEOUT 120)
endfunction()
