# Shared helpers for the per-folder CMakeLists.

# cafe_library(<folder> SOURCES ... DEPS ...): the static library cafe_<folder>.
function(cafe_library folder)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(cafe_${folder} STATIC ${ARG_SOURCES})
  target_include_directories(cafe_${folder} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(cafe_${folder} PUBLIC ${ARG_DEPS})
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
  set(home ${CMAKE_BINARY_DIR}/testhome/${target})
  add_test(NAME ${label}.${name} COMMAND ${target})
  set_tests_properties(${label}.${name} PROPERTIES
    LABELS ${label}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin
    ENVIRONMENT "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/lsan.supp;SDL_VIDEODRIVER=dummy;SDL_AUDIODRIVER=dummy;HOME=${home};XDG_CONFIG_HOME=${home}/config;XDG_DATA_HOME=${home}/data;XDG_RUNTIME_DIR=${home}/run;CAFE_SOURCE_DIR=${CMAKE_SOURCE_DIR};CAFE_BINARY_DIR=${CMAKE_BINARY_DIR}")
endfunction()

# cafe_folder_library(<folder> DEPS ...): cafe_<folder> from every .cpp under the current
# source folder (recursively), so that adding a file needs no edit here.
function(cafe_folder_library folder)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.c)
  cafe_library(${folder} SOURCES ${srcs} DEPS ${ARG_DEPS})
endfunction()

# cafe_folder_tests(<label> LIBS ...): one test program per *Test.cpp in the current folder,
# each linked with the shared helpers of support/*.cpp, if any.
function(cafe_folder_tests label)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*Test.cpp)
  file(GLOB support CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/support/*.cpp)
  foreach(t IN LISTS tests)
    get_filename_component(n ${t} NAME_WE)
    cafe_test(${label} ${n} SOURCES ${t} ${support} LIBS ${ARG_LIBS})
  endforeach()
endfunction()

# cafe_level_run_test(<label> <program> <name> <expected trace> <script> [options...]): one run
# of a level runner (tests/driver) in a home of its own (one game runs at a time per home); the
# options go to the program. The test is <label>.<name>.
function(cafe_level_run_test label program name expect script)
  set(home ${CMAKE_BINARY_DIR}/testhome/${program}_${name})
  add_test(NAME ${label}.${name} COMMAND ${program} ${ARGN} --expect ${expect} ${script})
  set_tests_properties(${label}.${name} PROPERTIES
    LABELS ${label}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin
    ENVIRONMENT "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/lsan.supp;SDL_VIDEODRIVER=dummy;SDL_AUDIODRIVER=dummy;HOME=${home};XDG_CONFIG_HOME=${home}/config;XDG_DATA_HOME=${home}/data;XDG_RUNTIME_DIR=${home}/run")
endfunction()

# cafe_tsan_test(<label> <name> SOURCES ...): a test once more under ThreadSanitizer. It cannot
# share a build with AddressSanitizer, so it exists only in builds without CAFE_SANITIZE: the
# sources (the test and the code its threads run) are compiled with -fsanitize=thread over the
# plain libraries below the board. The test is <label>.<name>.
function(cafe_tsan_test label name)
  cmake_parse_arguments(ARG "" "" "SOURCES" ${ARGN})
  if(CAFE_SANITIZE OR CAFE_FUZZ)
    return()
  endif()
  set(tsan test_${label}_${name})
  add_executable(${tsan} ${ARG_SOURCES})
  target_include_directories(${tsan} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
  target_compile_options(${tsan} PRIVATE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(${tsan} PRIVATE -fsanitize=thread)
  target_link_libraries(${tsan} PRIVATE cafe_widgets cafe_engine cafe_effects cafe_sound cafe_shell GTest::gtest
                                        GTest::gtest_main Threads::Threads)
  set(home ${CMAKE_BINARY_DIR}/testhome/${tsan})
  add_test(NAME ${label}.${name} COMMAND ${tsan})
  set_tests_properties(${label}.${name} PROPERTIES
    LABELS ${label}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin
    ENVIRONMENT "TSAN_OPTIONS=halt_on_error=1;SDL_VIDEODRIVER=dummy;SDL_AUDIODRIVER=dummy;HOME=${home};XDG_CONFIG_HOME=${home}/config;XDG_DATA_HOME=${home}/data;XDG_RUNTIME_DIR=${home}/run;CAFE_SOURCE_DIR=${CMAKE_SOURCE_DIR};CAFE_BINARY_DIR=${CMAKE_BINARY_DIR}")
endfunction()
