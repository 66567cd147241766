# A level file and its object document read into a board and played.
cafe_fuzz_target(level_load SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/LevelLoadFuzz.cpp LIBS cafe_board)
# It reads the animation sets of the sample packs beside it.
add_dependencies(fuzz_level_load content)
