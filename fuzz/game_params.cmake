# The game-parameter blocks of cfg.xml on the café board; the sample café's own cfg.xml is a seed.
cafe_fuzz_target(game_params SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/GameParamsFuzz.cpp LIBS cafe_cafe
                 SEEDS ${CMAKE_SOURCE_DIR}/content/cfg/cfg.xml)
