# Shared helpers for the per-folder CMakeLists.

# cafe_library(<folder> SOURCES ... DEPS ...): the static library cafe_<folder>.
function(cafe_library folder)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(cafe_${folder} STATIC ${ARG_SOURCES})
  target_include_directories(cafe_${folder} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(cafe_${folder} PUBLIC ${ARG_DEPS})
endfunction()

# The time a test entry may run before CTest stops it as hung, in seconds, unless it sets its own
# TIMEOUT: ten times what most tests take in the sanitized build on an idle machine, so that a
# busy machine does not stop a sound test and a hang still fails within minutes.
set(CAFE_TEST_TIMEOUT 60)

# The entries that take longer have their quiet time (seconds in the sanitized build on an idle
# 8-core machine, ctest -j4) in tests/quiet_times.txt: an entry listed there that sets no TIMEOUT
# of its own gets ten times its quiet time (tools.EveryTestHasATimeout holds every listed entry
# to that ratio).
set(CAFE_QUIET_TIMES ${CMAKE_SOURCE_DIR}/tests/quiet_times.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CAFE_QUIET_TIMES})
file(STRINGS ${CAFE_QUIET_TIMES} cafe_quiet_lines REGEX "^[^# ]+ +[0-9]+")
foreach(line IN LISTS cafe_quiet_lines)
  string(REGEX MATCH "^([^ ]+) +([0-9]+)" match "${line}")
  set_property(GLOBAL PROPERTY CAFE_QUIET_TIME_${CMAKE_MATCH_1} ${CMAKE_MATCH_2})
endforeach()

# cafe_test_timeouts(): gives every test entry of the current folder that sets no TIMEOUT the
# default one, once the folder's list has been read (every test, however added, is then known).
# The helpers below call it; a folder that adds tests by itself calls it too.
function(cafe_test_timeouts)
  get_property(deferred DIRECTORY PROPERTY CAFE_TEST_TIMEOUTS_DEFERRED)
  if(NOT deferred)
    set_property(DIRECTORY PROPERTY CAFE_TEST_TIMEOUTS_DEFERRED ON)
    cmake_language(DEFER CALL cafe_apply_test_timeouts)
  endif()
endfunction()

function(cafe_apply_test_timeouts)
  get_property(tests DIRECTORY PROPERTY TESTS)
  foreach(t IN LISTS tests)
    get_test_property(${t} TIMEOUT timeout)
    if(NOT timeout)
      set(timeout ${CAFE_TEST_TIMEOUT})
      get_property(quiet GLOBAL PROPERTY CAFE_QUIET_TIME_${t})
      if(quiet AND quiet GREATER 6)
        math(EXPR timeout "${quiet} * 10")
      endif()
      set_tests_properties(${t} PROPERTIES TIMEOUT ${timeout})
    endif()
  endforeach()
endfunction()

# cafe_test(<label> <name> SOURCES ... LIBS ...): one GoogleTest program, registered with CTest
# under the folder's label. Tests run with SDL's dummy drivers and private XDG folders, so they
# never touch the user's files or need a display.
function(cafe_test label name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  set(target test_${label}_${name})
  add_executable(${target} ${ARG_SOURCES})
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(${target} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  cafe_test_pch_use(${target})
  set(home ${CMAKE_BINARY_DIR}/testhome/${target})
  add_test(NAME ${label}.${name} COMMAND ${target})
  cafe_test_timeouts()
  set_tests_properties(${label}.${name} PROPERTIES
    LABELS ${label}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin
    ENVIRONMENT "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/lsan.supp;SDL_VIDEODRIVER=dummy;SDL_AUDIODRIVER=dummy;HOME=${home};XDG_CONFIG_HOME=${home}/config;XDG_DATA_HOME=${home}/data;XDG_RUNTIME_DIR=${home}/run;CAFE_SOURCE_DIR=${CMAKE_SOURCE_DIR};CAFE_BINARY_DIR=${CMAKE_BINARY_DIR}")
endfunction()

# cafe_test_pch_use(<target>): the test target compiles with the tests' precompiled headers, with
# GCC, which compiles the headers as text in a source whose options the precompiled ones do not
# fit (clang refuses such a source). Under a compiler cache (which keeps no precompiled header)
# the cache does the saving.
function(cafe_test_pch_use target)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "GNU" OR CMAKE_CXX_COMPILER_LAUNCHER MATCHES "ccache")
    return()
  endif()
  cafe_test_headers()
  target_precompile_headers(${target} REUSE_FROM cafe_test_pch)
  # A source built with other options (an optimised one, say) compiles the headers itself.
  set_target_properties(${target} PROPERTIES PCH_WARN_INVALID OFF)
endfunction()

# cafe_test_headers(): cafe_test_pch, made on first use, whose precompiled GoogleTest and
# standard headers every test program reuses rather than compiling them again in each test.
function(cafe_test_headers)
  if(TARGET cafe_test_pch)
    return()
  endif()
  set(src ${CMAKE_BINARY_DIR}/cafe_test_pch.cpp)
  file(CONFIGURE OUTPUT ${src} CONTENT "// The precompiled headers of the test programs.\n")
  add_library(cafe_test_pch OBJECT ${src})
  # The options and definitions of most tests (the platform's), so that the headers fit them.
  target_link_libraries(cafe_test_pch PRIVATE cafe_platform GTest::gtest Threads::Threads)
  target_precompile_headers(cafe_test_pch PRIVATE <gtest/gtest.h> <algorithm> <cstdint> <cstdlib> <cstring>
                            <filesystem> <fstream> <functional> <map> <memory> <sstream> <string> <vector>)
endfunction()

# cafe_folder_library(<folder> DEPS ...): cafe_<folder> from every .cpp under the current
# source folder (recursively), so that adding a file needs no edit here.
function(cafe_folder_library folder)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.c)
  cafe_library(${folder} SOURCES ${srcs} DEPS ${ARG_DEPS})
endfunction()

# cafe_folder_tests(<label> LIBS ...): one test program per *Test.cpp in the current folder,
# each linked with the shared helpers of support/*.cpp, if any. The helpers are compiled once,
# as the object library cafe_test_support_<label>, whose objects join every program's link.
function(cafe_folder_tests label)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*Test.cpp)
  file(GLOB support CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/support/*.cpp)
  set(libs ${ARG_LIBS})
  if(support)
    set(support_lib cafe_test_support_${label})
    add_library(${support_lib} OBJECT ${support})
    target_include_directories(${support_lib} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
    target_link_libraries(${support_lib} PUBLIC ${ARG_LIBS} GTest::gtest Threads::Threads)
    cafe_test_pch_use(${support_lib})
    list(APPEND libs ${support_lib})
  endif()
  foreach(t IN LISTS tests)
    get_filename_component(n ${t} NAME_WE)
    cafe_test(${label} ${n} SOURCES ${t} LIBS ${libs})
  endforeach()
endfunction()

# cafe_level_run_test(<label> <program> <name> <expected trace> <script> [options...]): one run
# of a level runner (tests/driver) in a home of its own (one game runs at a time per home); the
# options go to the program. The test is <label>.<name>.
function(cafe_level_run_test label program name expect script)
  set(home ${CMAKE_BINARY_DIR}/testhome/${program}_${name})
  add_test(NAME ${label}.${name} COMMAND ${program} ${ARGN} --expect ${expect} ${script})
  cafe_test_timeouts()
  set_tests_properties(${label}.${name} PROPERTIES
    LABELS ${label}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin
    ENVIRONMENT "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/lsan.supp;SDL_VIDEODRIVER=dummy;SDL_AUDIODRIVER=dummy;HOME=${home};XDG_CONFIG_HOME=${home}/config;XDG_DATA_HOME=${home}/data;XDG_RUNTIME_DIR=${home}/run")
endfunction()

# cafe_tsan_program(<target> SOURCES ... [PARTS ...]): a ThreadSanitizer test program, made only
# in builds without CAFE_SANITIZE: the sources (the test and the code its threads run) are compiled
# with -fsanitize=thread over the plain libraries below the board. PARTS names shared sets of such
# code (see cafe_tsan_part), compiled once for every program that takes them. Register it with
# cafe_tsan_test.
function(cafe_tsan_program target)
  cmake_parse_arguments(ARG "" "" "SOURCES;PARTS" ${ARGN})
  if(CAFE_SANITIZE OR CAFE_FUZZ)
    return()
  endif()
  add_executable(${target} ${ARG_SOURCES})
  cafe_tsan_flags(${target})
  foreach(part IN LISTS ARG_PARTS)
    cafe_tsan_part(${part})
    target_link_libraries(${target} PRIVATE cafe_tsan_${part})
  endforeach()
endfunction()

# cafe_tsan_flags(<target>): the ThreadSanitizer flags, include folders and plain libraries of
# the programs above and of their shared parts.
function(cafe_tsan_flags target)
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
  target_compile_options(${target} PRIVATE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(${target} PRIVATE -fsanitize=thread)
  target_link_libraries(${target} PRIVATE cafe_widgets cafe_engine cafe_effects cafe_sound cafe_shell GTest::gtest
                                          GTest::gtest_main Threads::Threads)
endfunction()

# cafe_tsan_part(<part>): the object library cafe_tsan_<part>, made on first use: "board" (the
# board), "cafe" (the café board) and "game" (the screens, the application and the headless
# driver that runs it). Their objects join the link of every program that names them, as their
# sources would.
function(cafe_tsan_part part)
  if(TARGET cafe_tsan_${part})
    return()
  endif()
  if(part STREQUAL "board")
    file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/board/*.cpp)
  elseif(part STREQUAL "cafe")
    file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/cafe/*.cpp)
  elseif(part STREQUAL "game")
    file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/screens/*.cpp ${CMAKE_SOURCE_DIR}/src/game/*.cpp)
    list(APPEND srcs ${CMAKE_SOURCE_DIR}/tests/driver/HeadlessGame.cpp)
  else()
    message(FATAL_ERROR "cafe_tsan_part: no part ${part}")
  endif()
  add_library(cafe_tsan_${part} OBJECT ${srcs})
  cafe_tsan_flags(cafe_tsan_${part})
endfunction()

# ThreadSanitizer cannot share a build with AddressSanitizer. A build without CAFE_SANITIZE makes
# the ThreadSanitizer test programs itself; a sanitized build (make test) makes them in a plain
# sub-build of its own, build/<dir>/tsan, as part of its build (see cafe_tsan_subbuild).
set(CAFE_TSAN_DIR ${CMAKE_BINARY_DIR}/tsan)

# cafe_tsan_test(<label> <name> <target> [ARGS ...]): registers the ThreadSanitizer test program
# <target> as <label>.<name>, run in this build's bin folder (where the sample data lie).
function(cafe_tsan_test label name target)
  cmake_parse_arguments(ARG "" "" "ARGS" ${ARGN})
  if(CAFE_FUZZ)
    return()
  endif()
  if(CAFE_SANITIZE)
    set(program ${CAFE_TSAN_DIR}/bin/${target})
    set_property(GLOBAL APPEND PROPERTY CAFE_TSAN_TARGETS ${target})
  else()
    set(program $<TARGET_FILE:${target}>)
  endif()
  set(home ${CMAKE_BINARY_DIR}/testhome/${target})
  add_test(NAME ${label}.${name} COMMAND ${program} ${ARG_ARGS})
  cafe_test_timeouts()
  set_tests_properties(${label}.${name} PROPERTIES
    LABELS ${label}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin
    ENVIRONMENT "TSAN_OPTIONS=halt_on_error=1;SDL_VIDEODRIVER=dummy;SDL_AUDIODRIVER=dummy;HOME=${home};XDG_CONFIG_HOME=${home}/config;XDG_DATA_HOME=${home}/data;XDG_RUNTIME_DIR=${home}/run;CAFE_SOURCE_DIR=${CMAKE_SOURCE_DIR};CAFE_BINARY_DIR=${CMAKE_BINARY_DIR}")
endfunction()

# cafe_tsan_subbuild(): in a sanitized build, the plain sub-build that makes the programs the
# cafe_tsan_test calls named. It is brought up to date by every build of this one.
function(cafe_tsan_subbuild)
  get_property(targets GLOBAL PROPERTY CAFE_TSAN_TARGETS)
  if(NOT CAFE_SANITIZE OR CAFE_FUZZ OR NOT targets)
    return()
  endif()
  include(ExternalProject)
  set(args -DCMAKE_BUILD_TYPE=Debug -DCAFE_SANITIZE=OFF -DCAFE_FUZZ=OFF -DCAFE_WERROR=${CAFE_WERROR}
           -DCMAKE_C_COMPILER=${CMAKE_C_COMPILER} -DCMAKE_CXX_COMPILER=${CMAKE_CXX_COMPILER})
  if(CMAKE_CXX_COMPILER_LAUNCHER)
    list(APPEND args -DCMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER}
                     -DCMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER})
  endif()
  ExternalProject_Add(tsan_tests
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${CAFE_TSAN_DIR}
    CMAKE_GENERATOR Ninja
    CMAKE_ARGS ${args}
    BUILD_COMMAND ${CMAKE_COMMAND} --build ${CAFE_TSAN_DIR} --target ${targets}
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON)
endfunction()
