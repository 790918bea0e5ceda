# Build helpers shared by every directory of the project.

# Report sites (panics, assertion reports) name their source file the way the game's build always has:
# relative to src/ and without the extension, e.g. "src/io" or "src/../deps/vek/scheduler".
function(morvu_report_paths target)
  get_target_property(sources ${target} SOURCES)
  get_target_property(source_dir ${target} SOURCE_DIR)
  foreach(source IN LISTS sources)
    get_filename_component(absolute ${source} ABSOLUTE BASE_DIR ${source_dir})
    file(RELATIVE_PATH relative ${CMAKE_SOURCE_DIR}/src ${absolute})
    string(REGEX REPLACE "\\.[^./]*$" "" relative ${relative})
    set_property(SOURCE ${absolute} TARGET_DIRECTORY ${target} APPEND PROPERTY
                 COMPILE_DEFINITIONS "VEK_FILE=\"src/${relative}\"")
  endforeach()
endfunction()

# The executable part of both kinds of test: GoogleTest, exported symbols for readable stack traces,
# report paths like the game's own sources.
function(_morvu_test_executable name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  set_target_properties(${name} PROPERTIES ENABLE_EXPORTS ON)
  morvu_report_paths(${name})
endfunction()

# A GoogleTest executable whose cases run on the CPU only; built and run in the sanitizer build too.
#   morvu_cpu_test(name SOURCES a.cpp b.cpp LIBS vek ... [TIMEOUT s])
function(morvu_cpu_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  _morvu_test_executable(${name} SOURCES ${T_SOURCES} LIBS ${T_LIBS})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  gtest_discover_tests(${name} WORKING_DIRECTORY ${MORVU_RUN_DIR} DISCOVERY_MODE PRE_TEST
                       PROPERTIES LABELS cpu TIMEOUT ${T_TIMEOUT})
endfunction()

# A test executable that needs the display, Vulkan (validation layer on) or sound. Not part of the
# sanitizer build. Runs alone: screenshots read the whole virtual screen.
#   morvu_gpu_test(name SOURCES ... LIBS ... [TIMEOUT s])
function(morvu_gpu_test name)
  if(MORVU_SANITIZE)
    return()
  endif()
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  _morvu_test_executable(${name} SOURCES ${T_SOURCES} LIBS ${T_LIBS})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 600)
  endif()
  add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${MORVU_RUN_DIR})
  set_tests_properties(${name} PROPERTIES LABELS gpu RUN_SERIAL TRUE TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "VK_INSTANCE_LAYERS=VK_LAYER_KHRONOS_validation;ALSOFT_DRIVERS=null"
    FAIL_REGULAR_EXPRESSION "Validation (Error|Warning)")
endfunction()
