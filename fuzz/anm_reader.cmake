# The .anm animation reader and the controller playing what it reads.
cafe_fuzz_target(anm_reader SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/AnmReaderFuzz.cpp LIBS cafe_effects)
