# The café's game parameters and level rules read from a level file and a root document, and
# played on the café board.
cafe_fuzz_target(cafe_level SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/CafeLevelFuzz.cpp
                 ${CMAKE_CURRENT_SOURCE_DIR}/CafeBoardFuzz.cpp LIBS cafe_cafe)
# Its parts read the animation sets of the sample packs beside it.
add_dependencies(fuzz_cafe_level content)
