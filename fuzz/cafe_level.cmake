# The café's game parameters and level rules read from a level file and a root document, and
# played on the café board.
cafe_fuzz_target(cafe_level SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/CafeLevelFuzz.cpp LIBS cafe_cafe)
