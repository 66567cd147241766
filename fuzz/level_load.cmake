# A level file and its object document read into the café board and played.
cafe_fuzz_target(level_load SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/LevelLoadFuzz.cpp
                 ${CMAKE_CURRENT_SOURCE_DIR}/CafeBoardFuzz.cpp LIBS cafe_cafe)
# It reads the animation sets of the sample packs beside it.
add_dependencies(fuzz_level_load content)
