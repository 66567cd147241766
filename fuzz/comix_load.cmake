# A cut-scene and an atlas description read from one input, played with clicks and drawn; the
# sample scenes are replayed with the corpus.
cafe_fuzz_target(comix_load SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/ComixLoadFuzz.cpp LIBS cafe_screens
                 SEEDS ${CMAKE_SOURCE_DIR}/content/cfg/comix.xml)
