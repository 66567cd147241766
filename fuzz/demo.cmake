# The demo file reader.
cafe_fuzz_target(demo SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/DemoFuzz.cpp LIBS cafe_shell)
