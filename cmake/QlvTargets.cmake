# Shared target settings. Our own code builds with all warnings on; third-party code never
# passes through these functions.

# Warnings stop the build only where it is asked for (the presets CI builds): another compiler
# or other optimisation flags may warn about code that is fine, and must not break a user's build.
option(QLV_WERROR "Treat warnings in the project's own targets as errors" OFF)

function(qlv_code_defaults target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 $<$<BOOL:${QLV_WERROR}>:/WX>)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-unused-parameter $<$<BOOL:${QLV_WERROR}>:-Werror>)
  endif()
endfunction()

# A static library made of every source file in the listed folders (files may be added by
# anyone working in that folder without touching this file).
function(qlv_static_library target)
  set(srcs)
  foreach(dir ${ARGN})
    file(GLOB found CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.c)
    list(APPEND srcs ${found})
  endforeach()
  if(NOT srcs)
    # A subsystem whose sources have not arrived yet still links as an empty interface.
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${PROJECT_SOURCE_DIR})
    return()
  endif()
  add_library(${target} STATIC ${srcs})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  qlv_code_defaults(${target})
endfunction()

# A GoogleTest executable registered with ctest:
#   qlv_gtest(name SOURCES a_test.cpp b_test.cpp LIBS qlv_gfx ...)
# Tests may read QLV_SOURCE_DIR, QLV_BINARY_DIR, QLV_PLUGIN_DIR (the built plug-in binary and
# the image folder beside it) and QLV_SHARED_DIR (../shared beside the checkout).
function(qlv_gtest target)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${target} ${T_SOURCES})
  qlv_code_defaults(${target})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${target} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_compile_definitions(${target} PRIVATE
    QLV_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    QLV_BINARY_DIR="${PROJECT_BINARY_DIR}"
    QLV_PLUGIN_DIR="${QLV_PLUGIN_DIR}"
    QLV_SHARED_DIR="${PROJECT_SOURCE_DIR}/../shared")
  gtest_discover_tests(${target} DISCOVERY_TIMEOUT 120 PROPERTIES TIMEOUT 900)
endfunction()

# Links a subsystem library to what it uses, whether it is already a real static library or
# still an empty interface.
function(qlv_link target)
  get_target_property(kind ${target} TYPE)
  if(kind STREQUAL "INTERFACE_LIBRARY")
    target_link_libraries(${target} INTERFACE ${ARGN})
  else()
    target_link_libraries(${target} PUBLIC ${ARGN})
  endif()
endfunction()
