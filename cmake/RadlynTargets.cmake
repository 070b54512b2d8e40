# Shared compile settings and small helpers for the project's targets.

add_library(radlyn_options INTERFACE)
target_compile_options(radlyn_options INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wno-missing-field-initializers)
if(RADLYN_WERROR)
  target_compile_options(radlyn_options INTERFACE -Werror)
endif()
target_include_directories(radlyn_options INTERFACE ${PROJECT_SOURCE_DIR}/src)

if(RADLYN_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(RADLYN_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

include(${CMAKE_CURRENT_LIST_DIR}/Release.cmake)

# radlyn_folder_library(NAME FOLDER DEPS...): a static library of every .cc file directly in FOLDER.
function(radlyn_folder_library name folder)
  file(GLOB sources CONFIGURE_DEPENDS ${folder}/*.cc)
  add_library(${name} STATIC ${sources})
  target_link_libraries(${name} PUBLIC radlyn_options ${ARGN})
endfunction()

# radlyn_test(NAME FOLDER DEPS...): one GoogleTest program of every .cc file in FOLDER, registered
# with CTest.
function(radlyn_test name folder)
  file(GLOB sources CONFIGURE_DEPENDS ${folder}/*.cc)
  if(WIN32)
    # Tests of the Linux backend's own helpers (named in RADLYN_LINUX_ONLY_TESTS) stay on Linux.
    foreach(linux_only ${RADLYN_LINUX_ONLY_TESTS})
      list(REMOVE_ITEM sources ${folder}/${linux_only})
    endforeach()
  endif()
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE radlyn_options ${ARGN} GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  if(CMAKE_CROSSCOMPILING)
    # Under Wine each start of a program costs about a second: one CTest test per program.
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT
                         "RADLYN_BUILD_DIR=${PROJECT_BINARY_DIR};RADLYN_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
    return()
  endif()
  include(GoogleTest)
  # The escaped semicolon survives the test-discovery script as the list separator.
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ENVIRONMENT
                       "RADLYN_BUILD_DIR=${PROJECT_BINARY_DIR}\\;RADLYN_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endfunction()
