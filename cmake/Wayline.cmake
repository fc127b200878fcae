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

# wayline_add_gtest(NAME SOURCES... LIBS...)
# One GoogleTest executable, registered with ctest test by test.
function(wayline_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  include(GoogleTest)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 30
    PROPERTIES ENVIRONMENT "WAYLINE_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endfunction()

# wayline_add_qtest(NAME SOURCES... LIBS...)
# One Qt Test executable, run headless on the offscreen platform.
function(wayline_add_qtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} Qt6::Test)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  wayline_qt_target(${name})
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
  wayline_qt_target(${name})
  add_test(NAME ${name}
    COMMAND ${WAYLINE_XVFB_RUN} -a -s "-screen 0 1024x768x24" $<TARGET_FILE:${name}>)
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=xcb;WAYLINE_XDOTOOL=${WAYLINE_XDOTOOL};WAYLINE_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
    TIMEOUT 120)
endfunction()
