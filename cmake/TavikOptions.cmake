# Build settings shared by every target of the project. Targets opt in by linking
# tavik::options (privately); nothing here touches global flags.
add_library(tavik_options INTERFACE)
add_library(tavik::options ALIAS tavik_options)
target_compile_features(tavik_options INTERFACE cxx_std_17)
target_compile_options(tavik_options INTERFACE -Wall -Wextra)
if(TAVIK_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "TAVIK_FUZZ needs clang: configure with CXX=clang++")
  endif()
  set(TAVIK_SANITIZE ON)
  # Coverage feedback for the fuzzer from every library of the project.
  target_compile_options(tavik_options INTERFACE -fsanitize=fuzzer-no-link)
endif()
if(TAVIK_SANITIZE)
  target_compile_options(tavik_options INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(tavik_options INTERFACE -fsanitize=address,undefined)
endif()

# tavik_add_gtest(<name> SOURCES ... LIBS ...): one test executable, registered with CTest
# by test discovery so that each test case is its own CTest entry. The shared
# test helpers of tests/support are on its include path.
include(GoogleTest)
function(tavik_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main tavik::options)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
endfunction()
